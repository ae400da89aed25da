#include "installed/install_helper.h"

#include "common/text.h"
#include "core/registry_values.h"
#include "platform/platform.h"

namespace quorix {

namespace {

// The helper's "--uninstall-lullex" step exists from major version 10 on.
constexpr std::uint32_t kFirstMajorWithLullexStep = 10;
// The helper's answer that stops the removal.
constexpr std::int32_t kLullexStopAnswer = 2;

// Abandoned: started, but the wait ended without an exit code (time limit, failed wait or
// query).
enum class HelperRun { NotFound, NotStarted, Ended, Abandoned };

struct HelperOutcome {
    HelperRun run = HelperRun::NotFound;
    std::uint32_t exitCode = 0;
};

// Waits on the process itself, so that a helper which really ends with 259 (STILL_ACTIVE) is
// not taken for one still running. False when it has not ended within the limit or its exit
// code cannot be read.
bool WaitForExitCode(ProcessContext& ctx, platform::NativeHandle process, std::uint32_t* exitCode) {
    if (ctx.os.shell.WaitForProcess(process, kHelperWaitLimitMs) != platform::kWaitObject0) {
        return false;
    }
    return ctx.os.shell.GetProcessExitCode(process, exitCode);
}

void LogHelperOutcome(ProcessContext& ctx, const wchar_t* helperSwitch,
                      const HelperOutcome& outcome, std::uint32_t error) {
    RunLog& log = ctx.state.log;
    switch (outcome.run) {
        case HelperRun::NotFound:
            log.Write("removal", {"install helper ", helperSwitch,
                                  ": not run, the installed copy names no absolute folder"});
            break;
        case HelperRun::NotStarted:
            log.Write("removal", {"install helper ", helperSwitch, ": could not be started (error ",
                                  error, ")"});
            break;
        case HelperRun::Ended:
            log.Write("removal",
                      {"install helper ", helperSwitch, ": ended with ", outcome.exitCode});
            break;
        case HelperRun::Abandoned:
            log.Write("removal", {"install helper ", helperSwitch,
                                  ": gave no exit code within the time limit"});
            break;
    }
}

HelperOutcome StartAndWaitForHelper(ProcessContext& ctx, const wchar_t* helperSwitch) {
    HelperOutcome outcome;
    std::wstring folder;
    if (FindInstallLocation(ctx, ctx.state.installedProductCode, &folder) != kSOk) {
        return outcome;
    }
    // An empty folder would start "\VLInstallHelper.exe" from the root of the current drive
    // (the download medium), a relative one from the current folder: neither is the product's.
    if (!IsAbsoluteFolder(folder)) return outcome;

    platform::ShellRequest request;
    request.verb = L"open";
    request.file = EnsureTrailingBackslash(folder) + kInstallHelperFileName;
    request.parameters = helperSwitch;
    request.show = platform::kSwShowNormal;
    platform::NativeHandle started = platform::kNullHandle;
    if (!ctx.os.shell.ExecuteEx(request,
                                platform::kSeeMaskNoCloseProcess | platform::kSeeMaskNoAsync |
                                    platform::kSeeMaskFlagNoUi,
                                &started)) {
        outcome.run = HelperRun::NotStarted;
        return outcome;
    }
    platform::UniqueHandle process(ctx.os.system, started);
    outcome.run = WaitForExitCode(ctx, process.Get(), &outcome.exitCode) ? HelperRun::Ended
                                                                         : HelperRun::Abandoned;
    return outcome;
}

HelperOutcome RunInstallHelper(ProcessContext& ctx, const wchar_t* helperSwitch) {
    const HelperOutcome outcome = StartAndWaitForHelper(ctx, helperSwitch);
    LogHelperOutcome(ctx, helperSwitch, outcome, ctx.os.system.GetLastError());
    return outcome;
}

}  // namespace

bool IsAbsoluteFolder(const std::wstring& folder) {
    if (folder.size() >= 3 && folder[1] == L':' && folder[2] == L'\\') {
        const wchar_t drive = folder[0];
        return (drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z');
    }
    // "\\server\share": a server name must follow the two backslashes.
    return folder.size() >= 3 && folder[0] == L'\\' && folder[1] == L'\\' && folder[2] != L'\\';
}

HResult FindInstallLocation(ProcessContext& ctx, const std::wstring& productCode,
                            std::wstring* folder) {
    try {
        const std::wstring root = kUninstallRootKey;
        // The display name doubles as the name of a second Uninstall entry, the one the
        // product's own setup writes its installation folder to.
        const std::wstring name = ReadRegistryString(ctx, root + productCode, L"displayName");
        *folder = ReadRegistryString(ctx, root + name, L"InstallLocation");
        return kSOk;
    } catch (const CallFailed&) {
        return kEFail;
    }
}

std::int32_t CloseProductApps(ProcessContext& ctx) {
    return RunInstallHelper(ctx, kCloseProductAppsSwitch).run == HelperRun::NotStarted ? 0 : 1;
}

std::int32_t UninstallLullex(ProcessContext& ctx) {
    if (ctx.state.installedMajorVersion < kFirstMajorWithLullexStep) return 0;
    const HelperOutcome outcome = RunInstallHelper(ctx, kUninstallLullexSwitch);
    // Without the helper's answer, the removal must not go on: nothing is lost by stopping.
    if (outcome.run == HelperRun::Abandoned) return kLullexStopAnswer;
    if (outcome.run != HelperRun::Ended) return 0;
    return outcome.exitCode == 1 || outcome.exitCode == 2
               ? static_cast<std::int32_t>(outcome.exitCode)
               : 0;
}

}  // namespace quorix
