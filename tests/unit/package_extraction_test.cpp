// Writing the embedded packages to files: where they go, the fallbacks, and how a failed
// extraction ends the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "package/package_extraction.h"
#include "support/sim_run.h"

namespace quorix {
namespace {

using test::Ending;
using test::SimProcess;

const std::wstring kCommonFolder = L"C:\\ProgramData\\{7F150524-34B9-B5DF-9E77-69B10F4205B4}\\";
const std::wstring kUserFolder =
    L"C:\\Users\\tester\\AppData\\Roaming\\{7F150524-34B9-B5DF-9E77-69B10F4205B4}\\";
const std::wstring kStem = L"{6513270E-269E-0D37-F2A7-4DE452E6B438}";
const std::wstring kTemp = L"C:\\Users\\tester\\AppData\\Local\\Temp\\";

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(seed + i * 31 + (i >> 9));
    return bytes;
}

const std::vector<std::uint8_t> kBasePayload = Pattern(5000, 1);
const std::vector<std::uint8_t> kEnglishPayload = Pattern(3000, 2);
const std::vector<std::uint8_t> kGermanPayload = Pattern(3100, 3);

// A machine whose executable carries the base package and two language packs.
struct ExtractionProcess : SimProcess {
    ExtractionProcess() {
        machine.resources.AddRcdata(L"MSI", kBasePayload);
        machine.resources.AddRcdata(L"VLLANGPACK_EN_US", kEnglishPayload);
        machine.resources.AddRcdata(L"VLLANGPACK_DE_DE", kGermanPayload);
        machine.system.messageTexts[3] = L"The system cannot find the path specified.\r\n";
        machine.system.messageTexts[31] =
            L"A device attached to the system is not functioning.\r\n";
        machine.system.messageTexts[39] = L"The disk is full.\r\n";
        machine.system.messageTexts[112] = L"There is not enough space on the disk.\r\n";
        machine.system.messageTexts[1814] =
            L"The specified resource name cannot be found in the image file.\r\n";
        machine.core.clockMs = 123456;
    }
    int Calls(const std::string& api) const {
        const auto& trace = machine.core.faults.Trace();
        return static_cast<int>(std::count(trace.begin(), trace.end(), api));
    }
};

std::wstring WithoutSlash(std::wstring path) {
    path.pop_back();
    return path;
}

#define EXPECT_NOTHING_LEFT_OPEN(p) \
    EXPECT_EQ((p).LeftOpen(), 0u) << (p).machine.core.ledger.Describe()

// What another process of the user may do to a package in the moment between the program's
// write and its hold.
using Rewrite = std::function<void(std::vector<std::uint8_t>&)>;
const std::vector<std::pair<const char*, Rewrite>> kRewrites = {
    {"OneByteChanged", [](std::vector<std::uint8_t>& bytes) { bytes[bytes.size() / 2] ^= 0x5A; }},
    {"BytesAppended", [](std::vector<std::uint8_t>& bytes) { bytes.push_back(0); }},
    {"LastByteDropped", [](std::vector<std::uint8_t>& bytes) { bytes.pop_back(); }},
};

// Rewrites the copies `which` picks, right after the program closed its write handle; the
// paths it rewrote go to `rewritten` unless that is null.
void RewriteCopies(ExtractionProcess& p, const Rewrite& rewrite,
                   std::function<bool(const std::wstring&)> which,
                   std::vector<std::wstring>* rewritten) {
    p.machine.files.afterWriteHandleClosed = [&p, rewrite, which,
                                              rewritten](const std::wstring& path) {
        std::vector<std::uint8_t> bytes = *p.machine.files.Contents(path);
        // An empty file is one whose write failed: the program deletes it anyway.
        if (bytes.empty() || !which(path)) return;
        rewrite(bytes);
        p.machine.files.PutFile(path, std::move(bytes));
        if (rewritten != nullptr) rewritten->push_back(path);
    };
}

void RewriteEveryCopy(ExtractionProcess& p) {
    RewriteCopies(
        p, kRewrites[0].second, [](const std::wstring&) { return true; }, nullptr);
}

// ---------------------------------------------------------------- ExtractBasePackage

struct BaseCase {
    const char* situation;
    std::function<void(ExtractionProcess&)> arrange;
    std::wstring expectedPath;
};

class BasePackageTarget : public ::testing::TestWithParam<BaseCase> {};

TEST_P(BasePackageTarget, IsWrittenWhereTheSituationAllows) {
    ExtractionProcess p;
    GetParam().arrange(p);
    std::wstring path;
    const Ending ending = p.Run([&] { path = ExtractBasePackage(p.ctx); });
    ASSERT_FALSE(ending.exitedProcess);
    EXPECT_EQ(path, GetParam().expectedPath);
    ASSERT_NE(p.machine.files.Contents(path), nullptr);
    EXPECT_EQ(*p.machine.files.Contents(path), kBasePayload);
    EXPECT_TRUE(p.machine.ui.boxes.empty());
    EXPECT_NOTHING_LEFT_OPEN(p);
}

INSTANTIATE_TEST_SUITE_P(
    Situations, BasePackageTarget,
    ::testing::Values(
        BaseCase{"FreshMachine", [](ExtractionProcess&) {}, kCommonFolder + kStem + L".msi"},
        BaseCase{"SecondRunReplacesTheFile",
                 [](ExtractionProcess& p) {
                     p.machine.files.PutFile(kCommonFolder + kStem + L".msi", Pattern(9000, 7));
                 },
                 kCommonFolder + kStem + L".msi"},
        BaseCase{"LimitedUserFallsBackToTheUsersFolder",
                 [](ExtractionProcess& p) { p.machine.files.DenyWritesIn(L"C:\\ProgramData"); },
                 kUserFolder + kStem + L".msi"},
        BaseCase{"NoAllUsersFolderFallsBackToTheUsersFolder",
                 [](ExtractionProcess& p) { p.machine.files.RemoveFolder(L"C:\\ProgramData"); },
                 kUserFolder + kStem + L".msi"},
        BaseCase{
            "AFileInTheWayOfTheDataFolderFallsBackToTheUsersFolder",
            [](ExtractionProcess& p) { p.machine.files.PutFile(WithoutSlash(kCommonFolder), {1}); },
            kUserFolder + kStem + L".msi"},
        BaseCase{"ForeignOwnedAllUsersFolderFallsBackToTheUsersFolder",
                 [](ExtractionProcess& p) {
                     p.machine.files.AddFolder(kCommonFolder);
                     p.machine.files.SetFolderSecurity(kCommonFolder, platform::Trustee::Other,
                                                       p.machine.files.defaultFolderEntries);
                 },
                 kUserFolder + kStem + L".msi"},
        BaseCase{"ReadOnlyOldFileGetsTheTickCountAsSuffix",
                 [](ExtractionProcess& p) {
                     p.machine.files.PutFile(kCommonFolder + kStem + L".msi", {1});
                     p.machine.files.SetAttributes(kCommonFolder + kStem + L".msi", 0x01);
                 },
                 kCommonFolder + kStem + L"_123456.msi"},
        BaseCase{
            "LockedTargetGetsTheTickCountAsSuffix",
            [](ExtractionProcess& p) { p.machine.files.LockFile(kCommonFolder + kStem + L".msi"); },
            kCommonFolder + kStem + L"_123456.msi"},
        BaseCase{"LockedAlternativesCountUp",
                 [](ExtractionProcess& p) {
                     p.machine.files.LockFile(kCommonFolder + kStem + L".msi");
                     p.machine.files.LockFile(kCommonFolder + kStem + L"_123456.msi");
                     p.machine.files.LockFile(kCommonFolder + kStem + L"_123457.msi");
                 },
                 kCommonFolder + kStem + L"_123458.msi"},
        BaseCase{"SuffixWrapsWithTheTickCount",
                 [](ExtractionProcess& p) {
                     p.machine.core.clockMs = 0xFFFFFFFFu;
                     p.machine.files.LockFile(kCommonFolder + kStem + L".msi");
                     p.machine.files.LockFile(kCommonFolder + kStem + L"_4294967295.msi");
                 },
                 kCommonFolder + kStem + L"_0.msi"},
        BaseCase{"LastOfTheHundredAlternativesStillCounts",
                 [](ExtractionProcess& p) {
                     p.machine.files.LockFile(kCommonFolder + kStem + L".msi");
                     for (int i = 0; i < 99; ++i) {
                         p.machine.files.LockFile(kCommonFolder + kStem + L"_" +
                                                  std::to_wstring(123456 + i) + L".msi");
                     }
                 },
                 kCommonFolder + kStem + L"_123555.msi"}),
    [](const ::testing::TestParamInfo<BaseCase>& info) {
        return std::string(info.param.situation);
    });

TEST(BasePackage, SecondRunFindsTheFolderAndMarksItHiddenAndSystemAgain) {
    ExtractionProcess p;
    p.machine.files.AddFolder(kCommonFolder);  // left by an earlier run, attributes lost
    p.Run([&] { ExtractBasePackage(p.ctx); });
    EXPECT_EQ(p.machine.files.GetAttributes(kCommonFolder), 0x16u);
    // The second extraction of the run hands back the same, still held file.
    std::wstring again;
    p.Run([&] { again = ExtractBasePackage(p.ctx); });
    EXPECT_EQ(again, kCommonFolder + kStem + L".msi");
    EXPECT_EQ(p.machine.files.FilesIn(kCommonFolder).size(), 1u);
    EXPECT_NOTHING_LEFT_OPEN(p);
}

struct FatalCase {
    const char* situation;
    std::function<void(ExtractionProcess&)> arrange;
    std::wstring boxText;
    std::uint32_t exitCode;
};

class BasePackageFailure : public ::testing::TestWithParam<FatalCase> {};

TEST_P(BasePackageFailure, EndsTheRunWithExtractMsi) {
    ExtractionProcess p;
    GetParam().arrange(p);
    const Ending ending = p.Run([&] { ExtractBasePackage(p.ctx); });
    // Whatever went wrong, no partial package is left behind.
    for (const std::wstring& file : p.machine.files.FilesIn(kCommonFolder)) {
        EXPECT_TRUE(p.machine.files.lockedFiles.count(sim::FoldKey(file)) != 0)
            << std::string(file.begin(), file.end());
    }
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, GetParam().exitCode);
    ASSERT_EQ(p.machine.ui.boxes.size(), 1u);
    EXPECT_EQ(p.machine.ui.boxes[0].text, GetParam().boxText);
    EXPECT_EQ(p.machine.ui.boxes[0].style, platform::kMbIconError);
    EXPECT_NOTHING_LEFT_OPEN(p);
}

