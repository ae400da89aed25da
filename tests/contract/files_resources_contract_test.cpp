// How the Files and Resources areas behave, on the simulated Windows and on the real Win32
// layer alike. The resources are the suite's own (contract_resources.rc and its host twin).
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

#include "common/result_codes.h"
#include "contract_environment.h"

namespace quorix::contract {
namespace {

using platform::NativeHandle;
using platform::ResourceName;

constexpr std::uint32_t kErrorPathNotFound = 3;
constexpr std::uint32_t kErrorResourceTypeNotFound = 1813;
constexpr std::uint32_t kErrorResourceNameNotFound = 1814;
constexpr std::uint32_t kFileShareDelete = 0x4;

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// ---------------------------------------------------------------- Files

class FilesAreaContract : public ::testing::Test {
protected:
    platform::Platform& os = Env().Os();
    platform::Files& files = os.files;

    std::wstring NewPath(const std::wstring& stem) {
        return Env().ScratchFolder() + Env().UniqueName(stem) + L".bin";
    }
    NativeHandle Create(const std::wstring& path, std::uint32_t share = 0) {
        return files.CreateFileHandle(path, platform::kGenericWrite, share, platform::kCreateAlways,
                                      platform::kFileAttributeNormal);
    }
    // Opened as a reader that lets others read.
    NativeHandle OpenToRead(const std::wstring& path) {
        return files.CreateFileHandle(path, platform::kGenericRead, platform::kFileShareRead,
                                      platform::kOpenExisting, platform::kFileAttributeNormal);
    }
    // The file's bytes, read back through a mapping (an empty file cannot be mapped).
    std::vector<std::uint8_t> ReadBack(const std::wstring& path) {
        const NativeHandle file = OpenToRead(path);
        EXPECT_NE(file, platform::kInvalidHandleValue);
        std::uint64_t size = 0;
        std::vector<std::uint8_t> bytes;
        if (files.GetFileSize(file, &size) && size != 0) {
            const NativeHandle mapping = files.CreateReadOnlyMapping(file);
            const std::uint8_t* view = files.MapReadOnlyView(mapping);
            if (view != nullptr) bytes.assign(view, view + size);
            files.UnmapView(view);
            os.system.CloseHandle(mapping);
        }
        os.system.CloseHandle(file);
        return bytes;
    }
};

TEST_F(FilesAreaContract, WriteReportsTheBytesWrittenAndTheyReachTheFile) {
    const std::wstring path = NewPath(L"write");
    const NativeHandle file = Create(path);
    ASSERT_NE(file, platform::kInvalidHandleValue);
    const std::vector<std::uint8_t> first = Bytes("first part,");
    const std::vector<std::uint8_t> second = Bytes(" second part");
    std::uint32_t written = 99;
    ASSERT_TRUE(
        files.WriteToFile(file, first.data(), static_cast<std::uint32_t>(first.size()), &written));
    EXPECT_EQ(written, first.size());
    ASSERT_TRUE(files.WriteToFile(file, second.data(), static_cast<std::uint32_t>(second.size()),
                                  &written));
    EXPECT_EQ(written, second.size());
    ASSERT_TRUE(os.system.CloseHandle(file));
    EXPECT_EQ(ReadBack(path), Bytes("first part, second part"));
}

TEST_F(FilesAreaContract, WritingThroughAReadHandleIsDenied) {
    const std::wstring path = NewPath(L"readonly-handle");
    Env().PutFile(path, Bytes("x"));
    const NativeHandle file = OpenToRead(path);
    ASSERT_NE(file, platform::kInvalidHandleValue);
    const std::uint8_t byte = 1;
    std::uint32_t written = 99;
    EXPECT_FALSE(files.WriteToFile(file, &byte, 1, &written));
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(os.system.GetLastError(), kErrorAccessDenied);
    EXPECT_TRUE(os.system.CloseHandle(file));
}

TEST_F(FilesAreaContract, ReadsGoOnFromTheLastAndFindNothingAtTheEnd) {
    const std::wstring path = NewPath(L"read");
    Env().PutFile(path, Bytes("first part, second part"));
    const NativeHandle file = OpenToRead(path);
    ASSERT_NE(file, platform::kInvalidHandleValue);
    std::vector<std::uint8_t> buffer(64, 0xEE);
    std::uint32_t read = 99;
    ASSERT_TRUE(files.ReadFromFile(file, buffer.data(), 11, &read));
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + read),
              Bytes("first part,"));
    // More asked for than is left: what is left.
    ASSERT_TRUE(files.ReadFromFile(file, buffer.data(), 64, &read));
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + read),
              Bytes(" second part"));
    read = 99;
    EXPECT_TRUE(files.ReadFromFile(file, buffer.data(), 64, &read));
    EXPECT_EQ(read, 0u);
    EXPECT_TRUE(os.system.CloseHandle(file));
    // A handle opened for writing only cannot read.
    const NativeHandle writer = files.CreateFileHandle(
        path, platform::kGenericWrite, 0, platform::kOpenExisting, platform::kFileAttributeNormal);
    ASSERT_NE(writer, platform::kInvalidHandleValue);
    read = 99;
    EXPECT_FALSE(files.ReadFromFile(writer, buffer.data(), 64, &read));
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(os.system.GetLastError(), kErrorAccessDenied);
    EXPECT_TRUE(os.system.CloseHandle(writer));
}

