// Named mutexes and system message texts: how long a name lives, how it is compared, and what
// comes back for a message that has inserts, on both sides.
#include <gtest/gtest.h>

#include "common/result_codes.h"
#include "contract_environment.h"

namespace quorix::contract {
namespace {

using platform::NativeHandle;

platform::System& System() { return Env().Os().system; }

// Creates the mutex and reports whether it existed before.
bool CreateExisted(const std::wstring& name, NativeHandle* handle) {
    System().SetLastError(kErrorAccessDenied);
    *handle = System().CreateNamedMutex(false, name);
    EXPECT_NE(*handle, platform::kNullHandle) << "CreateMutexW failed";
    return System().GetLastError() == kErrorAlreadyExists;
}

TEST(MutexNameContract, TheNameLivesExactlyAsLongAsAHandleToIt) {
    const std::wstring name = Env().UniqueName(L"QuorixLifetime");
    NativeHandle first = platform::kNullHandle;
    NativeHandle second = platform::kNullHandle;
    NativeHandle third = platform::kNullHandle;
    ASSERT_FALSE(CreateExisted(name, &first));
    EXPECT_TRUE(CreateExisted(name, &second));
    ASSERT_TRUE(System().CloseHandle(first));
    // One handle left: the name still stands.
    EXPECT_TRUE(CreateExisted(name, &third));
    ASSERT_TRUE(System().CloseHandle(third));
    ASSERT_TRUE(System().CloseHandle(second));
    // No handle left: the next create makes a new mutex.
    NativeHandle fresh = platform::kNullHandle;
    EXPECT_FALSE(CreateExisted(name, &fresh));
    EXPECT_TRUE(System().CloseHandle(fresh));
}

TEST(MutexNameContract, NamesDifferingOnlyInCaseAreDifferentMutexes) {
    const std::wstring name = Env().UniqueName(L"QuorixCase");
    std::wstring upper = name;
    for (wchar_t& c : upper) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    ASSERT_NE(upper, name);
    NativeHandle lowerHandle = platform::kNullHandle;
    NativeHandle upperHandle = platform::kNullHandle;
    ASSERT_FALSE(CreateExisted(name, &lowerHandle));
    EXPECT_FALSE(CreateExisted(upper, &upperHandle));
    EXPECT_TRUE(System().CloseHandle(upperHandle));
    EXPECT_TRUE(System().CloseHandle(lowerHandle));
}

TEST(SystemMessageContract, AMessageWithInsertsComesBackWithTheInsertsAsTheyStand) {
    // 193, ERROR_BAD_EXE_FORMAT, names the file through an insert; the program never has
    // anything to fill it with. (Wine's text of 34 has no inserts, unlike Windows'.)
    std::wstring text;
    ASSERT_TRUE(System().FormatSystemMessage(193, &text));
    EXPECT_NE(text.find(L"%1"), std::wstring::npos);
}

}  // namespace
}  // namespace quorix::contract
