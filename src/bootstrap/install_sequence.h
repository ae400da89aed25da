// The fixed order of a run once the options are known.
#pragma once

#include <string>

#include "bootstrap/run_options.h"
#include "core/configure_action.h"
#include "core/process_state.h"

namespace quorix {

// Requirements, installed-version decision, the pending-installation check, and then what the
// decision calls for. Returns when the run is over without an exit of its own (the entry
// procedure then returns 0), with the reason for the log's exit line.
ExitReason RunPreInstallSteps(ProcessContext& ctx, const RunOptions& options);

// The installation for decision `action` (NotInstalled, OlderInstalled or
// PreviousGenerationInstalled): base package, installation identifier, language choice and
// packs, the previous generation's removal (PreviousGenerationInstalled only), the installer
// runs and the outcome. Returns only after a successful installation, with the reason for the
// log's exit line; a failed one ends the process with 1.
ExitReason RunInstallSequence(ProcessContext& ctx, ConfigureAction action, RunOptions options);

}  // namespace quorix
