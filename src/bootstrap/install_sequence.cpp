#include "bootstrap/install_sequence.h"

#include <string>
#include <vector>

#include "bootstrap/installer_runs.h"
#include "common/result_codes.h"
#include "common/text.h"
#include "core/process_exit.h"
#include "core/product_constants.h"
#include "core/release.h"
#include "installed/pending_installation.h"
#include "installed/previous_version_removal.h"
#include "installed/version_decision.h"
#include "package/package_extraction.h"
#include "platform/ui.h"
#include "report/help_links.h"
#include "report/session_ids.h"
#include "report/session_record.h"
#include "ui/language_messages.h"
#include "ui/language_selection.h"
#include "ui/system_requirements.h"
#include "ui/welcome_dialog.h"

namespace quorix {

namespace {

// The language handed to the base package in unattended runs; the package carries an
// embedded transform of that name.
constexpr const wchar_t* kUnattendedLanguageName = L"silent";

// Never produced by the decision; the installed-version table treats it like a newer copy.
constexpr std::int32_t kNewerInstalledAlternative = 4;

struct LanguageChoice {
    std::wstring languageName;
    std::vector<std::wstring> languagePackFiles;
};

LanguageChoice ChooseLanguage(ProcessContext& ctx, ConfigureAction action,
                              const RunOptions& options) {
    LanguageChoice choice;
    if (!options.silent && !options.reducedUi) {
        WelcomeChoice welcome = ShowWelcomeDialog(ctx, action);
        choice.languageName = std::move(welcome.localeCode);
        choice.languagePackFiles.push_back(std::move(welcome.languagePackFile));
        ctx.state.log.Write("language", {"chosen in the welcome dialog: ", choice.languageName});
        return choice;
    }
    choice.languageName = kUnattendedLanguageName;
    // Every requested name is checked before the first pack is extracted.
    const std::vector<std::wstring> packs = ResolveRequestedLanguagePacks(ctx, options.languages);
    if (ctx.state.log.IsOpen()) {
        std::wstring names;
        for (const std::wstring& name : packs) names += (names.empty() ? L"" : L", ") + name;
        ctx.state.log.Write(
            "language",
            {options.languages.empty() ? "no /language given, every pack: " : "from /language: ",
             names});
    }
    for (const std::wstring& name : packs) {
        choice.languagePackFiles.push_back(ExtractLanguagePack(ctx, name));
    }
    return choice;
}

// Results the installer has already shown to the user in its own way.
bool InstallerExplainedItself(std::uint32_t result) {
    return result == kErrorInstallUserExit || result == kErrorInstallFailure ||
           result == kErrorInstallSuspend;
}

}  // namespace

ExitReason RunInstallSequence(ProcessContext& ctx, ConfigureAction action, RunOptions options) {
    // The copy written for the pending check, still held as it was verified: the installer gets
    // the file as this release carries it.
    const std::wstring basePackageFile = ExtractBasePackage(ctx);
    EnsureInstallationGuid(ctx);

    const LanguageChoice language = ChooseLanguage(ctx, action, options);

    // The previous generation goes only once the language is chosen: a user who closes the
    // welcome dialog keeps the copy that works.
    if (action == PreviousGenerationInstalled) RemovePreviousVersion(ctx, action, true);

    const InstallerRunResult run = RunInstallers(ctx, options, language.languageName,
                                                 language.languagePackFiles, basePackageFile);
    platform::Installer& installer = ctx.os.installer;

    if (IsInstallerSuccess(run.result)) {
        RecordCurrentSession(ctx);
        // A reboot the installer started or asks for is no moment for a web page.
        if (!options.silent && !IsPreinstallMode(ctx) && run.result == kErrorSuccess) {
            OpenInstallHelpLink(ctx, kErrorSuccess, std::wstring(), action);
        }
        installer.SetInternalUi(run.savedUiLevel);
        if (run.result == kErrorSuccess) return {"the installation succeeded"};
        return {"the installation succeeded; Windows restarts or asks for a restart",
                "installer result ", run.result};
    }

    // Packs this run installed before the failure go again, and so do older ones.
    RemoveLanguagePacks(ctx, platform::kInstallUiLevelBasic);
    WriteExitLine(ctx, ExitCode::Failure,
                  {run.failedLanguagePack ? "the installation of a language pack failed: "
                                          : "the installation of the base package failed: ",
                   "installer result ", run.result});
    if (!InstallerExplainedItself(run.result)) {
        ctx.os.ui.ShowMessageBox(kProductName, FormatSystemError(ctx, run.result),
                                 platform::kMbIconWarning);
    }
    // Of the unattended options only silent keeps the browser closed.
    if (!options.silent && !IsPreinstallMode(ctx)) {
        if (ctx.state.installedMajorVersion >= kPreviousGenerationMajorVersion &&
            run.result == kErrorInstallUserExit && action == PreviousGenerationInstalled) {
            OpenCancelationLink(ctx, true);
        } else {
            OpenInstallHelpLink(ctx, run.result, language.languageName, action);
        }
    }
    installer.SetInternalUi(run.savedUiLevel);
    EndLoggedRun(ctx, ExitCode::Failure);
}

ExitReason RunPreInstallSteps(ProcessContext& ctx, const RunOptions& options) {
    CheckSystemRequirements(ctx);

    // Stays NoDecision when the installed copy could not be compared.
    ConfigureAction action = NoDecision;
    const HResult decided = GetRequiredMsiConfigureAction(
        ctx, kReleaseVersionLow, kReleaseVersionHigh, kThisProductCode, &action);
    if (decided < 0) FatalErrorExit(ctx, decided, L"GetRequiredMsiConfigureAction failed: ");

    RunLog& log = ctx.state.log;
    const bool pending = IsInstallationPending(ctx, ExtractBasePackage(ctx));
    // Written before the question's box: a run left waiting on it says what it waits for.
    log.Write("pending", {pending ? "a restart still waits to replace a file of the base package; "
                                    "the user is asked whether to restart now"
                                  : "no restart waits to replace a file of the base package"});
    if (pending) {
        const int answer = AskRestartForPendingInstallation(ctx);
        log.Write("pending", {answer == platform::kIdYes
                                  ? "the user chose to restart; the run goes on meanwhile"
                                  : "the user did not choose to restart"});
        if (answer != platform::kIdYes) {
            EndRun(ctx, ExitCode::Success,
                   {"an installation waits for a restart and the user did not choose to restart"});
        }
        // The restart only begins; the run goes on and acts on the decision meanwhile.
        RequestSystemRestart(ctx);
    }

    // On the plain number, so that the value the table treats like a newer copy has its case too.
    switch (static_cast<std::int32_t>(action)) {
        case NotInstalled:
            return RunInstallSequence(ctx, action, options);
        case OlderInstalled: {
            const std::wstring productCode = ctx.state.installedProductCode;
            const int kind = static_cast<int>(InstalledVersionMessageKind::OlderInstalled);
            if (ShowInstalledVersionMessage(ctx, productCode, kind) != platform::kIdYes) {
                return {"the user kept the installed older copy"};
            }
            log.Write("removal", {"the user agreed to remove the installed older copy"});
            RemovePreviousVersion(ctx, action, true);
            return RunInstallSequence(ctx, action, options);
        }
        case PreviousGenerationInstalled:
            // The removal waits inside the sequence until the language has been chosen.
            return RunInstallSequence(ctx, action, options);
        case kNewerInstalledAlternative:
        case NewerInstalled: {
            const std::wstring productCode = ctx.state.installedProductCode;
            const int kind = static_cast<int>(InstalledVersionMessageKind::NewerInstalled);
            static constexpr char kNothingChanged[] =
                "a newer version is installed; nothing was changed";
            WriteExitLine(ctx, ExitCode::Success, {kNothingChanged});
            ShowInstalledVersionMessage(ctx, productCode, kind);
            return {kNothingChanged};
        }
        case SameVersionInstalled:
            return {RemovePreviousVersion(ctx, action, false)
                        ? "this release was removed (maintenance removal)"
                        : "the removal of this release was not confirmed; nothing was changed"};
        default:
            return {"no decision to act on"};
    }
}

}  // namespace quorix
