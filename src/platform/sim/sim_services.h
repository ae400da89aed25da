// The simulated Service Control Manager: installed services with a state, a wait hint and a
// script of the states a stop request leads through; every manager and service handle is in
// the handle ledger.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/services.h"
#include "platform/sim/sim_core.h"

namespace quorix::sim {

struct SimService {
    std::uint32_t state = platform::kServiceRunning;
    std::uint32_t waitHint = 0;
    // The states a stop request leads through: ControlService answers with the first, each
    // later status query moves on to the next, and the last one stays. Empty: stopped at once.
    std::vector<std::uint32_t> stopStates = {platform::kServiceStopPending,
                                             platform::kServiceStopped};
    bool acceptsStop = true;
    // The error StartServiceW fails with for this service (0: it starts).
    std::uint32_t startError = 0;
};

class SimServices : public platform::Services {
public:
    explicit SimServices(Core& core);

    platform::NativeHandle OpenManager(std::uint32_t access) override;
    platform::NativeHandle OpenServiceByName(platform::NativeHandle manager,
                                             const std::wstring& name,
                                             std::uint32_t access) override;
    bool SendControl(platform::NativeHandle service, std::uint32_t control,
                     platform::ServiceStatus* status) override;
    bool QueryStatusProcess(platform::NativeHandle service,
                            platform::ServiceStatusProcess* status) override;
    bool StartServiceRequest(platform::NativeHandle service) override;
    bool CloseService(platform::NativeHandle handle) override;

    // --- the test's side ---
    // Installed services by name (the manager compares names without regard to case). The
    // machine has "RpcSs" running, which, as on Windows, refuses to be stopped.
    void Install(const std::wstring& name, const SimService& service = SimService());
    void Uninstall(const std::wstring& name);
    SimService* Find(const std::wstring& name);

    struct ControlRecord {
        std::wstring service;
        std::uint32_t control;
    };
    std::vector<ControlRecord> controls;
    std::vector<std::wstring> starts;  // services StartServiceW was asked to start
    int statusQueries = 0;

private:
    struct OpenHandle {
        bool isManager = false;
        std::wstring service;  // folded name
        std::uint32_t access = 0;
    };
    OpenHandle* Lookup(platform::NativeHandle handle, bool wantManager);
    void Advance(SimService& service, const std::wstring& key);

    Core& core_;
    std::map<std::wstring, SimService> services_;                // folded name -> service
    std::map<std::wstring, std::deque<std::uint32_t>> pending_;  // states still to come
    std::map<platform::NativeHandle, OpenHandle> handles_;
};

}  // namespace quorix::sim
