// Result codes shared by every room: Win32 errors, HRESULTs and Windows Installer results.
#pragma once

#include <cstdint>

namespace quorix {

using HResult = std::int32_t;

inline constexpr HResult kSOk = 0;
inline constexpr HResult kEFail = static_cast<HResult>(0x80004005u);
inline constexpr HResult kEInvalidArg = static_cast<HResult>(0x80070057u);

// Win32 error numbers the program looks at.
inline constexpr std::uint32_t kErrorSuccess = 0;
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorNotEnoughMemory = 8;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorSharingViolation = 32;
inline constexpr std::uint32_t kErrorFileExists = 80;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorProcNotFound = 127;
inline constexpr std::uint32_t kErrorAlreadyExists = 183;
inline constexpr std::uint32_t kErrorMoreData = 234;
inline constexpr std::uint32_t kErrorInvalidOwner = 1307;
inline constexpr std::uint32_t kErrorInstallUserExit = 1602;
inline constexpr std::uint32_t kErrorInstallFailure = 1603;
inline constexpr std::uint32_t kErrorInstallSuspend = 1604;
inline constexpr std::uint32_t kErrorUnknownProduct = 1605;
inline constexpr std::uint32_t kErrorUnknownProperty = 1608;
inline constexpr std::uint32_t kErrorInstallAlreadyRunning = 1618;
inline constexpr std::uint32_t kErrorSuccessRebootInitiated = 1641;
inline constexpr std::uint32_t kErrorSuccessRebootRequired = 3010;

// A Win32 error as an HRESULT: 0x80070000 | (e & 0xFFFF) for a positive e, e itself otherwise.
constexpr HResult HResultFromWin32(std::uint32_t error) {
    return static_cast<std::int32_t>(error) > 0
               ? static_cast<HResult>(0x80070000u | (error & 0xFFFFu))
               : static_cast<HResult>(error);
}

// Installer results that count as success wherever a result is judged.
constexpr bool IsInstallerSuccess(std::uint32_t result) {
    return result == kErrorSuccess || result == kErrorSuccessRebootInitiated ||
           result == kErrorSuccessRebootRequired;
}

// The exit code that a fatal error ends the process with: the code's low 16 bits.
constexpr std::uint32_t ExitCodeOf(HResult code) {
    return static_cast<std::uint32_t>(code) & 0xFFFFu;
}

}  // namespace quorix
