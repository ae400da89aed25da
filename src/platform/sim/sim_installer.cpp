#include "platform/sim/sim_installer.h"

#include <algorithm>

#include "common/result_codes.h"
#include "common/text.h"
#include "platform/sim/sim_files.h"

namespace quorix::sim {

namespace {

constexpr std::uint32_t kErrorInstallPackageOpenFailed = 1619;
constexpr std::uint32_t kErrorOpenFailed = 110;
constexpr std::uint32_t kErrorBadQuerySyntax = 1615;
constexpr std::uint32_t kErrorFunctionFailed = 1627;
constexpr std::uint32_t kErrorNoMoreItems = 259;
constexpr std::int32_t kUiLevelFlags = 0x20 | 0x40 | 0x80 | 0x100 | 0x200;

bool IsHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

}  // namespace

bool IsBracedGuidText(const std::wstring& text) {
    static const wchar_t kLayout[] = L"{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    if (text.size() != sizeof(kLayout) / sizeof(kLayout[0]) - 1) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (kLayout[i] == L'X' ? !IsHexDigit(text[i]) : text[i] != kLayout[i]) return false;
    }
    return true;
}

InstallerCall SimInstaller::Begin(const std::string& api, const std::wstring& target) const {
    InstallerCall call;
    call.api = api;
    call.target = target;
    call.uiLevel = uiLevel;
    call.log = log;
    return call;
}

std::int32_t SimInstaller::SetInternalUi(std::int32_t level) {
    if (core_.Failing("MsiSetInternalUI")) return platform::kInstallUiLevelNoChange;
    const std::int32_t previous = uiLevel;
    // An unknown level is refused and nothing changes, as Windows documents it (Wine keeps it).
    if ((level & ~kUiLevelFlags) > platform::kInstallUiLevelFull || level < 0) {
        return platform::kInstallUiLevelNoChange;
    }
    if (level != platform::kInstallUiLevelNoChange) uiLevel = level;
    uiLevelHistory.push_back(uiLevel);
    return previous;
}

std::uint32_t SimInstaller::EnableLog(std::uint32_t mode, const std::wstring& path,
                                      std::uint32_t attributes) {
    InstallerCall call = Begin("MsiEnableLogW", path);
    if (core_.Failing("MsiEnableLogW")) {
        call.result = core_.lastError;
        calls.push_back(call);
        return core_.lastError;
    }
    log = LogSetting{mode, path, attributes};
    calls.push_back(call);
    return kErrorSuccess;
}

std::uint32_t SimInstaller::InstallProduct(const std::wstring& packagePath,
                                           const std::wstring& commandLine) {
    InstallerCall call = Begin("MsiInstallProductW", packagePath);
    call.commandLine = commandLine;
    std::uint32_t result = kErrorSuccess;
    const std::wstring key = FoldKey(packagePath);
    const SimPackage* package = PackageAt(packagePath);
    auto scripted = installResults_.find(key);
    if (core_.Failing("MsiInstallProductW")) {
        result = core_.lastError;
    } else if (scripted != installResults_.end()) {
        result = scripted->second;
    } else if (package == nullptr) {
        result = kErrorInstallPackageOpenFailed;  // no such package file
    }
    if (IsInstallerSuccess(result) && package != nullptr && !package->productCode.empty()) {
        AddProduct(package->productCode, package->versionString);
    }
    call.result = result;
    calls.push_back(call);
    return result;
}

std::int32_t SimInstaller::QueryProductState(const wchar_t* code) {
    const std::wstring productCode = code;
    InstallerCall call = Begin("MsiQueryProductStateW", productCode);
    std::int32_t state = platform::kInstallStateUnknown;
    if (core_.Failing("MsiQueryProductStateW")) {
        state = platform::kInstallStateUnknown;
    } else if (!IsBracedGuidText(productCode)) {
        state = platform::kInstallStateInvalidArg;
    } else if (const SimProduct* product = FindProduct(productCode)) {
        state = product->state;
    }
    call.result = state;
    calls.push_back(call);
    return state;
}

std::uint32_t SimInstaller::ConfigureProduct(const wchar_t* code, std::int32_t installLevel,
                                             std::int32_t installState) {
    // No code at all is refused like a malformed one.
    const std::wstring productCode = code != nullptr ? code : L"";
    InstallerCall call = Begin("MsiConfigureProductW", productCode);
    call.installLevel = installLevel;
    call.installState = installState;
    std::uint32_t result = kErrorSuccess;
    auto scripted = configureResults_.find(FoldKey(productCode));
    if (core_.Failing("MsiConfigureProductW")) {
        result = core_.lastError;
    } else if (!IsBracedGuidText(productCode)) {
        result = kErrorInvalidParameter;
    } else if (!IsInstalled(productCode)) {
        result = kErrorUnknownProduct;
    } else if (scripted != configureResults_.end()) {
        result = scripted->second;
    }
    if (IsInstallerSuccess(result)) {
        if (installState == platform::kInstallStateAbsent) {
            products_.erase(FoldKey(productCode));
        } else if (installState == platform::kInstallStateLocal ||
                   installState == platform::kInstallStateDefault) {
            products_[FoldKey(productCode)].state = platform::kInstallStateDefault;
        }
    }
    call.result = result;
    calls.push_back(call);
    return result;
}

