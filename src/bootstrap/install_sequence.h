// The fixed order of a run once the options are known.
#pragma once

#include <cstdint>

#include "bootstrap/process_state.h"
#include "bootstrap/run_options.h"

namespace quorix {

// Requirements, installed-version decision, the pending-installation check, and then what the
// decision calls for. Returns when the run is over without an exit of its own (the entry
// procedure then returns 0).
void RunPreInstallSteps(ProcessContext& ctx, const RunOptions& options);

// The installation for decision `action` (1, 2 or 3): base package, installation identifier,
// language choice and packs, the previous generation's removal (3 only), the installer runs
// and the outcome. Returns only after a successful installation; a failed one ends the
// process with 1.
void RunInstallSequence(ProcessContext& ctx, std::int32_t action, RunOptions options);

}  // namespace quorix
