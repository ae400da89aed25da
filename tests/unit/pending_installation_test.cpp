// The pending-installation check: the package's File table, the renames Windows carries out at
// the next boot, how the two are compared, and the current folder the check leaves behind.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/result_codes.h"
#include "common/utf16.h"
#include "installed/pending_installation.h"
#include "support/sim_run.h"

namespace quorix {
namespace {

using platform::kHkeyLocalMachine;
using test::SimProcess;

const std::wstring kPackage = L"C:\\ProgramData\\Quorix\\product.msi";

std::vector<std::uint8_t> MultiSzBytes(const std::vector<std::wstring>& strings) {
    std::vector<std::uint8_t> bytes;
    for (const std::wstring& s : strings) AppendUtf16LeTerminated(bytes, s);
    AppendUtf16LeTerminated(bytes, L"");
    return bytes;
}

// A machine whose package carries a File table and whose registry may hold pending renames.
struct PendingRig {
    SimProcess process;
    sim::SimMachine& machine = process.machine;

    explicit PendingRig(std::vector<std::wstring> fileTable = {L"QUORIX~1.EXE|QuorixMain.exe",
                                                               L"vlcore.dll"}) {
        machine.installer.SetFileTable(kPackage, std::move(fileTable));
        machine.registry.PutKey(kHkeyLocalMachine, kSessionManagerKeyPath);
    }
    void Renames(const std::vector<std::wstring>& strings) {
        RawValue(platform::kRegMultiSz, MultiSzBytes(strings));
    }
    void RawValue(std::uint32_t type, std::vector<std::uint8_t> bytes) {
        machine.registry.PutValue(kHkeyLocalMachine, kSessionManagerKeyPath,
                                  kPendingRenamesValueName, type, std::move(bytes));
    }
    bool Pending() { return IsInstallationPending(process.ctx, kPackage); }
    std::size_t OpenHandles() const { return process.LeftOpen(); }
};

// ---------------------------------------------------------------- the walk of the value

TEST(SplitPendingRenames, SourcesAndTargetsInStoredOrderWithoutTheEmptyTargetsOfDeletions) {
    const auto bytes =
        MultiSzBytes({L"\\??\\C:\\a.dll", L"", L"\\??\\C:\\b.tmp", L"!\\??\\C:\\b.dll"});
    EXPECT_EQ(
        SplitPendingRenames(bytes.data(), bytes.size()),
        (std::vector<std::wstring>{L"\\??\\C:\\a.dll", L"\\??\\C:\\b.tmp", L"!\\??\\C:\\b.dll"}));
}

TEST(SplitPendingRenames, ALastStringWithoutItsTerminatorStillCounts) {
    const auto bytes = ToUtf16LeBytes(L"\\??\\C:\\x.dll", false);
    EXPECT_EQ(SplitPendingRenames(bytes.data(), bytes.size()),
              std::vector<std::wstring>{L"\\??\\C:\\x.dll"});
    auto two = ToUtf16LeBytes(L"one", true);
    const auto second = ToUtf16LeBytes(L"two", false);
    two.insert(two.end(), second.begin(), second.end());
    EXPECT_EQ(SplitPendingRenames(two.data(), two.size()),
              (std::vector<std::wstring>{L"one", L"two"}));
}

TEST(SplitPendingRenames, AnOddLastByteIsIgnored) {
    auto bytes = ToUtf16LeBytes(L"ab", true);
    bytes.push_back('c');  // half a character
    EXPECT_EQ(SplitPendingRenames(bytes.data(), bytes.size()), std::vector<std::wstring>{L"ab"});
    const std::uint8_t single[] = {'x'};
    EXPECT_TRUE(SplitPendingRenames(single, 1).empty());
}

TEST(SplitPendingRenames, NothingAndOnlyTerminatorsGiveNoEntries) {
    EXPECT_TRUE(SplitPendingRenames(nullptr, 0).empty());
    const std::uint8_t zeros[6] = {};
    EXPECT_TRUE(SplitPendingRenames(zeros, sizeof(zeros)).empty());
}

TEST(SplitPendingRenames, ReadsNoByteBeyondTheCountItIsGiven) {
    // The count ends inside the second string; the rest of the buffer must not show up.
    const auto bytes = MultiSzBytes({L"first", L"second"});
    EXPECT_EQ(SplitPendingRenames(bytes.data(), 12 + 6),
              (std::vector<std::wstring>{L"first", L"sec"}));
}

// ---------------------------------------------------------------- matching

struct MatchCase {
    const wchar_t* entry;
    const wchar_t* fileName;
    bool matches;
};

class PendingEntryMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(PendingEntryMatch, ByTheLastPathComponent) {
    EXPECT_EQ(PendingEntryNamesFile(GetParam().entry, GetParam().fileName), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, PendingEntryMatch,
    ::testing::Values(
        MatchCase{L"\\??\\C:\\Program Files\\Velora\\vlcore.dll", L"vlcore.dll", true},
        MatchCase{L"\\??\\C:\\PROGRAM FILES\\VELORA\\VLCORE.DLL", L"vlcore.dll", true},
        MatchCase{L"!\\??\\C:\\Program Files\\Velora\\VlCore.Dll", L"vlcore.dll", true},
        MatchCase{L"vlcore.dll", L"VLCORE.DLL", true},  // a bare name is its own last part
        MatchCase{L"\\??\\C:\\Velora\\vlcore.dll.old", L"vlcore.dll", false},
        MatchCase{L"\\??\\C:\\Velora\\old_vlcore.dll", L"vlcore.dll", false},
        MatchCase{L"\\??\\C:\\vlcore.dll\\readme.txt", L"vlcore.dll", false},
        // Only A to Z are folded: other letters must be written alike.
        MatchCase{L"\\??\\C:\\Velora\\CAF\u00C9.DLL", L"caf\u00E9.dll", false},
        MatchCase{L"\\??\\C:\\Velora\\CAF\u00E9.DLL", L"caf\u00E9.dll", true},
        // A folder entry ends in a separator; an empty name never matches it.
        MatchCase{L"\\??\\C:\\Velora\\", L"", false}));

TEST(LongFileName, TheLongNameOfAPairAndAPlainNameWhole) {
    EXPECT_EQ(LongFileName(L"QUORIX~1.EXE|QuorixMain.exe"), L"QuorixMain.exe");
    EXPECT_EQ(LongFileName(L"vlcore.dll"), L"vlcore.dll");
    EXPECT_EQ(LongFileName(L"a|b|c"), L"b|c");  // only the first "|" separates
    EXPECT_EQ(LongFileName(L"SHORT~1|"), L"");
}

// ---------------------------------------------------------------- the whole check

TEST(PendingInstallation, NoValueMeansNothingIsPending) {
    PendingRig rig;
    EXPECT_FALSE(rig.Pending());
    EXPECT_EQ(rig.OpenHandles(), 0u) << rig.machine.core.ledger.Describe();
}

TEST(PendingInstallation, AStringValueIsNoListOfRenames) {
    PendingRig rig;
    rig.RawValue(platform::kRegSz, ToUtf16LeBytes(L"vlcore.dll", true));
    EXPECT_FALSE(rig.Pending());
}

TEST(PendingInstallation, TheLongNameOfAPairIsComparedAndTheShortOneIsNot) {
    PendingRig longName;
    longName.Renames({L"\\??\\C:\\Program Files\\Velora\\QuorixMain.exe", L""});
    EXPECT_TRUE(longName.Pending());
    PendingRig shortName;
    shortName.Renames({L"\\??\\C:\\PROGRA~1\\Velora\\QUORIX~1.EXE", L""});
    EXPECT_FALSE(shortName.Pending());
}

TEST(PendingInstallation, ANameWithoutABarIsComparedWhole) {
    PendingRig rig;
    rig.Renames({L"\\??\\C:\\Program Files\\Velora\\VLCORE.DLL", L""});
    EXPECT_TRUE(rig.Pending());
}

TEST(PendingInstallation, TheTargetOfARenameCountsLikeItsSource) {
    PendingRig rig;
    rig.Renames({L"\\??\\C:\\Windows\\Temp\\VL12.tmp", L"!\\??\\C:\\Velora\\vlcore.dll"});
    EXPECT_TRUE(rig.Pending());
}

TEST(PendingInstallation, RenamesOfOtherFilesAreNoPendingInstallation) {
    PendingRig rig;
    rig.Renames({L"\\??\\C:\\Windows\\Temp\\other.dll", L"", L"\\??\\C:\\x\\vlcore.dll.bak", L""});
    EXPECT_FALSE(rig.Pending());
}

TEST(PendingInstallation, AValueWithoutTerminatorsIsReadToItsLastCharacter) {
    PendingRig rig;
    rig.RawValue(platform::kRegMultiSz, ToUtf16LeBytes(L"\\??\\C:\\Velora\\vlcore.dll", false));
    EXPECT_TRUE(rig.Pending());
}

TEST(PendingInstallation, AnOddByteCountReadsTheWholeCharactersOnly) {
    PendingRig rig;
    auto bytes = ToUtf16LeBytes(L"\\??\\C:\\Velora\\vlcore.dll", false);
    bytes.push_back(0x41);  // a stray byte: no "A" may be appended to the name
    rig.RawValue(platform::kRegMultiSz, bytes);
    EXPECT_TRUE(rig.Pending());
}

TEST(PendingInstallation, AValueTooShortForOneCharacterIsEmpty) {
    PendingRig rig;
    rig.RawValue(platform::kRegMultiSz, {0x41});
    EXPECT_FALSE(rig.Pending());
}

TEST(PendingInstallation, APackageWithoutAFileTableHasNoPendingFiles) {
    PendingRig rig;
    rig.machine.installer.SetFileTable(kPackage, std::nullopt);
    rig.Renames({L"\\??\\C:\\Velora\\vlcore.dll", L""});
    EXPECT_FALSE(rig.Pending());
    EXPECT_EQ(rig.OpenHandles(), 0u) << rig.machine.core.ledger.Describe();
}

TEST(PackageFileNames, InTheOrderOfTheViewWithDuplicatesKept) {
    PendingRig rig({L"A~1.DLL|alpha.dll", L"beta.dll", L"A~1.DLL|alpha.dll", L"GAMMA~1|"});
    EXPECT_EQ(ReadPackageFileNames(rig.process.ctx, kPackage),
              (std::vector<std::wstring>{L"alpha.dll", L"beta.dll", L"alpha.dll", L""}));
    EXPECT_EQ(rig.OpenHandles(), 0u) << rig.machine.core.ledger.Describe();
    EXPECT_EQ(rig.machine.installer.OpenMsiHandles(), 0u);
}

TEST(PackageFileNames, AnEmptyTableAndAMissingPackageGiveNoNames) {
    PendingRig empty(std::vector<std::wstring>{});
    EXPECT_TRUE(ReadPackageFileNames(empty.process.ctx, kPackage).empty());
    PendingRig rig;
    EXPECT_TRUE(ReadPackageFileNames(rig.process.ctx, L"C:\\nowhere\\missing.msi").empty());
    EXPECT_EQ(rig.OpenHandles(), 0u);
}

// Any call of the check may fail: it then knows fewer names or entries, reports no pending
// installation, and leaves nothing open.
class PendingCheckFault : public ::testing::TestWithParam<const char*> {};

TEST_P(PendingCheckFault, FailsToNotPendingAndClosesEverything) {
    PendingRig rig;
    rig.Renames({L"\\??\\C:\\Velora\\vlcore.dll", L"", L"\\??\\C:\\Velora\\QuorixMain.exe", L""});
    // Every occurrence of the call fails, so that no later row can make up for it.
    rig.machine.core.faults.Fail(GetParam(), kErrorNotEnoughMemory, 1000);
    EXPECT_FALSE(rig.Pending());
    EXPECT_EQ(rig.OpenHandles(), 0u) << rig.machine.core.ledger.Describe();
    EXPECT_EQ(rig.machine.installer.OpenMsiHandles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Calls, PendingCheckFault,
                         ::testing::Values("MsiOpenDatabaseW", "MsiDatabaseOpenViewW",
                                           "MsiViewExecute", "MsiViewFetch", "MsiRecordGetStringW",
                                           "RegOpenKeyExW", "RegQueryValueExW"));

TEST(PendingCheckFailures, ASecondReadOfARecordThatFailsSkipsOnlyThatName) {
    PendingRig rig({L"QUORIX~1.EXE|QuorixMain.exe", L"vlcore.dll"});
    rig.Renames({L"\\??\\C:\\Velora\\vlcore.dll", L""});
    // Size probe of row 1 succeeds, its read fails; row 2 reads normally.
    rig.machine.core.faults.Fail("MsiRecordGetStringW", kErrorNotEnoughMemory, 1, 1);
    EXPECT_TRUE(rig.Pending());
    EXPECT_EQ(ReadPackageFileNames(rig.process.ctx, kPackage).size(), 2u);
}

TEST(PendingCheckFailures, AFailingCloseIsNoReasonToStop) {
    PendingRig rig;
    rig.Renames({L"\\??\\C:\\Velora\\vlcore.dll", L""});
    rig.machine.core.faults.Fail("MsiCloseHandle", kErrorInvalidHandle);
    EXPECT_TRUE(rig.Pending());
}

// ---------------------------------------------------------------- the current folder

TEST(PendingCurrentFolder, IsTheWindowsFolderAfterTheCheck) {
    PendingRig rig;
    ASSERT_EQ(rig.machine.files.currentFolder, L"C:\\Setup");
    rig.Pending();
    EXPECT_EQ(rig.machine.files.currentFolder, L"C:\\Windows");
}

TEST(PendingCurrentFolder, IsTheWindowsFolderAlsoWhenThePackageCannotBeOpened) {
    PendingRig rig;
    EXPECT_FALSE(IsInstallationPending(rig.process.ctx, L"C:\\nowhere\\missing.msi"));
    EXPECT_EQ(rig.machine.files.currentFolder, L"C:\\Windows");
}

TEST(PendingCurrentFolder, StaysWhereItWasWhenTheWindowsFolderIsUnknown) {
    PendingRig rig;
    rig.machine.core.faults.Fail("GetWindowsDirectoryW", kErrorNotEnoughMemory);
    rig.Renames({L"\\??\\C:\\Velora\\vlcore.dll", L""});
    EXPECT_TRUE(rig.Pending());  // the check itself goes on
    EXPECT_EQ(rig.machine.files.currentFolder, L"C:\\Setup");
}

TEST(PendingCurrentFolder, AWindowsFolderLongerThanTheBufferIsNotUsed) {
    PendingRig rig;
    const std::wstring deep = L"C:\\" + std::wstring(270, L'w');
    rig.machine.files.AddFolder(deep);
    rig.machine.files.windowsFolder = deep;
    rig.Pending();
    EXPECT_EQ(rig.machine.files.currentFolder, L"C:\\Setup");
    EXPECT_TRUE(rig.machine.core.faults.Trace().end() ==
                std::find(rig.machine.core.faults.Trace().begin(),
                          rig.machine.core.faults.Trace().end(), "SetCurrentDirectoryW"));
}

}  // namespace
}  // namespace quorix