TEST_F(FilesAreaContract, CreateAlwaysOnAnExistingFileEmptiesItAndSaysItExisted) {
    const std::wstring path = NewPath(L"overwrite");
    Env().PutFile(path, Bytes("old contents"));
    const NativeHandle file = Create(path);
    ASSERT_NE(file, platform::kInvalidHandleValue);
    EXPECT_EQ(os.system.GetLastError(), kErrorAlreadyExists);
    EXPECT_TRUE(os.system.CloseHandle(file));
    EXPECT_TRUE(ReadBack(path).empty());
}

TEST_F(FilesAreaContract, AFileHeldWithoutSharingCanNeitherBeOpenedNorDeleted) {
    const std::wstring path = NewPath(L"held");
    const NativeHandle holder = Create(path);
    ASSERT_NE(holder, platform::kInvalidHandleValue);
    EXPECT_EQ(Create(path), platform::kInvalidHandleValue);
    EXPECT_EQ(os.system.GetLastError(), kErrorSharingViolation);
    EXPECT_FALSE(files.DeleteFileAt(path));
    EXPECT_EQ(os.system.GetLastError(), kErrorSharingViolation);
    EXPECT_TRUE(os.system.CloseHandle(holder));
    EXPECT_TRUE(files.DeleteFileAt(path));
}

TEST_F(FilesAreaContract, AFileSharedForDeletionCanBeDeletedWhileOpen) {
    const std::wstring path = NewPath(L"share-delete");
    const NativeHandle holder = Create(path, kFileShareDelete);
    ASSERT_NE(holder, platform::kInvalidHandleValue);
    EXPECT_TRUE(files.DeleteFileAt(path));
    EXPECT_TRUE(os.system.CloseHandle(holder));
    EXPECT_EQ(files.GetAttributes(path), platform::kInvalidFileAttributes);
}

TEST_F(FilesAreaContract, DeletedFilesAreGoneAndMissingOnesCannotBeDeleted) {
    const std::wstring path = NewPath(L"delete");
    Env().PutFile(path, Bytes("bytes"));
    ASSERT_TRUE(files.DeleteFileAt(path));
    EXPECT_EQ(files.GetAttributes(path), platform::kInvalidFileAttributes);
    EXPECT_EQ(os.system.GetLastError(), kErrorFileNotFound);
    EXPECT_FALSE(files.DeleteFileAt(path));
    EXPECT_EQ(os.system.GetLastError(), kErrorFileNotFound);
}

