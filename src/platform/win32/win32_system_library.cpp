#include <windows.h>

#include "platform/win32/win32_system_library.h"

#include <string>

#include "common/text.h"

namespace quorix::win32 {

void* LoadSystemLibrary(const wchar_t* name, std::uint32_t* error) {
    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) {
        *error = length == 0 ? ::GetLastError() : ERROR_BUFFER_OVERFLOW;
        if (*error == 0) *error = ERROR_PATH_NOT_FOUND;
        return nullptr;
    }
    const std::wstring path = EnsureTrailingBackslash(std::wstring(folder, length)) + name;
    // With the altered search path the library's own dependencies are looked for beside it
    // in the system folder too, not in the folder this program was started from (where a
    // download folder may hold anything), on systems without SetDefaultDllDirectories.
    HMODULE module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) {
        *error = ::GetLastError();
        if (*error == 0) *error = ERROR_MOD_NOT_FOUND;
    }
    return reinterpret_cast<void*>(module);
}

void* FindKernel32Function(const char* name) {
    HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    if (kernel32 == nullptr) return nullptr;
    return reinterpret_cast<void*>(::GetProcAddress(kernel32, name));
}

}  // namespace quorix::win32
