// The fixed order of a run once the options are known.
#pragma once

#include "bootstrap/process_state.h"
#include "bootstrap/run_options.h"

namespace quorix {

// The pre-install steps and, for the decisions that install, the install sequence.
void RunPreInstallSteps(ProcessContext& ctx, const RunOptions& options);

}  // namespace quorix