INSTANTIATE_TEST_SUITE_P(
    Situations, BasePackageFailure,
    ::testing::Values(
        FatalCase{"BothDataFoldersDenied",
                  [](ExtractionProcess& p) {
                      p.machine.files.DenyWritesIn(L"C:\\ProgramData");
                      p.machine.files.DenyWritesIn(L"C:\\Users\\tester\\AppData\\Roaming");
                  },
                  L"ExtractMsi: Access denied.\r\n", 5},
        FatalCase{"SecondDataFolderCallGivesTheCode",
                  [](ExtractionProcess& p) {
                      p.machine.files.DenyWritesIn(L"C:\\ProgramData");
                      p.machine.files.RemoveFolder(L"C:\\Users\\tester\\AppData\\Roaming");
                  },
                  L"ExtractMsi: File not found.\r\n", 2},
        // Another name cannot help: the run stops at the first attempt.
        FatalCase{"DiskFullStopsAtOnce",
                  [](ExtractionProcess& p) { p.machine.files.diskFreeBytes = 100; },
                  L"ExtractMsi: There is not enough space on the disk.\r\n", 112},
        FatalCase{"ShortWriteStopsAtOnce",
                  [](ExtractionProcess& p) {
                      p.machine.files.diskFreeBytes = 100;
                      p.machine.files.diskFullWritesShort = true;
                  },
                  L"ExtractMsi: The disk is full.\r\n", 39},
        FatalCase{
            "ParentFoldersVanishBeforeCreation",
            [](ExtractionProcess& p) { p.machine.core.faults.Fail("CreateDirectoryW", 3, 2); },
            L"ExtractMsi: The system cannot find the path specified.\r\n", 3},
        FatalCase{
            "FolderCreationFailsWithoutAnError",
            [](ExtractionProcess& p) { p.machine.core.faults.Fail("CreateDirectoryW", 0, 2); },
            L"ExtractMsi: A device attached to the system is not functioning.\r\n", 31},
        FatalCase{"TargetAndHundredAlternativesLocked",
                  [](ExtractionProcess& p) {
                      p.machine.files.LockFile(kCommonFolder + kStem + L".msi");
                      for (int i = 0; i < 100; ++i) {
                          p.machine.files.LockFile(kCommonFolder + kStem + L"_" +
                                                   std::to_wstring(123456 + i) + L".msi");
                      }
                  },
                  L"ExtractMsi: The process cannot access the file because it is being used by "
                  L"another process.\r\n",
                  32},
        // Each copy is deleted again; the hundred and first is the last one tried.
        FatalCase{"EveryCopyRewrittenBeforeItIsHeld", RewriteEveryCopy,
                  L"ExtractMsi: The process cannot access the file because it is being used by "
                  L"another process.\r\n",
                  32},
        FatalCase{"NoBasePackageInTheExecutable",
                  [](ExtractionProcess& p) {
                      p.machine.resources.RemoveResource(platform::kRtRcdata,
                                                         platform::ResourceName::Text(L"MSI"));
                  },
                  L"ExtractMsi: The specified resource name cannot be found in the image file.\r\n",
                  1814}),
    [](const ::testing::TestParamInfo<FatalCase>& info) {
        return std::string(info.param.situation);
    });

