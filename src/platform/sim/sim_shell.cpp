#include "platform/sim/sim_shell.h"

#include "common/result_codes.h"
#include "common/text.h"
#include "platform/sim/sim_files.h"

namespace quorix::sim {

namespace {

constexpr std::uint32_t kErrorNoAssociation = 1155;

// "https://host/..." -> "HTTPS"; nothing for a path. A scheme has two letters at least, so a
// drive letter ("C:\...") is never taken for one.
std::wstring SchemeOf(const std::wstring& file) {
    const std::size_t colon = file.find(L':');
    if (colon == std::wstring::npos || colon < 2) return std::wstring();
    for (std::size_t i = 0; i < colon; ++i) {
        const wchar_t c = file[i];
        const bool letter = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
        const bool other = (c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.';
        if (!letter && !(i > 0 && other)) return std::wstring();
    }
    return FoldKey(file.substr(0, colon));
}

bool IsBareName(const std::wstring& file) {
    return file.find_first_of(L"\\/:") == std::wstring::npos;
}

}  // namespace

SimShell::SimShell(Core& core, SimFiles& files) : core_(core), files_(files) {
    urlSchemes = {L"HTTP", L"HTTPS"};
    programs = {L"EXPLORER.EXE"};
}

std::uintptr_t SimShell::Execute(const platform::ShellRequest& request) {
    const std::uintptr_t result = Answer(request);
    executed.push_back(ShellExecuteRecord{request, result});
    return result;
}

std::uintptr_t SimShell::Answer(const platform::ShellRequest& request) {
    if (core_.Failing("ShellExecuteW")) {
        // ShellExecuteW reports its failures as the small SE_ERR_* numbers.
        return core_.lastError <= platform::kShellExecuteErrorLimit ? core_.lastError : 0;
    }
    auto scripted = scriptedResults.find(FoldKey(request.file));
    if (scripted != scriptedResults.end()) {
        if (!platform::ShellExecuteSucceeded(scripted->second)) {
            core_.lastError = static_cast<std::uint32_t>(scripted->second);
        }
        return scripted->second;
    }
    const bool openVerb = request.verb.empty() || FoldKey(request.verb) == L"OPEN";
    const std::wstring scheme = SchemeOf(request.file);
    bool found = false;
    if (!scheme.empty()) {
        if (openVerb && urlSchemes.count(scheme) != 0) return kStarted;
        core_.lastError = kErrorNoAssociation;
        return platform::kSeErrNoAssociation;
    }
    if (IsBareName(request.file)) found = programs.count(FoldKey(request.file)) != 0;
    if (!found) found = files_.Exists(request.file);
    if (!found) {
        core_.lastError = kErrorFileNotFound;
        return platform::kSeErrFileNotFound;
    }
    if (!openVerb) {
        core_.lastError = kErrorNoAssociation;
        return platform::kSeErrNoAssociation;
    }
    return kStarted;
}

bool SimShell::ExecuteEx(const platform::ShellRequest& request, std::uint32_t mask,
                         platform::NativeHandle* process) {
    const bool started = StartEx(request, mask, process);
    if (!started && (mask & platform::kSeeMaskFlagNoUi) == 0) ++shellErrorBoxes;
    return started;
}

bool SimShell::StartEx(const platform::ShellRequest& request, std::uint32_t mask,
                       platform::NativeHandle* process) {
    const bool failing = core_.Failing("ShellExecuteExW");
    *process = platform::kNullHandle;
    executedEx.push_back(ShellExecuteExRecord{request, mask, false, platform::kNullHandle});
    if (failing) return false;
    SimProgram program;
    auto scripted = runnable.find(FoldKey(request.file));
    if (scripted != runnable.end()) {
        program = scripted->second;
    } else if (!(IsBareName(request.file) && programs.count(FoldKey(request.file)) != 0) &&
               !files_.Exists(request.file)) {
        core_.lastError = kErrorFileNotFound;
        return false;
    }
    if (!request.verb.empty() && FoldKey(request.verb) != L"OPEN") {
        core_.lastError = kErrorNoAssociation;
        return false;
    }
    executedEx.back().started = true;
    if ((mask & platform::kSeeMaskNoCloseProcess) != 0) {
        *process = core_.ledger.Open("process", NarrowAscii(request.file));
        processes_[*process] = Process{core_.clockMs, program};
        executedEx.back().process = *process;
    }
    return true;
}

bool SimShell::GetProcessExitCode(platform::NativeHandle process, std::uint32_t* exitCode) {
    const bool failing = core_.Failing("GetExitCodeProcess");
    ++exitCodeQueries;
    if (failing) return false;
    auto it = processes_.find(process);
    if (it == processes_.end() || !core_.ledger.IsOpen(process)) {
        core_.lastError = kErrorInvalidHandle;
        return false;
    }
    const bool ended = core_.clockMs - it->second.startMs >= it->second.program.runMs;
    *exitCode = ended ? it->second.program.exitCode : platform::kStillActive;
    return true;
}

std::uint32_t SimShell::WaitForProcess(platform::NativeHandle process, std::uint32_t timeoutMs) {
    const bool failing = core_.Failing("WaitForSingleObject");
    processWaits.push_back(timeoutMs);
    if (failing) return platform::kWaitFailed;
    auto it = processes_.find(process);
    if (it == processes_.end() || !core_.ledger.IsOpen(process)) {
        core_.lastError = kErrorInvalidHandle;
        return platform::kWaitFailed;
    }
    // The wait passes on the virtual clock: up to the program's end, or the whole timeout.
    const std::uint64_t runMs = it->second.program.runMs;
    const std::uint64_t endsAt =
        runMs == SimProgram::kRunsForever ? SimProgram::kRunsForever : it->second.startMs + runMs;
    const std::uint64_t deadline = core_.clockMs + timeoutMs;
    if (endsAt <= deadline) {
        if (endsAt > core_.clockMs) core_.clockMs = endsAt;
        return platform::kWaitObject0;
    }
    core_.clockMs = deadline;
    return platform::kWaitTimeout;
}

std::vector<std::wstring> SimShell::OpenedFiles() const {
    std::vector<std::wstring> files;
    for (const ShellExecuteRecord& record : executed) files.push_back(record.request.file);
    return files;
}

}  // namespace quorix::sim
