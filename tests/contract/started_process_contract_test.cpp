// Programs started through ShellExecuteExW with their process handed back, and the exit code
// read from it, on the simulated Windows and on the real Win32 layer.
#include <gtest/gtest.h>

#include "contract_environment.h"

namespace quorix::contract {
namespace {

constexpr std::uint32_t kWaitMask = platform::kSeeMaskNoCloseProcess | platform::kSeeMaskNoAsync;
// SEE_MASK_FLAG_NO_UI: a failure is only reported, not shown in a box of the shell's own.
constexpr std::uint32_t kNoUi = 0x400;

TEST(StartedProcessContract, TheExitCodeIsStillActiveUntilTheProgramHasEnded) {
    platform::ShellRequest request;
    request.verb = L"open";
    request.file = Env().ProgramEndingWith(7, &request.parameters);
    request.show = platform::kSwShowNormal;
    platform::NativeHandle process = platform::kNullHandle;
    ASSERT_TRUE(Env().Os().shell.ExecuteEx(request, kWaitMask, &process));
    ASSERT_TRUE(platform::IsValidHandle(process));

    std::uint32_t exitCode = platform::kStillActive;
    for (int i = 0; i < 2000 && exitCode == platform::kStillActive; ++i) {
        ASSERT_TRUE(Env().Os().shell.GetProcessExitCode(process, &exitCode));
        if (exitCode == platform::kStillActive) Env().Os().system.Sleep(10);
    }
    EXPECT_EQ(exitCode, 7u);
    // An ended process keeps its exit code for as long as its handle is open.
    std::uint32_t again = 0;
    EXPECT_TRUE(Env().Os().shell.GetProcessExitCode(process, &again));
    EXPECT_EQ(again, 7u);
    EXPECT_TRUE(Env().Os().system.CloseHandle(process));
}

// A program may really end with 259: only a wait on the process itself tells it from one still
// running.
TEST(StartedProcessContract, AWaitOnTheProcessEndsWhenItEndsEvenWithExitCode259) {
    platform::ShellRequest request;
    request.verb = L"open";
    request.file = Env().ProgramEndingWith(platform::kStillActive, &request.parameters);
    request.show = platform::kSwShowNormal;
    platform::NativeHandle process = platform::kNullHandle;
    ASSERT_TRUE(Env().Os().shell.ExecuteEx(request, kWaitMask, &process));
    ASSERT_TRUE(platform::IsValidHandle(process));
    EXPECT_EQ(Env().Os().shell.WaitForProcess(process, 60000), platform::kWaitObject0);
    std::uint32_t exitCode = 0;
    EXPECT_TRUE(Env().Os().shell.GetProcessExitCode(process, &exitCode));
    EXPECT_EQ(exitCode, platform::kStillActive);
    EXPECT_TRUE(Env().Os().system.CloseHandle(process));
}

TEST(StartedProcessContract, AMissingProgramIsNotStartedAndHandsBackNoProcess) {
    platform::ShellRequest request;
    request.verb = L"open";
    request.file = Env().ScratchFolder() + Env().UniqueName(L"no-helper") + L".exe";
    request.parameters = L"--close-vlqapps";
    platform::NativeHandle process = 0x1234;
    EXPECT_FALSE(Env().Os().shell.ExecuteEx(request, kWaitMask | kNoUi, &process));
    EXPECT_EQ(process, platform::kNullHandle);
    EXPECT_EQ(Env().Os().system.GetLastError(), 2u);  // ERROR_FILE_NOT_FOUND
}

}  // namespace
}  // namespace quorix::contract