TEST(BasePackage, AFullDiskIsOneAttemptNotAHundredAndOne) {
    ExtractionProcess p;
    p.machine.files.diskFreeBytes = 100;
    const Ending ending = p.Run([&] { ExtractBasePackage(p.ctx); });
    EXPECT_EQ(ending.exitCode, 112u);
    EXPECT_EQ(p.Calls("WriteFile"), 1);
    EXPECT_TRUE(p.machine.files.FilesIn(kCommonFolder).empty());
}

TEST(BasePackage, AnOldFileIsDeletedAndThePackageWrittenIntoANewOne) {
    ExtractionProcess p;
    const std::wstring target = kCommonFolder + kStem + L".msi";
    p.machine.files.PutFile(target, Pattern(9000, 7));
    const Ending ending = p.Run([&] { ExtractBasePackage(p.ctx); });
    ASSERT_FALSE(ending.exitedProcess);
    // The delete comes first; the file is then made anew (CREATE_NEW), never opened over.
    const std::vector<std::string>& trace = p.machine.core.faults.Trace();
    const auto deleted = std::find(trace.begin(), trace.end(), "DeleteFileW");
    ASSERT_NE(deleted, trace.end());
    EXPECT_NE(std::find(deleted, trace.end(), "WriteFile"), trace.end());
    EXPECT_EQ(*p.machine.files.Contents(target), kBasePayload);
}

