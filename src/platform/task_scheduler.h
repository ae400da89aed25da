// The Task Scheduler 2.0 (taskschd, through COM): the one-shot task that starts the desktop
// shell in the interactive user's session.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/handles.h"

namespace quorix::platform {

// A Task Scheduler interface pointer as the platform gives it out (ITaskService, ITaskFolder,
// ITaskDefinition, ...). Each one is released once, through Release, by whoever received it.
using TaskObject = std::uintptr_t;
inline constexpr TaskObject kNullTaskObject = 0;

// A BSTR (SysAllocString), freed with FreeBstr.
using Bstr = std::uintptr_t;
inline constexpr Bstr kNullBstr = 0;

// TASK_TRIGGER_TYPE2, TASK_ACTION_TYPE, TASK_RUNLEVEL_TYPE, TASK_CREATION, TASK_LOGON_TYPE.
inline constexpr int kTaskTriggerRegistration = 7;
inline constexpr int kTaskActionExec = 0;
inline constexpr int kTaskRunLevelLua = 0;
inline constexpr int kTaskRunLevelHighest = 1;
inline constexpr std::int32_t kTaskCreateOrUpdate = 6;
inline constexpr int kTaskLogonInteractiveToken = 3;

// HRESULTs of this area.
inline constexpr std::int32_t kRegdbEClassNotReg = static_cast<std::int32_t>(0x80040154u);
inline constexpr std::int32_t kENoInterface = static_cast<std::int32_t>(0x80004002u);
inline constexpr std::int32_t kENotImpl = static_cast<std::int32_t>(0x80004001u);

// Every method returns the HRESULT of the call it makes; an out-object is set on success only.
class TaskScheduler {
public:
    virtual ~TaskScheduler() = default;

    // CoCreateInstance(CLSID_TaskScheduler, no outer object, CLSCTX_INPROC_SERVER,
    // IID_ITaskService). Needs a COM apartment on the thread.
    virtual std::int32_t CreateTaskService(TaskObject* service) = 0;
    // ITaskService::Connect with four empty VARIANTs: this machine, the current user.
    virtual std::int32_t Connect(TaskObject service) = 0;
    // ITaskService::GetFolder(path).
    virtual std::int32_t GetFolder(TaskObject service, const std::wstring& path,
                                   TaskObject* folder) = 0;
    // ITaskService::NewTask(0): an empty task definition.
    virtual std::int32_t NewTask(TaskObject service, TaskObject* definition) = 0;

    // ITaskFolder::DeleteTask(name, 0).
    virtual std::int32_t DeleteTask(TaskObject folder, const std::wstring& name) = 0;
    // ITaskFolder::RegisterTaskDefinition(name, definition, flags, user, empty password,
    // logonType, empty security descriptor). `user` is passed as a VT_BSTR VARIANT, or as an
    // empty VARIANT when it is kNullBstr.
    virtual std::int32_t RegisterTaskDefinition(TaskObject folder, const std::wstring& name,
                                                TaskObject definition, std::int32_t flags,
                                                Bstr user, int logonType,
                                                TaskObject* registered) = 0;

    // ITaskDefinition::get_RegistrationInfo, and IRegistrationInfo::put_Description.
    virtual std::int32_t GetRegistrationInfo(TaskObject definition, TaskObject* info) = 0;
    virtual std::int32_t PutDescription(TaskObject info, const std::wstring& description) = 0;

    // ITaskDefinition::get_Triggers, ITriggerCollection::Create(type), ITrigger::put_EndBoundary.
    virtual std::int32_t GetTriggers(TaskObject definition, TaskObject* triggers) = 0;
    virtual std::int32_t CreateTrigger(TaskObject triggers, int type, TaskObject* trigger) = 0;
    virtual std::int32_t PutEndBoundary(TaskObject trigger, const std::wstring& boundary) = 0;

