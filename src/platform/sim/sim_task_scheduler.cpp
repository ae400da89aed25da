#include "platform/sim/sim_task_scheduler.h"

#include "common/result_codes.h"
#include "common/text.h"

namespace quorix::sim {

namespace {

constexpr std::uint32_t kErrorAlreadyExists = 183;
constexpr std::uint32_t kErrorOnlyIfConnected = 1251;
constexpr std::int32_t kTaskCreate = 2;
constexpr std::int32_t kTaskUpdate = 4;
constexpr double kMillisecondsPerDay = 86400000.0;
// The DATE of the virtual clock's zero: any day will do as long as a run is never 0.0.
constexpr double kBootDate = 40574.0;

std::int32_t Fault(const Core& core) { return HResultFromWin32(core.lastError); }

}  // namespace

bool SimTaskDefinition::HasTrigger(int type) const {
    for (const SimTaskTrigger& trigger : triggers) {
        if (trigger.type == type) return true;
    }
    return false;
}

// ---------------------------------------------------------------- the test's side

void SimTaskScheduler::PutTask(const std::wstring& name) {
    SimScheduledTask task;
    task.name = name;
    rootFolder[FoldKey(name)] = task;
}

void SimTaskScheduler::RunDueTasks() {
    if (!runDelayMs) return;
    for (auto& [key, task] : rootFolder) {
        if (!task.startedAtMs || task.ranAtMs) continue;
        const std::uint64_t due = *task.startedAtMs + *runDelayMs;
        if (core_.clockMs < due) continue;
        task.ranAtMs = due;
        for (const std::wstring& path : task.definition.execPaths) startedPrograms.push_back(path);
    }
}

std::wstring SimTaskScheduler::BstrText(platform::Bstr text) const {
    auto it = bstrs_.find(text);
    return it == bstrs_.end() ? std::wstring() : it->second;
}

// ---------------------------------------------------------------- objects

SimTaskScheduler::Object* SimTaskScheduler::Find(platform::TaskObject handle, const char* kind) {
    auto it = objects_.find(handle);
    if (it == objects_.end() || it->second.kind != kind) return nullptr;
    return &it->second;
}

platform::TaskObject SimTaskScheduler::Hand(Object object, const std::string& what) {
    const platform::TaskObject handle = core_.ledger.Open("task scheduler " + object.kind, what);
    objects_[handle] = std::move(object);
    return handle;
}

void SimTaskScheduler::Start(SimScheduledTask& task) {
    task.startedAtMs = core_.clockMs;
    task.ranAtMs.reset();
    RunDueTasks();
}

void SimTaskScheduler::Release(platform::TaskObject object) {
    core_.faults.Check("IUnknown::Release");
    core_.ledger.Close(object);  // a release of nothing is counted as a bad close
    objects_.erase(object);
}

platform::Bstr SimTaskScheduler::AllocateBstr(const std::wstring& text) {
    if (core_.Failing("SysAllocString")) return platform::kNullBstr;
    const platform::Bstr bstr = core_.ledger.Open("bstr", NarrowAscii(text));
    bstrs_[bstr] = text;
    return bstr;
}

void SimTaskScheduler::FreeBstr(platform::Bstr text) {
    core_.faults.Check("SysFreeString");
    if (text == platform::kNullBstr) return;  // SysFreeString(NULL) does nothing
    core_.ledger.Close(text);
    bstrs_.erase(text);
}

// ---------------------------------------------------------------- the service and the folder

std::int32_t SimTaskScheduler::CreateTaskService(platform::TaskObject* service) {
    if (core_.Failing("CoCreateInstance")) return Fault(core_);
    if (com_.ApartmentDepth() == 0) return platform::kCoENotInitialized;
    if (!installed) return platform::kRegdbEClassNotReg;
    Object object;
    object.kind = "service";
    *service = Hand(object, "ITaskService");
    return kSOk;
}

std::int32_t SimTaskScheduler::Connect(platform::TaskObject service) {
    if (core_.Failing("ITaskService::Connect")) return Fault(core_);
    Object* object = Find(service, "service");
    if (object == nullptr) return kEInvalidArg;
    object->connected = true;
    return kSOk;
}

std::int32_t SimTaskScheduler::GetFolder(platform::TaskObject service, const std::wstring& path,
                                         platform::TaskObject* folder) {
    if (core_.Failing("ITaskService::GetFolder")) return Fault(core_);
    Object* object = Find(service, "service");
    if (object == nullptr) return kEInvalidArg;
    if (!object->connected) return HResultFromWin32(kErrorOnlyIfConnected);
    // Only the root folder exists here.
    if (path != L"\\") return HResultFromWin32(kErrorFileNotFound);
    Object made;
    made.kind = "folder";
    made.name = path;
    *folder = Hand(made, "ITaskFolder \\");
    return kSOk;
}

std::int32_t SimTaskScheduler::NewTask(platform::TaskObject service,
                                       platform::TaskObject* definition) {
    if (core_.Failing("ITaskService::NewTask")) return Fault(core_);
    Object* object = Find(service, "service");
    if (object == nullptr) return kEInvalidArg;
    if (!object->connected) return HResultFromWin32(kErrorOnlyIfConnected);
    Object made;
    made.kind = "definition";
    made.definition = std::make_shared<SimTaskDefinition>();
    *definition = Hand(made, "ITaskDefinition");
    return kSOk;
}

std::int32_t SimTaskScheduler::DeleteTask(platform::TaskObject folder, const std::wstring& name) {
    if (core_.Failing("ITaskFolder::DeleteTask")) return Fault(core_);
    if (Find(folder, "folder") == nullptr) return kEInvalidArg;
    RunDueTasks();
    auto it = rootFolder.find(FoldKey(name));
    if (it == rootFolder.end()) return HResultFromWin32(kErrorFileNotFound);
    rootFolder.erase(it);
    deletions.push_back(name);
    return kSOk;
}

std::int32_t SimTaskScheduler::RegisterTaskDefinition(
    platform::TaskObject folder, const std::wstring& name, platform::TaskObject definition,
    std::int32_t flags, platform::Bstr user, int logonType, platform::TaskObject* registered) {
    if (core_.Failing("ITaskFolder::RegisterTaskDefinition")) return Fault(core_);
    Object* folderObject = Find(folder, "folder");
    Object* definitionObject = Find(definition, "definition");
    if (folderObject == nullptr || definitionObject == nullptr) return kEInvalidArg;
    if (user != platform::kNullBstr && bstrs_.count(user) == 0) return kEInvalidArg;
    const SimTaskDefinition& fields = *definitionObject->definition;
    // A task must do something: the scheduler refuses a definition without a program.
    bool hasProgram = false;
    for (const std::wstring& path : fields.execPaths) hasProgram = hasProgram || !path.empty();
    if (!hasProgram) return kEInvalidArg;

    const std::wstring key = FoldKey(name);
    const bool exists = rootFolder.count(key) != 0;
    if (exists && (flags & kTaskUpdate) == 0) return HResultFromWin32(kErrorAlreadyExists);
    if (!exists && (flags & kTaskCreate) == 0) return HResultFromWin32(kErrorFileNotFound);

    SimTaskRegistration record;
    record.folder = folderObject->name;
    record.name = name;
    record.definition = fields;
    record.flags = flags;
    if (user != platform::kNullBstr) record.user = bstrs_[user];
    record.logonType = logonType;
    record.atMs = core_.clockMs;
    registrations.push_back(record);

    SimScheduledTask& task = rootFolder[key];
    task = SimScheduledTask{};
    task.name = name;
    task.definition = fields;
    // A registration trigger fires as the task is registered.
    if (fields.HasTrigger(platform::kTaskTriggerRegistration)) Start(task);

    Object made;
    made.kind = "registered task";
    made.name = name;
    *registered = Hand(made, "IRegisteredTask " + NarrowAscii(name));
    return kSOk;
}

// ---------------------------------------------------------------- the definition's parts

std::int32_t SimTaskScheduler::GetRegistrationInfo(platform::TaskObject definition,
                                                   platform::TaskObject* info) {
    if (core_.Failing("ITaskDefinition::get_RegistrationInfo")) return Fault(core_);
    Object* object = Find(definition, "definition");
    if (object == nullptr) return kEInvalidArg;
    Object made;
    made.kind = "registration info";
    made.definition = object->definition;
    *info = Hand(made, "IRegistrationInfo");
    return kSOk;
}

std::int32_t SimTaskScheduler::PutDescription(platform::TaskObject info,
                                              const std::wstring& description) {
    if (core_.Failing("IRegistrationInfo::put_Description")) return Fault(core_);
    Object* object = Find(info, "registration info");
    if (object == nullptr) return kEInvalidArg;
    object->definition->description = description;
    return kSOk;
}

std::int32_t SimTaskScheduler::GetTriggers(platform::TaskObject definition,
                                           platform::TaskObject* triggers) {
    if (core_.Failing("ITaskDefinition::get_Triggers")) return Fault(core_);
    Object* object = Find(definition, "definition");
    if (object == nullptr) return kEInvalidArg;
    Object made;
    made.kind = "trigger collection";
    made.definition = object->definition;
    *triggers = Hand(made, "ITriggerCollection");
    return kSOk;
}

std::int32_t SimTaskScheduler::CreateTrigger(platform::TaskObject triggers, int type,
                                             platform::TaskObject* trigger) {
    if (core_.Failing("ITriggerCollection::Create")) return Fault(core_);
    Object* object = Find(triggers, "trigger collection");
    if (object == nullptr) return kEInvalidArg;
    if (type == platform::kTaskTriggerRegistration && !registrationTriggers) return kEInvalidArg;
    object->definition->triggers.push_back(SimTaskTrigger{type, {}});
    Object made;
    made.kind = "trigger";
    made.definition = object->definition;
    made.index = object->definition->triggers.size() - 1;
    *trigger = Hand(made, "ITrigger");
    return kSOk;
}

std::int32_t SimTaskScheduler::PutEndBoundary(platform::TaskObject trigger,
                                              const std::wstring& boundary) {
    if (core_.Failing("ITrigger::put_EndBoundary")) return Fault(core_);
    Object* object = Find(trigger, "trigger");
    if (object == nullptr) return kEInvalidArg;
    if (!endBoundaries) return platform::kENotImpl;
    object->definition->triggers[object->index].endBoundary = boundary;
    return kSOk;
}

std::int32_t SimTaskScheduler::GetSettings(platform::TaskObject definition,
                                           platform::TaskObject* settings) {
    if (core_.Failing("ITaskDefinition::get_Settings")) return Fault(core_);
    Object* object = Find(definition, "definition");
    if (object == nullptr) return kEInvalidArg;
    Object made;
    made.kind = "settings";
    made.definition = object->definition;
    *settings = Hand(made, "ITaskSettings");
    return kSOk;
}

std::int32_t SimTaskScheduler::PutAllowDemandStart(platform::TaskObject settings, bool allow) {
    if (core_.Failing("ITaskSettings::put_AllowDemandStart")) return Fault(core_);
    Object* object = Find(settings, "settings");
    if (object == nullptr) return kEInvalidArg;
    object->definition->allowDemandStart = allow;
    return kSOk;
}

std::int32_t SimTaskScheduler::PutDisallowStartIfOnBatteries(platform::TaskObject settings,
                                                             bool disallow) {
    if (core_.Failing("ITaskSettings::put_DisallowStartIfOnBatteries")) return Fault(core_);
    Object* object = Find(settings, "settings");
    if (object == nullptr) return kEInvalidArg;
    object->definition->disallowStartIfOnBatteries = disallow;
    return kSOk;
}

std::int32_t SimTaskScheduler::PutExecutionTimeLimit(platform::TaskObject settings,
                                                     const std::wstring& limit) {
    if (core_.Failing("ITaskSettings::put_ExecutionTimeLimit")) return Fault(core_);
    Object* object = Find(settings, "settings");
    if (object == nullptr) return kEInvalidArg;
    object->definition->executionTimeLimit = limit;
    return kSOk;
}

std::int32_t SimTaskScheduler::PutDeleteExpiredTaskAfter(platform::TaskObject settings,
                                                         const std::wstring& delay) {
    if (core_.Failing("ITaskSettings::put_DeleteExpiredTaskAfter")) return Fault(core_);
    Object* object = Find(settings, "settings");
    if (object == nullptr) return kEInvalidArg;
    object->definition->deleteExpiredTaskAfter = delay;
    return kSOk;
}

std::int32_t SimTaskScheduler::GetActions(platform::TaskObject definition,
                                          platform::TaskObject* actions) {
    if (core_.Failing("ITaskDefinition::get_Actions")) return Fault(core_);
    Object* object = Find(definition, "definition");
    if (object == nullptr) return kEInvalidArg;
    Object made;
    made.kind = "action collection";
    made.definition = object->definition;
    *actions = Hand(made, "IActionCollection");
    return kSOk;
}

std::int32_t SimTaskScheduler::CreateAction(platform::TaskObject actions, int type,
                                            platform::TaskObject* action) {
    if (core_.Failing("IActionCollection::Create")) return Fault(core_);
    Object* object = Find(actions, "action collection");
    if (object == nullptr) return kEInvalidArg;
    object->definition->actionTypes.push_back(type);
    object->definition->execPaths.emplace_back();
    Object made;
    made.kind = "action";
    made.definition = object->definition;
    made.index = object->definition->actionTypes.size() - 1;
    *action = Hand(made, "IAction");
    return kSOk;
}

std::int32_t SimTaskScheduler::QueryExecAction(platform::TaskObject action,
                                               platform::TaskObject* execAction) {
    if (core_.Failing("IAction::QueryInterface")) return Fault(core_);
    Object* object = Find(action, "action");
    if (object == nullptr) return kEInvalidArg;
    if (object->definition->actionTypes[object->index] != platform::kTaskActionExec) {
        return platform::kENoInterface;
    }
    Object made = *object;
    made.kind = "exec action";
    *execAction = Hand(made, "IExecAction");
    return kSOk;
}

std::int32_t SimTaskScheduler::PutPath(platform::TaskObject execAction, const std::wstring& path) {
    if (core_.Failing("IExecAction::put_Path")) return Fault(core_);
    Object* object = Find(execAction, "exec action");
    if (object == nullptr) return kEInvalidArg;
    object->definition->execPaths[object->index] = path;
    return kSOk;
}

std::int32_t SimTaskScheduler::GetPrincipal(platform::TaskObject definition,
                                            platform::TaskObject* principal) {
    if (core_.Failing("ITaskDefinition::get_Principal")) return Fault(core_);
    Object* object = Find(definition, "definition");
    if (object == nullptr) return kEInvalidArg;
    Object made;
    made.kind = "principal";
    made.definition = object->definition;
    *principal = Hand(made, "IPrincipal");
    return kSOk;
}

std::int32_t SimTaskScheduler::PutRunLevel(platform::TaskObject principal, int runLevel) {
    if (core_.Failing("IPrincipal::put_RunLevel")) return Fault(core_);
    Object* object = Find(principal, "principal");
    if (object == nullptr) return kEInvalidArg;
    object->definition->runLevel = runLevel;
    return kSOk;
}

// ---------------------------------------------------------------- the registered task

std::int32_t SimTaskScheduler::RunTask(platform::TaskObject registered) {
    if (core_.Failing("IRegisteredTask::Run")) return Fault(core_);
    Object* object = Find(registered, "registered task");
    if (object == nullptr) return kEInvalidArg;
    auto it = rootFolder.find(FoldKey(object->name));
    if (it == rootFolder.end()) return HResultFromWin32(kErrorFileNotFound);
    demandRuns.push_back(object->name);
    Start(it->second);
    return kSOk;
}

std::int32_t SimTaskScheduler::GetLastRunTime(platform::TaskObject registered, double* lastRun) {
    if (core_.Failing("IRegisteredTask::get_LastRunTime")) return Fault(core_);
    Object* object = Find(registered, "registered task");
    if (object == nullptr) return kEInvalidArg;
    RunDueTasks();
    auto it = rootFolder.find(FoldKey(object->name));
    if (it == rootFolder.end()) return HResultFromWin32(kErrorFileNotFound);
    const SimScheduledTask& task = it->second;
    *lastRun =
        task.ranAtMs ? kBootDate + static_cast<double>(*task.ranAtMs) / kMillisecondsPerDay : 0.0;
    return kSOk;
}

}  // namespace quorix::sim
