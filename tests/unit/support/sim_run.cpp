#include "support/sim_run.h"

#include "bootstrap/entry.h"
#include "core/release.h"

namespace quorix::test {

Ending SimProcess::RunProgram(std::vector<std::wstring> argv) {
    machine.system.argv = std::move(argv);
    Ending ending;
    try {
        ending.exitCode = static_cast<std::uint32_t>(RunEntryProcedure(ctx));
    } catch (const sim::ProcessExit& exit) {
        ending.exitCode = exit.exitCode;
        ending.exitedProcess = true;
    }
    ending.instanceMutexHeldToTheEnd = machine.system.MutexExists(kInstanceMutexName);
    // The end of the process closes what it still held.
    if (state.instanceMutex != platform::kNullHandle) {
        machine.system.CloseAtProcessEnd(state.instanceMutex);
        state.instanceMutex = platform::kNullHandle;
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

}  // namespace quorix::test