    // ITaskDefinition::get_Settings and the ITaskSettings puts (booleans as VARIANT_BOOL).
    virtual std::int32_t GetSettings(TaskObject definition, TaskObject* settings) = 0;
    virtual std::int32_t PutAllowDemandStart(TaskObject settings, bool allow) = 0;
    virtual std::int32_t PutDisallowStartIfOnBatteries(TaskObject settings, bool disallow) = 0;
    virtual std::int32_t PutExecutionTimeLimit(TaskObject settings, const std::wstring& limit) = 0;
    virtual std::int32_t PutDeleteExpiredTaskAfter(TaskObject settings,
                                                   const std::wstring& delay) = 0;

    // ITaskDefinition::get_Actions, IActionCollection::Create(type), the action's
    // QueryInterface for IExecAction, and IExecAction::put_Path.
    virtual std::int32_t GetActions(TaskObject definition, TaskObject* actions) = 0;
    virtual std::int32_t CreateAction(TaskObject actions, int type, TaskObject* action) = 0;
    virtual std::int32_t QueryExecAction(TaskObject action, TaskObject* execAction) = 0;
    virtual std::int32_t PutPath(TaskObject execAction, const std::wstring& path) = 0;

    // ITaskDefinition::get_Principal and IPrincipal::put_RunLevel.
    virtual std::int32_t GetPrincipal(TaskObject definition, TaskObject* principal) = 0;
    virtual std::int32_t PutRunLevel(TaskObject principal, int runLevel) = 0;

    // IRegisteredTask::Run(empty VARIANT, no running-task pointer).
    virtual std::int32_t RunTask(TaskObject registered) = 0;
    // IRegisteredTask::get_LastRunTime: a DATE, 0.0 while the task has never run.
    virtual std::int32_t GetLastRunTime(TaskObject registered, double* lastRun) = 0;

    // IUnknown::Release of any object above.
    virtual void Release(TaskObject object) = 0;

    // SysAllocString (kNullBstr when out of memory) and SysFreeString.
    virtual Bstr AllocateBstr(const std::wstring& text) = 0;
    virtual void FreeBstr(Bstr text) = 0;
};

// Owns one Task Scheduler object and releases it on every path out of its scope.
class UniqueTaskObject {
public:
    explicit UniqueTaskObject(TaskScheduler& tasks) : tasks_(&tasks) {}
    UniqueTaskObject(const UniqueTaskObject&) = delete;
    UniqueTaskObject& operator=(const UniqueTaskObject&) = delete;
    ~UniqueTaskObject() { Reset(); }

    TaskObject Get() const { return object_; }
    // For the calls that hand out an object: releases what is held and gives the slot.
    TaskObject* Receive() {
        Reset();
        return &object_;
    }
    void Reset() {
        if (object_ != kNullTaskObject) tasks_->Release(object_);
        object_ = kNullTaskObject;
    }

private:
    TaskScheduler* tasks_;
    TaskObject object_ = kNullTaskObject;
};

// Owns one BSTR and frees it on every path out of its scope.
class UniqueBstr {
public:
    UniqueBstr() = default;
    UniqueBstr(TaskScheduler& tasks, Bstr text) : tasks_(&tasks), text_(text) {}
    UniqueBstr(const UniqueBstr&) = delete;
    UniqueBstr& operator=(const UniqueBstr&) = delete;
    UniqueBstr(UniqueBstr&& other) noexcept { *this = std::move(other); }
    UniqueBstr& operator=(UniqueBstr&& other) noexcept {
        if (this != &other) {
            Reset();
            tasks_ = other.tasks_;
            text_ = std::exchange(other.text_, kNullBstr);
        }
        return *this;
    }
    ~UniqueBstr() { Reset(); }

    Bstr Get() const { return text_; }
    bool IsNull() const { return text_ == kNullBstr; }
    void Reset() {
        if (tasks_ != nullptr && text_ != kNullBstr) tasks_->FreeBstr(text_);
        text_ = kNullBstr;
    }

private:
    TaskScheduler* tasks_ = nullptr;
    Bstr text_ = kNullBstr;
};

}  // namespace quorix::platform
