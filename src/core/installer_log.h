// The run log's lines for the Windows Installer's calls, which several rooms make.
#pragma once

#include <cstdint>
#include <string>

#include "core/process_state.h"

namespace quorix {

// One "installer" line: what was installed or removed ("language pack ...", "base package",
// "removal of ..."), the UI level in force and the result with the system's text for it. Makes
// no call at all while the run has no log.
void LogInstallerCall(ProcessContext& ctx, const std::wstring& what, std::int32_t uiLevel,
                      std::uint32_t result);

}  // namespace quorix
