#include <windows.h>

#include "platform/win32/win32_installer.h"

#include <utility>

#include "platform/win32/win32_system_library.h"

namespace quorix::win32 {

namespace {

using SetInternalUiFn = INT(WINAPI*)(INT level, HWND* window);
using EnableLogFn = UINT(WINAPI*)(DWORD mode, LPCWSTR path, DWORD attributes);
using InstallProductFn = UINT(WINAPI*)(LPCWSTR package, LPCWSTR commandLine);
using QueryProductStateFn = INT(WINAPI*)(LPCWSTR product);
using ConfigureProductFn = UINT(WINAPI*)(LPCWSTR product, int installLevel, INT installState);
using GetProductInfoFn = UINT(WINAPI*)(LPCWSTR product, LPCWSTR property, LPWSTR buffer,
                                       DWORD* capacity);
// MSIHANDLE as <msi.h> declares it; that header is not included for its macros.
using NativeMsiHandle = unsigned long;
using OpenDatabaseFn = UINT(WINAPI*)(LPCWSTR path, LPCWSTR persist, NativeMsiHandle* database);
using DatabaseOpenViewFn = UINT(WINAPI*)(NativeMsiHandle database, LPCWSTR query,
                                         NativeMsiHandle* view);
using ViewExecuteFn = UINT(WINAPI*)(NativeMsiHandle view, NativeMsiHandle parameters);
using ViewFetchFn = UINT(WINAPI*)(NativeMsiHandle view, NativeMsiHandle* record);
using RecordGetStringFn = UINT(WINAPI*)(NativeMsiHandle record, UINT field, LPWSTR buffer,
                                        DWORD* capacity);
using CloseHandleFn = UINT(WINAPI*)(NativeMsiHandle handle);

void* Lookup(HMODULE module, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(module, name));
}

}  // namespace

Win32Installer::Win32Installer(std::wstring moduleName) : moduleName_(std::move(moduleName)) {}

bool Win32Installer::Load() {
    if (attempted_) return module_ != nullptr;
    attempted_ = true;

    std::uint32_t error = 0;
    HMODULE module = static_cast<HMODULE>(LoadSystemLibrary(moduleName_.c_str(), &error));
    if (module == nullptr) {
        loadError_ = error;
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
    entries_.openDatabase = Lookup(module, "MsiOpenDatabaseW");
    entries_.databaseOpenView = Lookup(module, "MsiDatabaseOpenViewW");
    entries_.viewExecute = Lookup(module, "MsiViewExecute");
    entries_.viewFetch = Lookup(module, "MsiViewFetch");
    entries_.recordGetString = Lookup(module, "MsiRecordGetStringW");
    entries_.closeHandle = Lookup(module, "MsiCloseHandle");
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

std::int32_t Win32Installer::QueryProductState(const wchar_t* productCode) {
    if (!Load() || entries_.queryProductState == nullptr) {
        Unavailable();
        return platform::kInstallStateUnknown;
    }
    return As<QueryProductStateFn>(entries_.queryProductState)(productCode);
}

std::uint32_t Win32Installer::ConfigureProduct(const wchar_t* productCode,
                                               std::int32_t installLevel,
                                               std::int32_t installState) {
    if (!Load() || entries_.configureProduct == nullptr) {
        return Unavailable();
    }
    return As<ConfigureProductFn>(entries_.configureProduct)(productCode, installLevel,
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

std::uint32_t Win32Installer::OpenDatabase(const std::wstring& packagePath,
                                           std::uintptr_t persistMode,
                                           platform::MsiHandle* database) {
    if (!Load() || entries_.openDatabase == nullptr) return Unavailable();
    NativeMsiHandle handle = 0;
    // The predefined modes travel in the pointer argument, as MSIDBOPEN_READONLY does.
    const UINT result = As<OpenDatabaseFn>(entries_.openDatabase)(
        packagePath.c_str(), reinterpret_cast<LPCWSTR>(persistMode), &handle);
    if (result == ERROR_SUCCESS && database != nullptr) *database = handle;
    return result;
}

std::uint32_t Win32Installer::DatabaseOpenView(platform::MsiHandle database,
                                               const std::wstring& query,
                                               platform::MsiHandle* view) {
    if (!Load() || entries_.databaseOpenView == nullptr) return Unavailable();
    NativeMsiHandle handle = 0;
    const UINT result =
        As<DatabaseOpenViewFn>(entries_.databaseOpenView)(database, query.c_str(), &handle);
    if (result == ERROR_SUCCESS && view != nullptr) *view = handle;
    return result;
}

std::uint32_t Win32Installer::ViewExecute(platform::MsiHandle view,
                                          platform::MsiHandle parameters) {
    if (!Load() || entries_.viewExecute == nullptr) return Unavailable();
    return As<ViewExecuteFn>(entries_.viewExecute)(view, parameters);
}

std::uint32_t Win32Installer::ViewFetch(platform::MsiHandle view, platform::MsiHandle* record) {
    if (!Load() || entries_.viewFetch == nullptr) return Unavailable();
    NativeMsiHandle handle = 0;
    const UINT result = As<ViewFetchFn>(entries_.viewFetch)(view, &handle);
    if (result == ERROR_SUCCESS && record != nullptr) *record = handle;
    return result;
}

std::uint32_t Win32Installer::RecordGetString(platform::MsiHandle record, std::uint32_t field,
                                              wchar_t* buffer, std::uint32_t* capacity) {
    if (!Load() || entries_.recordGetString == nullptr) return Unavailable();
    DWORD size = capacity != nullptr ? *capacity : 0;
    const UINT result = As<RecordGetStringFn>(entries_.recordGetString)(
        record, field, buffer, capacity != nullptr ? &size : nullptr);
    if (capacity != nullptr) *capacity = size;
    return result;
}

std::uint32_t Win32Installer::CloseMsiHandle(platform::MsiHandle handle) {
    if (!Load() || entries_.closeHandle == nullptr) return Unavailable();
    return As<CloseHandleFn>(entries_.closeHandle)(handle);
}

}  // namespace quorix::win32
