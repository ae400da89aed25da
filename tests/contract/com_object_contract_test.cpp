// Creating a COM object by class, calling an argument-less method through its vtable and
// releasing it, on the simulated Windows and on the real Win32 layer.
#include <gtest/gtest.h>

#include "contract_environment.h"

namespace quorix::contract {
namespace {

// The shell's link object, which every Windows registers, and its IPersistFile.
const platform::Guid kShellLink{0x00021401u, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const platform::Guid kPersistFile{0x0000010Bu, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const platform::Guid kUnknown{0x00000000u, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr std::uint32_t kAnyServer = 0x17;
constexpr std::size_t kIsDirtySlot = 4;  // QueryInterface, AddRef, Release, GetClassID, IsDirty

TEST(ComObjectContract, AClassThatIsNotRegisteredCannotBeCreated) {
    platform::Com& com = Env().Os().com;
    platform::ComScope apartment(com);
    ASSERT_GE(apartment.Result(), 0);
    platform::Guid unregistered;
    ASSERT_EQ(com.CreateGuid(&unregistered), 0);
    platform::ComObject object = platform::kNullComObject;
    EXPECT_EQ(com.CreateInstance(unregistered, kAnyServer, kUnknown, &object),
              platform::kRegdbEClassNotReg);
    EXPECT_EQ(object, platform::kNullComObject);
}

TEST(ComObjectContract, NothingIsCreatedOutsideAnApartment) {
    platform::ComObject object = platform::kNullComObject;
    EXPECT_EQ(Env().Os().com.CreateInstance(kShellLink, kAnyServer, kPersistFile, &object),
              platform::kCoENotInitialized);
    EXPECT_EQ(object, platform::kNullComObject);
}

TEST(ComObjectContract, TheTaskSchedulerIsNotCreatedOutsideAnApartment) {
    platform::TaskObject service = platform::kNullTaskObject;
    EXPECT_EQ(Env().Os().tasks.CreateTaskService(&service), platform::kCoENotInitialized);
    EXPECT_EQ(service, platform::kNullTaskObject);
}

TEST(ComObjectContract, AMethodWithoutArgumentsIsCalledThroughItsSlot) {
    platform::Com& com = Env().Os().com;
    platform::ComScope apartment(com);
    ASSERT_GE(apartment.Result(), 0);
    platform::ComObject object = platform::kNullComObject;
    ASSERT_EQ(com.CreateInstance(kShellLink, kAnyServer, kPersistFile, &object), 0);
    ASSERT_NE(object, platform::kNullComObject);
    // A fresh link has nothing to save.
    EXPECT_EQ(com.CallMethodWithoutArguments(object, kIsDirtySlot), platform::kComSFalse);
    EXPECT_EQ(com.ReleaseObject(object), 0u);
}

}  // namespace
}  // namespace quorix::contract
