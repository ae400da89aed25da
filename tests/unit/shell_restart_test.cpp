// Bringing the desktop shell back: whether a start is needed, the direct start on old Windows
// and the one-shot scheduled task on Windows 6.0 and later.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/utf16.h"
#include "platform/sim/sim_time.h"
#include "shell/shell_restart.h"
#include "support/sim_run.h"

namespace quorix {
namespace {

using test::Ending;
using test::SimProcess;

const std::wstring kExplorer = L"C:\\Windows\\Explorer.EXE";
const std::wstring kSafeBoot = L"system\\currentcontrolset\\control\\safeboot";
const std::wstring kSafeBootOption = kSafeBoot + L"\\option";
constexpr std::uint32_t kWindowsXp = sim::SimSystem::VersionWordOf(5, 1, 2600);
constexpr std::uint32_t kWindows7 = sim::SimSystem::VersionWordOf(6, 1, 7601);

struct ShellRestartTest : ::testing::Test {
    SimProcess process;
    sim::SimMachine& machine = process.machine;

    void SetUp() override {
        machine.desktop.CloseWindow(L"Progman");
        machine.files.PutFile(kExplorer, {'M', 'Z'});
    }

    bool Restart() { return ForceShellRestart(process.ctx); }

    void ExpectNothingLeftOpen() {
        EXPECT_EQ(machine.core.ledger.OpenCount(), 0u) << machine.core.ledger.Describe();
        EXPECT_EQ(machine.core.ledger.BadCloses(), 0) << machine.core.ledger.Describe();
        EXPECT_EQ(machine.com.ApartmentDepth(), 0u);
    }

    bool Called(const std::string& api) const {
        for (const std::string& name : machine.core.faults.Trace()) {
            if (name == api) return true;
        }
        return false;
    }

