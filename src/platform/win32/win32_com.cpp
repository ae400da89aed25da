#include <windows.h>

#include <objbase.h>

#include <vector>

#include "platform/win32/win32_com.h"

namespace quorix::win32 {

namespace {

GUID ToGuid(const platform::Guid& guid) {
    GUID out;
    out.Data1 = guid.data1;
    out.Data2 = guid.data2;
    out.Data3 = guid.data3;
    for (std::size_t i = 0; i < 8; ++i) out.Data4[i] = guid.data4[i];
    return out;
}

platform::Guid FromGuid(const GUID& guid) {
    platform::Guid out;
    out.data1 = guid.Data1;
    out.data2 = guid.Data2;
    out.data3 = guid.Data3;
    for (std::size_t i = 0; i < 8; ++i) out.data4[i] = guid.Data4[i];
    return out;
}

}  // namespace

std::int32_t Win32Com::InitializeCom() { return ::CoInitialize(nullptr); }

void Win32Com::UninitializeCom() { ::CoUninitialize(); }

std::int32_t Win32Com::CreateGuid(platform::Guid* guid) {
    GUID created = {};
    const HRESULT result = ::CoCreateGuid(&created);
    if (SUCCEEDED(result)) *guid = FromGuid(created);
    return result;
}

int Win32Com::StringFromGuid(const platform::Guid& guid, std::size_t capacity, std::wstring* text) {
    std::vector<wchar_t> buffer(capacity + 1, L'\0');
    const GUID value = ToGuid(guid);
    const int written = ::StringFromGUID2(value, buffer.data(), static_cast<int>(capacity));
    if (written > 0) text->assign(buffer.data());
    return written;
}

std::int32_t Win32Com::ParseIid(const std::wstring& text, platform::Guid* guid) {
    IID parsed = {};
    const HRESULT result = ::IIDFromString(text.c_str(), &parsed);
    if (SUCCEEDED(result)) *guid = FromGuid(parsed);
    return result;
}

std::int32_t Win32Com::CreateInstance(const platform::Guid& classId, std::uint32_t context,
                                      const platform::Guid& interfaceId,
                                      platform::ComObject* object) {
    const CLSID clsid = ToGuid(classId);
    const IID iid = ToGuid(interfaceId);
    void* created = nullptr;
    const HRESULT result = ::CoCreateInstance(clsid, nullptr, context, iid, &created);
    if (SUCCEEDED(result) && created != nullptr) {
        *object = reinterpret_cast<platform::ComObject>(created);
    }
    return result;
}

std::int32_t Win32Com::CallMethodWithoutArguments(platform::ComObject object, std::size_t slot) {
    // An interface pointer points at its vtable; a method takes the interface pointer as its
    // one hidden argument, __stdcall as every COM method.
    using Method = HRESULT(STDMETHODCALLTYPE*)(void*);
    void* self = reinterpret_cast<void*>(object);
    Method* vtable = *static_cast<Method**>(self);
    return vtable[slot](self);
}

std::uint32_t Win32Com::ReleaseObject(platform::ComObject object) {
    return reinterpret_cast<IUnknown*>(object)->Release();
}

}  // namespace quorix::win32
