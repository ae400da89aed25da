// Typed registry values: bounded reads, texts, numbers, multi-strings and plain writes. Every
// room reads and writes the registry through these, never by decoding bytes of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <boost/shared_array.hpp>

#include "core/call_failed.h"
#include "core/process_state.h"
#include "platform/registry.h"

namespace quorix {

// RegQueryValueExW into a buffer of `capacity` bytes, as a fixed buffer of that size would
// take it: false when the value is missing, unreadable or larger than the buffer.
bool QueryBoundedValue(platform::Registry& registry, platform::RegistryKey key,
                       const std::wstring& name, std::uint32_t capacity, std::uint32_t* type,
                       std::vector<std::uint8_t>* bytes);

// The same, taken as a text of any type: the UTF-16 units read, up to the first zero. A value
// stored without its terminator ends with the bytes read, never beyond them.
bool QueryBoundedText(platform::Registry& registry, platform::RegistryKey key,
                      const std::wstring& name, std::uint32_t capacity, std::wstring* text,
                      std::uint32_t* type = nullptr);

// A 4-byte read whatever the value's type, taken least significant byte first; bytes the value
// does not fill count as 0. False when the value is missing, unreadable or larger than 4 bytes.
bool QueryDwordValue(platform::Registry& registry, platform::RegistryKey key,
                     const std::wstring& name, std::uint32_t* value);

// A REG_MULTI_SZ of at least one terminator (2 bytes), read into a buffer sized after the value
// as it was first queried. *size is the byte count that holds data: the value may have shrunk
// between the two reads, never grown into the buffer. False when the value is missing, of
// another type, too short, or the buffer cannot be had.
bool QueryMultiStringValue(platform::Registry& registry, platform::RegistryKey key,
                           const std::wstring& name, boost::shared_array<std::uint8_t>* bytes,
                           std::uint32_t* size);

// The REG_SZ value `valueName` of the key `keyPath` below HKEY_LOCAL_MACHINE, opened with
// KEY_READ in this process's own view. Throws CallFailed("Registry Value not found")
// when the key cannot be opened or the value is missing, unreadable or not REG_SZ.
std::wstring ReadRegistryString(ProcessContext& ctx, const std::wstring& keyPath,
                                const std::wstring& valueName);

// RegSetValueExW of a REG_SZ with its terminating zero (2 x characters + 2 bytes).
std::uint32_t SetStringValue(platform::Registry& registry, platform::RegistryKey key,
                             const std::wstring& name, const std::wstring& text);

// RegSetValueExW of a REG_DWORD (4 bytes, least significant first).
std::uint32_t SetDwordValue(platform::Registry& registry, platform::RegistryKey key,
                            const std::wstring& name, std::uint32_t value);

}  // namespace quorix
