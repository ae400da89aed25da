// The simulated Windows refuses what Windows refuses: a test armed with a fault that can never
// fire, a control the service cannot take in its state, a mutex name outliving its handles, a
// task scheduler without COM. Each case here is one that Wine cannot show.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>

#include "common/result_codes.h"
#include "platform/sim/sim_machine.h"

namespace quorix {
namespace {

// ---------------------------------------------------------------- fault names

// The names the simulated calls report, read from their sources.
std::set<std::string> NamesInSimulationSources() {
    static const char* const kFiles[] = {
        "sim_com.cpp",      "sim_desktop.cpp",   "sim_dialogs.cpp",     "sim_file_details.cpp",
        "sim_files.cpp",    "sim_installer.cpp", "sim_registry.cpp",    "sim_resources.cpp",
        "sim_services.cpp", "sim_shell.cpp",     "sim_system_info.cpp", "sim_task_scheduler.cpp",
        "sim_time.cpp",     "sim_machine.cpp",   "sim_core.h",
    };
    const std::regex call(R"re((Failing|faults\.Check)\("([^"]+)"\))re");
    std::set<std::string> names;
    for (const char* file : kFiles) {
        std::ifstream in(std::string(QUORIX_SOURCE_DIR) + "/src/platform/sim/" + file);
        EXPECT_TRUE(in.good()) << file;
        std::stringstream text;
        text << in.rdbuf();
        const std::string source = text.str();
        for (std::sregex_iterator it(source.begin(), source.end(), call), end; it != end; ++it) {
            names.insert((*it)[2]);
        }
    }
    return names;
}

TEST(FaultNames, TheKnownNamesAreExactlyTheNamesTheSimulatedCallsReport) {
    const std::set<std::string> inSources = NamesInSimulationSources();
    ASSERT_GT(inSources.size(), 100u);
    for (const std::string& name : inSources) {
        EXPECT_EQ(sim::Faults::KnownCalls().count(name), 1u)
            << name << " is reported but not known";
    }
    for (const std::string& name : sim::Faults::KnownCalls()) {
        EXPECT_EQ(inSources.count(name), 1u) << name << " is known but no call reports it";
    }
}

struct MisspeltName {
    const char* name;
};

class ArmingAnUnknownName : public ::testing::TestWithParam<MisspeltName> {};

TEST_P(ArmingAnUnknownName, IsRefusedAtOnce) {
    sim::SimMachine machine;
    EXPECT_THROW(machine.core.faults.Fail(GetParam().name, kErrorAccessDenied),
                 std::invalid_argument);
    // Nothing was armed: the first call of the real name goes through.
    EXPECT_FALSE(machine.core.faults.Check("CreateMutexW").has_value());
}

INSTANTIATE_TEST_SUITE_P(Names, ArmingAnUnknownName,
                         ::testing::Values(MisspeltName{"CreateMutex"},
                                           MisspeltName{"createmutexw"},
                                           MisspeltName{"CreateMutexW "}, MisspeltName{""},
                                           MisspeltName{"freopen_s"},
                                           MisspeltName{"ITaskService::Conect"}));

// Collects what a machine reports as it goes away, instead of failing the test.
class ReportedProblems {
public:
    ReportedProblems()
        : previous_(sim::Faults::SetReporter(
              [this](const std::string& problem) { problems.push_back(problem); })) {}
    ~ReportedProblems() { sim::Faults::SetReporter(previous_); }
    std::vector<std::string> problems;

private:
    sim::Faults::Reporter previous_;
};

struct ArmingCase {
    const char* label;
    void (*arm)(sim::Faults&);
    int calls;  // how many CreateMutexW calls the machine then sees
    std::size_t reported;
};

class UndeliveredFaults : public ::testing::TestWithParam<ArmingCase> {};

TEST_P(UndeliveredFaults, AreReportedWhenTheMachineGoesAway) {
    const ArmingCase& c = GetParam();
    ReportedProblems reported;
    {
        sim::SimMachine machine;
        c.arm(machine.core.faults);
        for (int i = 0; i < c.calls; ++i) machine.core.faults.Check("CreateMutexW");
    }
    EXPECT_EQ(reported.problems.size(), c.reported);
    for (const std::string& problem : reported.problems) {
        EXPECT_NE(problem.find("never fired"), std::string::npos) << problem;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UndeliveredFaults,
    ::testing::Values(
        ArmingCase{"fired", [](sim::Faults& f) { f.Fail("CreateMutexW", 5); }, 1, 0},
        ArmingCase{"never called", [](sim::Faults& f) { f.Fail("CreateMutexW", 5); }, 0, 1},
        ArmingCase{"skip not used up", [](sim::Faults& f) { f.Fail("CreateMutexW", 5, 1, 2); }, 2,
                   1},
        ArmingCase{"skip used up", [](sim::Faults& f) { f.Fail("CreateMutexW", 5, 1, 2); }, 3, 0},
        ArmingCase{"one of two fired",
                   [](sim::Faults& f) {
                       f.Fail("CreateMutexW", 5);
                       f.Fail("CloseHandle", 6);
                   },
                   1, 1},
        ArmingCase{"many, fired once", [](sim::Faults& f) { f.Fail("CreateMutexW", 5, 1000); }, 1,
                   0},
        ArmingCase{"call number beyond the trace", [](sim::Faults& f) { f.FailCallNumber(7, 5); },
                   3, 1},
        ArmingCase{"call number reached", [](sim::Faults& f) { f.FailCallNumber(2, 5); }, 3, 0},
        ArmingCase{"cleared before firing",
                   [](sim::Faults& f) {
                       f.Fail("CreateMutexW", 5);
                       f.Clear();
                   },
                   1, 1},
        ArmingCase{"allowed with a reason",
                   [](sim::Faults& f) {
                       f.Fail("CreateMutexW", 5);
                       f.AllowUndelivered("the run ends before it");
                   },
                   0, 0}),
    [](const ::testing::TestParamInfo<ArmingCase>& info) {
        std::string name = info.param.label;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return name;
    });

TEST(UndeliveredFaultAllowance, NeedsAReason) {
    sim::SimMachine machine;
    EXPECT_THROW(machine.core.faults.AllowUndelivered(""), std::invalid_argument);
}

TEST(UnknownCallNames, AreReportedWhenASimulatedCallUsesOne) {
    ReportedProblems reported;
    { sim::SimMachine().core.faults.Check("NoSuchCallW"); }
    ASSERT_EQ(reported.problems.size(), 1u);
    EXPECT_NE(reported.problems[0].find("NoSuchCallW"), std::string::npos);
}

// ---------------------------------------------------------------- services

struct ControlCase {
    std::uint32_t state;
    bool accepted;
    std::uint32_t error;
};

class StopControl : public ::testing::TestWithParam<ControlCase> {};

TEST_P(StopControl, IsAnsweredAsTheServiceManagerAnswersInThatState) {
    const ControlCase& c = GetParam();
    sim::SimMachine machine;
    sim::SimService service;
    service.state = c.state;
    machine.services.Install(L"Quorix.Test", service);
    platform::Services& services = machine.services;
    const platform::NativeHandle manager = services.OpenManager(platform::kScManagerAllAccess);
    const platform::NativeHandle handle = services.OpenServiceByName(
        manager, L"Quorix.Test", platform::kServiceStop | platform::kServiceQueryStatus);
    ASSERT_NE(handle, platform::kNullHandle);
    machine.core.lastError = 0;
    platform::ServiceStatus status;
    EXPECT_EQ(services.SendControl(handle, platform::kServiceControlStop, &status), c.accepted);
    if (!c.accepted) {
        EXPECT_EQ(machine.core.lastError, c.error);
        EXPECT_EQ(machine.services.Find(L"Quorix.Test")->state, c.state);  // left as it was
    }
    services.CloseService(handle);
    services.CloseService(manager);
}

INSTANTIATE_TEST_SUITE_P(States, StopControl,
                         ::testing::Values(ControlCase{platform::kServiceRunning, true, 0},
                                           ControlCase{platform::kServiceStopPending, false, 1061},
                                           ControlCase{platform::kServiceStartPending, false, 1061},
                                           ControlCase{platform::kServiceStopped, false, 1062}));

// ---------------------------------------------------------------- mutexes

struct OwnershipCase {
    bool existedBefore;
    bool requested;
    bool owned;
};

class MutexOwnership : public ::testing::TestWithParam<OwnershipCase> {};

TEST_P(MutexOwnership, FollowsTheRequestOnlyForTheCreator) {
    const OwnershipCase& c = GetParam();
    sim::SimMachine machine;
    platform::System& system = machine.system;
    platform::NativeHandle earlier = platform::kNullHandle;
    if (c.existedBefore) earlier = system.CreateNamedMutex(false, L"QuorixOwned");
    const platform::NativeHandle handle = system.CreateNamedMutex(c.requested, L"QuorixOwned");
    ASSERT_NE(handle, platform::kNullHandle);
    EXPECT_EQ(machine.system.MutexOwned(L"QuorixOwned"), c.owned);
    system.CloseHandle(handle);
    if (earlier != platform::kNullHandle) system.CloseHandle(earlier);
    EXPECT_FALSE(machine.system.MutexExists(L"QuorixOwned"));
}

INSTANTIATE_TEST_SUITE_P(Cases, MutexOwnership,
                         ::testing::Values(OwnershipCase{false, true, true},
                                           OwnershipCase{false, false, false},
                                           OwnershipCase{true, true, false},
                                           OwnershipCase{true, false, false}));

// ---------------------------------------------------------------- task scheduler and COM

TEST(TaskSchedulerCreation, NeedsACOMApartment) {
    sim::SimMachine machine;
    platform::TaskObject service = 0;
    EXPECT_EQ(machine.tasks.CreateTaskService(&service), platform::kCoENotInitialized);
    ASSERT_GE(machine.com.InitializeCom(), 0);
    EXPECT_EQ(machine.tasks.CreateTaskService(&service), 0);
    machine.tasks.Release(service);
    machine.com.UninitializeCom();
    EXPECT_EQ(machine.core.ledger.OpenCount(), 0u) << machine.core.ledger.Describe();
}

// ---------------------------------------------------------------- handler exceptions

class ThrowingWindow : public platform::WindowHandler {
public:
    void OnMessage(platform::NativeHandle, std::uint32_t message, std::uintptr_t,
                   std::intptr_t) override {
        seen.push_back(message);
        if (message == platform::kWmCreate) throw std::runtime_error("handler failed");
    }
    std::vector<std::uint32_t> seen;
};

TEST(WindowHandlerExceptions, AreCaughtAtTheEdgeAndTheWindowLivesOn) {
    sim::SimMachine machine;
    ThrowingWindow handler;
    platform::WindowClass windowClass;
    windowClass.name = L"QuorixThrowing";
    windowClass.handler = &handler;
    ASSERT_NE(machine.ui.RegisterWindowClass(windowClass), 0);
    platform::WindowSpec spec;
    spec.className = L"QuorixThrowing";
    platform::NativeHandle window = platform::kNullHandle;
    ASSERT_NO_THROW(window = machine.ui.CreateWindowHandle(spec));
    EXPECT_NE(window, platform::kNullHandle);
    EXPECT_EQ(machine.core.handlerExceptions, 1);
    EXPECT_TRUE(machine.ui.DestroyWindowHandle(window));
    EXPECT_EQ(handler.seen,
              (std::vector<std::uint32_t>{platform::kWmCreate, platform::kWmDestroy}));
    machine.ui.UnregisterWindowClass(L"QuorixThrowing");
}

class ThrowingDialog : public platform::DialogHandler {
public:
    explicit ThrowingDialog(platform::Dialogs& dialogs) : dialogs_(dialogs) {}
    bool OnInitDialog(platform::NativeHandle) override { throw std::runtime_error("init failed"); }
    bool OnCommand(platform::NativeHandle dialog, int id, int) override {
        if (id == 1) dialogs_.EndModalDialog(dialog, 7);
        return true;
    }
    platform::NativeHandle OnCtlColorStatic(platform::NativeHandle, platform::NativeHandle,
                                            platform::NativeHandle) override {
        return platform::kNullHandle;
    }
    bool OnDrawItem(platform::NativeHandle, const platform::DrawItem&) override { return false; }

private:
    platform::Dialogs& dialogs_;
};

TEST(DialogHandlerExceptions, AreCaughtAtTheEdgeAndTheDialogRunsOn) {
    sim::SimMachine machine;
    machine.dialogs.templates[900] = sim::SimDialogTemplate{};
    machine.dialogs.script = {sim::DialogAction::Next()};
    ThrowingDialog handler(machine.dialogs);
    std::intptr_t result = 0;
    ASSERT_NO_THROW(result = machine.dialogs.RunModalDialog(900, handler));
    EXPECT_EQ(result, 7);
    EXPECT_EQ(machine.core.handlerExceptions, 1);
    EXPECT_EQ(machine.core.ledger.OpenCount(), 0u) << machine.core.ledger.Describe();
}

}  // namespace
}  // namespace quorix
