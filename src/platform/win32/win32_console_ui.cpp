#include <windows.h>

#include <commctrl.h>

#include <cstdio>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_system_library.h"

namespace quorix::win32 {

namespace {

using AttachConsoleFn = BOOL(WINAPI*)(DWORD processId);
constexpr DWORD kAttachParentProcess = static_cast<DWORD>(-1);

}  // namespace

// Windows 2000 has no AttachConsole: there the call fails as it does for a parent without a
// console, and the console options are ignored the same way.
bool Win32Console::AttachToParent() {
    static void* const entry = FindKernel32Function("AttachConsole");
    if (entry == nullptr) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    return As<AttachConsoleFn>(entry)(kAttachParentProcess) != FALSE;
}

// Plain freopen: the msvcrt.dll of XP and 2000 has none of the secure "_s" functions.
bool Win32Console::ReopenStdoutOnConsole() { return std::freopen("CON", "w", stdout) != nullptr; }

void Win32Console::Write(const std::wstring& text) {
    std::fputws(text.c_str(), stdout);
    std::fflush(stdout);
}

bool Win32Console::Free() { return ::FreeConsole() != FALSE; }

void Win32Console::SendKey(std::uint16_t virtualKey, std::uint32_t flags) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = flags;
    ::SendInput(1, &input, sizeof(INPUT));
}

bool Win32Ui::InitCommonControls(std::uint32_t classes) {
    INITCOMMONCONTROLSEX init = {};
    init.dwSize = 8;
    init.dwICC = classes;
    return ::InitCommonControlsEx(&init) != FALSE;
}

int Win32Ui::ShowMessageBox(const wchar_t* caption, const std::wstring& text, std::uint32_t style) {
    return ::MessageBoxW(nullptr, text.c_str(), caption, style);
}

int Win32Ui::ShowOwnedMessageBox(platform::NativeHandle owner, const wchar_t* caption,
                                 const std::wstring& text, std::uint32_t style) {
    return ::MessageBoxW(ToWindow(owner), text.c_str(), caption, style);
}

}  // namespace quorix::win32
