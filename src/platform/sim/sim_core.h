// The heart of the simulated Windows: the last error, injected faults, the handle ledger and
// the virtual clock that every simulated area shares.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace quorix::sim {

// Thrown by the simulated ExitProcess so that a test can catch the end of the process and
// read its exit code. Deliberately not a std::exception: nothing in the program catches it.
struct ProcessExit {
    std::uint32_t exitCode;
};

// Makes chosen platform calls fail with a chosen error. Every simulated call reports its name
// here first; the trace of names lets a sweep fail each call of a scenario in turn.
class Faults {
public:
    // The next `count` calls of `api` after `skip` successful ones fail with `error`.
    void Fail(const std::string& api, std::uint32_t error, int count = 1, int skip = 0);
    // The call with this 0-based position in the whole trace fails with `error`.
    void FailCallNumber(std::size_t number, std::uint32_t error);
    void Clear();

    // Called by each simulated call: the error to fail with, if any.
    std::optional<std::uint32_t> Check(const std::string& api);

    const std::vector<std::string>& Trace() const { return trace_; }
    // How many faults were actually delivered.
    int Delivered() const { return delivered_; }

private:
    struct Rule {
        std::uint32_t error;
        int count;
        int skip;
    };
    std::map<std::string, std::vector<Rule>> rules_;
    std::optional<std::pair<std::size_t, std::uint32_t>> callNumber_;
    std::vector<std::string> trace_;
    int delivered_ = 0;
};

// Every handle, key, view and object the program opens is counted here, with what it is.
class HandleLedger {
public:
    platform::NativeHandle Open(const std::string& kind, const std::string& what);
    // False (and counted as a bad close) when the handle is not open.
    bool Close(platform::NativeHandle handle);
    bool IsOpen(platform::NativeHandle handle) const { return open_.count(handle) != 0; }
    std::string KindOf(platform::NativeHandle handle) const;

    std::size_t OpenCount() const { return open_.size(); }
    int BadCloses() const { return badCloses_; }
    // A readable list of what is still open, for assertion messages.
    std::string Describe() const;

private:
    std::map<platform::NativeHandle, std::pair<std::string, std::string>> open_;
    platform::NativeHandle next_ = 0x1000;
    int badCloses_ = 0;
};

struct Core {
    std::uint32_t lastError = 0;
    Faults faults;
    HandleLedger ledger;
    std::uint64_t clockMs = 1000000;  // virtual milliseconds since boot
    // The user's UI language: what GetUserDefaultUILanguage answers and what the resource
    // loader picks string tables by.
    std::uint16_t uiLanguage = 0x0409;
    // What closing a handle of a kind does beyond the ledger (files, mappings, ...).
    std::map<std::string, std::function<void(platform::NativeHandle)>> onClose;

    // Runs the fault check for `api`; when it fires the last error is set and true returned.
    bool Failing(const std::string& api) {
        if (auto error = faults.Check(api)) {
            lastError = *error;
            return true;
        }
        return false;
    }
};

// Case-insensitive (A-Z) key for paths and names, as Windows compares them.
std::wstring FoldKey(const std::wstring& text);

}  // namespace quorix::sim
