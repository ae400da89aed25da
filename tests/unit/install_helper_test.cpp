// The installed product's helper tool: finding its folder through the Uninstall entries,
// starting it with its switch, waiting for its exit code, and what each operation answers.
#include "installed/install_helper.h"

#include <gtest/gtest.h>

#include <numeric>

#include "common/text.h"
#include "core/release.h"
#include "support/sim_run.h"

namespace quorix {
namespace {

const std::wstring kUninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::wstring kDisplayName = L"Velora Quorix 2011";
const std::wstring kFolder = L"C:\\Program Files\\Velora\\Quorix";
const std::wstring kHelperPath = kFolder + L"\\VLInstallHelper.exe";

class InstallHelperTest : public ::testing::Test {
protected:
    void SetUp() override { p.state.installedMajorVersion = 10; }
    void TearDown() override {
        EXPECT_EQ(p.machine.core.ledger.OpenCount(), 0u) << p.machine.core.ledger.Describe();
    }

    // The Uninstall entry of the installed copy and the entry named after its display name.
    void RegisterCopy(const std::wstring& location = kFolder) {
        RegisterDisplayName();
        p.machine.registry.PutString(platform::kHkeyLocalMachine, kUninstall + kDisplayName,
                                     L"InstallLocation", location);
    }
    void RegisterDisplayName() {
        p.machine.registry.PutString(platform::kHkeyLocalMachine,
                                     kUninstall + p.state.installedProductCode, L"displayName",
                                     kDisplayName);
    }
    void PutHelper(std::uint32_t exitCode, std::uint64_t runMs = 0) {
        p.machine.shell.runnable[sim::FoldKey(kHelperPath)] = sim::SimProgram{exitCode, runMs};
    }
    const std::vector<sim::ShellExecuteExRecord>& Started() { return p.machine.shell.executedEx; }
    std::uint64_t SleptMs() {
        const auto& sleeps = p.machine.system.sleeps;
        return std::accumulate(sleeps.begin(), sleeps.end(), std::uint64_t{0});
    }

