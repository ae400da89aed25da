#include <windows.h>

#include <commctrl.h>

#include <cstdio>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_platform.h"

namespace quorix::win32 {

bool Win32Console::AttachToParent() { return ::AttachConsole(ATTACH_PARENT_PROCESS) != FALSE; }

bool Win32Console::ReopenStdoutOnConsole() {
    FILE* stream = nullptr;
    return ::freopen_s(&stream, "CON", "w", stdout) == 0;
}

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
