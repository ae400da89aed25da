#include <windows.h>

#include "platform/win32/win32_registry.h"

namespace quorix::win32 {

namespace {
HKEY ToKey(platform::RegistryKey key) { return reinterpret_cast<HKEY>(key); }
platform::RegistryKey FromKey(HKEY key) { return reinterpret_cast<platform::RegistryKey>(key); }
}  // namespace

static_assert(sizeof(DWORD) == sizeof(std::uint32_t), "DWORD is 32 bits");

std::uint32_t Win32Registry::OpenKey(platform::RegistryKey parent, const std::wstring& subKey,
                                     std::uint32_t access, platform::RegistryKey* key) {
    HKEY opened = nullptr;
    const LONG result = ::RegOpenKeyExW(ToKey(parent), subKey.c_str(), 0, access, &opened);
    if (result == ERROR_SUCCESS) *key = FromKey(opened);
    return static_cast<std::uint32_t>(result);
}

std::uint32_t Win32Registry::CreateKey(platform::RegistryKey parent, const std::wstring& subKey,
                                       std::uint32_t options, std::uint32_t access,
                                       platform::RegistryKey* key, std::uint32_t* disposition) {
    HKEY created = nullptr;
    DWORD how = 0;
    const LONG result = ::RegCreateKeyExW(ToKey(parent), subKey.c_str(), 0, nullptr, options,
                                          access, nullptr, &created, &how);
    if (result == ERROR_SUCCESS) {
        *key = FromKey(created);
        if (disposition != nullptr) *disposition = how;
    }
    return static_cast<std::uint32_t>(result);
}

std::uint32_t Win32Registry::QueryValue(platform::RegistryKey key, const std::wstring& valueName,
                                        std::uint32_t* type, std::uint8_t* data,
                                        std::uint32_t* size) {
    DWORD valueType = 0;
    DWORD valueSize = size != nullptr ? *size : 0;
    const LONG result = ::RegQueryValueExW(ToKey(key), valueName.c_str(), nullptr, &valueType, data,
                                           size != nullptr ? &valueSize : nullptr);
    if (type != nullptr && (result == ERROR_SUCCESS || result == ERROR_MORE_DATA)) {
        *type = valueType;
    }
    if (size != nullptr && (result == ERROR_SUCCESS || result == ERROR_MORE_DATA)) {
        *size = valueSize;
    }
    return static_cast<std::uint32_t>(result);
}

std::uint32_t Win32Registry::SetValue(platform::RegistryKey key, const std::wstring& valueName,
                                      std::uint32_t type, const std::uint8_t* data,
                                      std::uint32_t size) {
    return static_cast<std::uint32_t>(
        ::RegSetValueExW(ToKey(key), valueName.c_str(), 0, type, data, size));
}

std::uint32_t Win32Registry::EnumKey(platform::RegistryKey key, std::uint32_t index,
                                     std::uint32_t capacity, std::wstring* name) {
    if (capacity == 0) return ERROR_MORE_DATA;
    std::wstring buffer(capacity + 1, L'\0');
    DWORD length = capacity;
    const LONG result =
        ::RegEnumKeyExW(ToKey(key), index, &buffer[0], &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_SUCCESS) name->assign(buffer.data(), length < capacity ? length : capacity);
    return static_cast<std::uint32_t>(result);
}

std::uint32_t Win32Registry::DeleteKey(platform::RegistryKey parent, const std::wstring& subKey) {
    return static_cast<std::uint32_t>(::RegDeleteKeyW(ToKey(parent), subKey.c_str()));
}

std::uint32_t Win32Registry::CloseKey(platform::RegistryKey key) {
    return static_cast<std::uint32_t>(::RegCloseKey(ToKey(key)));
}

}  // namespace quorix::win32