TEST_F(FilesAreaContract, CreatingInAMissingFolderFailsWithPathNotFound) {
    const std::wstring missing = Env().ScratchFolder() + Env().UniqueName(L"no-folder");
    EXPECT_EQ(Create(missing + L"\\file.bin"), platform::kInvalidHandleValue);
    EXPECT_EQ(os.system.GetLastError(), kErrorPathNotFound);
    EXPECT_FALSE(files.CreateFolder(missing + L"\\child"));
    EXPECT_EQ(os.system.GetLastError(), kErrorPathNotFound);
    EXPECT_EQ(files.GetAttributes(missing + L"\\file.bin"), platform::kInvalidFileAttributes);
    EXPECT_EQ(os.system.GetLastError(), kErrorPathNotFound);
}

TEST_F(FilesAreaContract, AFolderIsCreatedOnceAndASecondCreateSaysItExists) {
    // With the final backslash, as the data folder is created.
    const std::wstring folder = Env().ScratchFolder() + Env().UniqueName(L"folder") + L"\\";
    ASSERT_TRUE(files.CreateFolder(folder));
    EXPECT_EQ(files.GetAttributes(folder) & platform::kFileAttributeDirectory,
              platform::kFileAttributeDirectory);
    EXPECT_FALSE(files.CreateFolder(folder));
    EXPECT_EQ(os.system.GetLastError(), kErrorAlreadyExists);
    // A file of the name blocks a folder the same way.
    const std::wstring file = NewPath(L"not-a-folder");
    Env().PutFile(file, Bytes("f"));
    EXPECT_FALSE(files.CreateFolder(file));
    EXPECT_EQ(os.system.GetLastError(), kErrorAlreadyExists);
}

TEST_F(FilesAreaContract, FolderAttributesReadBackWithTheDirectoryBit) {
    const std::wstring folder = Env().ScratchFolder() + Env().UniqueName(L"hidden") + L"\\";
    ASSERT_TRUE(files.CreateFolder(folder));
    ASSERT_TRUE(files.SetAttributes(
        folder, platform::kFileAttributeHidden | platform::kFileAttributeSystem));
    EXPECT_EQ(files.GetAttributes(folder), platform::kFileAttributeDirectory |
                                               platform::kFileAttributeHidden |
                                               platform::kFileAttributeSystem);
    ASSERT_TRUE(files.SetAttributes(folder, platform::kFileAttributeNormal));
    EXPECT_EQ(files.GetAttributes(folder), platform::kFileAttributeDirectory);
}

TEST_F(FilesAreaContract, ANewFileIsMarkedForArchivingAndNormalClearsTheOtherAttributes) {
    const std::wstring path = NewPath(L"attributes");
    const NativeHandle file = Create(path);
    ASSERT_NE(file, platform::kInvalidHandleValue);
    EXPECT_TRUE(os.system.CloseHandle(file));
    EXPECT_EQ(files.GetAttributes(path), platform::kFileAttributeArchive);
    ASSERT_TRUE(
        files.SetAttributes(path, platform::kFileAttributeHidden | platform::kFileAttributeSystem));
    // Windows reports exactly what was set; Wine adds ARCHIVE to every file.
    EXPECT_EQ(files.GetAttributes(path) & ~platform::kFileAttributeArchive,
              platform::kFileAttributeHidden | platform::kFileAttributeSystem);
    ASSERT_TRUE(files.SetAttributes(path, platform::kFileAttributeNormal));
    // And so for a plain file Windows reports NORMAL, Wine ARCHIVE.
    const std::uint32_t plain = files.GetAttributes(path);
    EXPECT_TRUE(plain == platform::kFileAttributeNormal || plain == platform::kFileAttributeArchive)
        << plain;
    EXPECT_FALSE(files.SetAttributes(NewPath(L"missing"), platform::kFileAttributeNormal));
    EXPECT_EQ(os.system.GetLastError(), kErrorFileNotFound);
}

