#include "bootstrap/entry.h"

#include <vector>

#include "bootstrap/install_sequence.h"
#include "bootstrap/run_options.h"
#include "common/result_codes.h"
#include "core/release.h"
#include "package/tag_filter.h"
#include "package/tag_reader.h"
#include "report/session_record.h"
#include "shell/shell_restart.h"

namespace quorix {

std::wstring DeriveAffiliateId(const std::wstring& tagProperties, const std::wstring& fallback) {
    // A tag without the key keeps the built-in identifier.
    return tag::AffiliateIdIn(tagProperties, fallback);
}

std::wstring DeriveAffiliateFlags(const std::wstring& tagProperties) {
    return tag::AffiliateFlagsIn(tagProperties);
}

ExitCode RunEntryProcedure(ProcessContext& ctx) {
    platform::System& system = ctx.os.system;

    // Never closed: a second instance must stay out while this one still shows its last box
    // after the entry procedure returned or unwound; the handle goes with the process.
    ctx.state.instanceMutex = system.CreateNamedMutex(true, kInstanceMutexName);
    if (ctx.state.instanceMutex == platform::kNullHandle ||
        system.GetLastError() == kErrorAlreadyExists) {
        return ExitCode::Failure;
    }

    ctx.os.ui.InitCommonControls(platform::kIccStandardClasses);

    std::vector<std::wstring> argv;
    system.GetCommandLineArguments(&argv);

    // argv[0] as written on the command line; a program started without one reads nothing.
    ReadStampedTag(ctx, argv.empty() ? std::wstring() : argv[0]);

    ctx.state.affiliateId = DeriveAffiliateId(ctx.state.tagProperties, ctx.state.affiliateId);
    ctx.state.affiliateFlags = DeriveAffiliateFlags(ctx.state.tagProperties);
    RecordSession(ctx, ctx.state.affiliateFlags);

    // Compared exactly, before the option loop folds anything.
    if (argv.size() == 2 && argv[1] == L"--force-shell-restart") {
        ForceShellRestart(ctx);
        return ExitCode::Success;
    }

    RunOptions options = ParseRunOptions(ctx, argv);
    argv.clear();

    RunPreInstallSteps(ctx, options);
    return ExitCode::Success;
}

}  // namespace quorix
