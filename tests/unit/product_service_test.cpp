// Stopping and starting the product's service, on the virtual clock: how long the stop is
// waited for, what counts as stopped, and that every handle is closed again.
#include "installed/product_service.h"

#include <gtest/gtest.h>

#include <numeric>

#include "support/sim_run.h"

namespace quorix {
namespace {

const std::wstring kService = L"Velora.QuorixSvc";

class ProductServiceTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(p.machine.core.ledger.OpenCount(), 0u) << p.machine.core.ledger.Describe();
    }
    sim::SimService& Install(std::vector<std::uint32_t> stopStates, std::uint32_t waitHint = 0) {
        sim::SimService service;
        service.stopStates = std::move(stopStates);
        service.waitHint = waitHint;
        p.machine.services.Install(kService, service);
        return *p.machine.services.Find(kService);
    }
    std::uint32_t State() { return p.machine.services.Find(kService)->state; }
    std::uint64_t SleptMs() {
        const auto& sleeps = p.machine.system.sleeps;
        return std::accumulate(sleeps.begin(), sleeps.end(), std::uint64_t{0});
    }

    test::SimProcess p;
};

constexpr std::uint32_t kPending = platform::kServiceStopPending;
constexpr std::uint32_t kStopped = platform::kServiceStopped;

// ---------------------------------------------------------------- what counts as stopped

TEST_F(ProductServiceTest, AServiceThatIsNotInstalledCountsAsStopped) {
    EXPECT_TRUE(StopProductService(p.ctx));
    EXPECT_TRUE(p.machine.services.controls.empty());
}

TEST_F(ProductServiceTest, AServiceAlreadyStoppedCountsAsStopped) {
    Install({}).state = kStopped;
    EXPECT_TRUE(StopProductService(p.ctx));
    EXPECT_EQ(p.machine.services.controls.size(), 1u);
    EXPECT_TRUE(p.machine.system.sleeps.empty());
}

TEST_F(ProductServiceTest, AServiceThatStopsAtOnceIsNotWaitedFor) {
    Install({kStopped});
    EXPECT_TRUE(StopProductService(p.ctx));
    EXPECT_EQ(p.machine.services.statusQueries, 0);
    EXPECT_TRUE(p.machine.system.sleeps.empty());
}

TEST_F(ProductServiceTest, AStopInProgressIsWaitedForUntilTheServiceHasStopped) {
    Install({kPending, kPending, kPending, kStopped}, 1200);
    EXPECT_TRUE(StopProductService(p.ctx));
    EXPECT_EQ(State(), kStopped);
    EXPECT_EQ(p.machine.system.sleeps, (std::vector<std::uint32_t>{1200, 1200}));
}

TEST_F(ProductServiceTest, AShortWaitHintStillSleepsHalfASecond) {
    Install({kPending, kPending, kStopped}, 100);
    EXPECT_TRUE(StopProductService(p.ctx));
    EXPECT_EQ(p.machine.system.sleeps, (std::vector<std::uint32_t>{500}));
}

TEST_F(ProductServiceTest, AServiceThatKeepsStoppingIsGivenUpAfterThirtySeconds) {
    Install({kPending}, 0);
    const std::uint64_t before = p.machine.core.clockMs;
    EXPECT_FALSE(StopProductService(p.ctx));
    const std::uint64_t waited = p.machine.core.clockMs - before;
    EXPECT_GT(waited, 30000u);
    EXPECT_LE(waited, 30500u);
}

TEST_F(ProductServiceTest, TheTickCounterWrappingDoesNotEndTheWaitEarly) {
    Install({kPending}, 0);
    // GetTickCount wraps to 0 a few seconds into the wait.
    p.machine.core.clockMs = 0xFFFFFFFFull - 3000;
    const std::uint64_t before = p.machine.core.clockMs;
    EXPECT_FALSE(StopProductService(p.ctx));
    const std::uint64_t waited = p.machine.core.clockMs - before;
    EXPECT_GT(waited, 30000u);
    EXPECT_LE(waited, 30500u);
}

TEST_F(ProductServiceTest, AWildWaitHintCannotHoldTheSetupForDays) {
    Install({kPending}, 0xFFFFFFFFu);
    EXPECT_FALSE(StopProductService(p.ctx));
    for (std::uint32_t sleep : p.machine.system.sleeps) EXPECT_LE(sleep, 30000u);
    EXPECT_LE(SleptMs(), 60000u);
}

// ---------------------------------------------------------------- failures

struct StopFailure {
    const char* situation;
    const char* api;
    std::uint32_t error;
    int skip;
    bool result;
    friend void PrintTo(const StopFailure& c, std::ostream* os) { *os << c.situation; }
};

class StopFails : public ProductServiceTest, public ::testing::WithParamInterface<StopFailure> {};

TEST_P(StopFails, IsReportedWithoutWaiting) {
    const StopFailure& c = GetParam();
    Install({kPending, kPending, kStopped}, 0);
    p.machine.core.faults.Fail(c.api, c.error, 1, c.skip);
    EXPECT_EQ(StopProductService(p.ctx), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, StopFails,
    ::testing::Values(
        StopFailure{"manager cannot be opened", "OpenSCManagerW", 5, 0, false},
        StopFailure{"service access denied", "OpenServiceW", 5, 0, false},
        StopFailure{"service name rejected", "OpenServiceW", 123, 0, true},
        StopFailure{"stop request refused", "ControlService", 1051, 0, false},
        StopFailure{"stop request finds it not running", "ControlService", 1062, 0, true},
        StopFailure{"first status query fails", "QueryServiceStatusEx", 6, 0, false},
        StopFailure{"a later status query fails", "QueryServiceStatusEx", 6, 1, false}));

TEST_F(ProductServiceTest, AServiceThatDoesNotAcceptStopIsNotStopped) {
    Install({kPending}).acceptsStop = false;
    EXPECT_FALSE(StopProductService(p.ctx));
    EXPECT_EQ(State(), platform::kServiceRunning);
}

// ---------------------------------------------------------------- StartProductService

TEST_F(ProductServiceTest, StartingAStoppedServiceSucceedsWithoutWaiting) {
    Install({}).state = kStopped;
    EXPECT_TRUE(StartProductService(p.ctx));
    EXPECT_EQ(State(), platform::kServiceRunning);
    EXPECT_EQ(p.machine.services.starts.size(), 1u);
    EXPECT_TRUE(p.machine.system.sleeps.empty());
}

TEST_F(ProductServiceTest, StartingFailsWhenTheServiceIsMissingRunningOrUnreachable) {
    EXPECT_FALSE(StartProductService(p.ctx));  // not installed
    Install({});
    EXPECT_FALSE(StartProductService(p.ctx));  // already running
    p.machine.services.Find(kService)->state = kStopped;
    p.machine.core.faults.Fail("OpenSCManagerW", 5);
    EXPECT_FALSE(StartProductService(p.ctx));
    p.machine.core.faults.Fail("StartServiceW", 1058);
    EXPECT_FALSE(StartProductService(p.ctx));
    EXPECT_EQ(State(), kStopped);
}

TEST_F(ProductServiceTest, AStopThenAStartLeaveTheServiceRunningAgain) {
    Install({kPending, kStopped}, 0);
    EXPECT_TRUE(StopProductService(p.ctx));
    EXPECT_EQ(State(), kStopped);
    EXPECT_TRUE(StartProductService(p.ctx));
    EXPECT_EQ(State(), platform::kServiceRunning);
}

}  // namespace
}  // namespace quorix
