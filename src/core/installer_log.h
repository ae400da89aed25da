// The run log's lines for the Windows Installer's calls, which several rooms make.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/process_state.h"

namespace quorix {

// One "installer" line: what was installed or removed (`what` followed by `name`: "language
// pack " and its name, "base package" and none, "removal of " and a product code), the UI level
// in force and the result with the system's text for it. Makes no call at all while the run has
// no log.
void LogInstallerCall(ProcessContext& ctx, const char* what, std::wstring_view name,
                      std::int32_t uiLevel, std::uint32_t result);

}  // namespace quorix
