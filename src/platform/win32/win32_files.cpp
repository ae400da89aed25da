#include <windows.h>

#include <shlobj.h>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_platform.h"

namespace quorix::win32 {

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

bool Win32Files::UnmapView(const std::uint8_t* view) { return ::UnmapViewOfFile(view) != FALSE; }

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

bool Win32Files::WriteToFile(platform::NativeHandle file, const std::uint8_t* data,
                             std::uint32_t count, std::uint32_t* written) {
    DWORD done = 0;
    const BOOL ok = ::WriteFile(ToHandle(file), data, count, &done, nullptr);
    *written = done;
    return ok != FALSE;
}

bool Win32Files::ReadFromFile(platform::NativeHandle file, std::uint8_t* buffer,
                              std::uint32_t count, std::uint32_t* read) {
    DWORD done = 0;
    const BOOL ok = ::ReadFile(ToHandle(file), buffer, count, &done, nullptr);
    *read = done;
    return ok != FALSE;
}

bool Win32Files::DeleteFileAt(const std::wstring& path) {
    return ::DeleteFileW(path.c_str()) != FALSE;
}

std::uint32_t Win32Files::GetTempFolder(std::uint32_t capacity, std::wstring* path) {
    std::wstring buffer(capacity + 1, L'\0');
    const DWORD length = ::GetTempPathW(capacity, &buffer[0]);
    if (length != 0 && length < capacity) path->assign(buffer.data(), length);
    return length;
}

std::uint32_t Win32Files::MakeTempFileName(const std::wstring& folder, const std::wstring& prefix,
                                           std::uint32_t unique, std::wstring* name) {
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT number = ::GetTempFileNameW(folder.c_str(), prefix.c_str(), unique, buffer);
    if (number != 0) name->assign(buffer);
    return number;
}

bool Win32Files::CreateFolder(const std::wstring& path) {
    return ::CreateDirectoryW(path.c_str(), nullptr) != FALSE;
}

bool Win32Files::SetAttributes(const std::wstring& path, std::uint32_t attributes) {
    return ::SetFileAttributesW(path.c_str(), attributes) != FALSE;
}

std::uint32_t Win32Files::GetAttributes(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str());
}

std::int32_t Win32Files::GetSpecialFolder(int csidl, std::wstring* path) {
    wchar_t buffer[MAX_PATH + 1] = {};
    const HRESULT result = ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
    if (result >= 0) path->assign(buffer);
    return result;
}

std::uint32_t Win32Files::GetOwnModulePath(std::uint32_t capacity, std::wstring* path) {
    if (capacity == 0) {
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::wstring buffer(capacity + 1, L'\0');
    const DWORD count = ::GetModuleFileNameW(nullptr, &buffer[0], capacity);
    // XP leaves a cut path without its terminator; the extra character keeps it bounded.
    if (count != 0) path->assign(buffer.data(), count < capacity ? count : capacity - 1);
    return count;
}

std::uint32_t Win32Files::GetWindowsFolder(std::uint32_t capacity, std::wstring* path) {
    std::wstring buffer(capacity + 1, L'\0');
    const UINT length = ::GetWindowsDirectoryW(&buffer[0], capacity);
    if (length != 0 && length < capacity) path->assign(buffer.data(), length);
    return length;
}

bool Win32Files::SetCurrentFolder(const std::wstring& path) {
    return ::SetCurrentDirectoryW(path.c_str()) != FALSE;
}

}  // namespace quorix::win32