TEST_F(FilesAreaContract, AReadOnlyFileCannotBeDeleted) {
    const std::wstring path = NewPath(L"read-only");
    Env().PutFile(path, Bytes("r"));
    ASSERT_TRUE(files.SetAttributes(path, platform::kFileAttributeReadOnly));
    EXPECT_FALSE(files.DeleteFileAt(path));
    EXPECT_EQ(os.system.GetLastError(), kErrorAccessDenied);
    ASSERT_TRUE(files.SetAttributes(path, platform::kFileAttributeNormal));
    EXPECT_TRUE(files.DeleteFileAt(path));
}

TEST_F(FilesAreaContract, AFolderIsNoFile) {
    const std::wstring folder = Env().ScratchFolder() + Env().UniqueName(L"no-file");
    ASSERT_TRUE(files.CreateFolder(folder));
    EXPECT_EQ(Create(folder), platform::kInvalidHandleValue);
    EXPECT_EQ(os.system.GetLastError(), kErrorAccessDenied);
    EXPECT_FALSE(files.DeleteFileAt(folder));
    EXPECT_EQ(os.system.GetLastError(), kErrorAccessDenied);
    EXPECT_EQ(Create(L""), platform::kInvalidHandleValue);
    EXPECT_EQ(os.system.GetLastError(), kErrorPathNotFound);
}

TEST_F(FilesAreaContract, TempPathEndsInABackslashOrReportsTheSizeItNeeds) {
    std::wstring temp;
    const std::uint32_t length = files.GetTempFolder(platform::kMaxPath, &temp);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, platform::kMaxPath);
    EXPECT_EQ(temp.size(), length);
    EXPECT_EQ(temp.back(), L'\\');
    EXPECT_NE(files.GetAttributes(temp) & platform::kFileAttributeDirectory, 0u);

    std::wstring tooSmall = L"untouched";
    EXPECT_EQ(files.GetTempFolder(length, &tooSmall), length + 1);
    EXPECT_EQ(tooSmall, L"untouched");
    EXPECT_EQ(files.GetTempFolder(length + 1, &tooSmall), length);
    EXPECT_EQ(tooSmall, temp);
}

TEST_F(FilesAreaContract, TempFileNamesAreNewEmptyFilesWithThreeLettersOfThePrefix) {
    const std::wstring folder = Env().ScratchFolder();
    std::wstring first, second;
    const std::uint32_t a = files.MakeTempFileName(folder, L"VLMSI", 0, &first);
    const std::uint32_t b = files.MakeTempFileName(folder, L"VLMSI", 0, &second);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_NE(a, b);
    EXPECT_NE(first, second);
    for (const std::wstring& name : {first, second}) {
        // Windows writes the number in upper-case hexadecimal; compare without case.
        const std::wstring upper = Upper(name);
        ASSERT_EQ(upper.compare(0, folder.size() + 3, Upper(folder) + L"VLM"), 0) << name;
        ASSERT_TRUE(EndsWith(upper, L".TMP")) << name;
        const std::wstring digits =
            upper.substr(folder.size() + 3, upper.size() - folder.size() - 7);
        EXPECT_FALSE(digits.empty());
        EXPECT_LE(digits.size(), 4u);
        EXPECT_TRUE(std::all_of(digits.begin(), digits.end(), [](wchar_t c) {
            return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F');
        })) << name;
        EXPECT_EQ(files.GetAttributes(name) & platform::kFileAttributeDirectory, 0u);
        EXPECT_TRUE(ReadBack(name).empty());
        EXPECT_TRUE(files.DeleteFileAt(name));
    }
}

TEST_F(FilesAreaContract, AGivenTempNumberOnlyBuildsTheName) {
    const std::wstring folder = Env().ScratchFolder();
    std::wstring name;
    EXPECT_EQ(files.MakeTempFileName(folder, L"VLMSI", 0x1A2B, &name), 0x1A2Bu);
    EXPECT_EQ(Upper(name), Upper(folder + L"VLM1A2B.tmp"));
    EXPECT_EQ(files.GetAttributes(name), platform::kInvalidFileAttributes);
}

