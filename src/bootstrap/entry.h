// The entry procedure: from start-up to the install sequence.
#pragma once

#include <cstdint>
#include <string>

#include "core/process_exit.h"
#include "core/process_state.h"

namespace quorix {

// From start-up to the exit code: instance mutex, stamped tag, session record, shell-restart
// mode, option loop, then the install sequence. Returns the exit code (other paths end the
// process from where they are).
ExitCode RunEntryProcedure(ProcessContext& ctx);

}  // namespace quorix
