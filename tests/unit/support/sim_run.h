// Runs the program, or one operation of it, on a simulated machine and reports how it ended.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/process_state.h"
#include "platform/sim/sim_machine.h"
#include "support/product_resources.h"

namespace quorix::test {

struct Ending {
    std::uint32_t exitCode = 0;
    bool exitedProcess = false;  // through ExitProcess rather than by returning
    // The instance mutex still stood once the entry procedure had returned or unwound, when
    // only the end of the process was left to close it.
    bool instanceMutexHeldToTheEnd = false;
};

// A fresh machine running the product's module, and a fresh process on it.
struct SimProcess {
    SimProcess() { PlaceProductModule(machine); }

    sim::SimMachine machine;
    ProcessState state;
    ProcessContext ctx{machine.Os(), state};

    // The whole program from the entry procedure, with the given argv (argv[0] included).
    Ending RunProgram(std::vector<std::wstring> argv);
    // One operation that may end the process.
    Ending Run(const std::function<void()>& operation);

    // The handles left open, apart from those the program keeps on purpose until the
    // installer has read a package or the process ends: its held packages. A held package
    // whose handle is not open counts as one more.
    std::size_t LeftOpen() const {
        std::size_t held = 0;
        for (const HeldPackage& package : state.heldPackages) {
            if (machine.core.ledger.IsOpen(package.handle.Get())) ++held;
        }
        return machine.core.ledger.OpenCount() + state.heldPackages.size() - 2 * held;
    }
};

}  // namespace quorix::test
