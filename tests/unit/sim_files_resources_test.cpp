// What the simulated files and resources do beyond the contract suite: the behaviours Wine
// cannot show (a UI language of our choosing, a full disk, a locked file, a limited user) and
// the rules of Windows that Wine does not follow.
#include <gtest/gtest.h>

#include <cwchar>

#include "common/result_codes.h"
#include "platform/sim/sim_machine.h"

namespace quorix::sim {
namespace {

using platform::ResourceName;

constexpr std::uint32_t kShareNone = 0;

class SimFilesBehaviour : public ::testing::Test {
protected:
    SimMachine machine;
    SimFiles& files = machine.files;

    platform::NativeHandle Create(const std::wstring& path, std::uint32_t attributes = 0x80) {
        return files.CreateFileHandle(path, platform::kGenericWrite, kShareNone,
                                      platform::kCreateAlways, attributes);
    }
    std::uint32_t Write(platform::NativeHandle file, std::size_t count) {
        std::vector<std::uint8_t> bytes(count, 0xAB);
        std::uint32_t written = 0;
        if (!files.WriteToFile(file, bytes.data(), static_cast<std::uint32_t>(count), &written)) {
            return 0xFFFFFFFFu;
        }
        return written;
    }
    void Close(platform::NativeHandle file) { EXPECT_TRUE(machine.system.CloseHandle(file)); }
};

TEST_F(SimFilesBehaviour, OverwritingAHiddenFileWantsTheAttributeGivenAgain) {
    files.PutFile(L"C:\\Setup\\hidden.msi", {1});
    files.SetAttributes(L"C:\\Setup\\hidden.msi", platform::kFileAttributeHidden);
    EXPECT_EQ(Create(L"C:\\Setup\\hidden.msi"), platform::kInvalidHandleValue);
    EXPECT_EQ(machine.system.GetLastError(), kErrorAccessDenied);
    const auto file = Create(L"C:\\Setup\\hidden.msi", platform::kFileAttributeHidden);
    ASSERT_NE(file, platform::kInvalidHandleValue);
    Close(file);
}

TEST_F(SimFilesBehaviour, AReadOnlyFileCannotBeOpenedForWriting) {
    files.PutFile(L"C:\\Setup\\ro.msi", {1});
    files.SetAttributes(L"C:\\Setup\\ro.msi", platform::kFileAttributeReadOnly);
    EXPECT_EQ(Create(L"C:\\Setup\\ro.msi"), platform::kInvalidHandleValue);
    EXPECT_EQ(machine.system.GetLastError(), kErrorAccessDenied);
}

TEST_F(SimFilesBehaviour, WriteDenialCoversTheFolderAndBelowButNotItsNeighbours) {
    files.AddFolder(L"C:\\ProgramData\\Other");
    files.PutFile(L"C:\\ProgramData\\readme.txt", {'r'});
    files.DenyWritesIn(L"c:\\programdata\\");
    EXPECT_FALSE(files.CreateFolder(L"C:\\ProgramData\\New"));
    EXPECT_EQ(machine.system.GetLastError(), kErrorAccessDenied);
    EXPECT_EQ(Create(L"C:\\ProgramData\\Other\\deep.bin"), platform::kInvalidHandleValue);
    EXPECT_FALSE(files.DeleteFileAt(L"C:\\ProgramData\\readme.txt"));
    EXPECT_EQ(machine.system.GetLastError(), kErrorAccessDenied);
    // Reading stays allowed, and so does writing next door.
    const auto reader =
        files.CreateFileHandle(L"C:\\ProgramData\\readme.txt", platform::kGenericRead,
                               platform::kFileShareRead, platform::kOpenExisting, 0x80);
    ASSERT_NE(reader, platform::kInvalidHandleValue);
    Close(reader);
    EXPECT_TRUE(files.CreateFolder(L"C:\\ProgramDataX"));
}

TEST_F(SimFilesBehaviour, AFullDiskFailsTheWriteOrCutsIt) {
    files.diskFreeBytes = 100;
    const auto file = Create(L"C:\\Setup\\a.bin");
    EXPECT_EQ(Write(file, 60), 60u);
    EXPECT_EQ(Write(file, 60), 0xFFFFFFFFu);  // 40 left: the write fails whole
    EXPECT_EQ(machine.system.GetLastError(), 112u);
    files.diskFullWritesShort = true;
    EXPECT_EQ(Write(file, 60), 40u);
    EXPECT_EQ(Write(file, 1), 0u);
    EXPECT_EQ(*files.diskFreeBytes, 0u);
    Close(file);
    EXPECT_EQ(files.Contents(L"C:\\Setup\\a.bin")->size(), 100u);
}

TEST_F(SimFilesBehaviour, AFileLockedByAnotherProcessCanNeitherBeOpenedNorDeleted) {
    files.PutFile(L"C:\\Setup\\locked.msi", {1, 2});
    files.LockFile(L"c:\\setup\\LOCKED.msi");
    EXPECT_EQ(Create(L"C:\\Setup\\locked.msi"), platform::kInvalidHandleValue);
    EXPECT_EQ(machine.system.GetLastError(), kErrorSharingViolation);
    EXPECT_FALSE(files.DeleteFileAt(L"C:\\Setup\\locked.msi"));
    EXPECT_EQ(machine.system.GetLastError(), kErrorSharingViolation);
    files.UnlockFile(L"C:\\Setup\\locked.msi");
    EXPECT_TRUE(files.DeleteFileAt(L"C:\\Setup\\locked.msi"));
}

struct TempCase {
    const char* situation;
    std::uint64_t clock;
    std::vector<std::wstring> existing;
    std::wstring expected;
};

class SimTempNames : public ::testing::TestWithParam<TempCase> {};

TEST_P(SimTempNames, StartAtTheTickCountAndSkipTakenNames) {
    SimMachine machine;
    machine.core.clockMs = GetParam().clock;
    machine.files.AddFolder(L"C:\\T");
    for (const std::wstring& name : GetParam().existing)
        machine.files.PutFile(L"C:\\T\\" + name, {});
    std::wstring name;
    const std::uint32_t unique = machine.files.MakeTempFileName(L"C:\\T", L"VLMSI", 0, &name);
    EXPECT_NE(unique, 0u);
    EXPECT_EQ(name, L"C:\\T\\" + GetParam().expected);
    EXPECT_TRUE(machine.files.Exists(name));
}

INSTANTIATE_TEST_SUITE_P(
    Clocks, SimTempNames,
    ::testing::Values(
        TempCase{"LowSixteenBitsInUpperCaseHex", 0x7ABCD, {}, L"VLMABCD.tmp"},
        TempCase{"NoLeadingZeros", 0x10005, {}, L"VLM5.tmp"},
        TempCase{"ZeroIsNeverUsed", 0x30000, {}, L"VLM1.tmp"},
        TempCase{"TakenNamesSkipped", 0x1234, {L"VLM1234.tmp", L"vlm1235.TMP"}, L"VLM1236.tmp"},
        TempCase{"WrapsPastFFFF", 0xFFFF, {L"VLMFFFF.tmp"}, L"VLM1.tmp"}),
    [](const ::testing::TestParamInfo<TempCase>& info) {
        return std::string(info.param.situation);
    });

// ---------------------------------------------------------------- resources

struct LanguageCase {
    const char* situation;
    std::uint16_t uiLanguage;
    std::vector<std::uint16_t> tables;  // each holds string 101 = its language id in hex
    std::wstring expected;
};

class SimStringLanguage : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(SimStringLanguage, FollowsTheLoadersFallbacks) {
    SimMachine machine;
    machine.core.uiLanguage = GetParam().uiLanguage;
    for (std::uint16_t language : GetParam().tables) {
        wchar_t text[8];
        swprintf(text, 8, L"%04X", static_cast<unsigned>(language));
        machine.resources.AddString(language, 101, text);
    }
    std::wstring text;
    machine.resources.LoadStringText(101, 1024, &text);
    EXPECT_EQ(text, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, SimStringLanguage,
    ::testing::Values(
        LanguageCase{"ExactLanguage", 0x0407, {0x0407, 0x0409}, L"0407"},
        LanguageCase{"PrimaryLanguageNeutral", 0x0C07, {0x0007, 0x0407, 0x0409}, L"0007"},
        LanguageCase{"OtherCountryOfTheLanguageIsNotTaken", 0x0C07, {0x0407, 0x0409}, L"0409"},
        LanguageCase{"LanguageNeutralBeforeEnglish", 0x040C, {0x0000, 0x0409}, L"0000"},
        LanguageCase{"EnglishWhenTheUiLanguageIsMissing", 0x040C, {0x0407, 0x0409}, L"0409"},
        LanguageCase{"OtherwiseTheLowestLanguage", 0x040C, {0x0407, 0x0406}, L"0406"}),
    [](const ::testing::TestParamInfo<LanguageCase>& info) {
        return std::string(info.param.situation);
    });

TEST(SimResourceNames, AreUpperCasedAndSortedByCodeUnitWithTheIdsLast) {
    SimMachine machine;
    machine.resources.AddResource(platform::kRtRcdata, ResourceName::Id(7), {1});
    machine.resources.AddRcdata(L"VLLANGPACK_en_US", {1});
    machine.resources.AddResource(platform::kRtRcdata, ResourceName::Id(3), {1});
    machine.resources.AddRcdata(L"MSI", {1});
    machine.resources.AddRcdata(L"VLLANGPACK_DE_DE", {1});
    machine.resources.AddRcdata(L"VLLANGPACKX", {1});
    std::vector<ResourceName> names;
    ASSERT_TRUE(machine.resources.EnumerateResourceNames(platform::kRtRcdata, &names));
    EXPECT_EQ(names,
              (std::vector<ResourceName>{
                  ResourceName::Text(L"MSI"), ResourceName::Text(L"VLLANGPACKX"),
                  ResourceName::Text(L"VLLANGPACK_DE_DE"), ResourceName::Text(L"VLLANGPACK_EN_US"),
                  ResourceName::Id(3), ResourceName::Id(7)}));
}

TEST(SimResourceNames, StringTablesAreEnumeratedAsBlocksOfSixteen) {
    SimMachine machine;
    machine.resources.AddString(0x0409, 104, L"a");
    machine.resources.AddString(0x0407, 106, L"b");
    machine.resources.AddString(0x0409, 112, L"c");
    std::vector<ResourceName> names;
    ASSERT_TRUE(machine.resources.EnumerateResourceNames(platform::kRtString, &names));
    EXPECT_EQ(names, (std::vector<ResourceName>{ResourceName::Id(7), ResourceName::Id(8)}));
}

}  // namespace
}  // namespace quorix::sim
