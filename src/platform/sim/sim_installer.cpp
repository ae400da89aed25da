#include "platform/sim/sim_installer.h"

#include <algorithm>

#include "common/result_codes.h"

namespace quorix::sim {

namespace {

constexpr std::uint32_t kErrorInstallPackageOpenFailed = 1619;
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
    auto package = packages_.find(key);
    auto scripted = installResults_.find(key);
    if (core_.Failing("MsiInstallProductW")) {
        result = core_.lastError;
    } else if (scripted != installResults_.end()) {
        result = scripted->second;
    } else if (package == packages_.end()) {
        result = kErrorInstallPackageOpenFailed;  // no such package file
    }
    if (IsInstallerSuccess(result) && package != packages_.end()) {
        AddProduct(package->second.productCode, package->second.versionString);
    }
    call.result = result;
    calls.push_back(call);
    return result;
}

std::int32_t SimInstaller::QueryProductState(const std::wstring& productCode) {
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

std::uint32_t SimInstaller::ConfigureProduct(const std::wstring& productCode,
                                             std::int32_t installLevel,
                                             std::int32_t installState) {
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
    packages_[FoldKey(path)] = SimPackage{productCode, versionString};
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
