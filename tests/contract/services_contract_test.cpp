// How the Service Control Manager answers, on the simulated Windows and on the real Win32
// layer. No test stops or starts a service: the machine's own services are left alone.
#include <gtest/gtest.h>

#include "contract_environment.h"

namespace quorix::contract {
namespace {

platform::Services& Services() { return Env().Os().services; }

struct Manager {
    Manager() : handle(Services().OpenManager(platform::kScManagerAllAccess)) {}
    ~Manager() {
        if (handle != platform::kNullHandle) Services().CloseService(handle);
    }
    platform::NativeHandle handle;
};

TEST(ServicesContract, AServiceThatIsNotInstalledCannotBeOpened) {
    Manager manager;
    ASSERT_NE(manager.handle, platform::kNullHandle);
    const std::wstring name = Env().UniqueName(L"QuorixNoSuchService");
    EXPECT_EQ(Services().OpenServiceByName(manager.handle, name,
                                           platform::kServiceStop | platform::kServiceQueryStatus),
              platform::kNullHandle);
    EXPECT_EQ(Env().Os().system.GetLastError(), platform::kErrorServiceDoesNotExist);
}

TEST(ServicesContract, AnInstalledServiceReportsItsStateToAQueryHandle) {
    Manager manager;
    ASSERT_NE(manager.handle, platform::kNullHandle);
    const platform::NativeHandle service =
        Services().OpenServiceByName(manager.handle, L"RpcSs", platform::kServiceQueryStatus);
    ASSERT_NE(service, platform::kNullHandle);
    platform::ServiceStatusProcess status;
    ASSERT_TRUE(Services().QueryStatusProcess(service, &status));
    EXPECT_GE(status.currentState, platform::kServiceStopped);
    EXPECT_LE(status.currentState, 7u);  // SERVICE_PAUSED, the last state there is
    EXPECT_TRUE(Services().CloseService(service));
}

TEST(ServicesContract, AHandleWithoutQueryRightsCannotQuery) {
    Manager manager;
    ASSERT_NE(manager.handle, platform::kNullHandle);
    const platform::NativeHandle service =
        Services().OpenServiceByName(manager.handle, L"RpcSs", platform::kServiceStart);
    ASSERT_NE(service, platform::kNullHandle);
    platform::ServiceStatusProcess status;
    status.currentState = 0xABCD;
    EXPECT_FALSE(Services().QueryStatusProcess(service, &status));
    EXPECT_EQ(Env().Os().system.GetLastError(), 5u);  // ERROR_ACCESS_DENIED
    EXPECT_EQ(status.currentState, 0xABCDu);          // left as it was
    EXPECT_TRUE(Services().CloseService(service));
}

}  // namespace
}  // namespace quorix::contract
