// The entry procedure: instance guard, the process-level services and the exit codes.
#include <gtest/gtest.h>

#include "bootstrap/entry.h"
#include "core/process_exit.h"
#include "support/product_machine.h"
#include "support/sim_run.h"

namespace quorix {
namespace {

using test::Ending;
using test::SimProcess;

const std::wstring kExe = test::kProductExePath;

TEST(InstanceGuard, SecondInstanceEndsAtOnceWithOneAndShowsNothing) {
    SimProcess process;
    process.machine.system.existingMutexes.insert(L"Velora2011Installer");
    Ending ending = process.RunProgram({kExe, L"/silent"});
    EXPECT_FALSE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 1u);
    EXPECT_TRUE(process.machine.ui.boxes.empty());
    EXPECT_EQ(process.machine.core.ledger.OpenCount(), 0u)
        << process.machine.core.ledger.Describe();
}

TEST(InstanceGuard, MutexThatCannotBeCreatedEndsWithOne) {
    SimProcess process;
    process.machine.core.faults.Fail("CreateMutexW", kErrorAccessDenied);
    EXPECT_EQ(process.RunProgram({kExe}).exitCode, 1u);
    EXPECT_TRUE(process.machine.ui.boxes.empty());
}

// The mutex handle stays open until the process ends, however the entry procedure is left:
// a second instance must not start while this one still shows its last box.
struct HoldCase {
    const char* label;
    std::vector<std::wstring> args;
    bool fromAConsole;
    bool exitsThroughExitProcess;
    friend void PrintTo(const HoldCase& c, std::ostream* os) { *os << c.label; }
};

class MutexHold : public ::testing::TestWithParam<HoldCase> {};

TEST_P(MutexHold, LastsUntilTheProcessEnds) {
    const HoldCase& c = GetParam();
    test::ProductMachine process;
    process.machine.console.parentHasConsole = c.fromAConsole;
    const Ending ending = process.Run(c.args);
    EXPECT_EQ(ending.exitedProcess, c.exitsThroughExitProcess);
    EXPECT_TRUE(ending.instanceMutexHeldToTheEnd);
    // The end of the process closed it; nothing else was left open.
    EXPECT_EQ(process.machine.core.ledger.OpenCount(), 0u)
        << process.machine.core.ledger.Describe();
    EXPECT_FALSE(process.machine.system.MutexExists(L"Velora2011Installer"));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, MutexHold,
    ::testing::Values(HoldCase{"a silent install returns", {L"/silent"}, false, false},
                      HoldCase{"an unknown option without console", {L"/nosuch"}, false, false},
                      HoldCase{"an unknown option from a console", {L"/nosuch"}, true, true},
                      HoldCase{
                          "the language list from a console", {L"/supportedlang"}, true, true}));

TEST(InstanceGuard, TheMutexIsCreatedOwnedAndASecondStartFindsIt) {
    SimProcess process;
    bool ownedDuringTheRun = false;
    bool secondStartRefused = false;
    process.machine.ui.whileBoxOpen = [&](const sim::MessageBoxRecord&) {
        ownedDuringTheRun = process.machine.system.MutexOwned(L"Velora2011Installer");
        platform::System& system = process.machine.system;
        const platform::NativeHandle second = system.CreateNamedMutex(true, L"Velora2011Installer");
        secondStartRefused = system.GetLastError() == kErrorAlreadyExists;
        system.CloseHandle(second);
    };
    process.machine.files.PutFile(kExe, {'M', 'Z'});  // no tag: a box is shown
    process.RunProgram({kExe});
    EXPECT_TRUE(ownedDuringTheRun);
    EXPECT_TRUE(secondStartRefused);
    EXPECT_EQ(process.machine.core.ledger.OpenCount(), 0u)
        << process.machine.core.ledger.Describe();
}

TEST(EntryProcedure, InitialisesTheStandardCommonControls) {
    SimProcess process;
    process.RunProgram({kExe});
    EXPECT_EQ(process.machine.ui.commonControls, 0x4000u);
}

TEST(EntryProcedure, WithoutATagTheDefaultsStandAndTheRunEndsWithZero) {
    test::ProductMachine process;
    process.machine.files.DeleteFileAt(kExe);  // no file at argv[0]: the tag cannot be read
    Ending ending = process.RunProgram({kExe});
    EXPECT_EQ(ending.exitCode, 0u);
    EXPECT_EQ(process.state.tagProperties, L"AFFILIATEID=vlq2011aid30017xx-XX AFFILIATEIDFLAGS=#0");
    EXPECT_EQ(process.state.affiliateId, L"vlq2011aid30017xx-XX");
    EXPECT_EQ(process.state.affiliateFlags, L"0");
}

TEST(EntryProcedure, EmptyCommandLineStillRuns) {
    test::ProductMachine process;
    process.machine.core.faults.Fail("CommandLineToArgvW", kErrorNotEnoughMemory);
    Ending ending = process.RunProgram({kExe});
    EXPECT_EQ(ending.exitCode, 0u);
    ASSERT_EQ(process.machine.ui.boxes.size(), 1u);
    EXPECT_EQ(process.machine.ui.boxes[0].caption, L"extract_aidconfig1");
}

TEST(EntryProcedure, ShellRestartModeOnlyForTheSingleExactArgument) {
    SimProcess exact;
    Ending ending = exact.RunProgram({kExe, L"--force-shell-restart"});
    EXPECT_EQ(ending.exitCode, 0u);

    // In other letter case, or with another argument, it is a normal run: an unsupported "/"
    // option on a console then proves the option loop was reached.
    for (auto argv : {std::vector<std::wstring>{kExe, L"--Force-Shell-Restart", L"/foo"},
                      std::vector<std::wstring>{kExe, L"--force-shell-restart", L"/foo"}}) {
        SimProcess process;
        process.machine.console.parentHasConsole = true;
        process.RunProgram(argv);
        EXPECT_NE(process.machine.console.output.find(L"\"/foo\" is not supported"),
                  std::wstring::npos);
    }
    SimProcess exactWithConsole;
    exactWithConsole.machine.console.parentHasConsole = true;
    exactWithConsole.RunProgram({kExe, L"--force-shell-restart"});
    EXPECT_TRUE(exactWithConsole.machine.console.output.empty());
}

TEST(EntryProcedure, ShellRestartModeReadsTheTagFirst) {
    test::ProductMachine process;  // its exe carries a stamped tag
    Ending ending = process.Run({L"--force-shell-restart"});
    EXPECT_EQ(ending.exitCode, 0u);
    EXPECT_EQ(process.state.tagProperties, test::ProductMachine::kTagProperties);
    EXPECT_EQ(process.state.affiliateId, test::ProductMachine::kAffiliateId);
    EXPECT_EQ(process.state.affiliateFlags, L"3");
}

TEST(FatalErrorExit, ShowsContextAndSystemTextAndExitsWithTheLow16Bits) {
    SimProcess process;
    process.machine.system.messageTexts[32] = L"The file is in use.\r\n";
    Ending ending =
        process.Run([&] { FatalErrorExit(process.ctx, HResultFromWin32(32), L"ExtractMsi: "); });
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 32u);
    ASSERT_EQ(process.machine.ui.boxes.size(), 1u);
    const sim::MessageBoxRecord& box = process.machine.ui.boxes[0];
    EXPECT_FALSE(box.caption.has_value());
    EXPECT_EQ(box.text, L"ExtractMsi: The file is in use.\r\n");
    EXPECT_EQ(box.style, 0x10u);
}

