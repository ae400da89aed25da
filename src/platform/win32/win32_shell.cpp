#include <windows.h>

#include <shellapi.h>

#include "platform/win32/win32_handles.h"
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

bool Win32Shell::ExecuteEx(const platform::ShellRequest& request, std::uint32_t mask,
                           platform::NativeHandle* process) {
    *process = platform::kNullHandle;
    // The structure's size is part of the ABI: Windows checks cbSize against it.
    static_assert(sizeof(SHELLEXECUTEINFOW) == (sizeof(void*) == 4 ? 60 : 112),
                  "SHELLEXECUTEINFOW of this process's bitness");
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = mask;
    info.hwnd = ToWindow(request.owner);
    info.lpVerb = OrNull(request.verb);
    info.lpFile = request.file.c_str();
    info.lpParameters = OrNull(request.parameters);
    info.lpDirectory = OrNull(request.directory);
    info.nShow = request.show;
    if (!::ShellExecuteExW(&info)) return false;
    if ((mask & SEE_MASK_NOCLOSEPROCESS) != 0) *process = FromHandle(info.hProcess);
    return true;
}

bool Win32Shell::GetProcessExitCode(platform::NativeHandle process, std::uint32_t* exitCode) {
    DWORD code = 0;
    if (!::GetExitCodeProcess(ToHandle(process), &code)) return false;
    *exitCode = code;
    return true;
}

std::uint32_t Win32Shell::WaitForProcess(platform::NativeHandle process, std::uint32_t timeoutMs) {
    return ::WaitForSingleObject(ToHandle(process), timeoutMs);
}

}  // namespace quorix::win32
