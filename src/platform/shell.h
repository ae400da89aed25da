// The Windows shell (shell32): opening a file, a program or an address the way Explorer would.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace quorix::platform {

// ShowWindow commands.
inline constexpr int kSwShowNormal = 1;
inline constexpr int kSwShow = 5;

// What ShellExecuteW answers at or below this value is an error (SE_ERR_* or 0).
inline constexpr std::uintptr_t kShellExecuteErrorLimit = 32;
inline constexpr std::uintptr_t kSeErrFileNotFound = 2;
inline constexpr std::uintptr_t kSeErrAccessDenied = 5;
inline constexpr std::uintptr_t kSeErrNoAssociation = 31;

// One request to the shell, for ShellExecuteW and ShellExecuteExW alike (the latter adds a mask
// and can hand back the started process); empty texts are passed as null pointers.
struct ShellRequest {
    NativeHandle owner = kNullHandle;  // owner window of any box the shell shows; none: null
    std::wstring verb;                 // "open"; empty: the default verb
    std::wstring file;                 // document, program or address
    std::wstring parameters;           // for a program; empty: none
    std::wstring directory;            // working folder; empty: the current one
    int show = kSwShowNormal;
};

inline bool ShellExecuteSucceeded(std::uintptr_t result) {
    return result > kShellExecuteErrorLimit;
}

// SHELLEXECUTEINFOW masks: hand back the started process, and finish starting it before
// returning (the caller waits for the process, not for a DDE conversation).
inline constexpr std::uint32_t kSeeMaskNoCloseProcess = 0x00000040;
inline constexpr std::uint32_t kSeeMaskNoAsync = 0x00000100;
// Without it a failed start shows the shell's own error box, even in an unattended run.
inline constexpr std::uint32_t kSeeMaskFlagNoUi = 0x00000400;

// What GetExitCodeProcess answers for a process that has not ended yet.
inline constexpr std::uint32_t kStillActive = 259;

// What WaitForSingleObject answers: the process has ended, the time ran out, or the wait
// itself failed (the reason in the last error).
inline constexpr std::uint32_t kWaitObject0 = 0x00000000;
inline constexpr std::uint32_t kWaitTimeout = 0x00000102;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;

class Shell {
public:
    virtual ~Shell() = default;

    // ShellExecuteW(owner, verb, file, parameters, directory, show). Returns what it returns:
    // above 32 when the shell started something, an SE_ERR_* code (or 0) otherwise.
    virtual std::uintptr_t Execute(const ShellRequest& request) = 0;

    // ShellExecuteExW with a SHELLEXECUTEINFOW of 60 bytes carrying the request and `mask`.
    // False when it failed (the reason in the last error). With SEE_MASK_NOCLOSEPROCESS,
    // *process receives hProcess (null when the shell started no process of its own), which the
    // caller closes through System::CloseHandle; otherwise *process is null. A failure without
    // SEE_MASK_FLAG_NO_UI also shows the shell's own error box before returning.
    virtual bool ExecuteEx(const ShellRequest& request, std::uint32_t mask,
                           NativeHandle* process) = 0;

    // GetExitCodeProcess(process): the exit code, or STILL_ACTIVE (259) while it runs. False
    // when the query failed; *exitCode is then left as it was.
    virtual bool GetProcessExitCode(NativeHandle process, std::uint32_t* exitCode) = 0;

    // WaitForSingleObject(process, timeoutMs): kWaitObject0 once the process has ended,
    // kWaitTimeout when it still runs after timeoutMs, kWaitFailed when the wait failed.
    virtual std::uint32_t WaitForProcess(NativeHandle process, std::uint32_t timeoutMs) = 0;
};

}  // namespace quorix::platform
