// The identity of this release, fixed at build time.
#pragma once

#include <cstdint>

#include "release_version.h"

namespace quorix {

inline constexpr const wchar_t* kProductName = L"Velora Quorix";
inline constexpr const wchar_t* kReleaseVersionText = QUORIX_VERSION_WIDE_TEXT;
// The version in file-version layout: (major << 16 | minor) and (build << 16 | revision).
inline constexpr std::uint32_t kReleaseVersionHigh =
    (std::uint32_t{QUORIX_VERSION_MAJOR} << 16) | QUORIX_VERSION_MINOR;
inline constexpr std::uint32_t kReleaseVersionLow =
    (std::uint32_t{QUORIX_VERSION_BUILD} << 16) | QUORIX_VERSION_REVISION;

inline constexpr const wchar_t* kThisProductCode = L"{7F150524-34B9-B5DF-9E77-69B10F4205B4}";
inline constexpr const wchar_t* kPreviousGenerationProductCode =
    L"{D23F0824-128B-2F33-0C5C-7FD0A6A3A450}";

// Held for the whole run; no "Global\" prefix, so the guard is per logon session.
inline constexpr const wchar_t* kInstanceMutexName = L"Velora2011Installer";

inline constexpr const wchar_t* kDefaultTagProperties =
    L"AFFILIATEID=vlq2011aid30017xx-XX AFFILIATEIDFLAGS=#0";
inline constexpr const wchar_t* kDefaultAffiliateId = L"vlq2011aid30017xx-XX";

}  // namespace quorix
