#include "installed/previous_version_removal.h"

#include <exception>
#include <string>

#include "bootstrap/entry.h"
#include "bootstrap/installer_runs.h"
#include "common/release.h"
#include "common/result_codes.h"
#include "installed/version_decision.h"
#include "platform/ui.h"
#include "report/help_links.h"
#include "ui/language_messages.h"

namespace quorix {

// The removal proper. Closing the product's programs through its install helper, the
// "AutoUninst" mark of an upgrade, the helper's own uninstallation step, stopping and
// restarting the product's service, the call to its COM object and the shell restart after
// the removal come with the removal work; until then a removal is the installer's alone.
void RemovePreviousVersion(ProcessContext& ctx, std::int32_t action, bool upgrade) {
    if (!upgrade) {
        // Without the helper's answer the user decides whether the installed copy goes.
        const std::wstring productCode = ctx.state.installedProductCode;
        const int kind = static_cast<int>(InstalledVersionMessageKind::SameInstalled);
        if (ShowInstalledVersionMessage(ctx, productCode, kind) != platform::kIdYes) return;
    }

    platform::Installer& installer = ctx.os.installer;
    const std::int32_t previous = installer.SetInternalUi(platform::kInstallUiLevelBasic);
    const std::uint32_t code = installer.ConfigureProduct(
        ctx.state.installedProductCode, platform::kInstallLevelDefault,
        platform::kInstallStateAbsent);
    if (IsInstallerSuccess(code)) {
        RemoveLanguagePacks(ctx, platform::kInstallUiLevelBasic);
    } else if (upgrade && action == PreviousGenerationInstalled &&
               code == kErrorInstallUserExit) {
        OpenCancelationLink(ctx, false);
    }
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
    ctx.os.system.ExitProcess(1);
    std::terminate();  // not reached: ExitProcess does not return
}

}  // namespace quorix
