// Every platform call of the main runs made to fail, one at a time, with a plausible error:
// the program must still end the way a Windows program of ours ends (a documented exit code,
// nothing thrown out of the entry procedure, nothing left open, the installer's UI level as it
// was found), whatever the machine refuses.
#include <gtest/gtest.h>

#include <iostream>

#include "core/release.h"
#include "support/fault_sweep.h"

namespace quorix {
namespace {

using test::ProductMachine;
using test::SweepResult;
using test::SweepScenario;

bool ThisReleaseInstalled(const ProductMachine& m) {
    return m.machine.installer.IsInstalled(kThisProductCode) && m.BaseInstall() != nullptr;
}

// Another process of the user rewrites the base package's usual file each time, and the first
// language-pack file, in the moment between the program's write and its hold.
void RewritePackagesBeforeTheHold(ProductMachine& m) {
    const std::wstring base = sim::PathKey(ProductMachine::BasePackagePath());
    const std::wstring temp = sim::PathKey(m.machine.files.tempFolder);
    m.machine.files.afterWriteHandleClosed = [&m, base, temp,
                                              packDone = false](const std::wstring& path) mutable {
        const std::wstring key = sim::PathKey(path);
        const bool firstPack = !packDone && key.compare(0, temp.size(), temp) == 0;
        std::vector<std::uint8_t> bytes = *m.machine.files.Contents(path);
        // An empty file is one whose write failed: the program deletes it anyway.
        if ((key != base && !firstPack) || bytes.empty()) return;
        packDone = packDone || firstPack;
        bytes[0] ^= 0xFF;
        m.machine.files.PutFile(path, std::move(bytes));
    };
}

// The installer was handed the packages the executable carries, and nothing else.
bool InstalledOnlyTheCarriedPackages(const ProductMachine& m) {
    const std::vector<sim::InstallerCall> installs = m.Installs();
    for (const sim::InstallerCall& call : installs) {
        const std::vector<std::uint8_t>* bytes = m.machine.files.Contents(call.target);
        if (bytes == nullptr || (*bytes != ProductMachine::BasePackageBytes() &&
                                 *bytes != ProductMachine::LanguagePackBytes(L"EN_US"))) {
            return false;
        }
    }
    return installs.size() == 2 && m.machine.installer.IsInstalled(kThisProductCode) &&
           m.machine.installer.IsInstalled(test::ProductSpec::EnglishPack().productCode);
}

std::vector<SweepScenario> Scenarios() {
    std::vector<SweepScenario> scenarios;
    scenarios.push_back({"SilentInstall", {L"/silent"}, nullptr, 0, ThisReleaseInstalled});
    scenarios.push_back({"InteractiveInstall", {}, nullptr, 0, ThisReleaseInstalled});
    scenarios.push_back({"SilentInstallWithPackagesRewrittenBeforeTheHold",
                         {L"/silent"},
                         RewritePackagesBeforeTheHold,
                         0,
                         InstalledOnlyTheCarriedPackages});
    scenarios.push_back(
        {"UpgradeFromMajor9",
         {L"/silent"},
         [](ProductMachine& m) { m.InstallCopy(L"9.0.1234.5", kPreviousGenerationProductCode); },
         0,
         [](const ProductMachine& m) {
             return ThisReleaseInstalled(m) &&
                    !m.machine.installer.IsInstalled(kPreviousGenerationProductCode);
         }});
    scenarios.push_back({"MaintenanceRemoval",
                         {},
                         [](ProductMachine& m) {
                             m.InstallCopy(kReleaseVersionText, kThisProductCode);
                             m.machine.ui.answers = {platform::kIdYes};
                         },
                         0,
                         [](const ProductMachine& m) {
                             return !m.machine.installer.IsInstalled(kThisProductCode) &&
                                    m.Installs().empty();
                         }});
    // No shell window and Explorer configured: started through a scheduled task from Windows
    // 6.0 on, directly before.
    const auto shellGone = [](std::uint32_t versionWord) {
        return [versionWord](ProductMachine& m) {
            m.machine.system.versionWord = versionWord;
            m.machine.desktop.CloseWindow(L"Progman");
            m.machine.files.PutFile(L"C:\\Windows\\Explorer.EXE", {'M', 'Z'});
        };
    };
    scenarios.push_back(
        {"ShellRestartThroughTheTaskScheduler",
         {L"--force-shell-restart"},
         shellGone(sim::SimSystem::VersionWordOf(6, 1, 7601)),
         0,
         [](const ProductMachine& m) { return m.machine.tasks.registrations.size() == 1; }});
    scenarios.push_back(
        {"ShellRestartDirectlyOnXp",
         {L"--force-shell-restart"},
         shellGone(sim::SimSystem::VersionWordOf(5, 1, 2600)),
         0,
         [](const ProductMachine& m) { return m.machine.shell.executed.size() == 1; }});
    return scenarios;
}

class FaultSweep : public ::testing::TestWithParam<SweepScenario> {};

TEST_P(FaultSweep, EveryFailingCallEndsTheRunCleanly) {
    const SweepScenario& scenario = GetParam();
    const SweepResult result = test::SweepScenarioCalls(scenario);
    ASSERT_EQ(result.baselineProblem, "") << "the run without a fault went wrong";
    std::cout << "[ sweep    ] " << scenario.name << ": failed " << result.calls
              << " calls one at a time (" << result.apis.size() << " distinct APIs), "
              << result.findings.size() << " finding(s)\n";
    // A sweep that failed almost nothing would pass for the wrong reason.
    EXPECT_GT(result.calls, 20u);
    EXPECT_EQ(result.undelivered, 0u) << "runs diverged before their fault";
    std::string listing;
    for (std::size_t i = 0; i < result.findings.size() && i < 40; ++i) {
        listing += result.findings[i] + "\n";
    }
    EXPECT_TRUE(result.findings.empty()) << listing;
}

INSTANTIATE_TEST_SUITE_P(MainRuns, FaultSweep, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<SweepScenario>& info) {
                             return info.param.name;
                         });

}  // namespace
}  // namespace quorix
