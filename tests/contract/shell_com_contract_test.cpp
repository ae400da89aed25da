// How the Shell and Com areas behave, on the simulated Windows and on the real Win32 layer.
// Opening an address needs a browser registered on the machine, which a contract cannot
// assume; the Wine scenarios register a handler of their own for that.
#include <gtest/gtest.h>

#include "common/text.h"
#include "contract_environment.h"

namespace quorix::contract {
namespace {

const std::wstring kGuidText = L"{00112233-4455-6677-8899-AABBCCDDEEFF}";

platform::Guid KnownGuid() {
    platform::Guid guid;
    guid.data1 = 0x00112233;
    guid.data2 = 0x4455;
    guid.data3 = 0x6677;
    guid.data4 = {0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    return guid;
}

TEST(ShellContract, OpeningAMissingFileFailsWithFileNotFound) {
    platform::ShellRequest request;
    request.verb = L"open";
    request.file = Env().ScratchFolder() + Env().UniqueName(L"missing") + L".txt";
    const std::uintptr_t result = Env().Os().shell.Execute(request);
    EXPECT_FALSE(platform::ShellExecuteSucceeded(result));
    EXPECT_EQ(result, platform::kSeErrFileNotFound);
}

TEST(ShellContract, AMissingProgramWithParametersFailsToo) {
    platform::ShellRequest request;
    request.verb = L"open";
    request.file = Env().ScratchFolder() + Env().UniqueName(L"no-such-program") + L".exe";
    request.parameters = L"\"https://link.velora.example/\"";
    EXPECT_LE(Env().Os().shell.Execute(request), platform::kShellExecuteErrorLimit);
}

TEST(ComContract, InitialisationNestsAndIsUndoneOncePerSuccess) {
    platform::Com& com = Env().Os().com;
    const std::int32_t first = com.InitializeCom();
    EXPECT_EQ(first, 0);
    EXPECT_EQ(com.InitializeCom(), platform::kComSFalse);
    com.UninitializeCom();
    com.UninitializeCom();
    // Left again: the next initialisation is a first one once more.
    EXPECT_EQ(com.InitializeCom(), 0);
    com.UninitializeCom();
}

TEST(ComContract, NewGuidsDifferFromEachOtherAndFromZero) {
    platform::Com& com = Env().Os().com;
    platform::Guid a, b;
    ASSERT_EQ(com.CreateGuid(&a), 0);
    ASSERT_EQ(com.CreateGuid(&b), 0);
    EXPECT_NE(a, b);
    EXPECT_NE(a, platform::Guid());
}

TEST(ComContract, AGuidTextIsBracedUpperCaseHexOf38Characters) {
    platform::Com& com = Env().Os().com;
    std::wstring text;
    EXPECT_EQ(com.StringFromGuid(KnownGuid(), platform::kGuidTextCapacity, &text), 39);
    EXPECT_EQ(text, kGuidText);
    std::wstring untouched = L"untouched";
    EXPECT_EQ(com.StringFromGuid(KnownGuid(), 38, &untouched), 0);
    EXPECT_EQ(untouched, L"untouched");
}

TEST(ComContract, ParsingTakesBracedTextInEitherCaseAndNothingElse) {
    platform::Com& com = Env().Os().com;
    platform::Guid guid;
    ASSERT_EQ(com.ParseIid(kGuidText, &guid), 0);
    EXPECT_EQ(guid, KnownGuid());
    platform::Guid lower;
    ASSERT_EQ(com.ParseIid(L"{00112233-4455-6677-8899-aabbccddeeff}", &lower), 0);
    EXPECT_EQ(lower, KnownGuid());
    for (const wchar_t* rejected :
         {L"", L"00112233-4455-6677-8899-AABBCCDDEEFF", L"{00112233-4455-6677-8899-AABBCCDDEEFG}",
          L"{00112233-4455-6677-8899-AABBCCDDEEFF}x", L"(00112233-4455-6677-8899-AABBCCDDEEFF)",
          L"{00112233+4455-6677-8899-AABBCCDDEEFF}", L"{garbage}"}) {
        platform::Guid ignored;
        EXPECT_LT(com.ParseIid(rejected, &ignored), 0) << NarrowAscii(rejected);
    }
}

TEST(ComContract, ANewGuidSurvivesItsText) {
    platform::Com& com = Env().Os().com;
    platform::Guid created, parsed;
    std::wstring text;
    ASSERT_EQ(com.CreateGuid(&created), 0);
    ASSERT_EQ(com.StringFromGuid(created, platform::kGuidTextCapacity, &text), 39);
    ASSERT_EQ(com.ParseIid(text, &parsed), 0);
    EXPECT_EQ(parsed, created);
}

}  // namespace
}  // namespace quorix::contract