TEST_F(FilesAreaContract, ApplicationDataFoldersExist) {
    for (int csidl : {platform::kCsidlAppData, platform::kCsidlCommonAppData}) {
        std::wstring folder;
        EXPECT_EQ(files.GetSpecialFolder(csidl, &folder), kSOk) << csidl;
        ASSERT_FALSE(folder.empty()) << csidl;
        EXPECT_NE(folder.back(), L'\\') << folder;
        EXPECT_NE(files.GetAttributes(folder) & platform::kFileAttributeDirectory, 0u) << folder;
    }
    std::wstring user, common;
    files.GetSpecialFolder(platform::kCsidlAppData, &user);
    files.GetSpecialFolder(platform::kCsidlCommonAppData, &common);
    EXPECT_NE(Upper(user), Upper(common));
}

TEST_F(FilesAreaContract, AnUnknownFolderIdIsAnError) {
    std::wstring folder = L"untouched";
    EXPECT_LT(files.GetSpecialFolder(0x00FE, &folder), 0);
    EXPECT_EQ(folder, L"untouched");
}

TEST_F(FilesAreaContract, OwnModulePathNamesTheProgramAndIsCutToTheBuffer) {
    std::wstring path;
    const std::uint32_t length = files.GetOwnModulePath(platform::kMaxPath, &path);
    ASSERT_GT(length, 10u);
    ASSERT_LT(length, platform::kMaxPath);
    EXPECT_EQ(path.size(), length);
    EXPECT_TRUE(EndsWith(Upper(path), L"\\QUORIX_CONTRACT_TESTS.EXE")) << path;

    std::wstring cut;
    EXPECT_EQ(files.GetOwnModulePath(5, &cut), 5u);
    EXPECT_EQ(cut, path.substr(0, 4));
}

// ---------------------------------------------------------------- Resources

struct FindCase {
    const char* situation;
    ResourceName name;
    std::string bytes;
};

class ResourceFindContract : public ::testing::TestWithParam<FindCase> {};

TEST_P(ResourceFindContract, GivesTheBytesOfTheResource) {
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 99;
    ASSERT_TRUE(
        Env().Os().resources.FindResourceData(platform::kRtRcdata, GetParam().name, &data, &size));
    ASSERT_EQ(size, GetParam().bytes.size());
    if (size != 0) {
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), size), GetParam().bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, ResourceFindContract,
    ::testing::Values(
        FindCase{"NameAsStored", ResourceName::Text(L"CONTRACT_ZETA"), "Zeta payload"},
        FindCase{"NameInAnyCase", ResourceName::Text(L"contract_Zeta"), "Zeta payload"},
        FindCase{"TerminatorIsPartOfTheData", ResourceName::Text(L"CONTRACT_ALPHA"),
                 std::string("alpha\0", 6)},
        FindCase{"IntegerId", ResourceName::Id(101), "one-oh-one"},
        FindCase{"EmptyResourceIsFoundWithSizeZero", ResourceName::Text(L"CONTRACT_EMPTY"), ""}),
    [](const ::testing::TestParamInfo<FindCase>& info) {
        return std::string(info.param.situation);
    });

TEST(ResourcesContract, AMissingNameOrTypeIsReportedWithItsOwnError) {
    platform::Platform& os = Env().Os();
    const std::uint8_t* data = nullptr;
    std::uint32_t size = 0;
    EXPECT_FALSE(os.resources.FindResourceData(
        platform::kRtRcdata, ResourceName::Text(L"VLLANGPACK_XX_XX"), &data, &size));
    EXPECT_EQ(os.system.GetLastError(), kErrorResourceNameNotFound);
    // The integer id 101 is not the text "101".
    EXPECT_FALSE(os.resources.FindResourceData(platform::kRtRcdata, ResourceName::Text(L"101"),
                                               &data, &size));
    EXPECT_EQ(os.system.GetLastError(), kErrorResourceNameNotFound);
    EXPECT_FALSE(
        os.resources.FindResourceData(0x2F00, ResourceName::Text(L"CONTRACT_ZETA"), &data, &size));
    EXPECT_EQ(os.system.GetLastError(), kErrorResourceTypeNotFound);
}

