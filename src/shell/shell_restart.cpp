#include "shell/shell_restart.h"

#include <cstdint>

#include "common/text.h"
#include "core/registry_values.h"
#include "platform/registry.h"

namespace quorix {

namespace {

using platform::TaskObject;
using platform::UniqueTaskObject;

constexpr wchar_t kSafeBootOptionKey[] = L"system\\currentcontrolset\\control\\safeboot\\option";
constexpr wchar_t kSafeBootKey[] = L"system\\currentcontrolset\\control\\safeboot";
constexpr std::uint32_t kShellCapacity = 260;
constexpr std::uint32_t kAlternateShellBytes = 520;
constexpr wchar_t kShellWindowClass[] = L"Progman";
constexpr wchar_t kExplorerProgram[] = L"%SystemRoot%\\Explorer.EXE";
constexpr std::uint32_t kFirstTaskSchedulerVersion = 6;
constexpr wchar_t kRootTaskFolder[] = L"\\";
// The task expires a minute after it was made; FILETIME units are 100 ns.
constexpr std::uint64_t kTaskLifetime = 600000000;
constexpr wchar_t kNoTimeLimit[] = L"PT0S";
constexpr std::uint32_t kTaskRunWaitMs = 5000;
constexpr std::uint32_t kTaskRunPollMs = 100;

bool Succeeded(std::int32_t result) { return result >= 0; }

// Safe mode may name a shell of its own; only when it is switched on does it count.
std::wstring ReadSafeModeShell(ProcessContext& ctx) {
    platform::Registry& registry = ctx.os.registry;
    std::uint32_t useAlternateShell = 0;
    {
        platform::UniqueRegistryKey option(registry);
        if (registry.OpenKey(platform::kHkeyLocalMachine, kSafeBootOptionKey, platform::kKeyRead,
                             option.Receive()) != 0) {
            return std::wstring();
        }
        // A value that does not fit counts as 0.
        QueryDwordValue(registry, option.Get(), L"UseAlternateShell", &useAlternateShell);
    }
    if (useAlternateShell == 0) return std::wstring();

    platform::UniqueRegistryKey safeBoot(registry);
    if (registry.OpenKey(platform::kHkeyLocalMachine, kSafeBootKey, platform::kKeyRead,
                         safeBoot.Receive()) != 0) {
        return std::wstring();
    }
    // The stored text need not end in a zero; it never reaches past what was read.
    std::wstring shell;
    if (!QueryBoundedText(registry, safeBoot.Get(), L"AlternateShell", kAlternateShellBytes,
                          &shell)) {
        return std::wstring();
    }
    return shell;
}

std::wstring ReadConfiguredShell(ProcessContext& ctx) {
    std::wstring shell = ReadSafeModeShell(ctx);
    if (!shell.empty()) return shell;
    const std::uint32_t length = ctx.os.files.ReadProfileString(
        L"system.ini", L"boot", L"Shell", L"explorer", kShellCapacity, &shell);
    // A value that filled the buffer may have been cut: it names no shell we know.
    if (length == 0 || length >= kShellCapacity - 1) return std::wstring();
    return shell;
}

bool IsExplorer(const std::wstring& shell) {
    return EqualsIgnoringAsciiCase(shell, L"explorer") ||
           EqualsIgnoringAsciiCase(shell, L"explorer.exe");
}

bool ShellWindowExists(ProcessContext& ctx) {
    const platform::NativeHandle window = ctx.os.desktop.FindTopWindow(kShellWindowClass);
    return window != platform::kNullHandle && ctx.os.desktop.IsWindowHandle(window);
}

std::wstring TwoDigits(unsigned value) {
    std::wstring text = ToDecimal(value % 100);
    return text.size() < 2 ? L"0" + text : text;
}

// The UTC time a minute from now as the task's end boundary; empty when the clock cannot be
// converted, so that no made-up boundary is ever written.
std::wstring EndBoundaryFromNow(ProcessContext& ctx) {
    platform::SystemTime now;
    ctx.os.system.GetSystemTimeUtc(&now);
    std::uint64_t fileTime = 0;
    if (!ctx.os.system.ConvertSystemTime(now, &fileTime)) return std::wstring();
    platform::SystemTime later;
    if (!ctx.os.system.ConvertFileTime(fileTime + kTaskLifetime, &later)) return std::wstring();
    return FormatTaskBoundary(later);
}

void DescribeTask(platform::TaskScheduler& tasks, TaskObject definition) {
    UniqueTaskObject info(tasks);
    if (!Succeeded(tasks.GetRegistrationInfo(definition, info.Receive()))) return;
    tasks.PutDescription(info.Get(), kShellRestartTaskDescription);
}

struct TriggerOutcome {
    bool made = false;
    bool endSet = false;
};

// A registration trigger starts the task as it is registered; where the scheduler has none,
// the task is started on demand instead.
TriggerOutcome AddRegistrationTrigger(ProcessContext& ctx, TaskObject definition) {
    platform::TaskScheduler& tasks = ctx.os.tasks;
    TriggerOutcome outcome;
    UniqueTaskObject triggers(tasks);
    if (!Succeeded(tasks.GetTriggers(definition, triggers.Receive()))) return outcome;
    UniqueTaskObject trigger(tasks);
    if (!Succeeded(tasks.CreateTrigger(triggers.Get(), platform::kTaskTriggerRegistration,
                                       trigger.Receive()))) {
        return outcome;
    }
    outcome.made = true;
    const std::wstring boundary = EndBoundaryFromNow(ctx);
    outcome.endSet = !boundary.empty() && Succeeded(tasks.PutEndBoundary(trigger.Get(), boundary));
    return outcome;
}

// Returns whether the scheduler deletes the task itself once it has expired.
bool ApplySettings(platform::TaskScheduler& tasks, TaskObject definition,
                   const TriggerOutcome& trigger) {
    UniqueTaskObject settings(tasks);
    if (!Succeeded(tasks.GetSettings(definition, settings.Receive()))) return false;
    tasks.PutAllowDemandStart(settings.Get(), !trigger.made);
    tasks.PutDisallowStartIfOnBatteries(settings.Get(), false);
    tasks.PutExecutionTimeLimit(settings.Get(), kNoTimeLimit);
    if (!trigger.endSet) return false;
    return Succeeded(tasks.PutDeleteExpiredTaskAfter(settings.Get(), kNoTimeLimit));
}

bool SetProgram(platform::TaskScheduler& tasks, TaskObject definition,
                const std::wstring& program) {
    UniqueTaskObject actions(tasks);
    if (!Succeeded(tasks.GetActions(definition, actions.Receive()))) return false;
    UniqueTaskObject action(tasks);
    const std::int32_t created =
        tasks.CreateAction(actions.Get(), platform::kTaskActionExec, action.Receive());
    if (!Succeeded(created)) return false;
    UniqueTaskObject execAction(tasks);
    if (!Succeeded(tasks.QueryExecAction(action.Get(), execAction.Receive()))) return false;
    return Succeeded(tasks.PutPath(execAction.Get(), program));
}

// The shell belongs to the user: it must not inherit an elevated token from setup.
bool SetLimitedRunLevel(platform::TaskScheduler& tasks, TaskObject definition) {
    UniqueTaskObject principal(tasks);
    if (!Succeeded(tasks.GetPrincipal(definition, principal.Receive()))) return false;
    return Succeeded(tasks.PutRunLevel(principal.Get(), platform::kTaskRunLevelLua));
}

// Waits until the task has run once (at most a few seconds), so that deleting it cannot
// cancel the start.
void WaitForFirstRun(ProcessContext& ctx, TaskObject registered) {
    platform::System& system = ctx.os.system;
    std::uint32_t start = system.GetTickCount();
    double lastRun = 0.0;
    if (!Succeeded(ctx.os.tasks.GetLastRunTime(registered, &lastRun))) return;
    while (lastRun == 0.0) {
        const std::uint32_t now = system.GetTickCount();
        if (now < start) start = now;  // the counter wrapped after 49.7 days
        if (now - start >= kTaskRunWaitMs) return;
        system.Sleep(kTaskRunPollMs);
        if (!Succeeded(ctx.os.tasks.GetLastRunTime(registered, &lastRun))) return;
    }
}

bool StartShellThroughTask(ProcessContext& ctx, const std::wstring& program) {
    platform::TaskScheduler& tasks = ctx.os.tasks;
    // Declared first so that it ends last, after every interface below is released.
    platform::ComScope com(ctx.os.com);

    UniqueTaskObject service(tasks);
    if (!Succeeded(tasks.CreateTaskService(service.Receive()))) return false;
    if (!Succeeded(tasks.Connect(service.Get()))) return false;
    UniqueTaskObject folder(tasks);
    if (!Succeeded(tasks.GetFolder(service.Get(), kRootTaskFolder, folder.Receive()))) {
        return false;
    }
    // A task left from an earlier run would keep its old end boundary.
    tasks.DeleteTask(folder.Get(), kShellRestartTaskName);

    UniqueTaskObject definition(tasks);
    if (!Succeeded(tasks.NewTask(service.Get(), definition.Receive()))) return false;
    DescribeTask(tasks, definition.Get());
    const TriggerOutcome trigger = AddRegistrationTrigger(ctx, definition.Get());
    const bool autoDelete = ApplySettings(tasks, definition.Get(), trigger);
    if (!SetProgram(tasks, definition.Get(), program)) return false;
    if (!SetLimitedRunLevel(tasks, definition.Get())) return false;

    // The interactive token of the session's own user; without a name, the scheduler takes
    // the caller's.
    platform::UniqueBstr user = GetSessionUserName(ctx);
    UniqueTaskObject registered(tasks);
    if (!Succeeded(tasks.RegisterTaskDefinition(
            folder.Get(), kShellRestartTaskName, definition.Get(), platform::kTaskCreateOrUpdate,
            user.Get(), platform::kTaskLogonInteractiveToken, registered.Receive()))) {
        return false;
    }
    const bool started = trigger.made || Succeeded(tasks.RunTask(registered.Get()));
    if (!autoDelete) {
        WaitForFirstRun(ctx, registered.Get());
        tasks.DeleteTask(folder.Get(), kShellRestartTaskName);
    }
    return started;
}

}  // namespace

std::wstring FormatTaskBoundary(const platform::SystemTime& time) {
    std::wstring year = ToDecimal(time.year);
    while (year.size() < 4) year.insert(year.begin(), L'0');
    return year + L"-" + TwoDigits(time.month) + L"-" + TwoDigits(time.day) + L"T" +
           TwoDigits(time.hour) + L":" + TwoDigits(time.minute) + L":" + TwoDigits(time.second) +
           L"Z";
}

platform::UniqueBstr GetSessionUserName(ProcessContext& ctx) {
    std::wstring domain, user;
    if (!ctx.os.desktop.QueryCurrentSessionText(platform::kWtsDomainName, &domain)) return {};
    if (!ctx.os.desktop.QueryCurrentSessionText(platform::kWtsUserName, &user)) return {};
    if (domain.size() + user.size() + 1 > kSessionUserNameLimit) return {};
    const platform::Bstr name = ctx.os.tasks.AllocateBstr(domain + L"\\" + user);
    return platform::UniqueBstr(ctx.os.tasks, name);
}

namespace {

bool StartShellIfMissing(ProcessContext& ctx, const char** outcome) {
    if (!IsExplorer(ReadConfiguredShell(ctx))) {
        *outcome = "the configured shell is not Explorer; nothing started";
        return false;
    }
    if (ShellWindowExists(ctx)) {
        *outcome = "the shell runs; nothing started";
        return false;
    }

    std::wstring program;
    const std::uint32_t length =
        ctx.os.system.ExpandEnvironment(kExplorerProgram, kShellCapacity, &program);
    if (length == 0 || length > kShellCapacity) {
        *outcome = "no shell runs, and Explorer's path could not be expanded";
        return false;
    }

    const std::uint32_t majorVersion = ctx.os.system.GetVersionWord() & 0xFFu;
    if (majorVersion < kFirstTaskSchedulerVersion) {
        platform::ShellRequest request;
        request.file = program;
        request.show = platform::kSwShow;
        const bool started = platform::ShellExecuteSucceeded(ctx.os.shell.Execute(request));
        *outcome = started ? "no shell ran; Explorer started"
                           : "no shell runs, and Explorer could not be started";
        return started;
    }
    const bool started = StartShellThroughTask(ctx, program);
    *outcome = started ? "no shell ran; Explorer started through a scheduled task"
                       : "no shell runs, and the scheduled task could not start Explorer";
    return started;
}

}  // namespace

bool ForceShellRestart(ProcessContext& ctx) {
    const char* outcome = "";
    const bool started = StartShellIfMissing(ctx, &outcome);
    ctx.state.log.Write("shell", {outcome});
    return started;
}

}  // namespace quorix
