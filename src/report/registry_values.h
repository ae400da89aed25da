// Bounded reads and plain writes of the registry values the report room keeps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// RegSetValueExW of a REG_SZ with its terminating zero (2 x characters + 2 bytes).
std::uint32_t SetStringValue(platform::Registry& registry, platform::RegistryKey key,
                             const std::wstring& name, const std::wstring& text);

// RegSetValueExW of a REG_DWORD (4 bytes, least significant first).
std::uint32_t SetDwordValue(platform::Registry& registry, platform::RegistryKey key,
                            const std::wstring& name, std::uint32_t value);

}  // namespace quorix
