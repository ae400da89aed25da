#include "support/fault_sweep.h"

#include <exception>
#include <memory>
#include <optional>
#include <sstream>

#include "common/text.h"
#include "platform/installer.h"

namespace quorix::test {

namespace {

constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorNotEnoughMemory = 8;
constexpr std::uint32_t kErrorSharingViolation = 32;
constexpr std::uint32_t kErrorOpenFailed = 110;
constexpr std::uint32_t kErrorServiceDoesNotExist = 1060;
constexpr std::uint32_t kErrorResourceNameNotFound = 1814;
constexpr std::uint32_t kErrorInstallFailure = 1603;
constexpr std::uint32_t kErrorInstallLogFailure = 1622;
constexpr std::uint32_t kFatalEFail = 16389;  // E_FAIL & 0xFFFF

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

struct Outcome {
    std::unique_ptr<ProductMachine> machine;
    Ending ending;
    std::optional<std::string> escaped;  // what left the entry procedure instead of an ending
    std::size_t firstCall = 0;           // trace position of the run's first platform call
};

Outcome RunScenario(const SweepScenario& scenario,
                    std::optional<std::pair<std::size_t, std::uint32_t>> fault) {
    Outcome outcome;
    outcome.machine = std::make_unique<ProductMachine>();
    ProductMachine& m = *outcome.machine;
    if (scenario.prepare) scenario.prepare(m);
    outcome.firstCall = m.machine.core.faults.Trace().size();
    if (fault) {
        m.machine.core.faults.FailCallNumber(outcome.firstCall + fault->first, fault->second);
        m.machine.core.faults.AllowUndelivered(
            "a sweep run that takes another path is counted as undelivered by the sweep itself");
    }
    try {
        outcome.ending = m.Run(scenario.args);  // ends the simulated process's exit as well
    } catch (const std::exception& e) {
        outcome.escaped = std::string("exception '") + e.what() + "'";
    } catch (...) {
        outcome.escaped = "an exception of no standard type";
    }
    return outcome;
}

bool ShowedFatalErrorBox(const ProductMachine& m) {
    for (const sim::MessageBoxRecord& box : m.machine.ui.boxes) {
        if (!box.caption && box.style == platform::kMbIconError) return true;
    }
    return false;
}

std::string Describe(std::size_t number, const std::string& api, std::uint32_t error) {
    std::ostringstream out;
    out << "call #" << number << " " << api << " failing with " << error << ": ";
    return out.str();
}

}  // namespace

std::uint32_t PlausibleError(const std::string& api) {
    if (api == "MsiInstallProductW" || api == "MsiConfigureProductW") return kErrorInstallFailure;
    if (api == "MsiEnableLogW") return kErrorInstallLogFailure;
    if (api == "MsiOpenDatabaseW") return kErrorOpenFailed;
    if (StartsWith(api, "Msi")) return kErrorInstallFailure;
    if (api == "CreateFileW" || api == "DeleteFileW") return kErrorSharingViolation;
    if (api == "CommandLineToArgvW" || api == "SysAllocString" || api == "LoadResource" ||
        api == "CreateFileMappingW" || api == "MapViewOfFile" || api == "VirtualQuery") {
        return kErrorNotEnoughMemory;
    }
    if (api == "FindResourceExW" || api == "LoadStringW") return kErrorResourceNameNotFound;
    if (api == "OpenServiceW") return kErrorServiceDoesNotExist;
    return kErrorAccessDenied;  // registry, files, processes, windows: the usual refusal
}

bool IsReleaseCall(const std::string& api) {
    static const std::set<std::string> kReleases = {
        "CloseHandle",   "RegCloseKey",      "MsiCloseHandle",     "UnmapViewOfFile",
        "DestroyWindow", "UnregisterClassW", "CloseServiceHandle", "DeleteObject",
        "ReleaseDC",     "MsiSetInternalUI", "FreeConsole",        "EndDialog"};
    return kReleases.count(api) != 0;
}

bool IsDocumentedExitCode(std::uint32_t code, std::uint32_t injectedError) {
    static const std::set<std::uint32_t> kPlainEnds = {0, 1, 0xFFFFFFFFu, kFatalEFail};
    return kPlainEnds.count(code) != 0 || code == (injectedError & 0xFFFFu);
}

SweepResult SweepScenarioCalls(const SweepScenario& scenario) {
    SweepResult result;
    std::vector<std::string> calls;
    {
        Outcome baseline = RunScenario(scenario, std::nullopt);
        ProductMachine& m = *baseline.machine;
        const std::vector<std::string>& trace = m.machine.core.faults.Trace();
        calls.assign(trace.begin() + static_cast<std::ptrdiff_t>(baseline.firstCall), trace.end());
        std::ostringstream problem;
        if (baseline.escaped) problem << *baseline.escaped << " escaped; ";
        if (baseline.ending.exitCode != scenario.expectedExitCode) {
            problem << "exit code " << baseline.ending.exitCode << ", expected "
                    << scenario.expectedExitCode << "; ";
        }
        if (scenario.didItsWork && !scenario.didItsWork(m)) problem << "did not do its work; ";
        if (m.OpenHandles() != 0) problem << "left open: " << m.DescribeOpenHandles();
        if (m.machine.installer.uiLevel != platform::kInstallUiLevelDefault) {
            problem << "UI level left at " << m.machine.installer.uiLevel << "; ";
        }
        if (m.machine.com.ApartmentDepth() != 0) problem << "COM left initialised; ";
        result.baselineProblem = problem.str();
    }
    result.calls = calls.size();
    result.apis.insert(calls.begin(), calls.end());

    for (std::size_t n = 0; n < calls.size(); ++n) {
        const std::string& api = calls[n];
        const std::uint32_t error = PlausibleError(api);
        Outcome run = RunScenario(scenario, std::make_pair(n, error));
        ProductMachine& m = *run.machine;
        const std::string what = Describe(n, api, error);
        if (m.machine.core.faults.Delivered() != 1) {
            ++result.undelivered;
            continue;
        }
        if (run.escaped) {
            result.findings.push_back(what + *run.escaped + " escaped the entry procedure");
            continue;
        }
        const std::uint32_t code = run.ending.exitCode;
        result.exitCodes.insert(code);
        if (!IsDocumentedExitCode(code, error)) {
            result.findings.push_back(what + "undocumented exit code " + std::to_string(code));
        } else if (code != 0 && code != 1 && code != 0xFFFFFFFFu && api != "MessageBoxW" &&
                   !ShowedFatalErrorBox(m)) {
            result.findings.push_back(what + "exit code " + std::to_string(code) +
                                      " without the fatal-error box");
        }
        if (m.machine.core.ledger.BadCloses() != 0) {
            result.findings.push_back(what + "closed a handle that was not open");
        }
        const std::size_t open = m.OpenHandles();
        if (open != 0 && !(IsReleaseCall(api) && open <= 2)) {
            result.findings.push_back(what + "left open at exit: " + m.DescribeOpenHandles());
        }
        if (m.machine.com.ApartmentDepth() != 0) {
            result.findings.push_back(what + "left COM initialised");
        }
        if (!run.ending.exitedProcess && api != "MsiSetInternalUI" &&
            m.machine.installer.uiLevel != platform::kInstallUiLevelDefault) {
            result.findings.push_back(what + "returned with the installer UI level left at " +
                                      std::to_string(m.machine.installer.uiLevel));
        }
    }
    return result;
}

}  // namespace quorix::test
