#include "bootstrap/entry.h"

#include <vector>

#include "bootstrap/install_sequence.h"
#include "bootstrap/run_options.h"
#include "common/result_codes.h"
#include "common/text.h"
#include "core/release.h"
#include "package/tag_reader.h"
#include "report/session_record.h"
#include "shell/shell_restart.h"

namespace quorix {

namespace {

// Null for an architecture without a name here, which the log gives by its number.
const char* ArchitectureName(std::uint16_t architecture) {
    switch (architecture) {
        case 0:
            return "x86";
        case platform::kProcessorArchitectureAmd64:
            return "x64";
        case 12:
            return "ARM64";
        default:
            return nullptr;
    }
}

// What an administrator needs to place the run: which program, where, on which Windows.
void LogStart(ProcessContext& ctx) {
    RunLog& log = ctx.state.log;
    if (!log.IsOpen()) return;
    platform::System& system = ctx.os.system;
    std::wstring path;
    const std::uint32_t length = ctx.os.files.GetOwnModulePath(platform::kMaxPath, &path);
    const bool hasPath = length != 0 && length < platform::kMaxPath;
    if (!hasPath) path.clear();
    const std::uint32_t bits = sizeof(void*) * 8;
    platform::OsVersionInfo version;
    const bool versionKnown = system.GetVersionInfo(&version);
    const std::uint16_t architecture = system.GetNativeProcessorArchitecture();
    const char* machine = ArchitectureName(architecture);
    std::wstring number;
    if (machine == nullptr) number = ToDecimal(architecture);
    if (!versionKnown) version = platform::OsVersionInfo();
    const bool hasServicePack = !version.servicePackText.empty();
    log.Write("start", {kProductName,
                        " setup ",
                        kReleaseVersionText,
                        ", ",
                        bits,
                        "-bit program",
                        hasPath ? ", at " : "",
                        path,
                        versionKnown ? "; Windows " : "; Windows version unknown",
                        LogPiece::When(versionKnown, version.majorVersion),
                        LogPiece::When(versionKnown, "."),
                        LogPiece::When(versionKnown, version.minorVersion),
                        LogPiece::When(versionKnown, "."),
                        LogPiece::When(versionKnown, version.buildNumber),
                        hasServicePack ? " " : "",
                        version.servicePackText,
                        ", ",
                        machine != nullptr ? machine : "architecture ",
                        number,
                        " machine"});
}

ExitCode RunSteps(ProcessContext& ctx, ExitReason* reason) {
    platform::System& system = ctx.os.system;

    // Never closed: a second instance must stay out while this one still shows its last box
    // after the entry procedure returned or unwound; the handle goes with the process.
    ctx.state.instanceMutex = system.CreateNamedMutex(true, kInstanceMutexName);
    if (ctx.state.instanceMutex == platform::kNullHandle) {
        *reason = {"the instance mutex could not be created", "error ", system.GetLastError()};
        return ExitCode::Failure;
    }
    if (system.GetLastError() == kErrorAlreadyExists) {
        *reason = {"another copy of this setup is running"};
        return ExitCode::Failure;
    }

    ctx.os.ui.InitCommonControls(platform::kIccStandardClasses);

    std::vector<std::wstring> argv;
    system.GetCommandLineArguments(&argv);
    if (ctx.state.log.IsOpen()) ctx.state.log.Write("command line", {DescribeCommandLine(argv)});

    // argv[0] as written on the command line; a program started without one reads nothing.
    // The reader sets the affiliate and its flags from the pairs it passes on.
    ReadStampedTag(ctx, argv.empty() ? std::wstring() : argv[0]);
    RecordSession(ctx, ctx.state.affiliateFlags);

    // Compared exactly, before the option loop folds anything.
    if (argv.size() == 2 && argv[1] == L"--force-shell-restart") {
        ForceShellRestart(ctx);
        *reason = {"the shell-restart mode is done"};
        return ExitCode::Success;
    }

    RunOptions options = ParseRunOptions(ctx, argv);
    argv.clear();

    *reason = RunPreInstallSteps(ctx, options);
    return ExitCode::Success;
}

}  // namespace

ExitCode RunEntryProcedure(ProcessContext& ctx) {
    // First of all: the log's clock is the run's.
    ctx.state.log.Start(ctx.os);
    LogStart(ctx);
    ExitReason reason{""};
    const ExitCode code = RunSteps(ctx, &reason);
    ctx.state.log.Finish(static_cast<std::int32_t>(code), reason);
    return code;
}

}  // namespace quorix
