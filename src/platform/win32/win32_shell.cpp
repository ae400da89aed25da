#include <windows.h>

#include <shellapi.h>

#include "platform/win32/win32_shell.h"

namespace quorix::win32 {

namespace {
const wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }
}  // namespace

std::uintptr_t Win32Shell::Execute(const platform::ShellRequest& request) {
    HINSTANCE result = ::ShellExecuteW(reinterpret_cast<HWND>(request.owner), OrNull(request.verb),
                                       request.file.c_str(), OrNull(request.parameters),
                                       OrNull(request.directory), request.show);
    return reinterpret_cast<std::uintptr_t>(result);
}

}  // namespace quorix::win32
