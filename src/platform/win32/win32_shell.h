// The real shell behind the seam (shell32).
#pragma once

#include "platform/shell.h"

namespace quorix::win32 {

class Win32Shell : public platform::Shell {
public:
    std::uintptr_t Execute(const platform::ShellRequest& request) override;
    bool ExecuteEx(const platform::ShellRequest& request, std::uint32_t mask,
                   platform::NativeHandle* process) override;
    bool GetProcessExitCode(platform::NativeHandle process, std::uint32_t* exitCode) override;
    std::uint32_t WaitForProcess(platform::NativeHandle process, std::uint32_t timeoutMs) override;
};

}  // namespace quorix::win32
