// The Service Control Manager (advapi32): the installed product's service is stopped around a
// removal and started again when the removal failed.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/handles.h"

namespace quorix::platform {

// Access rights.
inline constexpr std::uint32_t kScManagerAllAccess = 0xF003F;
inline constexpr std::uint32_t kServiceQueryStatus = 0x0004;
inline constexpr std::uint32_t kServiceStart = 0x0010;
inline constexpr std::uint32_t kServiceStop = 0x0020;

// Controls and states.
inline constexpr std::uint32_t kServiceControlStop = 1;
inline constexpr std::uint32_t kServiceStopped = 1;
inline constexpr std::uint32_t kServiceStartPending = 2;
inline constexpr std::uint32_t kServiceStopPending = 3;
inline constexpr std::uint32_t kServiceRunning = 4;

// Errors the service calls report through the last error.
inline constexpr std::uint32_t kErrorInvalidName = 123;
inline constexpr std::uint32_t kErrorInvalidServiceControl = 1052;
inline constexpr std::uint32_t kErrorServiceCannotAcceptCtrl = 1061;
inline constexpr std::uint32_t kErrorServiceAlreadyRunning = 1056;
inline constexpr std::uint32_t kErrorServiceDoesNotExist = 1060;
inline constexpr std::uint32_t kErrorServiceNotActive = 1062;

// SERVICE_STATUS, as ControlService fills it.
struct ServiceStatus {
    std::uint32_t serviceType = 0;
    std::uint32_t currentState = 0;
    std::uint32_t controlsAccepted = 0;
    std::uint32_t win32ExitCode = 0;
    std::uint32_t serviceSpecificExitCode = 0;
    std::uint32_t checkPoint = 0;
    std::uint32_t waitHint = 0;  // milliseconds until the next state change is due
};

// SERVICE_STATUS_PROCESS (36 bytes), as QueryServiceStatusEx(SC_STATUS_PROCESS_INFO) fills it.
struct ServiceStatusProcess : ServiceStatus {
    std::uint32_t processId = 0;
    std::uint32_t serviceFlags = 0;
};

// Every method returns what the advapi32 call returns (a handle, or null on failure; BOOL as
// bool) and leaves the reason of a failure in the thread's last error.
class Services {
public:
    virtual ~Services() = default;

    // OpenSCManagerW(local machine, default database, access).
    virtual NativeHandle OpenManager(std::uint32_t access) = 0;
    // OpenServiceW(manager, name, access).
    virtual NativeHandle OpenServiceByName(NativeHandle manager, const std::wstring& name,
                                           std::uint32_t access) = 0;
    // ControlService(service, control, &status). *status is filled when the call succeeds.
    virtual bool SendControl(NativeHandle service, std::uint32_t control,
                             ServiceStatus* status) = 0;
    // QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, buffer of 36 bytes, ...). *status
    // is filled when the call succeeds and left as it was otherwise.
    virtual bool QueryStatusProcess(NativeHandle service, ServiceStatusProcess* status) = 0;
    // StartServiceW(service, no arguments). Does not wait for the service to run.
    virtual bool StartServiceRequest(NativeHandle service) = 0;
    // CloseServiceHandle, for manager and service handles alike.
    virtual bool CloseService(NativeHandle handle) = 0;
};

// Owns one manager or service handle and closes it on every path out of its scope.
class UniqueServiceHandle {
public:
    UniqueServiceHandle(Services& services, NativeHandle handle)
        : services_(&services), handle_(handle) {}
    UniqueServiceHandle(const UniqueServiceHandle&) = delete;
    UniqueServiceHandle& operator=(const UniqueServiceHandle&) = delete;
    ~UniqueServiceHandle() {
        if (handle_ != kNullHandle) services_->CloseService(handle_);
    }

    NativeHandle Get() const { return handle_; }
    bool IsValid() const { return handle_ != kNullHandle; }

private:
    Services* services_;
    NativeHandle handle_;
};

}  // namespace quorix::platform