    test::SimProcess p;
};

// ---------------------------------------------------------------- FindInstallLocation

TEST_F(InstallHelperTest, TheFolderComesFromTheEntryNamedAfterTheDisplayName) {
    RegisterCopy();
    std::wstring folder;
    EXPECT_EQ(FindInstallLocation(p.ctx, kThisProductCode, &folder), kSOk);
    EXPECT_EQ(folder, kFolder);
}

TEST_F(InstallHelperTest, ValueNamesAreMatchedWithoutRegardToCase) {
    p.machine.registry.PutString(platform::kHkeyLocalMachine, kUninstall + kThisProductCode,
                                 L"DisplayName", kDisplayName);
    p.machine.registry.PutString(platform::kHkeyLocalMachine, kUninstall + kDisplayName,
                                 L"installlocation", kFolder);
    std::wstring folder;
    EXPECT_EQ(FindInstallLocation(p.ctx, kThisProductCode, &folder), kSOk);
    EXPECT_EQ(folder, kFolder);
}

enum class Gap { NoProductEntry, NoDisplayNameEntry, NoInstallLocation, LocationNotText };

class MissingLink : public InstallHelperTest, public ::testing::WithParamInterface<Gap> {};

TEST_P(MissingLink, FailsLeavesTheFolderAloneAndRunsNoHelper) {
    switch (GetParam()) {
        case Gap::NoProductEntry:
            break;
        case Gap::NoDisplayNameEntry:
            RegisterDisplayName();
            break;
        case Gap::NoInstallLocation:
            RegisterDisplayName();
            p.machine.registry.PutKey(platform::kHkeyLocalMachine, kUninstall + kDisplayName);
            break;
        case Gap::LocationNotText:
            RegisterDisplayName();
            p.machine.registry.PutDword(platform::kHkeyLocalMachine, kUninstall + kDisplayName,
                                        L"InstallLocation", 1);
            break;
    }
    PutHelper(1);
    std::wstring folder = L"untouched";
    EXPECT_EQ(FindInstallLocation(p.ctx, kThisProductCode, &folder), kEFail);
    EXPECT_EQ(folder, L"untouched");
    // Not finding the helper is no failure of closing the programs: there are none to close.
    EXPECT_EQ(CloseProductApps(p.ctx), 1);
    EXPECT_EQ(UninstallLullex(p.ctx), 0);
    EXPECT_TRUE(Started().empty());
}

INSTANTIATE_TEST_SUITE_P(Registry, MissingLink,
                         ::testing::Values(Gap::NoProductEntry, Gap::NoDisplayNameEntry,
                                           Gap::NoInstallLocation, Gap::LocationNotText));

// ---------------------------------------------------------------- starting the helper

class HelperPath : public InstallHelperTest,
                   public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(HelperPath, IsTheFolderWithOneBackslashAndTheHelperName) {
    RegisterCopy(GetParam());
    PutHelper(0);
    EXPECT_EQ(CloseProductApps(p.ctx), 1);
    ASSERT_EQ(Started().size(), 1u);
    const sim::ShellExecuteExRecord& start = Started()[0];
    EXPECT_EQ(start.request.file, kHelperPath);
    EXPECT_EQ(start.request.parameters, L"--close-vlqapps");
    EXPECT_EQ(start.request.verb, L"open");
    EXPECT_EQ(start.request.directory, L"");
    EXPECT_EQ(start.request.owner, platform::kNullHandle);
    EXPECT_EQ(start.request.show, platform::kSwShowNormal);
    // SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI
    EXPECT_EQ(start.mask, 0x540u);
}

INSTANTIATE_TEST_SUITE_P(Location, HelperPath,
                         ::testing::Values(L"C:\\Program Files\\Velora\\Quorix",
                                           L"C:\\Program Files\\Velora\\Quorix\\"));

TEST_F(InstallHelperTest, AHelperThatCannotBeStartedMakesClosingTheProgramsFail) {
    RegisterCopy();  // the entries name the folder, but no helper is there
    EXPECT_EQ(CloseProductApps(p.ctx), 0);
    EXPECT_EQ(UninstallLullex(p.ctx), 0);
    EXPECT_EQ(Started().size(), 2u);
    // Neither failed start put up the shell's own error box: nothing here shows anything.
    EXPECT_EQ(p.machine.shell.shellErrorBoxes, 0);
}

// ---------------------------------------------------------------- waiting for the helper

struct WaitCase {
    const char* situation;
    std::uint32_t exitCode;
    std::uint64_t runMs;
    const char* failingApi;     // fails on every call; null: none
    std::int32_t lullexAnswer;  // what the removal goes by
    std::uint64_t waitedMs;     // virtual time the wait took
    friend void PrintTo(const WaitCase& c, std::ostream* os) { *os << c.situation; }
};

class HelperWait : public InstallHelperTest, public ::testing::WithParamInterface<WaitCase> {};

TEST_P(HelperWait, EndsWithTheProcessOrWithinTheLimit) {
    const WaitCase& c = GetParam();
    RegisterCopy();
    PutHelper(c.exitCode, c.runMs);
    if (c.failingApi != nullptr) p.machine.core.faults.Fail(c.failingApi, 6);
    const std::uint64_t before = p.machine.core.clockMs;
    EXPECT_EQ(UninstallLullex(p.ctx), c.lullexAnswer);
    EXPECT_EQ(p.machine.core.clockMs - before, c.waitedMs);
    EXPECT_LE(p.machine.core.clockMs - before, std::uint64_t{kHelperWaitLimitMs});
    // One wait on the process with the limit, never a poll.
    EXPECT_EQ(p.machine.shell.processWaits, std::vector<std::uint32_t>{kHelperWaitLimitMs});
    EXPECT_TRUE(p.machine.system.sleeps.empty());
    // Closing the programs goes on whatever became of the wait.
    EXPECT_EQ(CloseProductApps(p.ctx), 1);
}

constexpr std::uint64_t kForever = sim::SimProgram::kRunsForever;

INSTANTIATE_TEST_SUITE_P(
    Helpers, HelperWait,
    ::testing::Values(WaitCase{"answers go on after a while", 1, 250, nullptr, 1, 250},
                      WaitCase{"answers stop at once", 2, 0, nullptr, 2, 0},
                      // 259 is an exit code like any other once the process has ended.
                      WaitCase{"ends with 259", 259, 40, nullptr, 0, 40},
                      WaitCase{"never ends: stops the removal at the limit", 1, kForever, nullptr,
                               2, kHelperWaitLimitMs},
                      WaitCase{"ends just after the limit", 1, kHelperWaitLimitMs + 1, nullptr, 2,
                               kHelperWaitLimitMs},
                      WaitCase{"ends exactly at the limit", 1, kHelperWaitLimitMs, nullptr, 1,
                               kHelperWaitLimitMs},
                      WaitCase{"exit code cannot be read", 1, 100, "GetExitCodeProcess", 2, 100},
                      WaitCase{"the wait itself fails", 1, 100, "WaitForSingleObject", 2, 0}));

// ---------------------------------------------------------------- where a helper may start from

struct FolderCase {
    const wchar_t* location;
    bool starts;
};

class HelperFolder : public InstallHelperTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(HelperFolder, OnlyAnAbsoluteFolderStartsAHelper) {
    RegisterCopy(GetParam().location);
    // A helper would exist wherever the path pointed.
    p.machine.shell.runnable[sim::FoldKey(EnsureTrailingBackslash(GetParam().location) +
                                          L"VLInstallHelper.exe")] = sim::SimProgram{1, 0};
    EXPECT_EQ(UninstallLullex(p.ctx), GetParam().starts ? 1 : 0);
    EXPECT_EQ(CloseProductApps(p.ctx), 1);
    EXPECT_EQ(Started().size(), GetParam().starts ? 2u : 0u);
    EXPECT_EQ(IsAbsoluteFolder(GetParam().location), GetParam().starts);
}

INSTANTIATE_TEST_SUITE_P(
    Locations, HelperFolder,
    ::testing::Values(FolderCase{L"", false}, FolderCase{L"Quorix", false},
                      FolderCase{L".\\Quorix", false}, FolderCase{L"\\Quorix", false},
                      FolderCase{L"C:Quorix", false}, FolderCase{L"1:\\Quorix", false},
                      FolderCase{L"\\\\\\x", false}, FolderCase{L"D:\\Quorix", true},
                      FolderCase{L"d:\\", true}, FolderCase{L"\\\\server\\share\\Quorix", true}));

// ---------------------------------------------------------------- UninstallLullex

struct LullexCase {
    const char* situation;
    std::uint32_t majorVersion;
    std::uint32_t helperExitCode;
    std::int32_t answer;
    bool helperRuns;
    friend void PrintTo(const LullexCase& c, std::ostream* os) { *os << c.situation; }
};

class Lullex : public InstallHelperTest, public ::testing::WithParamInterface<LullexCase> {};

TEST_P(Lullex, AnswersWhatTheRemovalGoesBy) {
    const LullexCase& c = GetParam();
    p.state.installedMajorVersion = c.majorVersion;
    RegisterCopy();
    PutHelper(c.helperExitCode, 30);
    EXPECT_EQ(UninstallLullex(p.ctx), c.answer);
    ASSERT_EQ(Started().size(), c.helperRuns ? 1u : 0u);
    if (c.helperRuns) {
        EXPECT_EQ(Started()[0].request.parameters, L"--uninstall-lullex");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Lullex,
    ::testing::Values(LullexCase{"go on", 10, 1, 1, true}, LullexCase{"stop", 10, 2, 2, true},
                      LullexCase{"ran without an answer", 10, 0, 0, true},
                      LullexCase{"an unknown answer", 10, 3, 0, true},
                      LullexCase{"a later major version", 11, 1, 1, true},
                      LullexCase{"previous generation: not even looked for", 9, 1, 0, false}));

TEST_F(InstallHelperTest, MajorNineAsksNoRegistryForTheHelper) {
    p.state.installedMajorVersion = 9;
    RegisterCopy();
    PutHelper(1);
    const std::size_t opensBefore = p.machine.registry.opens.size();
    EXPECT_EQ(UninstallLullex(p.ctx), 0);
    EXPECT_EQ(p.machine.registry.opens.size(), opensBefore);
}

}  // namespace
}  // namespace quorix
