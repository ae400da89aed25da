// The setup's data folder below the application-data folders.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "installed/data_folder.h"
#include "support/sim_run.h"

namespace quorix {
namespace {

using test::SimProcess;

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
        FolderCase{
            "ShellFailureReturnedUnchanged", true,
            [](SimProcess& p) { p.machine.files.specialFolders.erase(platform::kCsidlAppData); },
            kEInvalidArg, kUntouched},
        FolderCase{"ParentVanishesBeforeTheFolderIsCreated", false,
                   [](SimProcess& p) { p.machine.core.faults.Fail("CreateDirectoryW", 3); },
                   static_cast<HResult>(0x80070003u), kUntouched},
        FolderCase{"CreationFailsWithoutAnError", false,
                   [](SimProcess& p) { p.machine.core.faults.Fail("CreateDirectoryW", 0); },
                   static_cast<HResult>(0x8007001Fu), kUntouched},
        // Not a folder at all: no safe all-users folder.
        FolderCase{
            "AFileHasTheFoldersName", false,
            [](SimProcess& p) { p.machine.files.PutFile(L"C:\\ProgramData\\" + kCode, {1}); },
            static_cast<HResult>(0x80070005u), kUntouched},
        FolderCase{"AFileHasTheUsersFoldersName", true,
                   [](SimProcess& p) {
                       p.machine.files.PutFile(L"C:\\Users\\tester\\AppData\\Roaming\\" + kCode,
                                               {1});
                   },
                   static_cast<HResult>(0x800700B7u), kUntouched}),
    [](const ::testing::TestParamInfo<FolderCase>& info) {
        return std::string(info.param.situation);
    });

// ---------------------------------------------------------------- whose all-users folder

using platform::AccessEntry;
using platform::Trustee;

constexpr std::uint8_t kInherit = platform::kObjectInheritAce | platform::kContainerInheritAce;
constexpr std::uint32_t kWriteData = 0x00000002;
constexpr std::uint32_t kDelete = 0x00010000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kWriteDac = 0x00040000;

const std::vector<AccessEntry> kSafeEntries = {
    {true, Trustee::System, kFullControl, kInherit},
    {true, Trustee::Administrators, kFullControl, kInherit},
    {true, Trustee::Users, kReadAndExecute, kInherit}};

// The entries of a folder the run has yet to create: none.
const std::vector<AccessEntry> kNoFolderYet;

std::vector<AccessEntry> SafeWith(AccessEntry extra) {
    std::vector<AccessEntry> entries = kSafeEntries;
    entries.push_back(extra);
    return entries;
}

// The token the run has, as far as owners go: whom it makes the owner of what it creates, and
// whether it may name the Administrators group as an owner instead.
enum class Token {
    Elevated,      // an elevated administrator: Administrators by default
    UacOff,        // an administrator with UAC off whose new objects the user owns
    StandardUser,  // the user owns new objects and may not hand them to Administrators
};

void GiveProcess(SimProcess& p, Token token) {
    sim::SimFiles& files = p.machine.files;
    files.newObjectOwner = token == Token::Elevated ? Trustee::Administrators : Trustee::Other;
    files.assignableOwners.clear();
    if (token != Token::StandardUser) files.assignableOwners.insert(Trustee::Administrators);
}

struct OwnershipCase {
    const char* situation;
    bool exists;    // false: the run creates the folder
    Trustee owner;  // of the folder that exists
    std::vector<AccessEntry> entries;
    bool reparsePoint;
    bool used;  // the all-users folder is used; otherwise the per-user one takes over
    Token token = Token::Elevated;
    // A call that fails while the folder's security is read, after `skip` that succeed.
    const char* failingRead = nullptr;
    int skip = 0;
};

class AllUsersFolderOwnership : public ::testing::TestWithParam<OwnershipCase> {};