    // The system.ini of the Windows folder, which the profile reader finds by its bare name.
    void PutSystemIni(const std::string& text) {
        machine.files.PutFile(L"C:\\Windows\\system.ini",
                              std::vector<std::uint8_t>(text.begin(), text.end()));
    }
};

// ---------------------------------------------------------------- whether a start is needed

struct DecisionCase {
    const char* situation;
    std::function<void(ShellRestartTest&)> arrange;
    bool started;
};

class ShellDecision : public ShellRestartTest,
                      public ::testing::WithParamInterface<DecisionCase> {};

TEST_P(ShellDecision, StartsExplorerOnlyWhenItIsTheShellAndNotRunning) {
    machine.system.versionWord = kWindowsXp;
    GetParam().arrange(*this);
    const bool result = Restart();
    EXPECT_EQ(result, GetParam().started);
    if (GetParam().started) {
        ASSERT_EQ(machine.shell.executed.size(), 1u);
        const std::wstring& file = machine.shell.executed[0].request.file;
        EXPECT_EQ(file.substr(file.size() - 13), L"\\Explorer.EXE");
    } else {
        EXPECT_TRUE(machine.shell.executed.empty());
    }
    EXPECT_TRUE(machine.tasks.registrations.empty());
    ExpectNothingLeftOpen();
}

std::vector<std::uint8_t> Utf16(const std::wstring& text, bool terminated) {
    return ToUtf16LeBytes(text, terminated);
}

INSTANTIATE_TEST_SUITE_P(
    Situations, ShellDecision,
    ::testing::Values(
        DecisionCase{"ShellWindowPresent",
                     [](ShellRestartTest& t) { t.machine.desktop.OpenWindow(L"Progman"); }, false},
        DecisionCase{"ShellWindowGoneBetweenFindAndCheck",
                     [](ShellRestartTest& t) {
                         t.machine.desktop.OpenWindow(L"Progman");
                         t.machine.desktop.CloseWindowAfterFind(L"Progman");
                     },
                     true},
        DecisionCase{"NoSystemIniMeansExplorer", [](ShellRestartTest&) {}, true},
        DecisionCase{
            "AnotherShellInSystemIni",
            [](ShellRestartTest& t) { t.PutSystemIni("[boot]\r\nshell=litestep.exe\r\n"); }, false},
        DecisionCase{
            "ExplorerInCapitalsInSystemIni",
            [](ShellRestartTest& t) { t.PutSystemIni("[boot]\r\nShell=EXPLORER.EXE\r\n"); }, true},
        DecisionCase{"ExplorerWithAPathIsAnotherShell",
                     [](ShellRestartTest& t) {
                         t.PutSystemIni("[boot]\r\nShell=C:\\Windows\\explorer.exe\r\n");
                     },
                     false},
        DecisionCase{"EmptyShellValue",
                     [](ShellRestartTest& t) { t.PutSystemIni("[boot]\r\nShell=\r\n"); }, false},
        DecisionCase{"ShellValueThatFillsTheBuffer",
                     [](ShellRestartTest& t) {
                         t.PutSystemIni("[boot]\r\nShell=explorer.exe" + std::string(247, ' ') +
                                        "x\r\n");
                     },
                     false},
        DecisionCase{"SafeModeWithCommandPrompt",
                     [](ShellRestartTest& t) {
                         t.machine.registry.PutDword(platform::kHkeyLocalMachine, kSafeBootOption,
                                                     L"UseAlternateShell", 1);
                         t.machine.registry.PutString(platform::kHkeyLocalMachine, kSafeBoot,
                                                      L"AlternateShell", L"cmd.exe");
                     },
                     false},
        DecisionCase{"SafeModeWithExplorer",
                     [](ShellRestartTest& t) {
                         t.PutSystemIni("[boot]\r\nShell=litestep.exe\r\n");
                         t.machine.registry.PutDword(platform::kHkeyLocalMachine, kSafeBootOption,
                                                     L"UseAlternateShell", 1);
                         t.machine.registry.PutString(platform::kHkeyLocalMachine, kSafeBoot,
                                                      L"AlternateShell", L"explorer.exe");
                     },
                     true},
        DecisionCase{"AlternateShellSwitchedOff",
                     [](ShellRestartTest& t) {
                         t.machine.registry.PutDword(platform::kHkeyLocalMachine, kSafeBootOption,
                                                     L"UseAlternateShell", 0);
                         t.machine.registry.PutString(platform::kHkeyLocalMachine, kSafeBoot,
                                                      L"AlternateShell", L"cmd.exe");
                     },
                     true},
        DecisionCase{"SwitchTooWideToReadCountsAsOff",
                     [](ShellRestartTest& t) {
                         t.machine.registry.PutValue(platform::kHkeyLocalMachine, kSafeBootOption,
                                                     L"UseAlternateShell", platform::kRegQword,
                                                     {1, 0, 0, 0, 0, 0, 0, 0});
                         t.machine.registry.PutString(platform::kHkeyLocalMachine, kSafeBoot,
                                                      L"AlternateShell", L"cmd.exe");
                     },
                     true},
        DecisionCase{"AlternateShellMissingFallsBackToSystemIni",
                     [](ShellRestartTest& t) {
                         t.machine.registry.PutDword(platform::kHkeyLocalMachine, kSafeBootOption,
                                                     L"UseAlternateShell", 1);
                     },
                     true},
        DecisionCase{"AlternateShellWithoutTerminatorFillingTheBuffer",
                     [](ShellRestartTest& t) {
                         t.machine.registry.PutDword(platform::kHkeyLocalMachine, kSafeBootOption,
                                                     L"UseAlternateShell", 1);
                         t.machine.registry.PutValue(platform::kHkeyLocalMachine, kSafeBoot,
                                                     L"AlternateShell", platform::kRegSz,
                                                     Utf16(std::wstring(260, L'x'), false));
                     },
                     false},
        DecisionCase{"AlternateShellWithoutTerminator",
                     [](ShellRestartTest& t) {
                         t.machine.registry.PutDword(platform::kHkeyLocalMachine, kSafeBootOption,
                                                     L"UseAlternateShell", 1);
                         t.machine.registry.PutValue(platform::kHkeyLocalMachine, kSafeBoot,
                                                     L"AlternateShell", platform::kRegSz,
                                                     Utf16(L"Explorer", false));
                     },
                     true},
        DecisionCase{"SystemRootTooLongForThePath",
                     [](ShellRestartTest& t) {
                         t.machine.system.SetVariable(L"SystemRoot",
                                                      L"C:\\" + std::wstring(245, L'w'));
                     },
                     false},
        DecisionCase{
            "SystemRootThatJustFits",
            [](ShellRestartTest& t) {
                // 3 + 243 + 13 characters and the terminator: 260.
                t.machine.system.SetVariable(L"SystemRoot", L"C:\\" + std::wstring(243, L'w'));
                t.machine.shell
                    .scriptedResults[L"C:\\" + std::wstring(243, L'W') + L"\\EXPLORER.EXE"] = 42;
            },
            true}),
    [](const ::testing::TestParamInfo<DecisionCase>& info) { return info.param.situation; });

TEST_F(ShellRestartTest, SafeModeKeysAreReadOnlyAndClosed) {
    machine.system.versionWord = kWindowsXp;
    machine.registry.PutDword(platform::kHkeyLocalMachine, kSafeBootOption, L"UseAlternateShell",
                              1);
    machine.registry.PutString(platform::kHkeyLocalMachine, kSafeBoot, L"AlternateShell",
                               L"explorer.exe");
    EXPECT_TRUE(Restart());
    ASSERT_EQ(machine.registry.opens.size(), 2u);
    for (const sim::RegistryOpenRecord& open : machine.registry.opens) {
        EXPECT_EQ(open.access, platform::kKeyRead) << NarrowAscii(open.path);
    }
    ExpectNothingLeftOpen();
}

// ---------------------------------------------------------------- before Windows 6.0

TEST_F(ShellRestartTest, WindowsXpStartsExplorerDirectlyAndShown) {
    machine.system.versionWord = kWindowsXp;
    EXPECT_TRUE(Restart());
    ASSERT_EQ(machine.shell.executed.size(), 1u);
    const platform::ShellRequest& request = machine.shell.executed[0].request;
    EXPECT_EQ(request.owner, platform::kNullHandle);
    EXPECT_TRUE(request.verb.empty());
    EXPECT_EQ(request.file, kExplorer);
    EXPECT_TRUE(request.parameters.empty());
    EXPECT_TRUE(request.directory.empty());
    EXPECT_EQ(request.show, platform::kSwShow);
    EXPECT_FALSE(Called("CoCreateInstance"));
    EXPECT_FALSE(Called("CoInitialize"));
}

TEST_F(ShellRestartTest, WindowsXpReportsAFailedStart) {
    machine.system.versionWord = kWindowsXp;
    machine.shell.scriptedResults[L"C:\\WINDOWS\\EXPLORER.EXE"] = platform::kSeErrAccessDenied;
    EXPECT_FALSE(Restart());
    EXPECT_EQ(machine.shell.executed.size(), 1u);
}

// ---------------------------------------------------------------- through the Task Scheduler

TEST_F(ShellRestartTest, RegistrationTriggerStartsTheTaskWhichExpiresByItself) {
    machine.system.versionWord = kWindows7;
    // Half a minute before the new year: the boundary rolls over every field.
    machine.system.SetUtcNow(sim::MakeSystemTime(2011, 12, 31, 23, 59, 30));
    EXPECT_TRUE(Restart());

    ASSERT_EQ(machine.tasks.registrations.size(), 1u);
    const sim::SimTaskRegistration& task = machine.tasks.registrations[0];
    EXPECT_EQ(task.folder, L"\\");
    EXPECT_EQ(task.name, L"{C6F87718-6D76-b07e-881E-D162AE2EB154}");
    EXPECT_EQ(task.flags, 6);
    EXPECT_EQ(task.logonType, 3);
    EXPECT_EQ(task.user, L"TESTPC\\tester");
    const sim::SimTaskDefinition& definition = task.definition;
    EXPECT_EQ(definition.description, L"Velora Setup - Force Shell Restart");
    ASSERT_EQ(definition.triggers.size(), 1u);
    EXPECT_EQ(definition.triggers[0].type, 7);
    EXPECT_EQ(definition.triggers[0].endBoundary, L"2012-01-01T00:00:30Z");
    EXPECT_EQ(definition.allowDemandStart, false);
    EXPECT_EQ(definition.disallowStartIfOnBatteries, false);
    EXPECT_EQ(definition.executionTimeLimit, L"PT0S");
    EXPECT_EQ(definition.deleteExpiredTaskAfter, L"PT0S");
    EXPECT_EQ(definition.actionTypes, std::vector<int>{0});
    EXPECT_EQ(definition.execPaths, std::vector<std::wstring>{kExplorer});
    EXPECT_EQ(definition.runLevel, 0);

    // Started by its registration, left for the scheduler to delete, and not waited for.
    EXPECT_TRUE(machine.tasks.demandRuns.empty());
    EXPECT_EQ(machine.tasks.startedPrograms, std::vector<std::wstring>{kExplorer});
    EXPECT_TRUE(machine.tasks.deletions.empty());
    EXPECT_EQ(machine.tasks.rootFolder.size(), 1u);
    EXPECT_TRUE(machine.system.sleeps.empty());
    EXPECT_TRUE(machine.shell.executed.empty());
    ExpectNothingLeftOpen();
}

TEST_F(ShellRestartTest, ATaskLeftFromAnEarlierRunIsDeletedBeforeRegistering) {
    machine.tasks.PutTask(kShellRestartTaskName);
    EXPECT_TRUE(Restart());
    EXPECT_EQ(machine.tasks.deletions, std::vector<std::wstring>{kShellRestartTaskName});
    EXPECT_EQ(machine.tasks.registrations.size(), 1u);
}

struct WaitCase {
    const char* situation;
    bool registrationTriggers;
    bool endBoundaries;
    std::optional<std::uint32_t> runDelayMs;
    std::size_t polls;  // sleeps of 100 ms
};

class TaskWithoutExpiry : public ShellRestartTest,
                          public ::testing::WithParamInterface<WaitCase> {};

TEST_P(TaskWithoutExpiry, WaitsForTheFirstRunThenDeletesTheTask) {
    const WaitCase& c = GetParam();
    machine.tasks.registrationTriggers = c.registrationTriggers;
    machine.tasks.endBoundaries = c.endBoundaries;
    machine.tasks.runDelayMs = c.runDelayMs;
    const std::uint64_t before = machine.core.clockMs;
    EXPECT_TRUE(Restart());

    EXPECT_EQ(machine.system.sleeps, std::vector<std::uint32_t>(c.polls, 100u));
    EXPECT_EQ(machine.core.clockMs - before, c.polls * 100u);
    EXPECT_EQ(machine.tasks.deletions, std::vector<std::wstring>{kShellRestartTaskName});
    EXPECT_TRUE(machine.tasks.rootFolder.empty());
    ASSERT_EQ(machine.tasks.registrations.size(), 1u);
    const sim::SimTaskDefinition& definition = machine.tasks.registrations[0].definition;
    EXPECT_FALSE(definition.deleteExpiredTaskAfter.has_value());
    // Without a trigger the task may only be started on demand, and is.
    EXPECT_EQ(definition.allowDemandStart, !c.registrationTriggers);
    EXPECT_EQ(machine.tasks.demandRuns.size(), c.registrationTriggers ? 0u : 1u);
    EXPECT_EQ(definition.triggers.empty(), !c.registrationTriggers);
    ExpectNothingLeftOpen();
}

INSTANTIATE_TEST_SUITE_P(
    Situations, TaskWithoutExpiry,
    ::testing::Values(WaitCase{"EndBoundaryRefusedTaskRunsAfter300Ms", true, false, 300, 3},
                      WaitCase{"EndBoundaryRefusedTaskRunsAtOnce", true, false, 0, 0},
                      WaitCase{"EndBoundaryRefusedTaskNeverRuns", true, false, std::nullopt, 50},
                      WaitCase{"NoRegistrationTriggerRunOnDemand", false, true, 250, 3},
                      WaitCase{"NoRegistrationTriggerNeverRuns", false, true, std::nullopt, 50}),
    [](const ::testing::TestParamInfo<WaitCase>& info) { return info.param.situation; });

TEST_F(ShellRestartTest, WaitEndsWhenTheTickCounterWrapsDuringIt) {
    machine.tasks.endBoundaries = false;
    machine.tasks.runDelayMs = std::nullopt;
    machine.core.clockMs = 0xFFFFFFFFull - 250;  // GetTickCount wraps to 0 after 250 ms
    const std::uint64_t before = machine.core.clockMs;
    EXPECT_TRUE(Restart());
    // The wait starts over from the wrapped count and still ends after 5 s of it.
    const std::uint64_t waited = machine.core.clockMs - before;
    EXPECT_GE(waited, 5000u);
    EXPECT_LE(waited, 5400u);
    EXPECT_EQ(machine.tasks.deletions.size(), 1u);
}

TEST_F(ShellRestartTest, AFailedLastRunReadStopsTheWait) {
    machine.tasks.endBoundaries = false;
    machine.tasks.runDelayMs = std::nullopt;
    machine.core.faults.Fail("IRegisteredTask::get_LastRunTime", 5, 1, 2);
    EXPECT_TRUE(Restart());
    EXPECT_EQ(machine.system.sleeps.size(), 2u);
    EXPECT_EQ(machine.tasks.deletions.size(), 1u);
}

TEST_F(ShellRestartTest, NoTaskSchedulerOnTheMachineIsAFailure) {
    machine.tasks.installed = false;
    EXPECT_FALSE(Restart());
    EXPECT_TRUE(machine.tasks.registrations.empty());
    EXPECT_TRUE(machine.shell.executed.empty());
    ExpectNothingLeftOpen();
}

TEST_F(ShellRestartTest, WithoutASessionUserTheTaskIsRegisteredForTheCaller) {
    machine.desktop.sessionTexts[platform::kWtsDomainName] = std::wstring(100, L'D');
    machine.desktop.sessionTexts[platform::kWtsUserName] = std::wstring(172, L'u');
    EXPECT_TRUE(Restart());
    ASSERT_EQ(machine.tasks.registrations.size(), 1u);
    EXPECT_FALSE(machine.tasks.registrations[0].user.has_value());
    ExpectNothingLeftOpen();
}

// Every call of the branch that may fail: those that end it make the restart fail, the others
// leave it to go on. Either way everything obtained is released again.
struct StepFault {
    const char* api;
    bool registrationTriggers;
    bool started;
};

class TaskStepFailure : public ShellRestartTest, public ::testing::WithParamInterface<StepFault> {};

TEST_P(TaskStepFailure, ReleasesEverythingAndReportsTheOutcome) {
    machine.tasks.registrationTriggers = GetParam().registrationTriggers;
    machine.core.faults.Fail(GetParam().api, 5);
    EXPECT_EQ(Restart(), GetParam().started);
    EXPECT_EQ(machine.core.faults.Delivered(), 1);
    ExpectNothingLeftOpen();
    EXPECT_EQ(machine.tasks.LiveBstrs(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, TaskStepFailure,
    // Without an apartment the Task Scheduler cannot be created (CO_E_NOTINITIALIZED).
    ::testing::Values(StepFault{"CoInitialize", true, false},
                      StepFault{"CoCreateInstance", true, false},
                      StepFault{"ITaskService::Connect", true, false},
                      StepFault{"ITaskService::GetFolder", true, false},
                      StepFault{"ITaskService::NewTask", true, false},
                      StepFault{"ITaskDefinition::get_Actions", true, false},
                      StepFault{"IActionCollection::Create", true, false},
                      StepFault{"IAction::QueryInterface", true, false},
                      StepFault{"IExecAction::put_Path", true, false},
                      StepFault{"ITaskDefinition::get_Principal", true, false},
                      StepFault{"IPrincipal::put_RunLevel", true, false},
                      StepFault{"ITaskFolder::RegisterTaskDefinition", true, false},
                      StepFault{"IRegisteredTask::Run", false, false},
                      StepFault{"ITaskFolder::DeleteTask", true, true},
                      StepFault{"ITaskDefinition::get_RegistrationInfo", true, true},
                      StepFault{"IRegistrationInfo::put_Description", true, true},
                      StepFault{"ITaskDefinition::get_Triggers", true, true},
                      StepFault{"ITriggerCollection::Create", true, true},
                      StepFault{"ITrigger::put_EndBoundary", true, true},
                      StepFault{"SystemTimeToFileTime", true, true},
                      StepFault{"FileTimeToSystemTime", true, true},
                      StepFault{"ITaskDefinition::get_Settings", true, true},
                      StepFault{"ITaskSettings::put_DeleteExpiredTaskAfter", true, true},
                      StepFault{"WTSQuerySessionInformationW", true, true},
                      StepFault{"SysAllocString", true, true}),
    [](const ::testing::TestParamInfo<StepFault>& info) {
        std::string name = info.param.api;
        for (char& c : name) {
            if (c == ':') c = '_';
        }
        return name;
    });

TEST_F(ShellRestartTest, AFailedTriggerMeansAStartOnDemand) {
    machine.core.faults.Fail("ITriggerCollection::Create", 5);
    EXPECT_TRUE(Restart());
    ASSERT_EQ(machine.tasks.registrations.size(), 1u);
    EXPECT_EQ(machine.tasks.registrations[0].definition.allowDemandStart, true);
    EXPECT_EQ(machine.tasks.demandRuns.size(), 1u);
    EXPECT_EQ(machine.tasks.deletions.size(), 1u);
}

TEST_F(ShellRestartTest, AnUnconvertibleClockWritesNoBoundaryAndTheTaskIsDeletedAfterItsRun) {
    machine.core.faults.Fail("FileTimeToSystemTime", 87);
    EXPECT_TRUE(Restart());
    ASSERT_EQ(machine.tasks.registrations.size(), 1u);
    EXPECT_EQ(machine.tasks.registrations[0].definition.triggers[0].endBoundary, L"");
    EXPECT_EQ(machine.tasks.deletions.size(), 1u);
}

// ---------------------------------------------------------------- the session's user

struct UserNameCase {
    const char* situation;
    std::size_t domainLength;
    std::size_t userLength;
    bool named;
};

class SessionUserName : public ShellRestartTest,
                        public ::testing::WithParamInterface<UserNameCase> {};

TEST_P(SessionUserName, DomainAndUserUpToTheLimit) {
    const std::wstring domain(GetParam().domainLength, L'D');
    const std::wstring user(GetParam().userLength, L'u');
    machine.desktop.sessionTexts[platform::kWtsDomainName] = domain;
    machine.desktop.sessionTexts[platform::kWtsUserName] = user;
    {
        platform::UniqueBstr name = GetSessionUserName(process.ctx);
        EXPECT_EQ(!name.IsNull(), GetParam().named);
        if (GetParam().named) {
            EXPECT_EQ(machine.tasks.BstrText(name.Get()), domain + L"\\" + user);
        }
    }
    EXPECT_EQ(machine.desktop.sessionQueries,
              (std::vector<std::uint32_t>{platform::kWtsDomainName, platform::kWtsUserName}));
    EXPECT_EQ(machine.tasks.LiveBstrs(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Lengths, SessionUserName,
                         ::testing::Values(UserNameCase{"Ordinary", 6, 6, true},
                                           UserNameCase{"ExactlyAtTheLimit", 100, 171, true},
                                           UserNameCase{"OneOverTheLimit", 100, 172, false},
                                           UserNameCase{"LongUserAlone", 0, 272, false},
                                           UserNameCase{"EmptyDomain", 0, 6, true}),
                         [](const ::testing::TestParamInfo<UserNameCase>& info) {
                             return info.param.situation;
                         });

TEST_F(ShellRestartTest, SessionUserNameIsNullWhenAQueryFails) {
    machine.desktop.sessionTexts.erase(platform::kWtsUserName);
    EXPECT_TRUE(GetSessionUserName(process.ctx).IsNull());
    machine.core.faults.Fail("WTSQuerySessionInformationW", 5);
    EXPECT_TRUE(GetSessionUserName(process.ctx).IsNull());
    EXPECT_EQ(machine.tasks.LiveBstrs(), 0u);
}

TEST(TaskBoundaryText, FourDigitYearAndTwoDigitFields) {
    EXPECT_EQ(FormatTaskBoundary(sim::MakeSystemTime(2011, 1, 31, 12, 5, 9)),
              L"2011-01-31T12:05:09Z");
    EXPECT_EQ(FormatTaskBoundary(sim::MakeSystemTime(987, 10, 2, 0, 0, 0)),
              L"0987-10-02T00:00:00Z");
}

// ---------------------------------------------------------------- from the command line

TEST(ShellRestartMode, ForcedRestartAsTheOnlyArgumentEndsWithZero) {
    for (bool schedulerFails : {false, true}) {
        SimProcess process;
        process.machine.desktop.CloseWindow(L"Progman");
        if (schedulerFails) process.machine.core.faults.Fail("CoCreateInstance", 5);
        const Ending ending = process.RunProgram({test::kProductExePath, L"--force-shell-restart"});
        EXPECT_EQ(ending.exitCode, 0u);
        EXPECT_FALSE(ending.exitedProcess);
        EXPECT_EQ(process.machine.tasks.registrations.size(), schedulerFails ? 0u : 1u);
        EXPECT_TRUE(process.machine.installer.calls.empty());
    }
}

}  // namespace
}  // namespace quorix
