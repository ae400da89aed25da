#include "support/sim_run.h"

#include "bootstrap/entry.h"

namespace quorix::testing {

Ending SimProcess::RunProgram(std::vector<std::wstring> argv) {
    machine.system.argv = std::move(argv);
    Ending ending;
    try {
        ending.exitCode = RunEntryProcedure(ctx);
    } catch (const sim::ProcessExit& exit) {
        ending.exitCode = exit.exitCode;
        ending.exitedProcess = true;
    }
    return ending;
}

Ending SimProcess::Run(const std::function<void()>& operation) {
    Ending ending;
    try {
        operation();
    } catch (const sim::ProcessExit& exit) {
        ending.exitCode = exit.exitCode;
        ending.exitedProcess = true;
    }
    return ending;
}

}  // namespace quorix::testing
