// The Windows version the product needs, checked before anything is looked for or installed.
#pragma once

#include "bootstrap/process_state.h"

namespace quorix {

// Returns when the system is supported (or its version cannot be read); otherwise explains why
// in its own window and ends the process with -1.
void CheckSystemRequirements(ProcessContext& ctx);

}  // namespace quorix
