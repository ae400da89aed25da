#include <windows.h>

#include <shellapi.h>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_platform.h"

namespace quorix::win32 {

std::uint32_t Win32System::GetLastError() { return ::GetLastError(); }
void Win32System::SetLastError(std::uint32_t error) { ::SetLastError(error); }

platform::NativeHandle Win32System::CreateNamedMutex(bool initialOwner, const std::wstring& name) {
    return FromHandle(::CreateMutexW(nullptr, initialOwner ? TRUE : FALSE, name.c_str()));
}

bool Win32System::CloseHandle(platform::NativeHandle handle) {
    return ::CloseHandle(ToHandle(handle)) != FALSE;
}

bool Win32System::GetCommandLineArguments(std::vector<std::wstring>* argv) {
    argv->clear();
    int argc = 0;
    LPWSTR* list = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (list == nullptr) return false;
    for (int i = 0; i < argc; ++i) argv->emplace_back(list[i]);
    ::LocalFree(list);
    return true;
}

bool Win32System::FormatSystemMessage(std::uint32_t code, std::wstring* text) {
    LPWSTR buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    if (length == 0) return false;
    text->assign(buffer, length);
    ::LocalFree(buffer);
    return true;
}

platform::NativeHandle Win32System::OpenProcessToken(std::uint32_t access) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), access, &token)) return platform::kNullHandle;
    return FromHandle(token);
}

bool Win32System::AdjustTokenPrivilege(platform::NativeHandle token, const std::wstring& name,
                                       std::uint32_t attributes) {
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = attributes;
    const BOOL found =
        ::LookupPrivilegeValueW(nullptr, name.c_str(), &privileges.Privileges[0].Luid);
    const BOOL adjusted =
        ::AdjustTokenPrivileges(ToHandle(token), FALSE, &privileges, 0, nullptr, nullptr);
    return found && adjusted;
}

bool Win32System::RequestExitWindows(std::uint32_t flags, std::uint32_t reason) {
    return ::ExitWindowsEx(flags, reason) != FALSE;
}

std::uint16_t Win32System::GetUserDefaultUiLanguage() { return ::GetUserDefaultUILanguage(); }

bool Win32System::GetLocaleInfoText(std::uint32_t locale, std::uint32_t type, std::size_t capacity,
                                    std::wstring* text) {
    std::vector<wchar_t> buffer(capacity == 0 ? 1 : capacity, L'\0');
    const int length = ::GetLocaleInfoW(locale, type, buffer.data(), static_cast<int>(capacity));
    if (length == 0) return false;
    text->assign(buffer.data());
    return true;
}

std::uint32_t Win32System::GetTickCount() { return ::GetTickCount(); }

bool Win32System::QueryHighResolutionCounter(std::uint64_t* counter, std::uint64_t* frequency) {
    LARGE_INTEGER perSecond = {};
    LARGE_INTEGER now = {};
    if (!::QueryPerformanceFrequency(&perSecond) || !::QueryPerformanceCounter(&now)) return false;
    *frequency = static_cast<std::uint64_t>(perSecond.QuadPart);
    *counter = static_cast<std::uint64_t>(now.QuadPart);
    return true;
}
void Win32System::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }
void Win32System::ExitProcess(std::uint32_t exitCode) { ::ExitProcess(exitCode); }

}  // namespace quorix::win32
