// VLQuorixSvc.exe: the demo product's Windows service "Velora.QuorixSvc". It does nothing but
// run, answer the Service Control Manager and record its start and stop in the demo event
// log, so a test can tell whether the setup stopped it before a removal and started it again
// after a failed one.
//
// A test can make the stop slow: the REG_DWORD "ServiceStopDelayMs" below
// HKLM\Software\Velora\QuorixDemo\Settings keeps the service in STOP_PENDING that long (at most
// a minute), reporting a wait hint of 100 ms, below the 500 ms a caller should poll at least.
#include <windows.h>

#include <algorithm>
#include <string>

#include "demo_events.h"

namespace {

using quorix::demo::RecordEvent;

// Not const: SERVICE_TABLE_ENTRYW takes the name through a non-const pointer.
wchar_t serviceName[] = L"Velora.QuorixSvc";
constexpr wchar_t kStopDelaySetting[] = L"ServiceStopDelayMs";
constexpr DWORD kMaxStopDelayMs = 60000;
constexpr DWORD kStopWaitHintMs = 100;
constexpr DWORD kStartWaitHintMs = 3000;

SERVICE_STATUS_HANDLE statusHandle = nullptr;
HANDLE stopRequested = nullptr;
// The control handler runs on the dispatcher's thread, the service's work on its own: both
// report through the one status record.
CRITICAL_SECTION statusLock;
SERVICE_STATUS status = {};

void ReportState(DWORD state, DWORD waitHint) {
    EnterCriticalSection(&statusLock);
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted =
        state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = NO_ERROR;
    status.dwWaitHint = waitHint;
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    status.dwCheckPoint = pending ? status.dwCheckPoint + 1 : 0;
    SetServiceStatus(statusHandle, &status);
    LeaveCriticalSection(&statusLock);
}

void ReportFailure(DWORD error) {
    EnterCriticalSection(&statusLock);
    status.dwWin32ExitCode = error;
    status.dwCurrentState = SERVICE_STOPPED;
    status.dwControlsAccepted = 0;
    status.dwCheckPoint = 0;
    SetServiceStatus(statusHandle, &status);
    LeaveCriticalSection(&statusLock);
}

DWORD WINAPI HandleControl(DWORD control, DWORD, void*, void*) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            ReportState(SERVICE_STOP_PENDING, kStopWaitHintMs);
            SetEvent(stopRequested);
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void RunService() {
    statusHandle = RegisterServiceCtrlHandlerExW(serviceName, HandleControl, nullptr);
    if (statusHandle == nullptr) return;
    ReportState(SERVICE_START_PENDING, kStartWaitHintMs);
    stopRequested = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stopRequested == nullptr) {
        ReportFailure(GetLastError());
        return;
    }
    const std::wstring folder = quorix::demo::FolderForLog(quorix::demo::ModuleFolder(nullptr));
    // Recorded before RUNNING is reported: whoever waited for the start finds the line.
    RecordEvent(L"service start in " + folder);
    ReportState(SERVICE_RUNNING, 0);

    WaitForSingleObject(stopRequested, INFINITE);
    DWORD delay = 0;
    if (quorix::demo::ReadSetting(kStopDelaySetting, &delay)) {
        delay = std::min(delay, kMaxStopDelayMs);
        RecordEvent(L"service stops slowly: " +
                    quorix::demo::DecimalText(static_cast<long>(delay)) + L" ms");
    }
    while (delay > 0) {
        const DWORD step = std::min<DWORD>(delay, 250);
        Sleep(step);
        delay -= step;
        ReportState(SERVICE_STOP_PENDING, kStopWaitHintMs);
    }
    // Recorded before STOPPED is reported, for the same reason as the start.
    RecordEvent(L"service stop in " + folder);
    CloseHandle(stopRequested);
    stopRequested = nullptr;
    ReportState(SERVICE_STOPPED, 0);
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
    try {
        RunService();
    } catch (...) {
        // Out of memory in a log line: the Service Control Manager must still hear the end.
        if (statusHandle != nullptr) ReportFailure(ERROR_NOT_ENOUGH_MEMORY);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    InitializeCriticalSection(&statusLock);
    SERVICE_TABLE_ENTRYW services[] = {{serviceName, ServiceMain}, {nullptr, nullptr}};
    // Started by hand instead of by the Service Control Manager: nothing to do.
    if (!StartServiceCtrlDispatcherW(services)) return static_cast<int>(GetLastError());
    return 0;
}