TEST(FatalErrorExit, EFailWithoutSystemTextShowsTheNumber) {
    SimProcess process;
    Ending ending =
        process.Run([&] { FatalErrorExit(process.ctx, kEFail, L"No language pack found"); });
    EXPECT_EQ(ending.exitCode, 16389u);
    ASSERT_EQ(process.machine.ui.boxes.size(), 1u);
    EXPECT_EQ(process.machine.ui.boxes[0].text, L"No language pack found16389");
}

TEST(FatalErrorExit, ZeroCodeShowsTheContextAlone) {
    SimProcess process;
    Ending ending = process.Run([&] { FatalErrorExit(process.ctx, 0, L"context"); });
    EXPECT_EQ(ending.exitCode, 0u);
    EXPECT_EQ(process.machine.ui.boxes.at(0).text, L"context");
}

TEST(FormatSystemError, FallsBackToTheUnsignedDecimalCode) {
    SimProcess process;
    process.machine.system.messageTexts[1618] = L"Another installation is in progress.";
    EXPECT_EQ(FormatSystemError(process.ctx, 1618), L"Another installation is in progress.");
    EXPECT_EQ(FormatSystemError(process.ctx, 0xFFFFFFFFu), L"4294967295");
    process.machine.core.faults.Fail("FormatMessageW", kErrorNotEnoughMemory);
    EXPECT_EQ(FormatSystemError(process.ctx, 1618), L"1618");
}

TEST(RequestSystemRestart, EnablesTheShutdownPrivilegeAsksForARebootAndReturns) {
    SimProcess process;
    RequestSystemRestart(process.ctx);
    EXPECT_EQ(process.machine.system.enabledPrivileges.at(L"SeShutdownPrivilege"), 2u);
    using Call = std::pair<std::uint32_t, std::uint32_t>;
    EXPECT_EQ(process.machine.system.exitWindowsCalls, (std::vector<Call>{{2, 0}}));
    EXPECT_EQ(process.machine.core.ledger.OpenCount(), 0u)
        << process.machine.core.ledger.Describe();
}

TEST(RequestSystemRestart, WithoutTheTokenNothingElseHappens) {
    SimProcess process;
    process.machine.core.faults.Fail("OpenProcessToken", kErrorAccessDenied);
    RequestSystemRestart(process.ctx);
    EXPECT_TRUE(process.machine.system.exitWindowsCalls.empty());
}

TEST(RequestSystemRestart, FailuresOfThePrivilegeAndTheRebootAreIgnored) {
    SimProcess process;
    process.machine.core.faults.Fail("AdjustTokenPrivileges", kErrorAccessDenied);
    process.machine.core.faults.Fail("ExitWindowsEx", kErrorAccessDenied);
    RequestSystemRestart(process.ctx);  // returns to the caller, which goes on
    EXPECT_EQ(process.machine.core.ledger.OpenCount(), 0u);
}

}  // namespace
}  // namespace quorix