// ---------------------------------------------------------------- packages held for the installer

struct HeldCase {
    const char* package;
    std::function<std::wstring(ExtractionProcess&)> extract;
    const std::vector<std::uint8_t>* payload;
    std::wstring nextPath;  // where it goes when its first file is in the way
};

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }

class PackageHold : public ::testing::TestWithParam<HeldCase> {};

TEST_P(PackageHold, CannotBeWrittenOrDeletedUntilReleasedButCanBeRead) {
    ExtractionProcess p;
    std::wstring path;
    const Ending ending = p.Run([&] { path = GetParam().extract(p); });
    ASSERT_FALSE(ending.exitedProcess);
    sim::SimFiles& files = p.machine.files;
    // Another process's attempts: writing (also shared), appending, deleting.
    for (std::uint32_t share : {0u, 1u, 3u, 7u}) {
        EXPECT_EQ(files.CreateFileHandle(path, platform::kGenericWrite, share,
                                         platform::kOpenExisting, platform::kFileAttributeNormal),
                  platform::kInvalidHandleValue);
        EXPECT_EQ(p.machine.core.lastError, 32u);
    }
    EXPECT_FALSE(files.DeleteFileAt(path));
    EXPECT_EQ(p.machine.core.lastError, 32u);
    // The installer reads it as a reader that lets others read.
    const platform::NativeHandle reader =
        files.CreateFileHandle(path, platform::kGenericRead, platform::kFileShareRead,
                               platform::kOpenExisting, platform::kFileAttributeNormal);
    EXPECT_TRUE(platform::IsValidHandle(reader));
    p.machine.system.CloseHandle(reader);
    EXPECT_EQ(p.state.heldPackages.size(), 1u);
    EXPECT_NOTHING_LEFT_OPEN(p);

    ReleasePackage(p.ctx, path);
    EXPECT_TRUE(p.state.heldPackages.empty());
    EXPECT_EQ(p.machine.core.ledger.OpenCount(), 0u);
    EXPECT_TRUE(files.DeleteFileAt(path));
}