TEST(ResourcesContract, NamesComeUpperCasedAndSortedByCodeUnitThenTheIds) {
    std::vector<ResourceName> names;
    ASSERT_TRUE(Env().Os().resources.EnumerateResourceNames(platform::kRtRcdata, &names));
    // The program may carry other resources too: look at ours, and at where the ids start.
    std::vector<ResourceName> ours;
    const std::vector<ResourceName> wanted = {
        ResourceName::Text(L"CONTRACTB"), ResourceName::Text(L"CONTRACT_ALPHA"),
        ResourceName::Text(L"CONTRACT_EMPTY"), ResourceName::Text(L"CONTRACT_ZETA"),
        ResourceName::Id(101)};
    for (const ResourceName& name : names) {
        if (std::find(wanted.begin(), wanted.end(), name) != wanted.end()) ours.push_back(name);
    }
    EXPECT_EQ(ours, wanted);
    const auto firstId =
        std::find_if(names.begin(), names.end(), [](const ResourceName& n) { return n.isId; });
    EXPECT_TRUE(std::all_of(firstId, names.end(), [](const ResourceName& n) { return n.isId; }));
}

TEST(ResourcesContract, EnumeratingATypeTheProgramLacksFails) {
    std::vector<ResourceName> names;
    EXPECT_FALSE(Env().Os().resources.EnumerateResourceNames(0x2F00, &names));
    EXPECT_EQ(Env().Os().system.GetLastError(), kErrorResourceTypeNotFound);
    EXPECT_TRUE(names.empty());
}

struct StringCase {
    const char* situation;
    std::uint32_t id;
    std::size_t capacity;
    const wchar_t* english;  // with an English UI language
    const wchar_t* german;   // with a German one
};

class LoadStringContract : public ::testing::TestWithParam<StringCase> {};

TEST_P(LoadStringContract, GivesTheStringOfTheUiLanguageOrAFallback) {
    const StringCase& c = GetParam();
    const bool german = platform::PrimaryLanguageOf(Env().UiLanguage()) ==
                        platform::PrimaryLanguageOf(platform::kLangGerman);
    const std::wstring expected = german ? c.german : c.english;
    std::wstring text = L"stale";
    EXPECT_EQ(Env().Os().resources.LoadStringText(c.id, c.capacity, &text),
              static_cast<int>(expected.size()));
    EXPECT_EQ(text, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Ids, LoadStringContract,
    ::testing::Values(
        StringCase{"InBothLanguages", 101, 1024, L"Hello", L"Hallo"},
        StringCase{"CutToTheBufferWithRoomForTheTerminator", 101, 4, L"Hel", L"Hal"},
        StringCase{"BufferOfOneHoldsOnlyTheTerminator", 101, 1, L"", L""},
        StringCase{"OnlyInGermanFallsBackToIt", 200, 1024, L"Nur deutsch", L"Nur deutsch"},
        // German has the block of ids 96 to 111 as well, without this one.
        StringCase{"BlockOfTheUiLanguageWinsEvenWithoutTheString", 103, 1024, L"Only English", L""},
        StringCase{"MissingIdInAnExistingBlock", 102, 1024, L"", L""},
        StringCase{"NoSuchBlock", 5000, 1024, L"", L""}),
    [](const ::testing::TestParamInfo<StringCase>& info) {
        return std::string(info.param.situation);
    });

}  // namespace
}  // namespace quorix::contract
