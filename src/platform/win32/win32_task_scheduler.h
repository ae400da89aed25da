// The real TaskScheduler area behind the seam: the Task Scheduler 2.0 interfaces (taskschd.dll,
// reached through COM).
#pragma once

#include "platform/task_scheduler.h"

namespace quorix::win32 {

class Win32TaskScheduler : public platform::TaskScheduler {
public:
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
};

}  // namespace quorix::win32
