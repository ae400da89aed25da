// The heart of the simulated Windows: the last error, injected faults, the handle ledger and
// the virtual clock that every simulated area shares.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
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
//
// A fault only tests something if it reaches the program, so arming is checked both ways:
// a name no simulated call reports is refused at once (a misspelt name would otherwise inject
// nothing), and a fault still waiting when the machine goes away is reported to the test
// unless the test said why that is expected.
class Faults {
public:
    Faults() = default;
    Faults(const Faults&) = delete;
    Faults& operator=(const Faults&) = delete;
    ~Faults();

    // The next `count` calls of `api` after `skip` successful ones fail with `error`. Throws
    // std::invalid_argument for a name no simulated call reports.
    void Fail(const std::string& api, std::uint32_t error, int count = 1, int skip = 0);
    // The call with this 0-based position in the whole trace fails with `error`.
    void FailCallNumber(std::size_t number, std::uint32_t error);
    // Drops the armed faults; those that never fired are still reported at the end.
    void Clear();
    // Armed faults may stay undelivered in this test, for the reason given (not empty).
    void AllowUndelivered(const std::string& reason);

    // Called by each simulated call: the error to fail with, if any.
    std::optional<std::uint32_t> Check(const std::string& api);

    const std::vector<std::string>& Trace() const { return trace_; }
    // How many faults were actually delivered.
    int Delivered() const { return delivered_; }
    // What is wrong with the arming so far: faults that never fired (unless allowed) and
    // calls that reported a name missing from KnownCalls().
    std::vector<std::string> Problems() const;

    // Every name a simulated call reports.
    static const std::set<std::string>& KnownCalls();
    // Where Problems() go when the machine goes away (the test framework's failure report);
    // returns the previous one. Without one they are not reported.
    using Reporter = std::function<void(const std::string&)>;
    static Reporter SetReporter(Reporter reporter);

private:
    struct Rule {
        std::uint32_t error;
        int count;
        int skip;
        int fired = 0;
    };
    void CollectUndelivered(std::vector<std::string>* out) const;

    std::map<std::string, std::vector<Rule>> rules_;
    std::optional<std::pair<std::size_t, std::uint32_t>> callNumber_;
    bool callNumberFired_ = false;
    std::vector<std::string> trace_;
    std::vector<std::string> clearedProblems_;
    std::set<std::string> unlisted_;
    std::string undeliveredAllowed_;
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
    // Exceptions a dialog or window handler threw, caught at the edge of the dispatch and
    // taken as "not handled", as the real window and dialog procedures do.
    int handlerExceptions = 0;
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
