#include <windows.h>

#include <wtsapi32.h>

#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_system_library.h"

namespace quorix::win32 {

namespace {

using QuerySessionFunction = BOOL(WINAPI*)(HANDLE, DWORD, WTS_INFO_CLASS, LPWSTR*, DWORD*);
using FreeMemoryFunction = VOID(WINAPI*)(PVOID);

HWND ToWindow(platform::NativeHandle window) { return reinterpret_cast<HWND>(window); }

}  // namespace

platform::NativeHandle Win32Desktop::FindTopWindow(const std::wstring& className) {
    return reinterpret_cast<platform::NativeHandle>(::FindWindowW(className.c_str(), nullptr));
}

bool Win32Desktop::IsWindowHandle(platform::NativeHandle window) {
    return ::IsWindow(ToWindow(window)) != FALSE;
}

bool Win32Desktop::QueryCurrentSessionText(std::uint32_t infoClass, std::wstring* text) {
    std::uint32_t error = 0;
    HMODULE library = reinterpret_cast<HMODULE>(LoadSystemLibrary(L"wtsapi32.dll", &error));
    if (library == nullptr) {
        ::SetLastError(error);
        return false;
    }
    const auto query = reinterpret_cast<QuerySessionFunction>(
        ::GetProcAddress(library, "WTSQuerySessionInformationW"));
    const auto release =
        reinterpret_cast<FreeMemoryFunction>(::GetProcAddress(library, "WTSFreeMemory"));
    bool found = false;
    DWORD lastError = ERROR_PROC_NOT_FOUND;
    if (query != nullptr && release != nullptr) {
        LPWSTR buffer = nullptr;
        DWORD bytes = 0;
        if (query(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION,
                  static_cast<WTS_INFO_CLASS>(infoClass), &buffer, &bytes) != FALSE) {
            // The byte count bounds the text even if its terminator were missing.
            std::size_t length = 0;
            const std::size_t units = buffer == nullptr ? 0 : bytes / sizeof(wchar_t);
            while (length < units && buffer[length] != L'\0') ++length;
            text->assign(buffer == nullptr ? L"" : buffer, length);
            found = true;
        } else {
            lastError = ::GetLastError();
        }
        if (buffer != nullptr) release(buffer);
    }
    ::FreeLibrary(library);
    if (!found) ::SetLastError(lastError);
    return found;
}

}  // namespace quorix::win32