TEST_P(PackageHold, RewrittenBeforeItIsHeldIsDeletedAndAVerifiedCopyTakesItsPlace) {
    for (const auto& [change, rewrite] : kRewrites) {
        SCOPED_TRACE(change);
        ExtractionProcess p;
        std::vector<std::wstring> rewritten;
        RewriteCopies(
            p, rewrite, [&](const std::wstring&) { return rewritten.empty(); }, &rewritten);
        std::wstring path;
        const Ending ending = p.Run([&] { path = GetParam().extract(p); });
        ASSERT_FALSE(ending.exitedProcess);
        ASSERT_EQ(rewritten.size(), 1u);
        EXPECT_EQ(path, GetParam().nextPath);
        // The rewritten copy is gone; what is left is the package.
        EXPECT_EQ(p.machine.files.FilesIn(FolderOf(path)), std::vector<std::wstring>{path});
        ASSERT_NE(p.machine.files.Contents(path), nullptr);
        EXPECT_EQ(*p.machine.files.Contents(path), *GetParam().payload);
        ASSERT_EQ(p.state.heldPackages.size(), 1u);
        EXPECT_EQ(p.state.heldPackages[0].path, path);
        EXPECT_NOTHING_LEFT_OPEN(p);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Packages, PackageHold,
    ::testing::Values(HeldCase{"Base",
                               [](ExtractionProcess& p) { return ExtractBasePackage(p.ctx); },
                               &kBasePayload, kCommonFolder + kStem + L"_123456.msi"},
                      HeldCase{"LanguagePack",
                               [](ExtractionProcess& p) {
                                   return ExtractLanguagePack(p.ctx, L"VLLANGPACK_EN_US");
                               },
                               // The deleted file's number is free again: the system makes
                               // the file anew under it.
                               &kEnglishPayload, kTemp + L"VLME240.tmp"}),
    [](const auto& info) { return std::string(info.param.package); });

TEST(HeldPackages, ASecondExtractionOfTheBasePackageHandsBackItsOwnHeldCopy) {
    ExtractionProcess p;
    std::wstring first, second, third;
    const Ending ending = p.Run([&] {
        first = ExtractBasePackage(p.ctx);
        second = ExtractBasePackage(p.ctx);
    });
    ASSERT_FALSE(ending.exitedProcess);
    EXPECT_EQ(first, second);
    EXPECT_EQ(p.Calls("WriteFile"), 1);  // written once, not again beside the held copy
    EXPECT_EQ(p.state.heldPackages.size(), 1u);
    // Once released (the installer has read it), the next extraction writes it anew.
    p.Run([&] {
        ReleasePackage(p.ctx, first);
        third = ExtractBasePackage(p.ctx);
    });
    EXPECT_EQ(third, first);
    EXPECT_EQ(p.Calls("WriteFile"), 2);
    EXPECT_EQ(*p.machine.files.Contents(third), kBasePayload);
    EXPECT_NOTHING_LEFT_OPEN(p);
}

TEST(HeldPackages, AReopenThatFailsLeavesNoPackageBehindAndANewFileIsTried) {
    ExtractionProcess p;
    // The second CreateFileW of the pack (after GetTempFileNameW) is the reopen for reading.
    p.machine.core.faults.Fail("CreateFileW", 32, 1, 1);
    std::wstring path;
    const Ending ending = p.Run([&] { path = ExtractLanguagePack(p.ctx, L"VLLANGPACK_EN_US"); });
    ASSERT_FALSE(ending.exitedProcess);
    EXPECT_EQ(p.machine.files.FilesIn(kTemp), std::vector<std::wstring>{path});
    EXPECT_EQ(p.Calls("GetTempFileNameW"), 2);
    EXPECT_EQ(*p.machine.files.Contents(path), kEnglishPayload);
    EXPECT_EQ(p.state.heldPackages.size(), 1u);
}

TEST(BasePackage, GivesUpAfterExactlyOneHundredAlternativeNames) {
    ExtractionProcess p;
    p.machine.files.DenyWritesIn(kCommonFolder);  // the folder exists, nothing can be written in it
    p.machine.files.AddFolder(kCommonFolder);
    const Ending ending = p.Run([&] { ExtractBasePackage(p.ctx); });
    EXPECT_EQ(ending.exitCode, 5u);
    // One look at the folder that exists already, then the plain name and 100 numbered ones.
    EXPECT_EQ(p.Calls("CreateFileW"), 1 + 101);
    EXPECT_TRUE(p.machine.files.FilesIn(kCommonFolder).empty());
}

// ---------------------------------------------------------------- ExtractLanguagePack

TEST(LanguagePack, GoesToANewTemporaryFileNamedAfterThePrefixAndTheTickCount) {
    ExtractionProcess p;
    p.machine.core.clockMs = 0x31A2B;  // the system takes the low 16 bits
    std::wstring path;
    const Ending ending = p.Run([&] { path = ExtractLanguagePack(p.ctx, L"VLLANGPACK_EN_US"); });
    ASSERT_FALSE(ending.exitedProcess);
    EXPECT_EQ(path, kTemp + L"VLM1A2B.tmp");
    ASSERT_NE(p.machine.files.Contents(path), nullptr);
    EXPECT_EQ(*p.machine.files.Contents(path), kEnglishPayload);
    EXPECT_NOTHING_LEFT_OPEN(p);
}

TEST(LanguagePack, TwoPacksInOneRunGoToTwoFilesInTheOrderOfExtraction) {
    ExtractionProcess p;
    std::wstring english, german;
    p.Run([&] {
        english = ExtractLanguagePack(p.ctx, L"VLLANGPACK_EN_US");
        german = ExtractLanguagePack(p.ctx, L"VLLANGPACK_DE_DE");
    });
    EXPECT_NE(english, german);
    EXPECT_EQ(*p.machine.files.Contents(english), kEnglishPayload);
    EXPECT_EQ(*p.machine.files.Contents(german), kGermanPayload);
    // Same tick: the second file takes the next free number.
    EXPECT_EQ(english, kTemp + L"VLME240.tmp");
    EXPECT_EQ(german, kTemp + L"VLME241.tmp");
    EXPECT_NOTHING_LEFT_OPEN(p);
}

TEST(LanguagePack, EarlierTemporaryFilesAreLeftInPlace) {
    ExtractionProcess p;
    p.machine.files.PutFile(kTemp + L"VLME240.tmp", {9, 9});  // from an earlier run
    std::wstring path;
    p.Run([&] { path = ExtractLanguagePack(p.ctx, L"VLLANGPACK_EN_US"); });
    EXPECT_EQ(path, kTemp + L"VLME241.tmp");
    EXPECT_EQ(*p.machine.files.Contents(kTemp + L"VLME240.tmp"), (std::vector<std::uint8_t>{9, 9}));
}

class LanguagePackFailure : public ::testing::TestWithParam<FatalCase> {};

TEST_P(LanguagePackFailure, EndsTheRunWithItsContext) {
    ExtractionProcess p;
    GetParam().arrange(p);
    const Ending ending = p.Run([&] { ExtractLanguagePack(p.ctx, L"VLLANGPACK_EN_US"); });
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, GetParam().exitCode);
    ASSERT_EQ(p.machine.ui.boxes.size(), 1u);
    EXPECT_EQ(p.machine.ui.boxes[0].text, GetParam().boxText);
    EXPECT_NOTHING_LEFT_OPEN(p);
}

