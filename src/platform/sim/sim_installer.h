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

class SimFiles;

struct SimProduct {
    std::wstring productCode;
    std::wstring versionString;
    std::int32_t state = platform::kInstallStateDefault;
    std::map<std::wstring, std::wstring> properties;  // further MsiGetProductInfoW properties
};

// What a package file holds: the product it carries and the version installing it registers
// (none when the product code is empty), and the FileName column of its File table (none:
// the package has no File table).
struct SimPackage {
    std::wstring productCode;
    std::wstring versionString;
    std::optional<std::vector<std::wstring>> fileTable = std::vector<std::wstring>();
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
    std::int32_t QueryProductState(const wchar_t* productCode) override;
    std::uint32_t ConfigureProduct(const wchar_t* productCode, std::int32_t installLevel,
                                   std::int32_t installState) override;
    std::uint32_t GetProductInfo(const std::wstring& productCode, const std::wstring& property,
                                 wchar_t* buffer, std::uint32_t* capacity) override;
    std::uint32_t OpenDatabase(const std::wstring& packagePath, std::uintptr_t persistMode,
                               platform::MsiHandle* database) override;
    std::uint32_t DatabaseOpenView(platform::MsiHandle database, const std::wstring& query,
                                   platform::MsiHandle* view) override;
    std::uint32_t ViewExecute(platform::MsiHandle view, platform::MsiHandle parameters) override;
    std::uint32_t ViewFetch(platform::MsiHandle view, platform::MsiHandle* record) override;
    std::uint32_t RecordGetString(platform::MsiHandle record, std::uint32_t field, wchar_t* buffer,
                                  std::uint32_t* capacity) override;
    std::uint32_t CloseMsiHandle(platform::MsiHandle handle) override;

    // --- the test's side ---
    void AddProduct(const std::wstring& productCode, const std::wstring& versionString,
                    std::int32_t state = platform::kInstallStateDefault);
    // The package file at `path` carries this product (the test's table of what is inside
    // each package; installing it registers the product).
    void AddPackage(const std::wstring& path, const std::wstring& productCode,
                    const std::wstring& versionString);
    // The File table of the package at `path` (none: the package has no File table). A path
    // that holds no package yet becomes one that carries no product.
    void SetFileTable(const std::wstring& path, std::optional<std::vector<std::wstring>> rows);
    // A package known by its bytes rather than its path: whatever file holds exactly these
    // bytes is that package (packages extracted to temporary names, say). Needs ReadFilesFrom.
    void AddPackageImage(std::vector<std::uint8_t> bytes, SimPackage package);
    // The file system that package files are read from.
    void ReadFilesFrom(const SimFiles* files) { files_ = files; }
    // The result MsiInstallProductW gives for the package at `path` (instead of 0).
    void ScriptInstallResult(const std::wstring& path, std::uint32_t result);
    // The result MsiConfigureProductW gives for the product (instead of 0).
    void ScriptConfigureResult(const std::wstring& productCode, std::uint32_t result);

    const SimProduct* FindProduct(const std::wstring& productCode) const;
    bool IsInstalled(const std::wstring& productCode) const;
    // The calls of one API, in order.
    std::vector<InstallerCall> CallsOf(const std::string& api) const;
    // The MSIHANDLEs of databases, views and records still open.
    std::size_t OpenMsiHandles() const {
        return databases_.size() + views_.size() + records_.size();
    }

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
    std::map<std::vector<std::uint8_t>, SimPackage> images_;  // file bytes -> contents
    const SimFiles* files_ = nullptr;

    struct OpenView {
        std::vector<std::wstring> rows;
        bool executed = false;
        std::size_t next = 0;
    };
    std::map<platform::MsiHandle, SimPackage> databases_;
    std::map<platform::MsiHandle, OpenView> views_;
    std::map<platform::MsiHandle, std::vector<std::wstring>> records_;  // the fields, from 1

    InstallerCall Begin(const std::string& api, const std::wstring& target) const;
    // The package a path holds: by its path first, then by the bytes of the file there.
    const SimPackage* PackageAt(const std::wstring& path) const;
    platform::MsiHandle HandOut(const std::string& kind, const std::wstring& what);
};

// True for a product code in the registry-format GUID layout "{XXXXXXXX-XXXX-...}".
bool IsBracedGuidText(const std::wstring& text);

}  // namespace quorix::sim
