// Folders made with an access list of their own, and what reading a folder's security gives,
// on the simulated Windows and on the real advapi32 alike.
#include <gtest/gtest.h>

#include <vector>

#include "contract_environment.h"

namespace quorix::contract {
namespace {

constexpr std::uint8_t kInherit = platform::kObjectInheritAce | platform::kContainerInheritAce;
constexpr std::uint32_t kErrorAlreadyExists = 183;

TEST(FolderSecurityContract, AFolderMadeWithAnAccessListReadsItBackEntryForEntry) {
    platform::Files& files = Env().Os().files;
    const std::wstring folder = Env().ScratchFolder() + Env().UniqueName(L"protected");
    const std::vector<platform::AccessEntry> entries = {
        {true, platform::Trustee::System, 0x001F01FF, kInherit},
        {true, platform::Trustee::Administrators, 0x001F01FF, kInherit},
        {true, platform::Trustee::Users, 0x001200A9, kInherit}};
    ASSERT_TRUE(files.CreateFolderWithAccess(folder, entries));

    platform::FolderSecurity security;
    ASSERT_TRUE(files.GetFolderSecurity(folder, &security));
    EXPECT_NE(security.attributes & platform::kFileAttributeDirectory, 0u);
    EXPECT_EQ(security.attributes & platform::kFileAttributeReparsePoint, 0u);
    EXPECT_TRUE(security.hasDacl);
    // Protected: nothing inherited from the parent joins the list.
    ASSERT_EQ(security.entries.size(), entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_TRUE(security.entries[i].allow) << i;
        EXPECT_EQ(security.entries[i].trustee, entries[i].trustee) << i;
        EXPECT_EQ(security.entries[i].mask, entries[i].mask) << i;
        EXPECT_EQ(security.entries[i].flags, entries[i].flags) << i;
    }

    // A second time the folder is there already.
    EXPECT_FALSE(files.CreateFolderWithAccess(folder, entries));
    EXPECT_EQ(Env().Os().system.GetLastError(), kErrorAlreadyExists);
}

TEST(FolderSecurityContract, AMissingFolderHasNoSecurityToRead) {
    platform::FolderSecurity security;
    EXPECT_FALSE(Env().Os().files.GetFolderSecurity(
        Env().ScratchFolder() + Env().UniqueName(L"absent"), &security));
}

}  // namespace
}  // namespace quorix::contract
