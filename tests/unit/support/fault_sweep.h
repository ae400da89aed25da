// Runs one whole-program scenario on the simulated Windows once per platform call it makes,
// with exactly that call failing, and collects every run that ended in a way the program
// must never end: an exception out of the entry procedure, an exit code outside the
// documented set, something left open (handles, keys, windows, COM), or the installer's UI
// level left changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "support/product_machine.h"

namespace quorix::test {

struct SweepScenario {
    std::string name;
    std::vector<std::wstring> args;                // after argv[0]
    std::function<void(ProductMachine&)> prepare;  // the machine before the run; may be empty
    std::uint32_t expectedExitCode = 0;            // of the run without a fault
    // What the run without a fault must have done, so that the sweep covers the real path.
    std::function<bool(const ProductMachine&)> didItsWork;
};

// The error a failing call reports: what Windows plausibly answers for that API.
std::uint32_t PlausibleError(const std::string& api);

// Closing or restoring calls: when one of these fails, what it should have released or
// restored stays as it is, and nothing the program could do would change that.
bool IsReleaseCall(const std::string& api);

struct SweepResult {
    std::size_t calls = 0;        // calls the run without a fault makes = runs swept
    std::set<std::string> apis;   // distinct APIs among them
    std::size_t undelivered = 0;  // runs whose fault never fired (the run diverged early)
    std::vector<std::string> findings;
    std::set<std::uint32_t> exitCodes;  // every exit code seen across the sweep
    std::string baselineProblem;        // empty when the unfaulted run did what it should
};

// The exit codes a run may end with: 0, 1 and -1, and FatalErrorExit's low 16 bits of E_FAIL
// (16389) or of the Win32 error that was injected (0x8007xxxx & 0xFFFF == the error).
bool IsDocumentedExitCode(std::uint32_t code, std::uint32_t injectedError);

SweepResult SweepScenarioCalls(const SweepScenario& scenario);

}  // namespace quorix::test
