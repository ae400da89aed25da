// The Windows version the product needs, checked before anything is looked for or installed.
#pragma once

#include <cstdint>

#include "core/process_exit.h"
#include "core/process_state.h"
#include "platform/handles.h"
#include "ui/resources/resource_ids.h"

namespace quorix {

// What `requirementsStatus` holds.
inline constexpr std::int32_t kRequirementsMet = 0;
inline constexpr std::int32_t kWindowsNotSupported = 1;
inline constexpr std::int32_t kWindowsXpBeforeSp2 = 2;

// String-table texts of the requirements boxes.
inline constexpr std::uint32_t kRequirementsCaptionId = IDS_REQUIREMENTS_CAPTION;
inline constexpr std::uint32_t kWindowsNotSupportedTextId = IDS_WINDOWS_NOT_SUPPORTED;
inline constexpr std::uint32_t kWindowsXpUpdateTextId = IDS_WINDOWS_XP_UPDATE;

// The hidden window that owns the requirements box, so that its Help button reaches us.
inline constexpr const wchar_t* kRequirementsWindowClass = L"hiddenwindow";

// Microsoft's pages for a Windows XP that still needs its service pack.
inline constexpr const wchar_t* kWindowsUpdateAddress = L"http://windowsupdate.microsoft.com/";
inline constexpr const wchar_t* kServicePackArticleAddress =
    L"http://support.microsoft.com/kb/322389";

// The process exit code when the system is not supported (-1).
inline constexpr std::uint32_t kRequirementsExitCode =
    static_cast<std::uint32_t>(ExitCode::RequirementsNotMet);

// Returns when the system is supported (or its version cannot be read); otherwise explains why
// in its own window and ends the process with -1.
void CheckSystemRequirements(ProcessContext& ctx);

// Shows the box for the current `requirementsStatus`, owned by the hidden window. Returns what
// DestroyWindow returned, or false when the window could not be made (a plain error box is
// shown instead).
bool ShowRequirementsMessage(ProcessContext& ctx);

// The hidden window's reaction to a message: a help request opens the page that fits the
// status. The platform passes every message on to DefWindowProcW afterwards.
void RequirementsWindowProc(ProcessContext& ctx, platform::NativeHandle window,
                            std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

}  // namespace quorix