std::uint32_t SimInstaller::GetProductInfo(const std::wstring& productCode,
                                           const std::wstring& property, wchar_t* buffer,
                                           std::uint32_t* capacity) {
    InstallerCall call = Begin("MsiGetProductInfoW", productCode);
    call.commandLine = property;
    auto finish = [&](std::uint32_t result) {
        call.result = result;
        calls.push_back(call);
        return result;
    };
    if (core_.Failing("MsiGetProductInfoW")) return finish(core_.lastError);
    if (!IsBracedGuidText(productCode) || property.empty()) return finish(kErrorInvalidParameter);
    if (buffer != nullptr && capacity == nullptr) return finish(kErrorInvalidParameter);
    const SimProduct* product = FindProduct(productCode);
    if (product == nullptr || !IsInstalled(productCode)) return finish(kErrorUnknownProduct);
    const std::wstring* value = nullptr;
    if (property == platform::kInstallPropertyVersionString) {
        value = &product->versionString;
    } else {
        auto it = product->properties.find(property);
        if (it == product->properties.end()) return finish(kErrorUnknownProperty);
        value = &it->second;
    }
    const auto length = static_cast<std::uint32_t>(value->size());
    if (buffer == nullptr) {
        if (capacity != nullptr) *capacity = length;
        return finish(kErrorSuccess);
    }
    // Like msi.dll: as much as fits, always terminated, and the full length reported.
    if (*capacity > 0) {
        const std::uint32_t copied = std::min(length, *capacity - 1);
        std::copy(value->begin(), value->begin() + copied, buffer);
        buffer[copied] = L'\0';
    }
    const bool fits = length < *capacity;
    *capacity = length;
    return finish(fits ? kErrorSuccess : kErrorMoreData);
}

// ---------------------------------------------------------------- package databases

platform::MsiHandle SimInstaller::HandOut(const std::string& kind, const std::wstring& what) {
    return static_cast<platform::MsiHandle>(core_.ledger.Open(kind, NarrowAscii(what)));
}

std::uint32_t SimInstaller::OpenDatabase(const std::wstring& packagePath,
                                         std::uintptr_t persistMode,
                                         platform::MsiHandle* database) {
    InstallerCall call = Begin("MsiOpenDatabaseW", packagePath);
    auto finish = [&](std::uint32_t result) {
        call.result = result;
        calls.push_back(call);
        return result;
    };
    if (core_.Failing("MsiOpenDatabaseW")) return finish(core_.lastError);
    if (database == nullptr) return finish(kErrorInvalidParameter);
    // Only reading is modelled; the other modes would create or change the file.
    if (persistMode != platform::kMsiDbOpenReadOnly) return finish(kErrorInvalidParameter);
    const SimPackage* package = PackageAt(packagePath);
    if (package == nullptr) return finish(kErrorOpenFailed);
    const platform::MsiHandle handle = HandOut("msi-database", packagePath);
    databases_[handle] = *package;
    *database = handle;
    return finish(kErrorSuccess);
}

std::uint32_t SimInstaller::DatabaseOpenView(platform::MsiHandle database,
                                             const std::wstring& query, platform::MsiHandle* view) {
    InstallerCall call = Begin("MsiDatabaseOpenViewW", query);
    auto finish = [&](std::uint32_t result) {
        call.result = result;
        calls.push_back(call);
        return result;
    };
    if (core_.Failing("MsiDatabaseOpenViewW")) return finish(core_.lastError);
    auto it = databases_.find(database);
    if (it == databases_.end()) return finish(kErrorInvalidHandle);
    if (view == nullptr) return finish(kErrorInvalidParameter);
    // The one query the program makes; any other text, or a package without the table, is
    // what msi.dll calls a bad query.
    std::wstring folded;
    for (wchar_t c : query) {
        if (c == L' ' && (folded.empty() || folded.back() == L' ')) continue;
        folded += c;
    }
    while (!folded.empty() && folded.back() == L' ') folded.pop_back();
    FoldAsciiLowerInPlace(folded);
    if (folded != L"select filename from file" || !it->second.fileTable) {
        return finish(kErrorBadQuerySyntax);
    }
    const platform::MsiHandle handle = HandOut("msi-view", query);
    views_[handle] = OpenView{*it->second.fileTable, false, 0};
    *view = handle;
    return finish(kErrorSuccess);
}

std::uint32_t SimInstaller::ViewExecute(platform::MsiHandle view, platform::MsiHandle parameters) {
    if (core_.Failing("MsiViewExecute")) return core_.lastError;
    auto it = views_.find(view);
    if (it == views_.end()) return kErrorInvalidHandle;
    if (parameters != platform::kNullMsiHandle && records_.count(parameters) == 0) {
        return kErrorInvalidHandle;
    }
    it->second.executed = true;
    it->second.next = 0;
    return kErrorSuccess;
}

