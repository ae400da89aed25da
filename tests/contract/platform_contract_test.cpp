// How each platform interface behaves. The same tests run on the simulated Windows and on the
// real Win32 layer under Wine: the simulation is only trusted as far as this suite agrees.
#include <gtest/gtest.h>

#include "common/result_codes.h"
#include "contract_environment.h"

namespace quorix::contract {
namespace {

using platform::NativeHandle;

TEST(SystemContract, NewMutexClearsTheLastErrorAndASecondCreateSeesItExists) {
    platform::System& system = Env().Os().system;
    const std::wstring name = Env().UniqueName(L"QuorixContractMutex");
    system.SetLastError(kErrorAccessDenied);
    const NativeHandle first = system.CreateNamedMutex(true, name);
    ASSERT_NE(first, platform::kNullHandle);
    EXPECT_EQ(system.GetLastError(), 0u);
    const NativeHandle second = system.CreateNamedMutex(true, name);
    EXPECT_NE(second, platform::kNullHandle);
    EXPECT_EQ(system.GetLastError(), kErrorAlreadyExists);
    EXPECT_TRUE(system.CloseHandle(second));
    EXPECT_TRUE(system.CloseHandle(first));
}

TEST(SystemContract, ClosingAHandleTwiceFailsTheSecondTime) {
    platform::System& system = Env().Os().system;
    const NativeHandle mutex =
        system.CreateNamedMutex(false, Env().UniqueName(L"QuorixContractClose"));
    ASSERT_TRUE(system.CloseHandle(mutex));
    EXPECT_FALSE(system.CloseHandle(mutex));
    EXPECT_EQ(system.GetLastError(), kErrorInvalidHandle);
}

TEST(SystemContract, CommandLineHasTheProgramFirst) {
    std::vector<std::wstring> argv;
    ASSERT_TRUE(Env().Os().system.GetCommandLineArguments(&argv));
    ASSERT_FALSE(argv.empty());
    EXPECT_NE(argv[0].find(L"quorix_contract_tests"), std::wstring::npos);
}

TEST(SystemContract, SystemMessageTextsExistForKnownCodesOnly) {
    std::wstring text;
    EXPECT_TRUE(Env().Os().system.FormatSystemMessage(kErrorFileNotFound, &text));
    EXPECT_FALSE(text.empty());
    // A number no system message has.
    EXPECT_FALSE(Env().Os().system.FormatSystemMessage(0x0000FEDCu, &text));
}

TEST(SystemContract, ProcessTokenOpensForPrivilegeAdjustment) {
    platform::System& system = Env().Os().system;
    const NativeHandle token =
        system.OpenProcessToken(platform::kTokenAdjustPrivileges | platform::kTokenQuery);
    ASSERT_NE(token, platform::kNullHandle);
    EXPECT_TRUE(system.CloseHandle(token));
}

TEST(SystemContract, SleepAdvancesTheTickCountAndTheHighResolutionCounter) {
    platform::System& system = Env().Os().system;
    std::uint64_t counterBefore = 0, frequency = 0;
    ASSERT_TRUE(system.QueryHighResolutionCounter(&counterBefore, &frequency));
    const std::uint32_t before = system.GetTickCount();
    system.Sleep(50);
    const std::uint32_t elapsed = system.GetTickCount() - before;  // wrap-safe difference
    EXPECT_GE(elapsed, 25u);  // the tick count moves in 10-16 ms steps
    EXPECT_LT(elapsed, 5000u);
    std::uint64_t counterAfter = 0, frequencyAfter = 0;
    ASSERT_TRUE(system.QueryHighResolutionCounter(&counterAfter, &frequencyAfter));
    EXPECT_GT(frequency, 0u);
    EXPECT_EQ(frequencyAfter, frequency);
    EXPECT_GT(counterAfter, counterBefore);
}

TEST(FilesContract, OpeningAMissingFileFailsWithFileNotFound) {
    platform::Files& files = Env().Os().files;
    const NativeHandle file = files.CreateFileHandle(
        Env().ScratchFolder() + L"does-not-exist.bin", platform::kGenericRead,
        platform::kFileShareRead, platform::kOpenExisting, platform::kFileAttributeNormal);
    EXPECT_EQ(file, platform::kInvalidHandleValue);
    EXPECT_EQ(Env().Os().system.GetLastError(), kErrorFileNotFound);
}

TEST(FilesContract, AMappedViewShowsTheFileAndCoversWholePages) {
    platform::Platform& os = Env().Os();
    const std::wstring path = Env().ScratchFolder() + Env().UniqueName(L"mapped") + L".bin";
    std::vector<std::uint8_t> bytes(5000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    Env().PutFile(path, bytes);

    const NativeHandle file =
        os.files.CreateFileHandle(path, platform::kGenericRead, platform::kFileShareRead,
                                  platform::kOpenExisting, platform::kFileAttributeNormal);
    ASSERT_NE(file, platform::kInvalidHandleValue);
    std::uint64_t size = 0;
    ASSERT_TRUE(os.files.GetFileSize(file, &size));
    EXPECT_EQ(size, 5000u);
    const NativeHandle mapping = os.files.CreateReadOnlyMapping(file);
    ASSERT_NE(mapping, platform::kNullHandle);
    const std::uint8_t* view = os.files.MapReadOnlyView(mapping);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(std::vector<std::uint8_t>(view, view + bytes.size()), bytes);
    std::size_t region = 0;
    ASSERT_TRUE(os.files.QueryRegionSize(view, &region));
    EXPECT_EQ(region, 8192u);  // two pages; the tail past the file reads as zeros
    EXPECT_EQ(view[bytes.size()], 0u);
    EXPECT_TRUE(os.files.UnmapView(view));
    EXPECT_TRUE(os.system.CloseHandle(mapping));
    EXPECT_TRUE(os.system.CloseHandle(file));
}

TEST(FilesContract, AnEmptyFileCannotBeMapped) {
    platform::Platform& os = Env().Os();
    const std::wstring path = Env().ScratchFolder() + Env().UniqueName(L"empty") + L".bin";
    Env().PutFile(path, {});
    const NativeHandle file =
        os.files.CreateFileHandle(path, platform::kGenericRead, platform::kFileShareRead,
                                  platform::kOpenExisting, platform::kFileAttributeNormal);
    ASSERT_NE(file, platform::kInvalidHandleValue);
    EXPECT_EQ(os.files.CreateReadOnlyMapping(file), platform::kNullHandle);
    EXPECT_EQ(os.system.GetLastError(), 1006u);  // ERROR_FILE_INVALID
    EXPECT_TRUE(os.system.CloseHandle(file));
}

TEST(UiContract, AMessageBoxShowsItsCaptionAndTextAndReturnsTheButtonPressed) {
    Env().AnswerNextBox(platform::kIdNo);
    const int answer = Env().Os().ui.ShowMessageBox(L"Contract caption", L"Contract text",
                                                    platform::kMbYesNo | platform::kMbIconQuestion);
    EXPECT_EQ(answer, platform::kIdNo);
    std::optional<SeenBox> seen = Env().LastAnsweredBox();
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(seen->caption, L"Contract caption");
    EXPECT_EQ(seen->text, L"Contract text");
}

TEST(UiContract, StandardCommonControlsInitialise) {
    EXPECT_TRUE(Env().Os().ui.InitCommonControls(platform::kIccStandardClasses));
}

}  // namespace
}  // namespace quorix::contract
