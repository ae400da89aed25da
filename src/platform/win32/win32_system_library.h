// Loading a system DLL the program does not import: always from the system folder by its
// full path, so that a planted copy beside the executable (or in the current folder) is never
// the one that runs.
#pragma once

#include <cstdint>

namespace quorix::win32 {

// LoadLibraryExW(LOAD_WITH_ALTERED_SEARCH_PATH) of "<system folder>\<name>". Null on
// failure, with *error set (never 0).
void* LoadSystemLibrary(const wchar_t* name, std::uint32_t* error);

// GetProcAddress in kernel32, which every process has loaded: for the functions that only
// later Windows versions export. Null when it is missing.
void* FindKernel32Function(const char* name);

// A looked-up entry point as the function type it is called through.
template <typename Fn>
Fn As(void* entry) {
    return reinterpret_cast<Fn>(entry);
}

}  // namespace quorix::win32
