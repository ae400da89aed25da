// What the real file system tells about a file beyond its bytes.
#include <windows.h>

#include <vector>

#include "platform/win32/win32_platform.h"

namespace quorix::win32 {

namespace {
std::uint64_t FromFileTime(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}
}  // namespace

bool Win32Files::GetAttributesEx(const std::wstring& path, platform::FileAttributeData* data) {
    WIN32_FILE_ATTRIBUTE_DATA found = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &found)) return false;
    data->attributes = found.dwFileAttributes;
    data->creationTime = FromFileTime(found.ftCreationTime);
    data->lastAccessTime = FromFileTime(found.ftLastAccessTime);
    data->lastWriteTime = FromFileTime(found.ftLastWriteTime);
    data->size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    return true;
}

std::uint32_t Win32Files::ReadProfileString(const std::wstring& path, const std::wstring& section,
                                            const std::wstring& key, const std::wstring& fallback,
                                            std::uint32_t capacity, std::wstring* text) {
    if (capacity == 0) return 0;
    std::vector<wchar_t> buffer(capacity + 1, L'\0');
    const DWORD count = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), fallback.c_str(),
                                                   buffer.data(), capacity, path.c_str());
    text->assign(buffer.data(), count < capacity ? count : capacity - 1);
    return count;
}

}  // namespace quorix::win32
