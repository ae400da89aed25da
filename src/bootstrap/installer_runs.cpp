#include "bootstrap/installer_runs.h"

#include "common/result_codes.h"
#include "core/product_constants.h"
#include "core/registry_values.h"
#include "package/package_extraction.h"

namespace quorix {

namespace {

bool ReadsAsOne(platform::Registry& registry, platform::RegistryKey key) {
    // A 4-byte read whatever the type: a value of another size does not count.
    std::uint32_t value = 0;
    return QueryDwordValue(registry, key, kPreinstallValueName, &value) && value == 1;
}

std::int32_t BasePackageUiLevel(ProcessContext& ctx, const RunOptions& options) {
    if (options.silent) return platform::kInstallUiLevelNone;
    // Basic, not reduced: progress and errors only, none of the package's own dialogs.
    if (options.reducedUi) return platform::kInstallUiLevelBasic;
    return IsPreinstallMode(ctx) ? platform::kInstallUiLevelBasic : platform::kInstallUiLevelFull;
}

}  // namespace

std::wstring UserDefinedInstallProperty(const ProcessState& state) {
    return std::wstring(L"USERDEFINST=") + (state.customInstallationRequested ? L"1" : L"2") +
           L" " + state.tagProperties;
}

std::wstring BaseCommandLine(const ProcessState& state, const RunOptions& options,
                             const std::wstring& languageName) {
    std::wstring commandLine = options.basePackageProps + L" LANGSTRING=" + languageName + L" " +
                               UserDefinedInstallProperty(state) + L" TRANSFORMS=:" + languageName;
    if (options.silent) commandLine += L" FASTOEM=1";
    if (state.installedMajorVersion == kPreviousGenerationMajorVersion) {
        commandLine += L" VLUPGRADE=9";
    }
    return commandLine;
}

bool IsPreinstallMode(ProcessContext& ctx) {
    platform::Registry& registry = ctx.os.registry;
    platform::UniqueRegistryKey key(registry);
    if (registry.OpenKey(platform::kHkeyLocalMachine, kPreinstallKeyPath,
                         platform::kKeyRead | platform::kKeyWow64_32Key,
                         key.Receive()) != kErrorSuccess &&
        registry.OpenKey(platform::kHkeyLocalMachine, kPreinstallKeyPath,
                         platform::kKeyRead | platform::kKeyWow64_64Key,
                         key.Receive()) != kErrorSuccess) {
        return false;
    }
    return ReadsAsOne(registry, key.Get());
}

InstallerRunResult RunInstallers(ProcessContext& ctx, const RunOptions& options,
                                 const std::wstring& languageName,
                                 const std::vector<std::wstring>& languagePackFiles,
                                 const std::wstring& basePackageFile) {
    platform::Installer& installer = ctx.os.installer;
    InstallerRunResult run;

    const std::wstring baseCommandLine = BaseCommandLine(ctx.state, options, languageName);
    const std::wstring languagePackCommandLine = options.languagePackProps + L" ALLUSERS=1";

    // Packs of this release or an older one that are still present go first, so that the
    // new ones install into a clean slate.
    RemoveLanguagePacks(ctx, platform::kInstallUiLevelNone);

    // The log setting holds for every later installation of the process: without a log of
    // its own the base package is logged into this file too.
    if (!options.logLanguagePacks.empty()) {
        installer.EnableLog(platform::kInstallLogModeVerbose, options.logLanguagePacks,
                            platform::kInstallLogAttributesAppend);
    }

    run.result = kErrorSuccess;
    for (const std::wstring& file : languagePackFiles) {
        const std::int32_t previous = installer.SetInternalUi(platform::kInstallUiLevelNone);
        run.result = installer.InstallProduct(file, languagePackCommandLine);
        ReleasePackage(ctx, file);
        installer.SetInternalUi(previous);
        if (!IsInstallerSuccess(run.result)) break;
    }

    run.savedUiLevel = installer.SetInternalUi(BasePackageUiLevel(ctx, options));

    if (!options.logBasePackage.empty()) {
        installer.EnableLog(platform::kInstallLogModeVerbose, options.logBasePackage,
                            platform::kInstallLogAttributesAppend);
    }

    // A failed language pack stays the deciding result; the base package is not tried.
    if (IsInstallerSuccess(run.result)) {
        run.result = installer.InstallProduct(basePackageFile, baseCommandLine);
        ReleasePackage(ctx, basePackageFile);
    }
    // Packages the installer was not given after all have nothing left to be kept for.
    for (const std::wstring& file : languagePackFiles) ReleasePackage(ctx, file);
    ReleasePackage(ctx, basePackageFile);
    return run;
}

}  // namespace quorix
