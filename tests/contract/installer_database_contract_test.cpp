// How the installer area reads a package database, on the simulated Windows and on the real
// msi.dll alike: open read-only, one view, rows as records, texts sized by asking first.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "common/result_codes.h"
#include "contract_environment.h"

namespace quorix::contract {
namespace {

using platform::MsiHandle;

constexpr std::uint32_t kErrorNoMoreItems = 259;
const std::wstring kQuery = L"SELECT FileName FROM File";

class InstallerDatabaseContract : public ::testing::Test {
protected:
    platform::Installer& Installer() { return Env().Os().installer; }

    std::wstring Package(const std::vector<std::wstring>& names, bool withFileTable = true) {
        const std::wstring path = Env().ScratchFolder() + Env().UniqueName(L"package") + L".msi";
        Env().PutPackage(path, names, withFileTable);
        return path;
    }
    // Opens the package and executes the query; both handles are closed by the caller.
    void OpenView(const std::wstring& path, MsiHandle* database, MsiHandle* view) {
        ASSERT_EQ(Installer().OpenDatabase(path, platform::kMsiDbOpenReadOnly, database), 0u);
        ASSERT_EQ(Installer().DatabaseOpenView(*database, kQuery, view), 0u);
        ASSERT_EQ(Installer().ViewExecute(*view, platform::kNullMsiHandle), 0u);
    }
    void Close(MsiHandle handle) { EXPECT_EQ(Installer().CloseMsiHandle(handle), 0u); }
};

TEST_F(InstallerDatabaseContract, EveryRowComesAsARecordAndTheLastFetchSaysNoMoreItems) {
    const std::vector<std::wstring> names = {L"QUORIX~1.EXE|QuorixMain.exe", L"vlcore.dll",
                                             L"readme.txt"};
    MsiHandle database = 0, view = 0;
    OpenView(Package(names), &database, &view);

    std::vector<std::wstring> seen;
    std::uint32_t result = 0;
    for (int guard = 0; guard < 10; ++guard) {
        MsiHandle record = 0;
        result = Installer().ViewFetch(view, &record);
        if (result != 0) break;
        // An empty buffer of no characters: the length comes back with ERROR_MORE_DATA.
        wchar_t probe[1] = {L'x'};
        std::uint32_t length = 0;
        EXPECT_EQ(Installer().RecordGetString(record, 1, probe, &length), kErrorMoreData);
        std::vector<wchar_t> buffer(length + 1, L'?');
        std::uint32_t capacity = length + 1;
        EXPECT_EQ(Installer().RecordGetString(record, 1, buffer.data(), &capacity), 0u);
        EXPECT_EQ(capacity, length);
        EXPECT_EQ(buffer[length], L'\0');
        seen.emplace_back(buffer.data(), length);
        Close(record);
    }
    EXPECT_EQ(result, kErrorNoMoreItems);
    Close(view);
    Close(database);

    // Rows come in the table's own order, which the program does not rely on.
    std::vector<std::wstring> expected = names;
    std::sort(expected.begin(), expected.end());
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, expected);
}

TEST_F(InstallerDatabaseContract, ATooSmallBufferGetsTheFullLengthAndNothingPastItsEnd) {
    MsiHandle database = 0, view = 0;
    OpenView(Package({L"QuorixMain.exe"}), &database, &view);
    MsiHandle record = 0;
    ASSERT_EQ(Installer().ViewFetch(view, &record), 0u);
    // What the cut text looks like differs (Windows terminates it, Wine fills the buffer), so
    // the program never uses it: only the length and the bounds count.
    wchar_t buffer[6] = {L'x', L'x', L'x', L'x', L'#', L'#'};
    std::uint32_t capacity = 4;
    EXPECT_EQ(Installer().RecordGetString(record, 1, buffer, &capacity), kErrorMoreData);
    EXPECT_EQ(capacity, 14u);
    EXPECT_EQ(std::wstring(buffer, 3), L"Quo");
    EXPECT_EQ(buffer[4], L'#');
    EXPECT_EQ(buffer[5], L'#');
    Close(record);
    Close(view);
    Close(database);
}

TEST_F(InstallerDatabaseContract, AnEmptyTableEndsAtTheFirstFetch) {
    MsiHandle database = 0, view = 0;
    OpenView(Package({}), &database, &view);
    MsiHandle record = 0;
    EXPECT_EQ(Installer().ViewFetch(view, &record), kErrorNoMoreItems);
    EXPECT_EQ(record, 0u);
    Close(view);
    Close(database);
}

TEST_F(InstallerDatabaseContract, AMissingPackageCannotBeOpenedAndHandsOutNothing) {
    MsiHandle database = 0;
    EXPECT_NE(Installer().OpenDatabase(Env().ScratchFolder() + L"no-such-package.msi",
                                       platform::kMsiDbOpenReadOnly, &database),
              0u);
    EXPECT_EQ(database, 0u);
}

TEST_F(InstallerDatabaseContract, APackageWithoutTheTableRefusesTheQuery) {
    MsiHandle database = 0, view = 0;
    ASSERT_EQ(Installer().OpenDatabase(Package({}, false), platform::kMsiDbOpenReadOnly, &database),
              0u);
    EXPECT_NE(Installer().DatabaseOpenView(database, kQuery, &view), 0u);
    EXPECT_EQ(view, 0u);
    Close(database);
}

TEST_F(InstallerDatabaseContract, ClosingNoHandleSucceedsAndClosingTwiceFails) {
    EXPECT_EQ(Installer().CloseMsiHandle(platform::kNullMsiHandle), 0u);
    MsiHandle database = 0;
    ASSERT_EQ(
        Installer().OpenDatabase(Package({L"a.dll"}), platform::kMsiDbOpenReadOnly, &database), 0u);
    EXPECT_EQ(Installer().CloseMsiHandle(database), 0u);
    EXPECT_EQ(Installer().CloseMsiHandle(database), kErrorInvalidHandle);
}

}  // namespace
}  // namespace quorix::contract
