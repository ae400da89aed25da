// How the Files area tells a file's times and reads initialization files, on the simulated
// Windows and on the real Win32 layer.
#include <gtest/gtest.h>

#include <string>

#include "common/result_codes.h"
#include "contract_environment.h"

namespace quorix::contract {
namespace {

constexpr std::uint64_t kYear2011 = 129383136000000000;  // 2011-01-01 00:00 UTC

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

class FileDetailsContract : public ::testing::Test {
protected:
    platform::Files& files = Env().Os().files;
    std::wstring NewPath(const std::wstring& stem, const std::wstring& extension) {
        return Env().ScratchFolder() + Env().UniqueName(stem) + extension;
    }
    std::wstring Profile() {
        const std::wstring path = NewPath(L"profile", L".dat");
        Env().PutFile(path, Bytes("; the product file\r\n[VersionInfo]\r\nVLAppId=VLQ2011\r\n"
                                  "[Other]\r\n  Spaced Key  =  \"quoted value\"  \r\nEmpty=\r\n"));
        return path;
    }
};

TEST_F(FileDetailsContract, AFileHasItsSizeAttributesAndAWriteTime) {
    const std::wstring path = NewPath(L"details", L".bin");
    Env().PutFile(path, Bytes("12345"));
    platform::FileAttributeData data;
    ASSERT_TRUE(files.GetAttributesEx(path, &data));
    EXPECT_EQ(data.size, 5u);
    EXPECT_EQ(data.attributes & platform::kFileAttributeDirectory, 0u);
    EXPECT_GE(data.lastWriteTime, kYear2011);
}

TEST_F(FileDetailsContract, AFolderIsADirectoryAndAMissingFileIsNotFound) {
    platform::FileAttributeData data;
    ASSERT_TRUE(files.GetAttributesEx(Env().ScratchFolder(), &data));
    EXPECT_NE(data.attributes & platform::kFileAttributeDirectory, 0u);
    EXPECT_FALSE(files.GetAttributesEx(NewPath(L"missing", L".bin"), &data));
    EXPECT_EQ(Env().Os().system.GetLastError(), kErrorFileNotFound);
}

TEST_F(FileDetailsContract, AProfileValueIsFoundWithoutRegardToCase) {
    const std::wstring path = Profile();
    std::wstring text;
    EXPECT_EQ(files.ReadProfileString(path, L"VersionInfo", L"VLAppId", L"", 260, &text), 7u);
    EXPECT_EQ(text, L"VLQ2011");
    EXPECT_EQ(files.ReadProfileString(path, L"versioninfo", L"VLAPPID", L"", 260, &text), 7u);
    EXPECT_EQ(text, L"VLQ2011");
}

TEST_F(FileDetailsContract, BlanksAndOnePairOfQuotationMarksAreDropped) {
    std::wstring text;
    EXPECT_EQ(files.ReadProfileString(Profile(), L"Other", L"Spaced Key", L"", 260, &text), 12u);
    EXPECT_EQ(text, L"quoted value");
}

TEST_F(FileDetailsContract, AMissingKeyOrFileGivesTheFallbackAndAnEmptyValueNothing) {
    const std::wstring path = Profile();
    std::wstring text;
    EXPECT_EQ(files.ReadProfileString(path, L"VersionInfo", L"Missing", L"none", 260, &text), 4u);
    EXPECT_EQ(text, L"none");
    EXPECT_EQ(files.ReadProfileString(path, L"Other", L"Empty", L"none", 260, &text), 0u);
    EXPECT_EQ(text, L"");
    EXPECT_EQ(files.ReadProfileString(path + L".missing", L"VersionInfo", L"VLAppId", L"none", 260,
                                      &text),
              4u);
    EXPECT_EQ(text, L"none");
}

TEST_F(FileDetailsContract, AValueLongerThanTheBufferIsCut) {
    std::wstring text;
    EXPECT_EQ(files.ReadProfileString(Profile(), L"VersionInfo", L"VLAppId", L"", 4, &text), 3u);
    EXPECT_EQ(text, L"VLQ");
}

}  // namespace
}  // namespace quorix::contract
