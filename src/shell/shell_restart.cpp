#include "shell/shell_restart.h"

namespace quorix {

// The shell decision and the scheduled task arrive with the removal work; nothing to do yet.
void ForceShellRestart(ProcessContext& ctx) {}

}  // namespace quorix
