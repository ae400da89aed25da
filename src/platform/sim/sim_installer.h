// The simulated Windows Installer: known products, packages that carry a product, scripted
// results, the process-wide UI level and log setting, and a record of every call.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/installer.h"
#include "platform/sim/sim_core.h"

namespace quorix::sim {

struct SimProduct {
    std::wstring productCode;
    std::wstring versionString;
    std::int32_t state = platform::kInstallStateDefault;
    std::map<std::wstring, std::wstring> properties;  // further MsiGetProductInfoW properties
};

// What installing a package file does: the product it carries and the version it registers.
struct SimPackage {
    std::wstring productCode;
    std::wstring versionString;
};

struct LogSetting {
    std::uint32_t mode = 0;
    std::wstring path;  // empty: no log
    std::uint32_t attributes = 0;
};

// One installer call: what it was given and what was in force when it ran.
struct InstallerCall {
    std::string api;           // "MsiInstallProductW", "MsiConfigureProductW", ...
    std::wstring target;       // package path or product code
    std::wstring commandLine;  // MsiInstallProductW's properties; the property name for
                               // MsiGetProductInfoW
    std::int32_t installLevel = 0;
    std::int32_t installState = 0;
    std::int32_t uiLevel = 0;  // the internal UI level in force
    LogSetting log;            // the log setting in force
    std::int64_t result = 0;   // error number or INSTALLSTATE
};

class SimInstaller : public platform::Installer {
public:
    explicit SimInstaller(Core& core) : core_(core) {}

    std::int32_t SetInternalUi(std::int32_t level) override;
    std::uint32_t EnableLog(std::uint32_t mode, const std::wstring& path,
                            std::uint32_t attributes) override;
    std::uint32_t InstallProduct(const std::wstring& packagePath,
                                 const std::wstring& commandLine) override;
    std::int32_t QueryProductState(const std::wstring& productCode) override;
    std::uint32_t ConfigureProduct(const std::wstring& productCode, std::int32_t installLevel,
                                   std::int32_t installState) override;
    std::uint32_t GetProductInfo(const std::wstring& productCode, const std::wstring& property,
                                 wchar_t* buffer, std::uint32_t* capacity) override;

    // --- the test's side ---
    void AddProduct(const std::wstring& productCode, const std::wstring& versionString,
                    std::int32_t state = platform::kInstallStateDefault);
    // The package file at `path` carries this product (the test's table of what is inside
    // each package; installing it registers the product).
    void AddPackage(const std::wstring& path, const std::wstring& productCode,
                    const std::wstring& versionString);
    // The result MsiInstallProductW gives for the package at `path` (instead of 0).
    void ScriptInstallResult(const std::wstring& path, std::uint32_t result);
    // The result MsiConfigureProductW gives for the product (instead of 0).
    void ScriptConfigureResult(const std::wstring& productCode, std::uint32_t result);

    const SimProduct* FindProduct(const std::wstring& productCode) const;
    bool IsInstalled(const std::wstring& productCode) const;
    // The calls of one API, in order.
    std::vector<InstallerCall> CallsOf(const std::string& api) const;

    std::int32_t uiLevel = platform::kInstallUiLevelDefault;  // level of a fresh process
    std::vector<std::int32_t> uiLevelHistory;                 // the level after each set
    LogSetting log;
    std::vector<InstallerCall> calls;

private:
    Core& core_;
    std::map<std::wstring, SimProduct> products_;           // folded code -> product
    std::map<std::wstring, SimPackage> packages_;           // folded path -> contents
    std::map<std::wstring, std::uint32_t> installResults_;  // folded path -> result
    std::map<std::wstring, std::uint32_t> configureResults_;
    InstallerCall Begin(const std::string& api, const std::wstring& target) const;
};

// True for a product code in the registry-format GUID layout "{XXXXXXXX-XXXX-...}".
bool IsBracedGuidText(const std::wstring& text);

}  // namespace quorix::sim
