#include <windows.h>

#include "platform/win32/win32_installer.h"

#include <utility>

#include "common/text.h"

namespace quorix::win32 {

namespace {

using SetInternalUiFn = INT(WINAPI*)(INT level, HWND* window);
using EnableLogFn = UINT(WINAPI*)(DWORD mode, LPCWSTR path, DWORD attributes);
using InstallProductFn = UINT(WINAPI*)(LPCWSTR package, LPCWSTR commandLine);
using QueryProductStateFn = INT(WINAPI*)(LPCWSTR product);
using ConfigureProductFn = UINT(WINAPI*)(LPCWSTR product, int installLevel, INT installState);
using GetProductInfoFn = UINT(WINAPI*)(LPCWSTR product, LPCWSTR property, LPWSTR buffer,
                                       DWORD* capacity);

template <typename Fn>
Fn As(void* entry) {
    return reinterpret_cast<Fn>(entry);
}

void* Lookup(HMODULE module, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(module, name));
}

}  // namespace

Win32Installer::Win32Installer(std::wstring moduleName) : moduleName_(std::move(moduleName)) {}

bool Win32Installer::Load() {
    if (attempted_) return module_ != nullptr;
    attempted_ = true;

    wchar_t folder[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) {
        loadError_ = length == 0 ? ::GetLastError() : ERROR_BUFFER_OVERFLOW;
        if (loadError_ == 0) loadError_ = ERROR_PATH_NOT_FOUND;
        return false;
    }
    const std::wstring path = EnsureTrailingBackslash(std::wstring(folder, length)) + moduleName_;
    HMODULE module = ::LoadLibraryW(path.c_str());
    if (module == nullptr) {
        loadError_ = ::GetLastError();
        if (loadError_ == 0) loadError_ = ERROR_MOD_NOT_FOUND;
        return false;
    }
    // The module stays loaded until the process ends: the installer keeps threads and
    // custom-action servers of its own that may still use it.
    module_ = module;
    entries_.setInternalUi = Lookup(module, "MsiSetInternalUI");
    entries_.enableLog = Lookup(module, "MsiEnableLogW");
    entries_.installProduct = Lookup(module, "MsiInstallProductW");
    entries_.queryProductState = Lookup(module, "MsiQueryProductStateW");
    entries_.configureProduct = Lookup(module, "MsiConfigureProductW");
    entries_.getProductInfo = Lookup(module, "MsiGetProductInfoW");
    return true;
}

std::uint32_t Win32Installer::Unavailable() {
    // Either the module did not load (its load error, usually ERROR_MOD_NOT_FOUND) or it
    // lacks this function (ERROR_PROC_NOT_FOUND).
    const std::uint32_t error = module_ == nullptr ? loadError_ : ERROR_PROC_NOT_FOUND;
    ::SetLastError(error);
    return error;
}

std::int32_t Win32Installer::SetInternalUi(std::int32_t level) {
    if (!Load() || entries_.setInternalUi == nullptr) {
        Unavailable();
        return platform::kInstallUiLevelNoChange;
    }
    return As<SetInternalUiFn>(entries_.setInternalUi)(level, nullptr);
}

std::uint32_t Win32Installer::EnableLog(std::uint32_t mode, const std::wstring& path,
                                        std::uint32_t attributes) {
    if (!Load() || entries_.enableLog == nullptr) return Unavailable();
    return As<EnableLogFn>(entries_.enableLog)(mode, path.c_str(), attributes);
}

std::uint32_t Win32Installer::InstallProduct(const std::wstring& packagePath,
                                             const std::wstring& commandLine) {
    if (!Load() || entries_.installProduct == nullptr) return Unavailable();
    return As<InstallProductFn>(entries_.installProduct)(packagePath.c_str(), commandLine.c_str());
}

std::int32_t Win32Installer::QueryProductState(const std::wstring& productCode) {
    if (!Load() || entries_.queryProductState == nullptr) {
        Unavailable();
        return platform::kInstallStateUnknown;
    }
    return As<QueryProductStateFn>(entries_.queryProductState)(productCode.c_str());
}

std::uint32_t Win32Installer::ConfigureProduct(const std::wstring& productCode,
                                               std::int32_t installLevel,
                                               std::int32_t installState) {
    if (!Load() || entries_.configureProduct == nullptr) {
        return Unavailable();
    }
    return As<ConfigureProductFn>(entries_.configureProduct)(productCode.c_str(), installLevel,
                                                             installState);
}

std::uint32_t Win32Installer::GetProductInfo(const std::wstring& productCode,
                                             const std::wstring& property, wchar_t* buffer,
                                             std::uint32_t* capacity) {
    if (!Load() || entries_.getProductInfo == nullptr) return Unavailable();
    DWORD size = capacity != nullptr ? *capacity : 0;
    const UINT result = As<GetProductInfoFn>(entries_.getProductInfo)(
        productCode.c_str(), property.c_str(), buffer, capacity != nullptr ? &size : nullptr);
    if (capacity != nullptr) *capacity = size;
    return result;
}

}  // namespace quorix::win32
