#include "bootstrap/install_sequence.h"

namespace quorix {

// The installation itself arrives with the installer invocation; a run ends here for now.
void RunPreInstallSteps(ProcessContext& ctx, const RunOptions& options) {}

}  // namespace quorix
