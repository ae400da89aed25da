// A simulated machine with this product's setup on it: the signed and tagged executable at
// argv[0], the base package and language packs among its resources, and an installer that
// knows those packages by their bytes wherever they are extracted to. Whole runs start from
// the entry procedure:
//
//   test::ProductMachine m;                     // one pack, en-US, nothing installed
//   m.InstallCopy(L"9.0.1234.5", kPreviousGenerationProductCode);
//   m.machine.installer.ScriptInstallResult(m.BasePackagePath(), 1602);
//   test::Ending ending = m.Run({L"/silent"});  // argv[0] is added
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "support/sim_run.h"

namespace quorix::test {

// One language pack the executable carries.
struct ProductLanguagePack {
    std::wstring resourceSuffix;  // "EN_US": the resource is "VLLANGPACK_EN_US"
    std::wstring productCode;     // what installing its file registers
};

struct ProductSpec {
    std::vector<ProductLanguagePack> languagePacks = {EnglishPack()};
    // The stamped tag; "&" separates the pairs and "." stands for "#", as the stamper writes.
    std::string tagText = "AFFILIATEID=partner42&AFFILIATEIDFLAGS=.3";
    // The FileName column of the base package's File table.
    std::vector<std::wstring> baseFileTable = {L"QUORIX~1.EXE|QuorixMain.exe", L"vlcore.dll",
                                               L"QUORIX~1.DLL|QuorixShellExtension.dll"};

    static ProductLanguagePack EnglishPack();
    static ProductLanguagePack GermanPack();
};

struct ProductMachine : SimProcess {
    explicit ProductMachine(const ProductSpec& spec = ProductSpec());

    static const std::wstring kExe;
    // The tag's affiliate identifier and the installer properties it becomes.
    static const std::wstring kAffiliateId;
    static const std::wstring kTagProperties;

    // The whole program with argv[0] = kExe followed by `args`.
    Ending Run(std::vector<std::wstring> args = {});

    // Where the base package lands in the all-users data folder.
    static std::wstring BasePackagePath();
    // The bytes the resources carry; the installer knows the packages by them.
    static std::vector<std::uint8_t> BasePackageBytes();
    static std::vector<std::uint8_t> LanguagePackBytes(const std::wstring& resourceSuffix);

    // A copy of the product installed under `productCode` with that version text.
    void InstallCopy(const std::wstring& versionString, const std::wstring& productCode);
    // "PendingFileRenameOperations" as REG_MULTI_SZ with these strings ("" for the empty
    // target of a deletion).
    void SetPendingRenames(const std::vector<std::wstring>& strings);
    // "PreinstallMode" = 1 under HKLM\Software\Velora.
    void SetPreinstallMode();

    // What happened.
    std::vector<sim::InstallerCall> Installs() const;
    std::vector<sim::InstallerCall> Removals() const;
    // The MsiInstallProductW calls of language packs (every install but the base package's).
    std::vector<sim::InstallerCall> LanguagePackInstalls() const;
    const sim::InstallerCall* BaseInstall() const;
    // The files the run left in the temporary folder besides its own log.
    std::vector<std::wstring> TemporaryFilesBesidesTheLog() const;
    // The run's log as lines without their CRLF; empty when it wrote none.
    std::vector<std::string> LogLines() const;
    std::size_t OpenHandles() const { return LeftOpen(); }
    std::string DescribeOpenHandles() const { return machine.core.ledger.Describe(); }
};

}  // namespace quorix::test
