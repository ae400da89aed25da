// The installer runs of an installation on the real Windows Installer: the packs and the base
// package extracted from the payload, the product's option loop, then the runs themselves.
#include "bootstrap/installer_runs.h"
#include "bootstrap/run_options.h"
#include "common/result_codes.h"
#include "installed/version_decision.h"
#include "package/package_extraction.h"
#include "package/tag_reader.h"
#include "probe.h"
#include "probe_payload.h"
#include "probe_values.h"
#include "ui/language_packs.h"

namespace quorix::probe {
namespace {

constexpr const wchar_t* kUsage =
    L"[--language-name NAME] [--pack RESOURCE]... [--tag TEXT | --tag-file PATH] [--custom] "
    L"[--decide] [-- PRODUCT-OPTIONS...]";

struct RunSetup {
    std::wstring languageName = L"en-US";
    std::vector<std::wstring> packs;  // empty: every pack the payload carries
    std::wstring tagText;
    std::wstring tagFile;
    bool custom = false;
    bool decide = false;
    std::vector<std::wstring> productArgs{L"quorix-probe"};  // the option loop skips argument 0
};

bool ParseSetup(const std::vector<std::wstring>& args, RunSetup* setup) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == L"--") {
            setup->productArgs.insert(setup->productArgs.end(), args.begin() + i + 1, args.end());
            return true;
        } else if (arg == L"--custom") {
            setup->custom = true;
        } else if (arg == L"--decide") {
            setup->decide = true;
        } else if (arg == L"--language-name" && hasValue) {
            setup->languageName = args[++i];
        } else if (arg == L"--pack" && hasValue) {
            setup->packs.push_back(args[++i]);
        } else if (arg == L"--tag" && hasValue) {
            setup->tagText = args[++i];
        } else if (arg == L"--tag-file" && hasValue) {
            setup->tagFile = args[++i];
        } else {
            return false;
        }
    }
    return true;
}

int InstallRuns(ProcessContext& base, const std::vector<std::wstring>& args) {
    RunSetup setup;
    if (!ParseSetup(args, &setup)) return UsageError(kUsage);
    PayloadContext payload(base);
    if (!payload.Ready()) return 1;
    ProcessContext& ctx = payload.Context();
    platform::Installer& installer = ctx.os.installer;

    if (!setup.tagFile.empty()) ReadStampedTag(ctx, setup.tagFile);
    if (!setup.tagText.empty()) {
        const std::string bytes = NarrowAscii(setup.tagText);
        ctx.state.tagProperties =
            TagTextToProperties(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    ctx.state.customInstallationRequested = setup.custom;
    Print(L"tagProperties", ctx.state.tagProperties);

    if (setup.decide) {
        ConfigureAction action = NoDecision;
        const HResult decided = GetRequiredMsiConfigureAction(
            ctx, kReleaseVersionLow, kReleaseVersionHigh, kThisProductCode, &action);
        Print(L"decision.result", Hex32(static_cast<std::uint32_t>(decided)));
        Print(L"decision.action", SignedDecimal(action));
    }
    Print(L"installedMajorVersion", ToDecimal(ctx.state.installedMajorVersion));

    const RunOptions options = ParseRunOptions(ctx, setup.productArgs);
    Print(L"options.silent", options.silent ? L"1" : L"0");
    Print(L"options.reducedUi", options.reducedUi ? L"1" : L"0");
    Print(L"options.logBasePackage", options.logBasePackage);
    Print(L"options.logLanguagePacks", options.logLanguagePacks);
    Print(L"options.languagePackProps", options.languagePackProps);
    Print(L"options.basePackageProps", options.basePackageProps);

    if (setup.packs.empty()) {
        EnumerateLanguagePacks(ctx);
        setup.packs = ctx.state.foundPacks.resourceName;
    }
    std::vector<std::wstring> packFiles;
    for (const std::wstring& pack : setup.packs) {
        packFiles.push_back(ExtractLanguagePack(ctx, pack));
        Print(L"languagePack." + ToDecimal(packFiles.size() - 1), packFiles.back());
    }
    const std::wstring baseFile = ExtractBasePackage(ctx);
    Print(L"basePackage", baseFile);

    // NOCHANGE reads the level in force without touching it.
    const std::int32_t before = installer.SetInternalUi(platform::kInstallUiLevelNoChange);
    const InstallerRunResult run =
        RunInstallers(ctx, options, setup.languageName, packFiles, baseFile);
    const std::int32_t baseLevel = installer.SetInternalUi(run.savedUiLevel);
    const std::int32_t restored = installer.SetInternalUi(platform::kInstallUiLevelNoChange);
    Print(L"result", ToDecimal(run.result));
    Print(L"savedUiLevel", SignedDecimal(run.savedUiLevel));
    Print(L"uiLevel.before", SignedDecimal(before));
    Print(L"uiLevel.base", SignedDecimal(baseLevel));
    Print(L"uiLevel.restored", SignedDecimal(restored));
    return IsInstallerSuccess(run.result) ? 0 : 1;
}

const Registration kInstallRuns(L"install-runs", kUsage, InstallRuns);

}  // namespace
}  // namespace quorix::probe
