// The Windows folder and the process's current folder, on the simulated Windows and on the
// real kernel32 alike.
#include <gtest/gtest.h>

#include "common/result_codes.h"
#include "common/text.h"
#include "contract_environment.h"

namespace quorix::contract {
namespace {

constexpr std::uint32_t kErrorDirectory = 267;

class FoldersContract : public ::testing::Test {
protected:
    void SetUp() override { original_ = Env().CurrentFolder(); }
    void TearDown() override { EXPECT_TRUE(Files().SetCurrentFolder(original_)); }
    platform::Files& Files() { return Env().Os().files; }
    std::wstring original_;
};

std::wstring WithoutFinalBackslash(std::wstring path) {
    if (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

TEST_F(FoldersContract, TheWindowsFolderIsAFolderWithoutAFinalBackslash) {
    std::wstring folder;
    const std::uint32_t length = Files().GetWindowsFolder(platform::kMaxPath, &folder);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, platform::kMaxPath);
    EXPECT_EQ(folder.size(), length);
    EXPECT_NE(folder.back(), L'\\');
    const std::uint32_t attributes = Files().GetAttributes(folder);
    ASSERT_NE(attributes, platform::kInvalidFileAttributes);
    EXPECT_NE(attributes & platform::kFileAttributeDirectory, 0u);
}

TEST_F(FoldersContract, ATooSmallBufferReportsTheSizeNeededAndGivesNoPath) {
    std::wstring folder;
    const std::uint32_t length = Files().GetWindowsFolder(platform::kMaxPath, &folder);
    std::wstring cut = L"untouched";
    EXPECT_EQ(Files().GetWindowsFolder(3, &cut), length + 1);
    EXPECT_EQ(cut, L"untouched");
}

TEST_F(FoldersContract, AFolderThatExistsBecomesTheCurrentFolder) {
    const std::wstring scratch = Env().ScratchFolder();
    ASSERT_TRUE(Files().SetCurrentFolder(scratch));
    EXPECT_TRUE(EqualsIgnoringAsciiCase(WithoutFinalBackslash(Env().CurrentFolder()),
                                        WithoutFinalBackslash(scratch)))
        << Env().CurrentFolder();
    std::wstring windows;
    Files().GetWindowsFolder(platform::kMaxPath, &windows);
    ASSERT_TRUE(Files().SetCurrentFolder(windows));
    EXPECT_TRUE(EqualsIgnoringAsciiCase(Env().CurrentFolder(), windows)) << Env().CurrentFolder();
}

TEST_F(FoldersContract, AMissingFolderOrAFileCannotBeCurrentAndNothingChanges) {
    const std::wstring before = Env().CurrentFolder();
    EXPECT_FALSE(Files().SetCurrentFolder(Env().ScratchFolder() + L"no-such-folder"));
    EXPECT_EQ(Env().Os().system.GetLastError(), kErrorFileNotFound);
    const std::wstring file = Env().ScratchFolder() + Env().UniqueName(L"plain") + L".txt";
    Env().PutFile(file, {'x'});
    EXPECT_FALSE(Files().SetCurrentFolder(file));
    EXPECT_EQ(Env().Os().system.GetLastError(), kErrorDirectory);
    EXPECT_EQ(Env().CurrentFolder(), before);
}

}  // namespace
}  // namespace quorix::contract
