// Bringing the desktop shell back.
#pragma once

#include <string>

#include "core/process_state.h"
#include "platform/task_scheduler.h"

namespace quorix {

// The scheduled task that starts the shell, below the root task folder.
inline constexpr wchar_t kShellRestartTaskName[] = L"{C6F87718-6D76-b07e-881E-D162AE2EB154}";
inline constexpr wchar_t kShellRestartTaskDescription[] = L"Velora Setup - Force Shell Restart";
// The longest "domain\user" (with room for its terminator) a task is registered for.
inline constexpr std::size_t kSessionUserNameLimit = 272;

// Makes sure a desktop shell runs again: when the configured shell is Explorer and no shell
// window exists, Explorer is started, directly before Windows 6.0 and through a one-shot
// scheduled task in the interactive user's session from 6.0 on. True when the start was
// requested successfully; false when nothing was needed or the start failed.
bool ForceShellRestart(ProcessContext& ctx);

// "DOMAIN\user" of the current Terminal Services session as a BSTR, or null when a query
// failed or the name is too long.
platform::UniqueBstr GetSessionUserName(ProcessContext& ctx);

// The end boundary of the task: the UTC time as "YYYY-MM-DDThh:mm:ssZ".
std::wstring FormatTaskBoundary(const platform::SystemTime& time);

}  // namespace quorix
