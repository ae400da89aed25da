#include "bootstrap/installer_runs.h"

#include "common/result_codes.h"
#include "common/text.h"
#include "core/installer_log.h"
#include "core/product_constants.h"
#include "core/registry_values.h"
#include "package/package_extraction.h"
#include "ui/language_packs.h"

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

// The pack's locale code for the log ("en-US", say), found through the resource its held copy
// was written from; the file's path where that is not known.
std::wstring PackNameOf(const ProcessState& state, const std::wstring& file) {
    for (const HeldPackage& package : state.heldPackages) {
        if (package.path != file) continue;
        const FoundPackList& packs = state.foundPacks;
        for (std::size_t position = 0; position < packs.Size(); ++position) {
            if (packs.resourceName[position] == package.resourceName) {
                return LocaleCodeAt(packs, position);
            }
        }
    }
    return file;
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
        const std::wstring pack = PackNameOf(ctx.state, file);
        run.result = installer.InstallProduct(file, languagePackCommandLine);
        ReleasePackage(ctx, file);
        installer.SetInternalUi(previous);
        LogInstallerCall(ctx, "language pack ", pack, platform::kInstallUiLevelNone, run.result);
        if (!IsInstallerSuccess(run.result)) {
            run.failedLanguagePack = true;
            break;
        }
    }

    const std::int32_t baseUiLevel = BasePackageUiLevel(ctx, options);
    run.savedUiLevel = installer.SetInternalUi(baseUiLevel);

    if (!options.logBasePackage.empty()) {
        installer.EnableLog(platform::kInstallLogModeVerbose, options.logBasePackage,
                            platform::kInstallLogAttributesAppend);
    }

    // A failed language pack stays the deciding result; the base package is not tried.
    if (IsInstallerSuccess(run.result)) {
        run.result = installer.InstallProduct(basePackageFile, baseCommandLine);
        ReleasePackage(ctx, basePackageFile);
        LogInstallerCall(ctx, "base package", {}, baseUiLevel, run.result);
    }
    // Packages the installer was not given after all have nothing left to be kept for.
    for (const std::wstring& file : languagePackFiles) ReleasePackage(ctx, file);
    ReleasePackage(ctx, basePackageFile);
    return run;
}

}  // namespace quorix
