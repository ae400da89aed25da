#include <windows.h>

#include "platform/win32/win32_services.h"

namespace quorix::win32 {

namespace {

SC_HANDLE ToServiceHandle(platform::NativeHandle h) { return reinterpret_cast<SC_HANDLE>(h); }
platform::NativeHandle FromServiceHandle(SC_HANDLE h) {
    return reinterpret_cast<platform::NativeHandle>(h);
}

void CopyStatus(const SERVICE_STATUS& from, platform::ServiceStatus* to) {
    to->serviceType = from.dwServiceType;
    to->currentState = from.dwCurrentState;
    to->controlsAccepted = from.dwControlsAccepted;
    to->win32ExitCode = from.dwWin32ExitCode;
    to->serviceSpecificExitCode = from.dwServiceSpecificExitCode;
    to->checkPoint = from.dwCheckPoint;
    to->waitHint = from.dwWaitHint;
}

}  // namespace

platform::NativeHandle Win32Services::OpenManager(std::uint32_t access) {
    return FromServiceHandle(::OpenSCManagerW(nullptr, nullptr, access));
}

platform::NativeHandle Win32Services::OpenServiceByName(platform::NativeHandle manager,
                                                        const std::wstring& name,
                                                        std::uint32_t access) {
    return FromServiceHandle(::OpenServiceW(ToServiceHandle(manager), name.c_str(), access));
}

bool Win32Services::SendControl(platform::NativeHandle service, std::uint32_t control,
                                platform::ServiceStatus* status) {
    SERVICE_STATUS raw = {};
    if (!::ControlService(ToServiceHandle(service), control, &raw)) return false;
    CopyStatus(raw, status);
    return true;
}

bool Win32Services::QueryStatusProcess(platform::NativeHandle service,
                                       platform::ServiceStatusProcess* status) {
    static_assert(sizeof(SERVICE_STATUS_PROCESS) == 36, "SERVICE_STATUS_PROCESS is 36 bytes");
    SERVICE_STATUS_PROCESS raw = {};
    DWORD needed = 0;
    if (!::QueryServiceStatusEx(ToServiceHandle(service), SC_STATUS_PROCESS_INFO,
                                reinterpret_cast<BYTE*>(&raw), sizeof(raw), &needed)) {
        return false;
    }
    SERVICE_STATUS plain = {};
    plain.dwServiceType = raw.dwServiceType;
    plain.dwCurrentState = raw.dwCurrentState;
    plain.dwControlsAccepted = raw.dwControlsAccepted;
    plain.dwWin32ExitCode = raw.dwWin32ExitCode;
    plain.dwServiceSpecificExitCode = raw.dwServiceSpecificExitCode;
    plain.dwCheckPoint = raw.dwCheckPoint;
    plain.dwWaitHint = raw.dwWaitHint;
    CopyStatus(plain, status);
    status->processId = raw.dwProcessId;
    status->serviceFlags = raw.dwServiceFlags;
    return true;
}

bool Win32Services::StartServiceRequest(platform::NativeHandle service) {
    return ::StartServiceW(ToServiceHandle(service), 0, nullptr) != FALSE;
}

bool Win32Services::CloseService(platform::NativeHandle handle) {
    return ::CloseServiceHandle(ToServiceHandle(handle)) != FALSE;
}

}  // namespace quorix::win32
