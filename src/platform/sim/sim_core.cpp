#include "platform/sim/sim_core.h"

#include <sstream>
#include <stdexcept>
#include <utility>

namespace quorix::sim {

namespace {

Faults::Reporter& CurrentReporter() {
    static Faults::Reporter reporter;
    return reporter;
}

}  // namespace

const std::set<std::string>& Faults::KnownCalls() {
    // Kept in step with the simulated calls by a test that reads their sources.
    static const std::set<std::string> names = {
        "AdjustTokenPrivileges",
        "AllocateAndInitializeSid",
        "AttachConsole",
        "CloseHandle",
        "CloseServiceHandle",
        "CoCreateGuid",
        "CoCreateInstance",
        "CoInitialize",
        "CoUninitialize",
        "ComMethodCall",
        "CommandLineToArgvW",
        "ControlService",
        "CreateDirectoryW",
        "CreateFileMappingW",
        "CreateFileW",
        "CreateFontW",
        "CreateMutexW",
        "CreatePen",
        "CreateSolidBrush",
        "CreateWindowExW",
        "DeleteFileW",
        "DeleteObject",
        "DestroyWindow",
        "DialogBoxParamW",
        "DrawTextW",
        "EndDialog",
        "EnumResourceNamesW",
        "ExitWindowsEx",
        "ExpandEnvironmentStringsW",
        "FileTimeToSystemTime",
        "FindResourceExW",
        "FindWindowW",
        "FormatMessageW",
        "FreeConsole",
        "GetAce",
        "GetAclInformation",
        "GetDC",
        "GetDeviceCaps",
        "GetDlgCtrlID",
        "GetDlgItem",
        "GetExitCodeProcess",
        "GetFileAttributesExW",
        "GetFileAttributesW",
        "GetFileSizeEx",
        "GetFileVersionInfoSizeW",
        "GetFileVersionInfoW",
        "GetFinalPathNameByHandleW",
        "GetGeoInfoW",
        "GetLocalTime",
        "GetLocaleInfoW",
        "GetModuleFileNameW",
        "GetNativeSystemInfo",
        "GetPrivateProfileStringW",
        "GetProductInfo",
        "GetSecurityInfo",
        "GetStockObject",
        "GetTokenInformation",
        "GetSystemDefaultLCID",
        "GetSystemMetrics",
        "GetSystemTime",
        "GetTempFileNameW",
        "GetTempPathW",
        "GetUserDefaultLCID",
        "GetUserDefaultUILanguage",
        "GetUserGeoID",
        "GetVersion",
        "GetVersionExW",
        "GetWindowRect",
        "GetWindowTextW",
        "GetWindowsDirectoryW",
        "IAction::QueryInterface",
        "IActionCollection::Create",
        "IExecAction::put_Path",
        "IIDFromString",
        "IPrincipal::put_RunLevel",
        "IRegisteredTask::Run",
        "IRegisteredTask::get_LastRunTime",
        "IRegistrationInfo::put_Description",
        "ITaskDefinition::get_Actions",
        "ITaskDefinition::get_Principal",
        "ITaskDefinition::get_RegistrationInfo",
        "ITaskDefinition::get_Settings",
        "ITaskDefinition::get_Triggers",
        "ITaskFolder::DeleteTask",
        "ITaskFolder::RegisterTaskDefinition",
        "ITaskService::Connect",
        "ITaskService::GetFolder",
        "ITaskService::NewTask",
        "ITaskSettings::put_AllowDemandStart",
        "ITaskSettings::put_DeleteExpiredTaskAfter",
        "ITaskSettings::put_DisallowStartIfOnBatteries",
        "ITaskSettings::put_ExecutionTimeLimit",
        "ITrigger::put_EndBoundary",
        "ITriggerCollection::Create",
        "IUnknown::Release",
        "ImageList_Add",
        "ImageList_Create",
        "InitCommonControlsEx",
        "InitializeAcl",
        "InvalidateRect",
        "IsDlgButtonChecked",
        "IsWindow",
        "LoadBitmapW",
        "LoadResource",
        "LoadStringW",
        "LockResource",
        "MapViewOfFile",
        "MessageBoxW",
        "MsiCloseHandle",
        "MsiConfigureProductW",
        "MsiDatabaseOpenViewW",
        "MsiEnableLogW",
        "MsiGetProductInfoW",
        "MsiInstallProductW",
        "MsiOpenDatabaseW",
        "MsiQueryProductStateW",
        "MsiRecordGetStringW",
        "MsiSetInternalUI",
        "MsiViewExecute",
        "MsiViewFetch",
        "OpenProcessToken",
        "OpenSCManagerW",
        "OpenServiceW",
        "QueryPerformanceCounter",
        "QueryServiceStatusEx",
        "ReadFile",
        "Rectangle",
        "RegCloseKey",
        "RegCreateKeyExW",
        "RegDeleteKeyW",
        "RegEnumKeyExW",
        "RegOpenKeyExW",
        "RegQueryValueExW",
        "RegSetValueExW",
        "RegisterClassExW",
        "ReleaseDC",
        "SHGetFolderPathW",
        "ScreenToClient",
        "SelectObject",
        "SendInput",
        "SendMessageW",
        "SetBkMode",
        "SetCurrentDirectoryW",
        "SetFileAttributesW",
        "SetFileInformationByHandle",
        "SetFocus",
        "SetParent",
        "SetTextColor",
        "SetWindowTextW",
        "ShellExecuteExW",
        "ShellExecuteW",
        "ShowWindow",
        "SizeofResource",
        "Sleep",
        "StartServiceW",
        "StringFromGUID2",
        "SysAllocString",
        "SysFreeString",
        "SystemTimeToFileTime",
        "UnmapViewOfFile",
        "UnregisterClassW",
        "UpdateWindow",
        "VerQueryValueW",
        "VirtualQuery",
        "WTSQuerySessionInformationW",
        "WaitForSingleObject",
        "WriteFile",
        "fputws",
        "freopen",
    };
    return names;
}

Faults::Reporter Faults::SetReporter(Reporter reporter) {
    Reporter previous = std::move(CurrentReporter());
    CurrentReporter() = std::move(reporter);
    return previous;
}

Faults::~Faults() {
    const Reporter& report = CurrentReporter();
    if (!report) return;
    for (const std::string& problem : Problems()) report(problem);
}

void Faults::Fail(const std::string& api, std::uint32_t error, int count, int skip) {
    if (KnownCalls().count(api) == 0) {
        throw std::invalid_argument("no simulated call is named '" + api +
                                    "': a fault armed under it would never fire");
    }
    rules_[api].push_back(Rule{error, count, skip});
}

void Faults::FailCallNumber(std::size_t number, std::uint32_t error) {
    callNumber_ = std::make_pair(number, error);
    callNumberFired_ = false;
}

void Faults::Clear() {
    CollectUndelivered(&clearedProblems_);
    rules_.clear();
    callNumber_.reset();
}

void Faults::AllowUndelivered(const std::string& reason) {
    if (reason.empty()) throw std::invalid_argument("an undelivered fault needs a reason");
    undeliveredAllowed_ = reason;
}

void Faults::CollectUndelivered(std::vector<std::string>* out) const {
    if (!undeliveredAllowed_.empty()) return;
    for (const auto& [api, rules] : rules_) {
        for (const Rule& rule : rules) {
            if (rule.fired > 0) continue;
            std::ostringstream text;
            text << "the fault armed on " << api << " (error " << rule.error << ") never fired";
            if (rule.skip > 0) text << " (" << rule.skip << " call(s) still to skip)";
            out->push_back(text.str());
        }
    }
    if (callNumber_ && !callNumberFired_) {
        out->push_back("the fault armed on call number " + std::to_string(callNumber_->first) +
                       " never fired (the trace has " + std::to_string(trace_.size()) + " calls)");
    }
}

std::vector<std::string> Faults::Problems() const {
    std::vector<std::string> problems = clearedProblems_;
    CollectUndelivered(&problems);
    for (const std::string& api : unlisted_) {
        problems.push_back("the simulated call '" + api + "' is missing from the known names");
    }
    return problems;
}

std::optional<std::uint32_t> Faults::Check(const std::string& api) {
    if (KnownCalls().count(api) == 0) unlisted_.insert(api);
    const std::size_t number = trace_.size();
    trace_.push_back(api);
    if (callNumber_ && callNumber_->first == number) {
        ++delivered_;
        callNumberFired_ = true;
        return callNumber_->second;
    }
    auto it = rules_.find(api);
    if (it == rules_.end()) return std::nullopt;
    for (Rule& rule : it->second) {
        if (rule.count <= 0) continue;
        if (rule.skip > 0) {
            --rule.skip;
            continue;
        }
        --rule.count;
        ++rule.fired;
        ++delivered_;
        return rule.error;
    }
    return std::nullopt;
}

platform::NativeHandle HandleLedger::Open(const std::string& kind, const std::string& what) {
    const platform::NativeHandle handle = next_;
    next_ += 4;
    open_[handle] = {kind, what};
    return handle;
}

bool HandleLedger::Close(platform::NativeHandle handle) {
    if (open_.erase(handle) == 0) {
        ++badCloses_;
        return false;
    }
    return true;
}

std::string HandleLedger::KindOf(platform::NativeHandle handle) const {
    auto it = open_.find(handle);
    return it == open_.end() ? std::string() : it->second.first;
}

std::string HandleLedger::Describe() const {
    std::ostringstream out;
    for (const auto& [handle, entry] : open_) {
        out << entry.first << " '" << entry.second << "' (0x" << std::hex << handle << std::dec
            << ")\n";
    }
    if (badCloses_ != 0) out << badCloses_ << " close(s) of handles that were not open\n";
    return out.str();
}

std::wstring FoldKey(const std::wstring& text) {
    std::wstring key = text;
    for (wchar_t& c : key) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return key;
}

}  // namespace quorix::sim
