#include <windows.h>

#include "platform/win32/win32_platform.h"

namespace quorix::win32 {

namespace {
HANDLE ToHandle(platform::NativeHandle h) { return reinterpret_cast<HANDLE>(h); }
platform::NativeHandle FromHandle(HANDLE h) { return reinterpret_cast<platform::NativeHandle>(h); }
}  // namespace

platform::NativeHandle Win32Files::CreateFileHandle(const std::wstring& path, std::uint32_t access,
                                              std::uint32_t share, std::uint32_t disposition,
                                              std::uint32_t attributes) {
    return FromHandle(
        ::CreateFileW(path.c_str(), access, share, nullptr, disposition, attributes, nullptr));
}

platform::NativeHandle Win32Files::CreateReadOnlyMapping(platform::NativeHandle file) {
    return FromHandle(::CreateFileMappingW(ToHandle(file), nullptr, PAGE_READONLY, 0, 0, nullptr));
}

const std::uint8_t* Win32Files::MapReadOnlyView(platform::NativeHandle mapping) {
    return static_cast<const std::uint8_t*>(
        ::MapViewOfFile(ToHandle(mapping), FILE_MAP_READ, 0, 0, 0));
}

bool Win32Files::UnmapView(const std::uint8_t* view) {
    return ::UnmapViewOfFile(view) != FALSE;
}

bool Win32Files::GetFileSize(platform::NativeHandle file, std::uint64_t* size) {
    LARGE_INTEGER value = {};
    if (!::GetFileSizeEx(ToHandle(file), &value)) return false;
    *size = static_cast<std::uint64_t>(value.QuadPart);
    return true;
}

bool Win32Files::QueryRegionSize(const std::uint8_t* address, std::size_t* regionSize) {
    MEMORY_BASIC_INFORMATION info = {};
    if (::VirtualQuery(address, &info, sizeof(info)) == 0) return false;
    *regionSize = info.RegionSize;
    return true;
}

}  // namespace quorix::win32
