#include "platform/sim/sim_services.h"

#include "common/result_codes.h"
#include "common/text.h"

namespace quorix::sim {

SimServices::SimServices(Core& core) : core_(core) {
    SimService rpc;
    rpc.acceptsStop = false;
    Install(L"RpcSs", rpc);
}

void SimServices::Install(const std::wstring& name, const SimService& service) {
    const std::wstring key = FoldKey(name);
    services_[key] = service;
    pending_.erase(key);
}

void SimServices::Uninstall(const std::wstring& name) {
    services_.erase(FoldKey(name));
    pending_.erase(FoldKey(name));
}

SimService* SimServices::Find(const std::wstring& name) {
    auto it = services_.find(FoldKey(name));
    return it == services_.end() ? nullptr : &it->second;
}

SimServices::OpenHandle* SimServices::Lookup(platform::NativeHandle handle, bool wantManager) {
    auto it = handles_.find(handle);
    if (it == handles_.end() || it->second.isManager != wantManager) {
        core_.lastError = kErrorInvalidHandle;
        return nullptr;
    }
    return &it->second;
}

platform::NativeHandle SimServices::OpenManager(std::uint32_t access) {
    if (core_.Failing("OpenSCManagerW")) return platform::kNullHandle;
    const platform::NativeHandle handle = core_.ledger.Open("service manager", "SCM");
    handles_[handle] = OpenHandle{true, std::wstring(), access};
    return handle;
}

platform::NativeHandle SimServices::OpenServiceByName(platform::NativeHandle manager,
                                                      const std::wstring& name,
                                                      std::uint32_t access) {
    if (core_.Failing("OpenServiceW")) return platform::kNullHandle;
    if (Lookup(manager, true) == nullptr) return platform::kNullHandle;
    // Service names are key names below the Services key: no path separators in them.
    if (name.empty() || name.find_first_of(L"\\/") != std::wstring::npos) {
        core_.lastError = platform::kErrorInvalidName;
        return platform::kNullHandle;
    }
    const std::wstring key = FoldKey(name);
    if (services_.count(key) == 0) {
        core_.lastError = platform::kErrorServiceDoesNotExist;
        return platform::kNullHandle;
    }
    const platform::NativeHandle handle = core_.ledger.Open("service", NarrowAscii(name));
    handles_[handle] = OpenHandle{false, key, access};
    return handle;
}

void SimServices::Advance(SimService& service, const std::wstring& key) {
    std::deque<std::uint32_t>& next = pending_[key];
    if (next.empty()) return;
    service.state = next.front();
    next.pop_front();
}

bool SimServices::SendControl(platform::NativeHandle handle, std::uint32_t control,
                              platform::ServiceStatus* status) {
    if (core_.Failing("ControlService")) return false;
    OpenHandle* open = Lookup(handle, false);
    if (open == nullptr) return false;
    SimService& service = services_[open->service];
    if (control != platform::kServiceControlStop) {
        core_.lastError = platform::kErrorInvalidServiceControl;
        return false;
    }
    if ((open->access & platform::kServiceStop) == 0) {
        core_.lastError = kErrorAccessDenied;
        return false;
    }
    controls.push_back(ControlRecord{open->service, control});
    if (service.state == platform::kServiceStopped) {
        core_.lastError = platform::kErrorServiceNotActive;
        return false;
    }
    // A service between states takes no control until it has settled.
    if (service.state == platform::kServiceStopPending ||
        service.state == platform::kServiceStartPending) {
        core_.lastError = platform::kErrorServiceCannotAcceptCtrl;
        return false;
    }
    if (!service.acceptsStop) {
        core_.lastError = platform::kErrorInvalidServiceControl;
        return false;
    }
    pending_[open->service].assign(service.stopStates.begin(), service.stopStates.end());
    if (pending_[open->service].empty())
        pending_[open->service].push_back(platform::kServiceStopped);
    Advance(service, open->service);
    *status = platform::ServiceStatus();
    status->serviceType = 0x10;  // SERVICE_WIN32_OWN_PROCESS
    status->currentState = service.state;
    status->waitHint = service.waitHint;
    return true;
}

bool SimServices::QueryStatusProcess(platform::NativeHandle handle,
                                     platform::ServiceStatusProcess* status) {
    if (core_.Failing("QueryServiceStatusEx")) return false;
    OpenHandle* open = Lookup(handle, false);
    if (open == nullptr) return false;
    if ((open->access & platform::kServiceQueryStatus) == 0) {
        core_.lastError = kErrorAccessDenied;
        return false;
    }
    ++statusQueries;
    SimService& service = services_[open->service];
    Advance(service, open->service);
    *status = platform::ServiceStatusProcess();
    status->serviceType = 0x10;
    status->currentState = service.state;
    status->waitHint = service.waitHint;
    status->processId = service.state == platform::kServiceStopped ? 0 : 0x4D2;
    return true;
}

bool SimServices::StartServiceRequest(platform::NativeHandle handle) {
    if (core_.Failing("StartServiceW")) return false;
    OpenHandle* open = Lookup(handle, false);
    if (open == nullptr) return false;
    if ((open->access & platform::kServiceStart) == 0) {
        core_.lastError = kErrorAccessDenied;
        return false;
    }
    starts.push_back(open->service);
    SimService& service = services_[open->service];
    if (service.startError != 0) {
        core_.lastError = service.startError;
        return false;
    }
    if (service.state != platform::kServiceStopped) {
        core_.lastError = platform::kErrorServiceAlreadyRunning;
        return false;
    }
    pending_.erase(open->service);
    service.state = platform::kServiceRunning;
    return true;
}

bool SimServices::CloseService(platform::NativeHandle handle) {
    if (core_.Failing("CloseServiceHandle")) return false;
    if (handles_.erase(handle) == 0) {
        core_.ledger.Close(handle);  // counted as a bad close
        core_.lastError = kErrorInvalidHandle;
        return false;
    }
    core_.ledger.Close(handle);
    return true;
}

}  // namespace quorix::sim