INSTANTIATE_TEST_SUITE_P(
    Situations, LanguagePackFailure,
    ::testing::Values(
        FatalCase{"TempPathLongerThanTheBuffer",
                  [](ExtractionProcess& p) {
                      p.machine.files.tempFolder = L"C:\\" + std::wstring(296, L't') + L"\\";
                      p.machine.files.AddFolder(p.machine.files.tempFolder);
                  },
                  L"ExtractMsi216389", 16389},
        FatalCase{"TempPathOfExactlyMaxPathCharacters",
                  [](ExtractionProcess& p) {
                      p.machine.files.tempFolder = L"C:\\" + std::wstring(256, L't') + L"\\";
                  },
                  L"ExtractMsi216389", 16389},
        FatalCase{"NoTempPath",
                  [](ExtractionProcess& p) { p.machine.core.faults.Fail("GetTempPathW", 5); },
                  L"ExtractMsi216389", 16389},
        FatalCase{"TempFolderMissing",
                  [](ExtractionProcess& p) { p.machine.files.RemoveFolder(kTemp); },
                  L"ExtractMsi216389", 16389},
        FatalCase{"TempFolderNotWritable",
                  [](ExtractionProcess& p) { p.machine.files.DenyWritesIn(kTemp); },
                  L"ExtractMsi216389", 16389},
        FatalCase{"PackNotInTheExecutable",
                  [](ExtractionProcess& p) {
                      p.machine.resources.RemoveResource(
                          platform::kRtRcdata, platform::ResourceName::Text(L"VLLANGPACK_EN_US"));
                  },
                  L"ResExportToFile"
                  L"The specified resource name cannot be found in the image file.\r\n",
                  1814},
        FatalCase{"DiskFull", [](ExtractionProcess& p) { p.machine.files.diskFreeBytes = 100; },
                  L"ResExportToFileThere is not enough space on the disk.\r\n", 112},
        FatalCase{"EveryCopyRewrittenBeforeItIsHeld", RewriteEveryCopy,
                  L"ResExportToFileThe process cannot access the file because it is being used "
                  L"by another process.\r\n",
                  32}),
    [](const ::testing::TestParamInfo<FatalCase>& info) {
        return std::string(info.param.situation);
    });

// ---------------------------------------------------------------- ExportResourceToFile

struct ExportCase {
    const char* situation;
    std::function<void(ExtractionProcess&)> arrange;
    HResult result;
    bool fileLeft;  // whether a file is at the target afterwards
};

class ExportResult : public ::testing::TestWithParam<ExportCase> {};

const std::wstring kTarget = L"C:\\Setup\\package.msi";

TEST_P(ExportResult, IsTheFirstFailureAndAFailedWriteLeavesNoFile) {
    ExtractionProcess p;
    GetParam().arrange(p);
    EXPECT_EQ(ExportResourceToFile(p.ctx, L"MSI", kTarget), GetParam().result);
    EXPECT_EQ(p.machine.files.Exists(kTarget), GetParam().fileLeft);
    if (GetParam().result == kSOk) {
        EXPECT_EQ(*p.machine.files.Contents(kTarget), kBasePayload);
    }
    EXPECT_NOTHING_LEFT_OPEN(p);
}

