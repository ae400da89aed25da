// How the Desktop area behaves, on the simulated Windows and on the real Win32 layer. Whether
// a shell window exists, the version and the session's names depend on the machine; what is
// checked here is what every machine answers alike.
#include <gtest/gtest.h>

#include "common/text.h"
#include "contract_environment.h"

namespace quorix::contract {
namespace {

TEST(DesktopContract, AWindowClassNobodyRegisteredIsNotFound) {
    platform::Desktop& desktop = Env().Os().desktop;
    const platform::NativeHandle window =
        desktop.FindTopWindow(L"QuorixNoSuchClass" + Env().UniqueName(L"w"));
    EXPECT_EQ(window, platform::kNullHandle);
    EXPECT_FALSE(desktop.IsWindowHandle(platform::kNullHandle));
}

TEST(DesktopContract, ExpansionCountsTheTerminatorAndAsksForMoreWhenShort) {
    platform::Desktop& desktop = Env().Os().desktop;
    std::wstring text;
    EXPECT_EQ(desktop.ExpandEnvironment(L"plain text", 260, &text), 11u);
    EXPECT_EQ(text, L"plain text");

    // Exactly enough room: the text and its terminator.
    text.clear();
    EXPECT_EQ(desktop.ExpandEnvironment(L"plain text", 11, &text), 11u);
    EXPECT_EQ(text, L"plain text");

    std::wstring untouched = L"untouched";
    EXPECT_EQ(desktop.ExpandEnvironment(L"plain text", 10, &untouched), 11u);
    EXPECT_EQ(untouched, L"untouched");
}

TEST(DesktopContract, AnUndefinedVariableStaysAsWritten) {
    std::wstring text;
    const std::wstring source = L"%QUORIX_UNDEFINED_VARIABLE%\\x";
    EXPECT_EQ(Env().Os().desktop.ExpandEnvironment(source, 260, &text), source.size() + 1);
    EXPECT_EQ(text, source);
}

TEST(DesktopContract, SystemRootIsTheWindowsFolder) {
    std::wstring windows;
    const std::uint32_t length = Env().Os().files.GetWindowsFolder(260, &windows);
    ASSERT_GT(length, 0u);
    std::wstring expanded;
    const std::uint32_t count =
        Env().Os().desktop.ExpandEnvironment(L"%SystemRoot%\\Explorer.EXE", 260, &expanded);
    EXPECT_EQ(count, expanded.size() + 1);
    EXPECT_TRUE(EqualsIgnoringAsciiCase(expanded, windows + L"\\Explorer.EXE"))
        << NarrowAscii(expanded) << " vs " << NarrowAscii(windows);
}

TEST(DesktopContract, VersionWordHoldsMajorAndMinorInItsLowBytes) {
    const std::uint32_t word = Env().Os().desktop.GetVersionWord();
    EXPECT_GE(word & 0xFFu, 5u);
    EXPECT_LT(word & 0xFFu, 20u);
    EXPECT_EQ(word & 0x80000000u, 0u);  // an NT system
}

TEST(DesktopContract, SystemTimeConvertsToTheFileTimeOfItsDate) {
    platform::SystemTime time;
    time.year = 2011;
    time.month = 12;
    time.day = 31;
    time.hour = 23;
    time.minute = 59;
    time.second = 30;
    std::uint64_t fileTime = 0;
    ASSERT_TRUE(Env().Os().desktop.ConvertSystemTime(time, &fileTime));
    EXPECT_EQ(fileTime, 129698495700000000ull);
    // And back through the system's own conversion, a minute later.
    platform::SystemTime later;
    ASSERT_TRUE(Env().Os().system.ConvertFileTime(fileTime + 600000000ull, &later));
    EXPECT_EQ(later.year, 2012);
    EXPECT_EQ(later.month, 1);
    EXPECT_EQ(later.day, 1);
    EXPECT_EQ(later.minute, 0);
    EXPECT_EQ(later.second, 30);

    // (Wine 8 takes 29 February of a common year; Windows refuses it, and so does the sim.)
    time.month = 13;
    EXPECT_FALSE(Env().Os().desktop.ConvertSystemTime(time, &fileTime));
}

}  // namespace
}  // namespace quorix::contract
