// The parent console: where the few console-only answers of a GUI program are printed.
#pragma once

#include "core/process_state.h"

namespace quorix {

// Attaches the parent process's console and points standard output at it. True when the
// program may now print there.
bool AttachParentConsole(ProcessContext& ctx);
// Releases the console and presses Enter once, so that the parent console redraws its prompt.
void DetachConsole(ProcessContext& ctx);

}  // namespace quorix
