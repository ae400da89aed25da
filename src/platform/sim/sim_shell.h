// The simulated shell: every ShellExecuteW the program makes, recorded with what it was given,
// and what the machine would answer (an address opens when its scheme has a handler, a
// program or document when it exists).
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/shell.h"
#include "platform/sim/sim_core.h"

namespace quorix::sim {

class SimFiles;

struct ShellExecuteRecord {
    platform::ShellRequest request;
    std::uintptr_t result;
};

class SimShell : public platform::Shell {
public:
    SimShell(Core& core, SimFiles& files);

    std::uintptr_t Execute(const platform::ShellRequest& request) override;

    // --- the test's side ---
    std::vector<ShellExecuteRecord> executed;
    // URL schemes (folded, without the ":") that have a handler: http and https by default.
    std::set<std::wstring> urlSchemes;
    // Programs found on the search path by their bare name (folded): explorer.exe by default.
    std::set<std::wstring> programs;
    // Folded file -> the result the shell gives for it, whatever else holds.
    std::map<std::wstring, std::uintptr_t> scriptedResults;

    // The success value the shell hands back (Windows answers 42).
    static constexpr std::uintptr_t kStarted = 42;

    // The files of the records, in order: what a user would have seen opening.
    std::vector<std::wstring> OpenedFiles() const;

private:
    std::uintptr_t Answer(const platform::ShellRequest& request);

    Core& core_;
    SimFiles& files_;
};

}  // namespace quorix::sim
