// The installed product's own helper tool, "VLInstallHelper.exe" in its installation folder:
// it closes the product's running programs and runs the product's own uninstallation step.
#pragma once

#include <cstdint>
#include <string>

#include "common/result_codes.h"
#include "core/process_state.h"

namespace quorix {

inline constexpr const wchar_t* kInstallHelperFileName = L"VLInstallHelper.exe";
inline constexpr const wchar_t* kCloseProductAppsSwitch = L"--close-vlqapps";
inline constexpr const wchar_t* kUninstallLullexSwitch = L"--uninstall-lullex";
// Below HKEY_LOCAL_MACHINE; the product code (and then the display name) follows directly.
inline constexpr const wchar_t* kUninstallRootKey =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// How long the helper may run before the setup goes on without its answer: long enough for a
// product that takes its time to close, short enough that a hung helper cannot hold a silent
// run for good.
inline constexpr std::uint32_t kHelperWaitLimitMs = 5 * 60 * 1000;

// The installation folder of the copy with this product code: the Uninstall entry of the code
// names the product's display name, and the Uninstall entry of that name holds the
// "InstallLocation". S_OK with *folder set, or E_FAIL with *folder untouched when either value
// is missing.
HResult FindInstallLocation(ProcessContext& ctx, const std::wstring& productCode,
                            std::wstring* folder);

// True for a folder that names one place whatever the current folder and drive: "X:\..." or a
// UNC path "\\server\share...". A helper is only ever started from such a folder.
bool IsAbsoluteFolder(const std::wstring& folder);

// Has the helper of the installed copy close the product's running programs and waits for it
// (at most kHelperWaitLimitMs). 1, also when the helper is not found, its folder is empty or
// relative, or its wait ends without an exit code; 0 when it was found but could not be
// started.
std::int32_t CloseProductApps(ProcessContext& ctx);

// Runs the helper's own uninstallation step and waits for it: 1 (go on with the removal) or
// 2 (stop) as the helper answers, 0 for anything else, for a helper that is not found or does
// not start, and at once for an installed copy older than major version 10. A helper that is
// still running after kHelperWaitLimitMs, or whose exit code cannot be read, counts as 2: the
// removal stops and nothing of the installed copy is lost.
std::int32_t UninstallLullex(ProcessContext& ctx);

}  // namespace quorix
