// The identifiers the report room keeps in the registry: the per-machine installation GUID,
// the session records and the texts they are stored as.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/call_failed.h"
#include "core/process_state.h"
#include "core/product_constants.h"
#include "platform/com.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace quorix {

// Where earlier releases kept the GUID, below the setup key (kSetupKeyPath).
inline constexpr const wchar_t* kSetupKey2011 = L"VLQ2011";
inline constexpr const wchar_t* kSetupKey2010 = L"VLQ2010";

// "2011-01-31 09:05:00": the year as it is, the other fields with two digits.
std::wstring FormatSystemTime(const platform::SystemTime& time);

// The braced upper-case form StringFromGUID2 gives. Throws CallFailed with the
// message "StringFromGUID2 failed" when it gives nothing.
std::wstring GuidToString(ProcessContext& ctx, const platform::Guid& guid);

// The 16 bytes of a GUID in the order of its text: Data1, Data2 and Data3 most significant
// byte first, then Data4 as it is.
std::array<std::uint8_t, 16> GuidBytesInTextOrder(const platform::Guid& guid);

// The number a text starts with, read as a signed decimal long: blanks skipped, a sign taken,
// digits up to the first other character, clamped to the 32-bit range; 0 without digits.
std::int32_t LeadingDecimal(const std::wstring& text);

// The installation GUID of this machine from the setup key below HKEY_LOCAL_MACHINE, after
// finishing the migration of one an earlier release left. Nothing when there is none (it is
// never created here, and HKEY_CURRENT_USER is never looked at).
std::optional<platform::Guid> ReadInstallationGuid(ProcessContext& ctx);

// Makes sure the per-machine installation identifier exists, migrating an older release's.
void EnsureInstallationGuid(ProcessContext& ctx);

// The lookup and migration on the setup key opened with KEY_READ | KEY_SET_VALUE: the
// default value's GUID if it holds one; else the one the "VLQ2011" subkey (or, only when that
// subkey is missing, "VLQ2010") names, which then becomes the default value and both old
// subkeys are deleted.
std::optional<platform::Guid> FindInstallationGuid(ProcessContext& ctx,
                                                   platform::RegistryKey setupKey);

}  // namespace quorix
