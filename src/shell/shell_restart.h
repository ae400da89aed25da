// Bringing the desktop shell back.
#pragma once

#include "bootstrap/process_state.h"

namespace quorix {

// "--force-shell-restart": makes sure the Windows shell runs again.
void ForceShellRestart(ProcessContext& ctx);

}  // namespace quorix
