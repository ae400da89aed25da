// The setup's data folder below the application-data folders.
#include <gtest/gtest.h>

#include <functional>

#include "installed/data_folder.h"
#include "support/sim_run.h"

namespace quorix {
namespace {

using testing::SimProcess;

const std::wstring kCode = L"{7F150524-34B9-B5DF-9E77-69B10F4205B4}";
const std::wstring kCommon = L"C:\\ProgramData\\" + kCode + L"\\";
const std::wstring kUser = L"C:\\Users\\tester\\AppData\\Roaming\\" + kCode + L"\\";
const std::wstring kUntouched = L"untouched";

struct FolderCase {
    const char* situation;
    bool perUser;
    std::function<void(SimProcess&)> arrange;
    HResult result;
    std::wstring folder;  // kUntouched: left as it was
};

class DataFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(DataFolder, IsCreatedOrReusedOrReportsTheFailure) {
    const FolderCase& c = GetParam();
    SimProcess p;
    c.arrange(p);
    std::wstring folder = kUntouched;
    EXPECT_EQ(GetDataFolder(p.ctx, c.perUser, &folder), c.result);
    EXPECT_EQ(folder, c.folder);
    if (c.result == kSOk) {
        // Hidden and system, whether it was made now or found.
        EXPECT_EQ(p.machine.files.GetAttributes(folder), 0x16u);
    } else {
        EXPECT_FALSE(p.machine.files.FolderExists(c.perUser ? kUser : kCommon));
    }
    EXPECT_EQ(p.machine.core.ledger.OpenCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Situations, DataFolder,
    ::testing::Values(
        FolderCase{"AllUsersFolderCreated", false, [](SimProcess&) {}, kSOk, kCommon},
        FolderCase{"UsersOwnFolderCreated", true, [](SimProcess&) {}, kSOk, kUser},
        FolderCase{"SecondRunReusesTheFolder", false,
                   [](SimProcess& p) { p.machine.files.AddFolder(kCommon); }, kSOk, kCommon},
        FolderCase{"AttributesThatCannotBeSetChangeNothing", false,
                   [](SimProcess& p) {
                       p.machine.files.AddFolder(kCommon);
                       p.machine.files.SetAttributes(kCommon, 0x06);
                       p.machine.core.faults.Fail("SetFileAttributesW", kErrorAccessDenied);
                   },
                   kSOk, kCommon},
        FolderCase{"ParentGivenWithItsBackslash", false,
                   [](SimProcess& p) {
                       p.machine.files.specialFolders[platform::kCsidlCommonAppData] =
                           L"C:\\ProgramData\\";
                   },
                   kSOk, kCommon},
        FolderCase{"LimitedUserBelowTheAllUsersFolder", false,
                   [](SimProcess& p) { p.machine.files.DenyWritesIn(L"C:\\ProgramData"); },
                   static_cast<HResult>(0x80070005u), kUntouched},
        FolderCase{"ParentFolderMissing", false,
                   [](SimProcess& p) { p.machine.files.RemoveFolder(L"C:\\ProgramData"); },
                   static_cast<HResult>(0x80070002u), kUntouched},
        FolderCase{"ShellFailureReturnedUnchanged", true,
                   [](SimProcess& p) {
                       p.machine.files.specialFolders.erase(platform::kCsidlAppData);
                   },
                   kEInvalidArg, kUntouched},
        FolderCase{"ParentVanishesBeforeTheFolderIsCreated", false,
                   [](SimProcess& p) { p.machine.core.faults.Fail("CreateDirectoryW", 3); },
                   static_cast<HResult>(0x80070003u), kUntouched},
        FolderCase{"CreationFailsWithoutAnError", false,
                   [](SimProcess& p) { p.machine.core.faults.Fail("CreateDirectoryW", 0); },
                   static_cast<HResult>(0x8007001Fu), kUntouched},
        FolderCase{"AFileHasTheFoldersName", false,
                   [](SimProcess& p) {
                       p.machine.files.PutFile(L"C:\\ProgramData\\" + kCode, {1});
                   },
                   static_cast<HResult>(0x800700B7u), kUntouched}),
    [](const ::testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.situation); });

}  // namespace
}  // namespace quorix