INSTANTIATE_TEST_SUITE_P(
    Situations, ExportResult,
    ::testing::Values(
        ExportCase{"Written", [](ExtractionProcess&) {}, kSOk, true},
        // Never opened over: a name that exists may be a hard link to a file of someone else.
        ExportCase{
            "AFileThereIsLeftAsItIs",
            [](ExtractionProcess& p) { p.machine.files.PutFile(kTarget, Pattern(20000, 5)); },
            static_cast<HResult>(0x80070050u), true},
        ExportCase{"ShortWriteCountsAsAFullDisk",
                   [](ExtractionProcess& p) {
                       p.machine.files.diskFreeBytes = 4000;
                       p.machine.files.diskFullWritesShort = true;
                   },
                   static_cast<HResult>(0x80070027u), false},
        ExportCase{"WriteFailsOnAFullDisk",
                   [](ExtractionProcess& p) { p.machine.files.diskFreeBytes = 0; },
                   static_cast<HResult>(0x80070070u), false},
        ExportCase{"WriteErrorIsTakenBeforeTheCleanUp",
                   [](ExtractionProcess& p) {
                       p.machine.core.faults.Fail("WriteFile", 29);   // ERROR_WRITE_FAULT
                       p.machine.core.faults.Fail("DeleteFileW", 5);  // and so the file stays
                   },
                   static_cast<HResult>(0x8007001Du), true},
        ExportCase{"WriteFailsWithoutAnError",
                   [](ExtractionProcess& p) { p.machine.core.faults.Fail("WriteFile", 0); }, kEFail,
                   false},
        ExportCase{"TargetLocked",
                   [](ExtractionProcess& p) {
                       p.machine.files.PutFile(kTarget, {1, 2, 3});
                       p.machine.files.LockFile(kTarget);
                   },
                   static_cast<HResult>(0x80070020u), true},
        ExportCase{"TargetFolderMissing",
                   [](ExtractionProcess& p) { p.machine.files.RemoveFolder(L"C:\\Setup"); },
                   static_cast<HResult>(0x80070003u), false},
        ExportCase{"EmptyResourceDespiteAStaleError",
                   [](ExtractionProcess& p) {
                       p.machine.resources.AddRcdata(L"MSI", {});
                       p.machine.system.SetLastError(kErrorAlreadyExists);
                   },
                   kEFail, false},
        ExportCase{"SizeCannotBeRead",
                   [](ExtractionProcess& p) { p.machine.core.faults.Fail("SizeofResource", 1812); },
                   static_cast<HResult>(0x80070714u), false},
        ExportCase{"ResourceCannotBeLoaded",
                   [](ExtractionProcess& p) { p.machine.core.faults.Fail("LoadResource", 8); },
                   static_cast<HResult>(0x80070008u), false},
        ExportCase{"ResourceCannotBeLocked",
                   [](ExtractionProcess& p) { p.machine.core.faults.Fail("LockResource", 6); },
                   static_cast<HResult>(0x80070006u), false}),
    [](const ::testing::TestParamInfo<ExportCase>& info) {
        return std::string(info.param.situation);
    });

TEST(ExportResourceToFile, CopiesALargePackageChunkByChunkFromTheModule) {
    ExtractionProcess p;
    const std::vector<std::uint8_t> large = Pattern(2 * kExtractionChunkBytes + 3, 11);
    p.machine.resources.AddRcdata(L"MSI", large);
    ASSERT_EQ(ExportResourceToFile(p.ctx, L"MSI", kTarget), kSOk);
    EXPECT_EQ(*p.machine.files.Contents(kTarget), large);
    EXPECT_EQ(p.Calls("WriteFile"), 3);
}

TEST(ExportResourceToFile, AShortWriteInALaterChunkStillDeletesTheFile) {
    ExtractionProcess p;
    p.machine.resources.AddRcdata(L"MSI", Pattern(2 * kExtractionChunkBytes, 12));
    p.machine.files.diskFreeBytes = kExtractionChunkBytes + 10;
    p.machine.files.diskFullWritesShort = true;
    EXPECT_EQ(ExportResourceToFile(p.ctx, L"MSI", kTarget), static_cast<HResult>(0x80070027u));
    EXPECT_FALSE(p.machine.files.Exists(kTarget));
    EXPECT_EQ(p.Calls("WriteFile"), 2);
    EXPECT_EQ(p.Calls("DeleteFileW"), 1);
}

}  // namespace
}  // namespace quorix

// ---------------------------------------------------------------- an elevated run

