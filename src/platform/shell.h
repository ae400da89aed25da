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

// One request to the shell. The same request serves ShellExecuteW now and ShellExecuteExW
// (which adds a mask and hands back the started process) once the install helper needs to be
// waited for; empty texts are passed as null pointers.
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

class Shell {
public:
    virtual ~Shell() = default;

    // ShellExecuteW(owner, verb, file, parameters, directory, show). Returns what it returns:
    // above 32 when the shell started something, an SE_ERR_* code (or 0) otherwise.
    virtual std::uintptr_t Execute(const ShellRequest& request) = 0;
};

}  // namespace quorix::platform