TEST_P(AllUsersFolderOwnership, IsUsedOnlyWhenNoStandardUserCanChangeIt) {
    const OwnershipCase& c = GetParam();
    SimProcess p;
    if (c.exists) {
        p.machine.files.AddFolder(kCommon);
        ASSERT_TRUE(p.machine.files.SetFolderSecurity(kCommon, c.owner, c.entries, c.reparsePoint));
    }
    GiveProcess(p, c.token);
    if (c.failingRead != nullptr) {
        p.machine.core.faults.Fail(c.failingRead, kErrorNotEnoughMemory, 1, c.skip);
    }
    std::wstring folder = kUntouched;
    const HResult result = GetDataFolder(p.ctx, false, &folder);
    if (c.used) {
        EXPECT_EQ(result, kSOk);
        EXPECT_EQ(folder, kCommon);
        EXPECT_EQ(p.machine.files.GetAttributes(kCommon), 0x16u);
        // The next run, with the same token, finds the folder and trusts it.
        folder = kUntouched;
        EXPECT_EQ(GetDataFolder(p.ctx, false, &folder), kSOk);
        EXPECT_EQ(folder, kCommon);
    } else {
        if (c.exists) {
            // E_ACCESSDENIED, and the folder is left as it was: not even marked hidden.
            EXPECT_EQ(result, static_cast<HResult>(0x80070005u));
            EXPECT_EQ(p.machine.files.GetAttributes(kCommon) & 0x06u, 0u);
        } else {
            // Refused for its owner, so not made at all.
            EXPECT_EQ(result, HResultFromWin32(kErrorInvalidOwner));
            EXPECT_FALSE(p.machine.files.FolderExists(kCommon));
        }
        EXPECT_EQ(folder, kUntouched);
        // The per-user folder is what the extraction turns to, and that one works.
        EXPECT_EQ(GetDataFolder(p.ctx, true, &folder), kSOk);
        EXPECT_EQ(folder, kUser);
    }
    platform::FolderSecurity security;
    if (!c.exists && c.used) {
        // Made by this run with its own owner and list, not the token's or the inherited ones.
        ASSERT_TRUE(p.machine.files.GetFolderSecurity(kCommon, &security));
        EXPECT_EQ(security.owner, Trustee::Administrators);
        ASSERT_EQ(security.entries.size(), 3u);
        EXPECT_EQ(security.entries[0].trustee, Trustee::System);
        EXPECT_EQ(security.entries[0].mask, 0x001F01FFu);
        EXPECT_EQ(security.entries[1].trustee, Trustee::Administrators);
        EXPECT_EQ(security.entries[1].mask, 0x001F01FFu);
        EXPECT_EQ(security.entries[2].trustee, Trustee::Users);
        EXPECT_EQ(security.entries[2].mask, 0x001200A9u);
        for (const AccessEntry& entry : security.entries) {
            EXPECT_TRUE(entry.allow);
            EXPECT_EQ(entry.flags, kInherit);
        }
    }
    EXPECT_EQ(p.machine.core.ledger.OpenCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, AllUsersFolderOwnership,
    ::testing::Values(
        OwnershipCase{"CreatedByTheRun", false, Trustee::Administrators, {}, false, true},
        OwnershipCase{"CreatedWithUacOffWhereTheUserOwnsNewObjects", false, Trustee::Administrators,
                      kNoFolderYet, false, true, Token::UacOff},
        OwnershipCase{"StandardUserMayNotHandTheFolderToTheAdministrators", false,
                      Trustee::Administrators, kNoFolderYet, false, false, Token::StandardUser},
        OwnershipCase{"StandardUserUsesTheFolderAnAdministratorMade", true, Trustee::Administrators,
                      kSafeEntries, false, true, Token::StandardUser},
        OwnershipCase{"SafeExistingOwnedByAdministrators", true, Trustee::Administrators,
                      kSafeEntries, false, true},
        OwnershipCase{"SafeExistingOwnedBySystem", true, Trustee::System, kSafeEntries, false,
                      true},
        OwnershipCase{"CreatorOwnerOnlyInheritedByNewFiles", true, Trustee::Administrators,
                      SafeWith({true, Trustee::CreatorOwner, kGenericAll,
                                kInherit | platform::kInheritOnlyAce}),
                      false, true},
        OwnershipCase{"DeniedWritesTakeNothingAway", true, Trustee::Administrators,
                      SafeWith({false, Trustee::Other, kWriteData | kDelete, kInherit}), false,
                      true},
        OwnershipCase{"ForeignOwned", true, Trustee::Other, kSafeEntries, false, false},
        OwnershipCase{"OwnedByTheUsersGroup", true, Trustee::Users, kSafeEntries, false, false},
        OwnershipCase{"ReparsePoint", true, Trustee::Administrators, kSafeEntries, true, false},
        OwnershipCase{"WritableByUsers", true, Trustee::Administrators,
                      SafeWith({true, Trustee::Users, kWriteData, kInherit}), false, false},
        OwnershipCase{"FilesWritableByUsersThroughInheritance", true, Trustee::Administrators,
                      SafeWith({true, Trustee::Users, kGenericAll,
                                platform::kObjectInheritAce | platform::kInheritOnlyAce}),
                      false, false},
        OwnershipCase{"DeletableByEveryone", true, Trustee::Administrators,
                      SafeWith({true, Trustee::Other, kDelete, 0}), false, false},
        OwnershipCase{"AclChangeableByAUser", true, Trustee::Administrators,
                      SafeWith({true, Trustee::Other, kWriteDac, 0}), false, false},
        // What cannot be read is not trusted: neither an unread list, which would pass for an
        // empty one that lets nobody in, nor a list with an entry left out.
        OwnershipCase{"AclSizeUnreadable", true, Trustee::Administrators, kSafeEntries, false,
                      false, Token::Elevated, "GetAclInformation"},
        OwnershipCase{"AnEntryUnreadable", true, Trustee::Administrators,
                      SafeWith({true, Trustee::Users, kWriteData, kInherit}), false, false,
                      Token::Elevated, "GetAce", 3}),
    [](const auto& info) { return std::string(info.param.situation); });

TEST(AllUsersFolderSafety, ANullDaclOrAnUnreadableFolderIsNotSafe) {
    platform::FolderSecurity nullDacl;
    nullDacl.attributes = platform::kFileAttributeDirectory;
    nullDacl.owner = Trustee::Administrators;
    nullDacl.hasDacl = false;
    EXPECT_FALSE(IsSafeAllUsersFolder(nullDacl));
    nullDacl.hasDacl = true;
    EXPECT_TRUE(IsSafeAllUsersFolder(nullDacl));  // an empty DACL lets nobody in

    SimProcess p;
    p.machine.files.AddFolder(kCommon);
    p.machine.core.faults.Fail("GetSecurityInfo", kErrorAccessDenied);
    std::wstring folder = kUntouched;
    EXPECT_EQ(GetDataFolder(p.ctx, false, &folder), static_cast<HResult>(0x80070005u));
    EXPECT_EQ(folder, kUntouched);
}

}  // namespace
}  // namespace quorix
