// How a run ends: the exit codes, the one way of ending, and the services every room calls on
// the way out (the fatal-error box, the system's text for a code, the restart request).
#pragma once

#include <cstdint>
#include <string>

#include "common/result_codes.h"
#include "core/process_state.h"

namespace quorix {

// The codes the process ends with. A fatal error ends with the failing code's low 16 bits
// instead (see FatalErrorExit).
enum class ExitCode : std::uint32_t {
    Success = 0,
    // A failed installation or removal, a second instance, a cancelled dialog.
    Failure = 1,
    // This Windows does not meet the requirements (-1 as the parent sees it).
    RequirementsNotMet = 0xFFFFFFFFu,
};

// Ends the process with the code, after the run log's exit line with the reason. The real
// platform never returns; the simulated one throws its exit object, so nothing after the call
// runs in either.
[[noreturn]] void EndRun(ProcessContext& ctx, ExitCode code,
                         std::initializer_list<LogPiece> reason);

// For a run that shows one last box before it ends: the exit line goes into the log before the
// box, so that a run left waiting on it (and killed there by a deployment tool) still says why it
// ends. EndLoggedRun closes the log and ends the process after the box.
void WriteExitLine(ProcessContext& ctx, ExitCode code, std::initializer_list<LogPiece> reason);
[[noreturn]] void EndLoggedRun(ProcessContext& ctx, ExitCode code);

// The one way of ending on an unexpected failure: an error box with the context followed by
// the system's text for the code, exit code = the code's low 16 bits.
[[noreturn]] void FatalErrorExit(ProcessContext& ctx, HResult code, const std::wstring& context);

// The system's message text for a code, or the code as an unsigned decimal number.
std::wstring FormatSystemError(ProcessContext& ctx, std::uint32_t code);

// Asks Windows to restart the machine and returns; the caller goes on.
void RequestSystemRestart(ProcessContext& ctx);

}  // namespace quorix
