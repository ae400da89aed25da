// How the Desktop area behaves, on the simulated Windows and on the real Win32 layer. Whether
// a shell window exists and the session's names depend on the machine; what is checked here is
// what every machine answers alike.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace quorix::contract
