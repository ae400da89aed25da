#include "installed/previous_version_removal.h"

#include <string>

#include "common/result_codes.h"
#include "core/process_exit.h"
#include "core/product_constants.h"
#include "core/registry_values.h"
#include "core/release.h"
#include "installed/install_helper.h"
#include "installed/language_pack_removal.h"
#include "installed/product_com.h"
#include "installed/product_service.h"
#include "installed/version_decision.h"
#include "platform/ui.h"
#include "report/help_links.h"
#include "shell/shell_restart.h"
#include "ui/language_messages.h"

namespace quorix {

namespace {

// What the helper's own uninstallation step answers.
constexpr std::int32_t kLullexGoOn = 1;
constexpr std::int32_t kLullexStop = 2;

// KEY_READ | KEY_WRITE.
constexpr std::uint32_t kAutoUninstKeyAccess = platform::kKeyRead | platform::kKeyWrite;

// Tells the product's own uninstallation that it runs as part of an upgrade. Best effort: the
// removal goes on without the mark.
void MarkAutomaticUninstallation(ProcessContext& ctx) {
    platform::Registry& registry = ctx.os.registry;
    platform::UniqueRegistryKey key(registry);
    if (registry.CreateKey(platform::kHkeyCurrentUser, kSetupKeyPath,
                           platform::kRegOptionNonVolatile, kAutoUninstKeyAccess, key.Receive(),
                           nullptr) != kErrorSuccess) {
        return;
    }
    SetStringValue(registry, key.Get(), kAutoUninstValueName, L"1");
}

// Without an answer from the helper, the user decides whether the installed copy goes.
bool UserAgreesToUninstall(ProcessContext& ctx) {
    const std::wstring productCode = ctx.state.installedProductCode;
    const int kind = static_cast<int>(InstalledVersionMessageKind::SameInstalled);
    return ShowInstalledVersionMessage(ctx, productCode, kind) == platform::kIdYes;
}

}  // namespace

void RemovePreviousVersion(ProcessContext& ctx, ConfigureAction action, bool upgrade) {
    CloseProductApps(ctx);
    if (upgrade) {
        MarkAutomaticUninstallation(ctx);
    } else {
        const std::int32_t answer = UninstallLullex(ctx);
        if (answer == kLullexStop) return;
        if (answer != kLullexGoOn && !UserAgreesToUninstall(ctx)) return;
    }
    StopProductService(ctx);
    InvokeProductComMethod(ctx);

    platform::Installer& installer = ctx.os.installer;
    const std::int32_t previous = installer.SetInternalUi(platform::kInstallUiLevelBasic);
    const std::uint32_t code =
        installer.ConfigureProduct(ctx.state.installedProductCode, platform::kInstallLevelDefault,
                                   platform::kInstallStateAbsent);
    if (IsInstallerSuccess(code)) {
        RemoveLanguagePacks(ctx, platform::kInstallUiLevelBasic);
    } else {
        if (upgrade && action == PreviousGenerationInstalled && code == kErrorInstallUserExit) {
            OpenCancelationLink(ctx, false);
        }
        // The copy stays installed: its service is to run again as before.
        StartProductService(ctx);
    }
    // Closing the product's programs and removing it may leave no desktop shell running:
    // make sure one runs, whichever way the removal went.
    ForceShellRestart(ctx);
    ReportConfigureResult(ctx, code);
    installer.SetInternalUi(previous);
}

void ReportConfigureResult(ProcessContext& ctx, std::uint32_t code) {
    if (IsInstallerSuccess(code)) return;
    // The installer has already told the user about these itself.
    if (code != kErrorInstallUserExit && code != kErrorInstallFailure &&
        code != kErrorInstallSuspend) {
        ctx.os.ui.ShowMessageBox(kProductName, FormatSystemError(ctx, code),
                                 platform::kMbIconWarning);
    }
    EndRun(ctx, ExitCode::Failure);
}

}  // namespace quorix
