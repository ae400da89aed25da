// The simulated Task Scheduler 2.0: one root folder of tasks, every object handed out counted
// in the handle ledger, a script of what this machine's scheduler supports and when a started
// task runs on the virtual clock, and a record of every registration and deletion.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/sim_com.h"
#include "platform/sim/sim_core.h"
#include "platform/task_scheduler.h"

namespace quorix::sim {

struct SimTaskTrigger {
    int type = 0;
    std::wstring endBoundary;
};

// What a task definition holds after the program filled it in.
struct SimTaskDefinition {
    std::optional<std::wstring> description;
    std::vector<SimTaskTrigger> triggers;
    std::optional<bool> allowDemandStart;
    std::optional<bool> disallowStartIfOnBatteries;
    std::optional<std::wstring> executionTimeLimit;
    std::optional<std::wstring> deleteExpiredTaskAfter;
    std::vector<int> actionTypes;
    std::vector<std::wstring> execPaths;  // one per action; empty until put_Path
    std::optional<int> runLevel;

    bool HasTrigger(int type) const;
};

// One successful RegisterTaskDefinition.
struct SimTaskRegistration {
    std::wstring folder;
    std::wstring name;
    SimTaskDefinition definition;
    std::int32_t flags = 0;
    std::optional<std::wstring> user;  // none: an empty VARIANT
    int logonType = 0;
    std::uint64_t atMs = 0;
};

// A task in the root folder.
struct SimScheduledTask {
    std::wstring name;
    SimTaskDefinition definition;
    std::optional<std::uint64_t> startedAtMs;  // registered with a registration trigger, or Run
    std::optional<std::uint64_t> ranAtMs;
};

class SimTaskScheduler : public platform::TaskScheduler {
public:
    // The Task Scheduler is a COM class: creating it needs an apartment that `com` opened.
    SimTaskScheduler(Core& core, const SimCom& com) : core_(core), com_(com) {}

    std::int32_t CreateTaskService(platform::TaskObject* service) override;
    std::int32_t Connect(platform::TaskObject service) override;
    std::int32_t GetFolder(platform::TaskObject service, const std::wstring& path,
                           platform::TaskObject* folder) override;
    std::int32_t NewTask(platform::TaskObject service, platform::TaskObject* definition) override;
    std::int32_t DeleteTask(platform::TaskObject folder, const std::wstring& name) override;
    std::int32_t RegisterTaskDefinition(platform::TaskObject folder, const std::wstring& name,
                                        platform::TaskObject definition, std::int32_t flags,
                                        platform::Bstr user, int logonType,
                                        platform::TaskObject* registered) override;
    std::int32_t GetRegistrationInfo(platform::TaskObject definition,
                                     platform::TaskObject* info) override;
    std::int32_t PutDescription(platform::TaskObject info,
                                const std::wstring& description) override;
    std::int32_t GetTriggers(platform::TaskObject definition,
                             platform::TaskObject* triggers) override;
    std::int32_t CreateTrigger(platform::TaskObject triggers, int type,
                               platform::TaskObject* trigger) override;
    std::int32_t PutEndBoundary(platform::TaskObject trigger,
                                const std::wstring& boundary) override;
    std::int32_t GetSettings(platform::TaskObject definition,
                             platform::TaskObject* settings) override;
    std::int32_t PutAllowDemandStart(platform::TaskObject settings, bool allow) override;
    std::int32_t PutDisallowStartIfOnBatteries(platform::TaskObject settings,
                                               bool disallow) override;
    std::int32_t PutExecutionTimeLimit(platform::TaskObject settings,
                                       const std::wstring& limit) override;
    std::int32_t PutDeleteExpiredTaskAfter(platform::TaskObject settings,
                                           const std::wstring& delay) override;
    std::int32_t GetActions(platform::TaskObject definition,
                            platform::TaskObject* actions) override;
    std::int32_t CreateAction(platform::TaskObject actions, int type,
                              platform::TaskObject* action) override;
    std::int32_t QueryExecAction(platform::TaskObject action,
                                 platform::TaskObject* execAction) override;
    std::int32_t PutPath(platform::TaskObject execAction, const std::wstring& path) override;
    std::int32_t GetPrincipal(platform::TaskObject definition,
                              platform::TaskObject* principal) override;
    std::int32_t PutRunLevel(platform::TaskObject principal, int runLevel) override;
    std::int32_t RunTask(platform::TaskObject registered) override;
    std::int32_t GetLastRunTime(platform::TaskObject registered, double* lastRun) override;
    void Release(platform::TaskObject object) override;
    platform::Bstr AllocateBstr(const std::wstring& text) override;
    void FreeBstr(platform::Bstr text) override;

    // --- the test's side ---
    // False: no Task Scheduler 2.0 on this machine (Windows XP): the class is not registered.
    bool installed = true;
    // False: ITriggerCollection::Create refuses TASK_TRIGGER_REGISTRATION.
    bool registrationTriggers = true;
    // False: ITrigger::put_EndBoundary fails.
    bool endBoundaries = true;
    // How long after its start a task runs; none: it never runs.
    std::optional<std::uint32_t> runDelayMs = 0;

    // The root folder, by folded name.
    std::map<std::wstring, SimScheduledTask> rootFolder;
    void PutTask(const std::wstring& name);
    std::vector<SimTaskRegistration> registrations;
    std::vector<std::wstring> deletions;  // tasks actually removed
    std::vector<std::wstring> demandRuns;
    // The programs the tasks' actions started, in order.
    std::vector<std::wstring> startedPrograms;
    // Lets every started task whose time has come run.
    void RunDueTasks();
    // The text of a live BSTR (empty for any other value).
    std::wstring BstrText(platform::Bstr text) const;
    std::size_t LiveBstrs() const { return bstrs_.size(); }

private:
    struct Object {
        std::string kind;
        std::shared_ptr<SimTaskDefinition> definition;  // and the parts of it
        std::size_t index = 0;                          // of the trigger or action
        std::wstring name;                              // of the folder or registered task
        bool connected = false;                         // of a service
    };

    // The object behind a handle if it is open and of that kind.
    Object* Find(platform::TaskObject handle, const char* kind);
    platform::TaskObject Hand(Object object, const std::string& what);
    void Start(SimScheduledTask& task);

    Core& core_;
    const SimCom& com_;
    std::map<platform::TaskObject, Object> objects_;
    std::map<platform::Bstr, std::wstring> bstrs_;
};

}  // namespace quorix::sim