std::uint32_t SimInstaller::ViewFetch(platform::MsiHandle view, platform::MsiHandle* record) {
    if (core_.Failing("MsiViewFetch")) return core_.lastError;
    auto it = views_.find(view);
    if (it == views_.end()) return kErrorInvalidHandle;
    if (record == nullptr) return kErrorInvalidParameter;
    OpenView& open = it->second;
    if (!open.executed) return kErrorFunctionFailed;
    if (open.next >= open.rows.size()) return kErrorNoMoreItems;
    const std::wstring& row = open.rows[open.next++];
    const platform::MsiHandle handle = HandOut("msi-record", row);
    records_[handle] = {row};
    *record = handle;
    return kErrorSuccess;
}

std::uint32_t SimInstaller::RecordGetString(platform::MsiHandle record, std::uint32_t field,
                                            wchar_t* buffer, std::uint32_t* capacity) {
    if (core_.Failing("MsiRecordGetStringW")) return core_.lastError;
    auto it = records_.find(record);
    if (it == records_.end()) return kErrorInvalidHandle;
    if (capacity == nullptr) return buffer == nullptr ? kErrorSuccess : kErrorInvalidParameter;
    // Field 0 and fields past the last read as empty texts.
    static const std::wstring kEmpty;
    const std::wstring& value =
        field >= 1 && field <= it->second.size() ? it->second[field - 1] : kEmpty;
    const auto length = static_cast<std::uint32_t>(value.size());
    if (buffer == nullptr) {
        *capacity = length;
        return kErrorSuccess;
    }
    // As much as fits, always terminated, and the full length reported, as msi.dll does.
    if (*capacity > 0) {
        const std::uint32_t copied = std::min(length, *capacity - 1);
        std::copy(value.begin(), value.begin() + copied, buffer);
        buffer[copied] = L'\0';
    }
    const bool fits = length < *capacity;
    *capacity = length;
    return fits ? kErrorSuccess : kErrorMoreData;
}

std::uint32_t SimInstaller::CloseMsiHandle(platform::MsiHandle handle) {
    if (core_.Failing("MsiCloseHandle")) return core_.lastError;
    if (handle == platform::kNullMsiHandle) return kErrorSuccess;
    const bool known =
        databases_.erase(handle) + views_.erase(handle) + records_.erase(handle) != 0;
    if (!known) return kErrorInvalidHandle;
    core_.ledger.Close(handle);
    return kErrorSuccess;
}

const SimPackage* SimInstaller::PackageAt(const std::wstring& path) const {
    auto byPath = packages_.find(FoldKey(path));
    if (byPath != packages_.end()) return &byPath->second;
    if (files_ == nullptr) return nullptr;
    const std::vector<std::uint8_t>* bytes = files_->Contents(path);
    if (bytes == nullptr) return nullptr;
    auto byImage = images_.find(*bytes);
    return byImage == images_.end() ? nullptr : &byImage->second;
}

// ---------------------------------------------------------------- the test's side

void SimInstaller::AddProduct(const std::wstring& productCode, const std::wstring& versionString,
                              std::int32_t state) {
    SimProduct& product = products_[FoldKey(productCode)];
    product.productCode = productCode;
    product.versionString = versionString;
    product.state = state;
}

void SimInstaller::AddPackage(const std::wstring& path, const std::wstring& productCode,
                              const std::wstring& versionString) {
    SimPackage& package = packages_[FoldKey(path)];
    package.productCode = productCode;
    package.versionString = versionString;
}

void SimInstaller::SetFileTable(const std::wstring& path,
                                std::optional<std::vector<std::wstring>> rows) {
    packages_[FoldKey(path)].fileTable = std::move(rows);
}

void SimInstaller::AddPackageImage(std::vector<std::uint8_t> bytes, SimPackage package) {
    images_[std::move(bytes)] = std::move(package);
}

void SimInstaller::ScriptInstallResult(const std::wstring& path, std::uint32_t result) {
    installResults_[FoldKey(path)] = result;
}

void SimInstaller::ScriptConfigureResult(const std::wstring& productCode, std::uint32_t result) {
    configureResults_[FoldKey(productCode)] = result;
}

const SimProduct* SimInstaller::FindProduct(const std::wstring& productCode) const {
    auto it = products_.find(FoldKey(productCode));
    return it == products_.end() ? nullptr : &it->second;
}

bool SimInstaller::IsInstalled(const std::wstring& productCode) const {
    const SimProduct* product = FindProduct(productCode);
    return product != nullptr && product->state != platform::kInstallStateAbsent &&
           product->state != platform::kInstallStateUnknown;
}

std::vector<InstallerCall> SimInstaller::CallsOf(const std::string& api) const {
    std::vector<InstallerCall> selected;
    for (const InstallerCall& call : calls) {
        if (call.api == api) selected.push_back(call);
    }
    return selected;
}

}  // namespace quorix::sim
