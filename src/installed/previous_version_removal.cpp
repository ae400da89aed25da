#include "installed/previous_version_removal.h"

#include <string>

#include "common/result_codes.h"
#include "common/text.h"
#include "core/installer_log.h"
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
// removal goes on without the mark. False when it could not be set.
bool MarkAutomaticUninstallation(ProcessContext& ctx) {
    platform::Registry& registry = ctx.os.registry;
    platform::UniqueRegistryKey key(registry);
    if (registry.CreateKey(platform::kHkeyCurrentUser, kSetupKeyPath,
                           platform::kRegOptionNonVolatile, kAutoUninstKeyAccess, key.Receive(),
                           nullptr) != kErrorSuccess) {
        return false;
    }
    return SetStringValue(registry, key.Get(), kAutoUninstValueName, L"1") == kErrorSuccess;
}

// Without an answer from the helper, the user decides whether the installed copy goes.
bool UserAgreesToUninstall(ProcessContext& ctx) {
    const std::wstring productCode = ctx.state.installedProductCode;
    const int kind = static_cast<int>(InstalledVersionMessageKind::SameInstalled);
    return ShowInstalledVersionMessage(ctx, productCode, kind) == platform::kIdYes;
}

}  // namespace

bool RemovePreviousVersion(ProcessContext& ctx, ConfigureAction action, bool upgrade) {
    RunLog& log = ctx.state.log;
    log.Write("removal",
              {"removing ", ctx.state.installedProductCode,
               upgrade ? " before this release is installed" : " (maintenance removal)"});
    CloseProductApps(ctx);
    if (upgrade) {
        log.Write("removal", {MarkAutomaticUninstallation(ctx)
                                  ? "marked as an automatic uninstallation"
                                  : "the automatic-uninstallation mark could not be set"});
    } else {
        const std::int32_t answer = UninstallLullex(ctx);
        if (answer == kLullexStop) {
            log.Write("removal", {"stopped: the install helper answered not to go on"});
            return false;
        }
        if (answer != kLullexGoOn) {
            if (!UserAgreesToUninstall(ctx)) {
                log.Write("removal", {"stopped: the user did not confirm the removal"});
                return false;
            }
            log.Write("removal", {"the user confirmed the removal"});
        }
    }
    const bool serviceStopped = StopProductService(ctx);
    log.Write("removal", {"service ", kProductServiceName,
                          serviceStopped ? ": stopped or not running" : ": could not be stopped"});
    const bool comCalled = InvokeProductComMethod(ctx);
    log.Write("removal", {comCalled ? "the product's COM object was called"
                                    : "the product's COM object could not be called"});

    platform::Installer& installer = ctx.os.installer;
    const std::int32_t previous = installer.SetInternalUi(platform::kInstallUiLevelBasic);
    const std::uint32_t code =
        installer.ConfigureProduct(ctx.state.installedProductCode.c_str(),
                                   platform::kInstallLevelDefault, platform::kInstallStateAbsent);
    LogInstallerCall(ctx, "removal of ", ctx.state.installedProductCode,
                     platform::kInstallUiLevelBasic, code);
    if (IsInstallerSuccess(code)) {
        RemoveLanguagePacks(ctx, platform::kInstallUiLevelBasic);
    } else {
        if (upgrade && action == PreviousGenerationInstalled && code == kErrorInstallUserExit) {
            OpenCancelationLink(ctx, false);
        }
        // The copy stays installed: its service is to run again as before.
        log.Write("removal",
                  {"service ", kProductServiceName,
                   StartProductService(ctx) ? ": started again" : ": could not be started again"});
    }
    // Closing the product's programs and removing it may leave no desktop shell running:
    // make sure one runs, whichever way the removal went.
    ForceShellRestart(ctx);
    ReportConfigureResult(ctx, code);
    installer.SetInternalUi(previous);
    return true;
}

void ReportConfigureResult(ProcessContext& ctx, std::uint32_t code) {
    if (IsInstallerSuccess(code)) return;
    WriteExitLine(ctx, ExitCode::Failure,
                  {"the removal of the installed copy failed: installer result ", code});
    // The installer has already told the user about these itself.
    if (code != kErrorInstallUserExit && code != kErrorInstallFailure &&
        code != kErrorInstallSuspend) {
        ctx.os.ui.ShowMessageBox(kProductName, FormatSystemError(ctx, code),
                                 platform::kMbIconWarning);
    }
    EndLoggedRun(ctx, ExitCode::Failure);
}

}  // namespace quorix