namespace quorix {
namespace {

const std::wstring kFirst = L"C:\\Users\\tester\\first";
const std::wstring kElsewhere = L"C:\\Users\\tester\\elsewhere\\";

// An elevated run, and a user's process that points `junction` at kFirst while the program
// writes, at kElsewhere (a file of the same name, other bytes) once it holds its copy. What the
// installer then opens lies in an admin-only folder and is the package; nothing is in kFirst.
void ExpectRetargetingChangesNothing(const std::wstring& junction, bool allUsersTaken,
                                     const std::function<std::wstring(ProcessContext&)>& extract,
                                     const std::vector<std::uint8_t>& payload) {
    ExtractionProcess p;
    p.machine.system.token.elevated = true;
    if (allUsersTaken) {
        p.machine.files.AddFolder(kCommonFolder);
        p.machine.files.SetFolderSecurity(kCommonFolder, platform::Trustee::Other, {});
    }
    p.machine.files.AddFolder(kFirst);
    p.machine.files.SetJunction(junction, kFirst);
    std::wstring path;
    ASSERT_FALSE(p.Run([&] { path = extract(p.ctx); }).exitedProcess);
    p.machine.files.PutFile(kElsewhere + path.substr(path.rfind(L'\\') + 1), Pattern(5000, 9));
    p.machine.files.SetJunction(junction, kElsewhere);
    EXPECT_FALSE(p.machine.files.UserMayRedirect(path)) << path;
    ASSERT_NE(p.machine.files.Contents(path), nullptr) << path;
    EXPECT_EQ(*p.machine.files.Contents(path), payload) << path;
    EXPECT_TRUE(p.machine.files.FilesIn(kFirst).empty());
}

TEST(ElevatedRun, NoPackageIsEverBelowAUsersJunctionRetargetedAfterTheHold) {
    // %TEMP% a junction; the all-users folder made by the user first (the run may not take it)
    // and the user's own product folder a junction.
    ExpectRetargetingChangesNothing(
        kTemp, false,
        [](ProcessContext& ctx) { return ExtractLanguagePack(ctx, L"VLLANGPACK_DE_DE"); },
        kGermanPayload);
    ExpectRetargetingChangesNothing(
        kUserFolder, true, [](ProcessContext& ctx) { return ExtractBasePackage(ctx); },
        kBasePayload);
}

TEST(ElevatedRun, AHardLinkAtATemporaryNameIsNeverWrittenThroughAndAFailedTryLeavesNoFile) {
    struct Plant {
        bool elevated;
        bool link;  // a hard link to another file; otherwise the file made hidden
    };
    for (const Plant plant : {Plant{true, true}, Plant{false, true}, Plant{false, false}}) {
        SCOPED_TRACE(std::string(plant.elevated ? "elevated, " : "") + (plant.link ? "link" : ""));
        ExtractionProcess p;
        p.machine.system.token.elevated = plant.elevated;
        const std::wstring victim = L"C:\\Windows\\System32\\victim.dll";
        p.machine.files.PutFile(victim, {1, 2, 3});
        // Where the user may, at each name GetTempFileNameW made.
        p.machine.files.afterTempFileMade = [&](const std::wstring& path) {
            if (!p.machine.files.UserMayRedirect(path)) return;
            if (plant.link) p.machine.files.MakeHardLink(path, victim);
            if (!plant.link) p.machine.files.SetAttributes(path, platform::kFileAttributeHidden);
        };
        std::wstring pack;
        ASSERT_FALSE(
            p.Run([&] { pack = ExtractLanguagePack(p.ctx, L"VLLANGPACK_EN_US"); }).exitedProcess);
        EXPECT_EQ(*p.machine.files.Contents(victim), (std::vector<std::uint8_t>{1, 2, 3}));
        EXPECT_EQ(*p.machine.files.Contents(pack), kEnglishPayload);
        EXPECT_EQ(p.machine.files.UserMayRedirect(pack), !plant.elevated) << pack;
        if (!plant.elevated) EXPECT_EQ(p.machine.files.FilesIn(kTemp), std::vector{pack});
    }
}

TEST(ElevatedRun, AFileThatLandedElsewhereIsDeletedThroughItsHandleAndRefused) {
    ExtractionProcess p;
    p.machine.system.token.elevated = true;
    // A junction that no folder check saw (the path is asked for directly): the file's final
    // path gives it away before a byte is written.
    p.machine.files.AddFolder(kElsewhere);
    p.machine.files.SetJunction(L"C:\\Other", kElsewhere);
    EXPECT_EQ(ExportResourceToFile(p.ctx, L"MSI", L"C:\\Other\\pack.msi"), HResultFromWin32(1921));
    EXPECT_TRUE(p.machine.files.FilesIn(kElsewhere).empty());
    EXPECT_NOTHING_LEFT_OPEN(p);
}

}  // namespace
}  // namespace quorix
