#include "installed/install_helper.h"

#include <stdexcept>

#include "common/text.h"
#include "installed/registry_string.h"
#include "platform/platform.h"

namespace quorix {

namespace {

// The helper's "--uninstall-lullex" step exists from major version 10 on.
constexpr std::uint32_t kFirstMajorWithLullexStep = 10;

enum class HelperRun { NotFound, NotStarted, Ended };

struct HelperOutcome {
    HelperRun run = HelperRun::NotFound;
    std::uint32_t exitCode = 0;
};

// Asks for the exit code until the helper has ended. A query that fails while the helper was
// last seen running does not end the wait: only an answer other than STILL_ACTIVE does (or a
// failure before the helper was ever seen running, which leaves the code at 0).
std::uint32_t WaitForExitCode(ProcessContext& ctx, platform::NativeHandle process) {
    std::uint32_t exitCode = 0;
    for (;;) {
        std::uint32_t seen = 0;
        if (ctx.os.shell.GetProcessExitCode(process, &seen)) exitCode = seen;
        if (exitCode != platform::kStillActive) return exitCode;
        ctx.os.system.Sleep(kHelperPollIntervalMs);
    }
}

HelperOutcome RunInstallHelper(ProcessContext& ctx, const wchar_t* helperSwitch) {
    HelperOutcome outcome;
    std::wstring folder;
    if (FindInstallLocation(ctx, ctx.state.installedProductCode, &folder) != kSOk) {
        return outcome;
    }

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
    outcome.run = HelperRun::Ended;
    outcome.exitCode = WaitForExitCode(ctx, process.Get());
    return outcome;
}

}  // namespace

HResult FindInstallLocation(ProcessContext& ctx, const std::wstring& productCode,
                            std::wstring* folder) {
    try {
        const std::wstring root = kUninstallRootKey;
        // The display name doubles as the name of a second Uninstall entry, the one the
        // product's own setup writes its installation folder to.
        const std::wstring name = ReadRegistryString(ctx, root + productCode, L"displayName");
        *folder = ReadRegistryString(ctx, root + name, L"InstallLocation");
        return kSOk;
    } catch (const std::runtime_error&) {
        return kEFail;
    }
}

std::int32_t CloseProductApps(ProcessContext& ctx) {
    return RunInstallHelper(ctx, kCloseProductAppsSwitch).run == HelperRun::NotStarted ? 0 : 1;
}

std::int32_t UninstallLullex(ProcessContext& ctx) {
    if (ctx.state.installedMajorVersion < kFirstMajorWithLullexStep) return 0;
    const HelperOutcome outcome = RunInstallHelper(ctx, kUninstallLullexSwitch);
    if (outcome.run != HelperRun::Ended) return 0;
    return outcome.exitCode == 1 || outcome.exitCode == 2
               ? static_cast<std::int32_t>(outcome.exitCode)
               : 0;
}

}  // namespace quorix
