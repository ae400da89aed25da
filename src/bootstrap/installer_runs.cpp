#include "bootstrap/installer_runs.h"

#include "common/result_codes.h"
#include "package/package_extraction.h"

namespace quorix {

namespace {

bool ReadsAsOne(platform::Registry& registry, platform::RegistryKey key) {
    // A 4-byte read whatever the type: a value of another size does not count.
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    std::uint32_t size = sizeof(bytes);
    if (registry.QueryValue(key, kPreinstallValueName, nullptr, bytes, &size) != kErrorSuccess) {
        return false;
    }
    const std::uint32_t value = static_cast<std::uint32_t>(bytes[0]) |
                                (static_cast<std::uint32_t>(bytes[1]) << 8) |
                                (static_cast<std::uint32_t>(bytes[2]) << 16) |
                                (static_cast<std::uint32_t>(bytes[3]) << 24);
    return value == 1;
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

void RemoveLanguagePacks(ProcessContext& ctx, std::int32_t uiLevel) {
    platform::Installer& installer = ctx.os.installer;
    const std::int32_t previous = installer.SetInternalUi(uiLevel);
    for (const wchar_t* code : LanguagePackProductCodes) {
        const std::int32_t state = installer.QueryProductState(code);
        if (state != platform::kInstallStateUnknown && state != platform::kInstallStateAbsent) {
            installer.ConfigureProduct(code, platform::kInstallLevelDefault,
                                       platform::kInstallStateAbsent);
        }
    }
    installer.SetInternalUi(previous);
}

InstallerRunResult RunInstallers(ProcessContext& ctx, const RunOptions& options,
                                 const std::wstring& languageName,
                                 const std::vector<std::wstring>& languagePackFiles,
                                 const std::wstring& basePackageFile) {
    platform::Installer& installer = ctx.os.installer;
    InstallerRunResult run;

    std::wstring baseCommandLine = options.basePackageProps + L" LANGSTRING=" + languageName +
                                   L" " + UserDefinedInstallProperty(ctx.state);
    const std::wstring languagePackCommandLine = options.languagePackProps + L" ALLUSERS=1";

    // Packs of this release or an older one that are still present go first, so that the
    // new ones install into a clean slate.
    RemoveLanguagePacks(ctx, platform::kInstallUiLevelNone);

    baseCommandLine += L" TRANSFORMS=:" + languageName;

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
    if (options.silent) baseCommandLine += L" FASTOEM=1";
    if (ctx.state.installedMajorVersion == 9) baseCommandLine += L" VLUPGRADE=9";

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
