#include <windows.h>

#include <new>

#include "platform/win32/win32_resources.h"

namespace quorix::win32 {

namespace {

const wchar_t* AsResourceName(const platform::ResourceName& name) {
    return name.isId ? MAKEINTRESOURCEW(name.id) : name.text.c_str();
}

struct NameCollector {
    std::vector<platform::ResourceName>* names;
    bool outOfMemory = false;
};

// Runs inside EnumResourceNamesW: nothing may be thrown through it.
BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
    auto* collector = reinterpret_cast<NameCollector*>(param);
    try {
        if (IS_INTRESOURCE(name)) {
            collector->names->push_back(platform::ResourceName::Id(
                static_cast<std::uint16_t>(reinterpret_cast<ULONG_PTR>(name))));
        } else {
            collector->names->push_back(platform::ResourceName::Text(name));
        }
    } catch (...) {
        collector->outOfMemory = true;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool Win32Resources::FindResourceData(std::uint16_t type, const platform::ResourceName& name,
                                      const std::uint8_t** data, std::uint32_t* size) {
    *data = nullptr;
    *size = 0;
    HRSRC found = ::FindResourceExW(nullptr, MAKEINTRESOURCEW(type), AsResourceName(name), 0);
    if (found == nullptr) return false;
    // LoadResource accepts no module for the executable; SizeofResource promises nothing of
    // the kind, so both get the executable's handle.
    HMODULE self = ::GetModuleHandleW(nullptr);
    HGLOBAL loaded = ::LoadResource(self, found);
    if (loaded == nullptr) return false;
    *size = ::SizeofResource(self, found);
    *data = static_cast<const std::uint8_t*>(::LockResource(loaded));
    return true;
}

bool Win32Resources::EnumerateResourceNames(std::uint16_t type,
                                            std::vector<platform::ResourceName>* names) {
    names->clear();
    NameCollector collector{names};
    const BOOL done = ::EnumResourceNamesW(nullptr, MAKEINTRESOURCEW(type), CollectName,
                                           reinterpret_cast<LONG_PTR>(&collector));
    if (collector.outOfMemory) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return done != FALSE;
}

int Win32Resources::LoadStringText(std::uint32_t id, std::size_t capacity, std::wstring* text) {
    text->clear();
    if (capacity == 0 || capacity > 0x7FFFFFFF) return 0;
    std::wstring buffer(capacity, L'\0');
    const int count =
        ::LoadStringW(::GetModuleHandleW(nullptr), id, &buffer[0], static_cast<int>(capacity));
    if (count > 0) text->assign(buffer.data(), static_cast<std::size_t>(count));
    return count;
}

}  // namespace quorix::win32
