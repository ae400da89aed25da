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

// How a program the shell starts behaves: it runs for `runMs` on the virtual clock, then ends
// with `exitCode` (kRunsForever: it never ends).
struct SimProgram {
    static constexpr std::uint64_t kRunsForever = ~std::uint64_t{0};
    std::uint32_t exitCode = 0;
    std::uint64_t runMs = 0;
};

struct ShellExecuteExRecord {
    platform::ShellRequest request;
    std::uint32_t mask;
    bool started;
    platform::NativeHandle process;  // what the caller was handed (null: none)
};

class SimShell : public platform::Shell {
public:
    SimShell(Core& core, SimFiles& files);

    std::uintptr_t Execute(const platform::ShellRequest& request) override;
    bool ExecuteEx(const platform::ShellRequest& request, std::uint32_t mask,
                   platform::NativeHandle* process) override;
    bool GetProcessExitCode(platform::NativeHandle process, std::uint32_t* exitCode) override;
    std::uint32_t WaitForProcess(platform::NativeHandle process, std::uint32_t timeoutMs) override;

    // --- the test's side ---
    std::vector<ShellExecuteRecord> executed;
    // URL schemes (folded, without the ":") that have a handler: http and https by default.
    std::set<std::wstring> urlSchemes;
    // Programs found on the search path by their bare name (folded): explorer.exe by default.
    std::set<std::wstring> programs;
    // Folded file -> the result the shell gives for it, whatever else holds.
    std::map<std::wstring, std::uintptr_t> scriptedResults;

    // ShellExecuteExW: every call, and the programs it can start by their folded path. A file
    // that exists without an entry here runs for no time and ends with 0.
    std::vector<ShellExecuteExRecord> executedEx;
    // Error boxes the shell itself showed: a failed ShellExecuteExW without SEE_MASK_FLAG_NO_UI
    // tells the user before it returns.
    int shellErrorBoxes = 0;
    std::map<std::wstring, SimProgram> runnable;
    int exitCodeQueries = 0;
    // WaitForSingleObject on a process: the timeouts asked for, in order.
    std::vector<std::uint32_t> processWaits;

    // The success value the shell hands back (Windows answers 42).
    static constexpr std::uintptr_t kStarted = 42;

    // The files of the records, in order: what a user would have seen opening.
    std::vector<std::wstring> OpenedFiles() const;

private:
    std::uintptr_t Answer(const platform::ShellRequest& request);
    bool StartEx(const platform::ShellRequest& request, std::uint32_t mask,
                 platform::NativeHandle* process);

    struct Process {
        std::uint64_t startMs;
        SimProgram program;
    };

    Core& core_;
    SimFiles& files_;
    std::map<platform::NativeHandle, Process> processes_;
};

}  // namespace quorix::sim
