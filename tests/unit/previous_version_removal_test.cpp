// Removing the installed copy: the fixed order of the steps around the installer's removal,
// the helper's answers in a plain uninstallation, and how each removal result ends.
#include "installed/previous_version_removal.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "bootstrap/installer_runs.h"
#include "common/result_codes.h"
#include "common/text.h"
#include "core/release.h"
#include "installed/product_com.h"
#include "installed/version_decision.h"
#include "support/sim_run.h"

namespace quorix {
namespace {

using test::Ending;

const std::wstring kUninstall = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::wstring kFolder = L"C:\\Program Files\\Velora\\Quorix\\";
const std::wstring kHelperPath = kFolder + L"VLInstallHelper.exe";
const std::wstring kService = L"Velora.QuorixSvc";
const std::wstring kEnglishPack = LanguagePackProductCodes[1];
constexpr std::int32_t kSlotResultOk = 0;

bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

// A machine with a copy of the product installed, its helper tool, its running service and
// its COM object, and one of its language packs.
class Removal : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(p.machine.core.ledger.OpenCount(), 0u) << p.machine.core.ledger.Describe();
    }

    void InstallCopy(const std::wstring& version, const std::wstring& productCode,
                     std::uint32_t major) {
        p.state.installedProductCode = productCode;
        p.state.installedMajorVersion = major;
        p.machine.installer.AddProduct(productCode, version);
        p.machine.installer.AddProduct(kEnglishPack, version);
        p.machine.registry.PutString(platform::kHkeyLocalMachine, kUninstall + productCode,
                                     L"displayName", L"Velora Quorix");
        p.machine.registry.PutString(platform::kHkeyLocalMachine, kUninstall + L"Velora Quorix",
                                     L"InstallLocation", kFolder);
        p.machine.services.Install(kService);
        sim::SimComClass object;
        object.interfaceId = kProductComInterfaceId;
        object.methodResults[kProductComMethodSlot] = kSlotResultOk;
        p.machine.com.RegisterClass(kProductComClassId, object);
        p.machine.system.messageTexts[1618] = L"Another installation is already in progress.\r\n";
        // The questions are asked in the language of a pack the executable carries.
        p.machine.resources.AddRcdata(L"VLLANGPACK_EN_US", {0xD0, 0xCF, 0x11, 0xE0});
    }
    void PreviousGeneration() { InstallCopy(L"9.0.1234.5", kPreviousGenerationProductCode, 9); }
    void SameVersion() { InstallCopy(kReleaseVersionText, kThisProductCode, 10); }
    // The helper answers every switch with this exit code.
    void HelperAnswers(std::uint32_t exitCode) {
        p.machine.shell.runnable[sim::FoldKey(kHelperPath)] = sim::SimProgram{exitCode, 40};
    }
    void RemovalResult(std::uint32_t code) {
        p.machine.installer.ScriptConfigureResult(p.state.installedProductCode, code);
    }

    Ending Remove(ConfigureAction action, bool upgrade) {
        return p.Run([&] { RemovePreviousVersion(p.ctx, action, upgrade); });
    }

    std::vector<std::wstring> HelperSwitches() {
        std::vector<std::wstring> switches;
        for (const auto& start : p.machine.shell.executedEx) {
            switches.push_back(start.request.parameters);
        }
        return switches;
    }
    bool ProductRemovalTried() {
        for (const sim::InstallerCall& call : p.machine.installer.CallsOf("MsiConfigureProductW")) {
            if (call.target == p.state.installedProductCode) return true;
        }
        return false;
    }
    const sim::InstallerCall* ProductRemoval() {
        for (const sim::InstallerCall& call : p.machine.installer.calls) {
            if (call.api == "MsiConfigureProductW" && call.target == p.state.installedProductCode) {
                return &call;
            }
        }
        return nullptr;
    }
    std::uint32_t ServiceState() { return p.machine.services.Find(kService)->state; }
    bool ShellRestartLooked() {
        for (const sim::RegistryOpenRecord& open : p.machine.registry.opens) {
            if (Contains(sim::FoldKey(open.path), L"SAFEBOOT")) return true;
        }
        return false;
    }
    // The position of the first call of `api` in the trace of every platform call.
    std::ptrdiff_t FirstCall(const std::string& api) {
        const auto& trace = p.machine.core.faults.Trace();
        auto it = std::find(trace.begin(), trace.end(), api);
        return it == trace.end() ? -1 : it - trace.begin();
    }
    std::vector<std::wstring> OpenedLinks() { return p.machine.shell.OpenedFiles(); }

    test::SimProcess p;
};

// ---------------------------------------------------------------- the order of the steps

TEST_F(Removal, AnUpgradeClosesMarksStopsCallsRemovesSweepsAndRestartsTheShellInOrder) {
    PreviousGeneration();
    HelperAnswers(0);
    Ending ending = Remove(PreviousGenerationInstalled, true);
    EXPECT_FALSE(ending.exitedProcess);

    const std::ptrdiff_t close = FirstCall("ShellExecuteExW");
    const std::ptrdiff_t mark = FirstCall("RegCreateKeyExW");
    const std::ptrdiff_t stop = FirstCall("ControlService");
    const std::ptrdiff_t object = FirstCall("CoCreateInstance");
    const std::ptrdiff_t removal = FirstCall("MsiConfigureProductW");
    ASSERT_GE(close, 0);
    EXPECT_LT(close, mark);
    EXPECT_LT(mark, stop);
    EXPECT_LT(stop, object);
    EXPECT_LT(object, removal);

    EXPECT_EQ(HelperSwitches(), (std::vector<std::wstring>{L"--close-vlqapps"}));
    EXPECT_EQ(ServiceState(), platform::kServiceStopped);
    ASSERT_EQ(p.machine.com.methodCalls.size(), 1u);
    EXPECT_EQ(p.machine.com.methodCalls[0].slot, 36u);
    EXPECT_EQ(p.machine.com.createContexts, (std::vector<std::uint32_t>{0x17}));
    EXPECT_EQ(p.machine.com.ApartmentDepth(), 0u);

    ASSERT_NE(ProductRemoval(), nullptr);
    EXPECT_EQ(ProductRemoval()->uiLevel, platform::kInstallUiLevelBasic);
    EXPECT_EQ(ProductRemoval()->installLevel, platform::kInstallLevelDefault);
    EXPECT_EQ(ProductRemoval()->installState, platform::kInstallStateAbsent);
    EXPECT_FALSE(p.machine.installer.IsInstalled(kPreviousGenerationProductCode));
    // The sweep runs at the same level and takes the language pack with the product.
    EXPECT_FALSE(p.machine.installer.IsInstalled(kEnglishPack));
    for (const sim::InstallerCall& call : p.machine.installer.CallsOf("MsiConfigureProductW")) {
        EXPECT_EQ(call.uiLevel, platform::kInstallUiLevelBasic);
    }
    EXPECT_TRUE(ShellRestartLooked());
    // The level of before the removal is back.
    EXPECT_EQ(p.machine.installer.uiLevel, platform::kInstallUiLevelDefault);
    EXPECT_TRUE(p.machine.ui.boxes.empty());
}

TEST_F(Removal, AnUpgradeLeavesTheAutoUninstMarkAsFourBytesOfText) {
    PreviousGeneration();
    Remove(PreviousGenerationInstalled, true);
    const auto value = p.machine.registry.GetValue(platform::kHkeyCurrentUser,
                                                   L"Software\\Velora\\Setup", L"AutoUninst");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->type, platform::kRegSz);
    EXPECT_EQ(value->data, (std::vector<std::uint8_t>{'1', 0, 0, 0}));
    const auto created = std::find_if(
        p.machine.registry.opens.begin(), p.machine.registry.opens.end(),
        [](const sim::RegistryOpenRecord& open) { return open.api == "RegCreateKeyExW"; });
    ASSERT_NE(created, p.machine.registry.opens.end());
    EXPECT_EQ(created->access, 0x2001Fu);
}

TEST_F(Removal, AMarkThatCannotBeWrittenDoesNotStopTheRemoval) {
    PreviousGeneration();
    p.machine.core.faults.Fail("RegCreateKeyExW", 5);
    Ending ending = Remove(OlderInstalled, true);
    EXPECT_FALSE(ending.exitedProcess);
    EXPECT_FALSE(p.machine.installer.IsInstalled(kPreviousGenerationProductCode));
}

TEST_F(Removal, MissingHelperServiceAndObjectDoNotStopTheRemoval) {
    PreviousGeneration();
    p.machine.services.Uninstall(kService);
    p.machine.com.RegisterClass(kProductComClassId, sim::SimComClass{});  // no such interface
    Ending ending = Remove(OlderInstalled, true);
    EXPECT_FALSE(ending.exitedProcess);
    ASSERT_EQ(p.machine.shell.executedEx.size(), 1u);
    EXPECT_FALSE(p.machine.shell.executedEx[0].started);
    EXPECT_TRUE(p.machine.com.methodCalls.empty());
    EXPECT_FALSE(p.machine.installer.IsInstalled(kPreviousGenerationProductCode));
}

TEST_F(Removal, APlainUninstallationWritesNoMark) {
    SameVersion();
    HelperAnswers(1);
    Remove(SameVersionInstalled, false);
    EXPECT_FALSE(
        p.machine.registry.KeyExists(platform::kHkeyCurrentUser, L"Software\\Velora\\Setup"));
    EXPECT_FALSE(p.machine.installer.IsInstalled(kThisProductCode));
}

// ---------------------------------------------------------------- the helper's answers

struct AnswerCase {
    const char* situation;
    std::uint32_t major;
    bool helperPresent;
    std::uint32_t helperExitCode;
    int userAnswer;  // 0: no question expected
    bool removed;
    friend void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.situation; }
};

class HelperAnswer : public Removal, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(HelperAnswer, DecidesWhetherTheUserIsAskedAndTheCopyRemoved) {
    const AnswerCase& c = GetParam();
    InstallCopy(kReleaseVersionText, kThisProductCode, c.major);
    if (c.helperPresent) HelperAnswers(c.helperExitCode);
    if (c.userAnswer != 0) p.machine.ui.answers = {c.userAnswer};
    Ending ending = Remove(SameVersionInstalled, false);
    EXPECT_FALSE(ending.exitedProcess);

    if (c.userAnswer != 0) {
        ASSERT_EQ(p.machine.ui.boxes.size(), 1u);
        EXPECT_EQ(p.machine.ui.boxes[0].style, platform::kMbYesNo | platform::kMbIconQuestion);
        EXPECT_EQ(p.machine.ui.boxes[0].caption, std::wstring(kProductName));
    } else {
        EXPECT_TRUE(p.machine.ui.boxes.empty());
    }
    EXPECT_EQ(ProductRemovalTried(), c.removed);
    EXPECT_EQ(p.machine.installer.IsInstalled(kThisProductCode), !c.removed);
    // The service is only touched once the removal is decided.
    EXPECT_EQ(p.machine.services.controls.empty(), !c.removed);
    EXPECT_EQ(ServiceState(), c.removed ? platform::kServiceStopped : platform::kServiceRunning);
    EXPECT_EQ(ShellRestartLooked(), c.removed);
}

INSTANTIATE_TEST_SUITE_P(
    SameVersion, HelperAnswer,
    ::testing::Values(
        AnswerCase{"helper says go on", 10, true, 1, 0, true},
        AnswerCase{"helper says stop", 10, true, 2, 0, false},
        AnswerCase{"helper gives no answer, user says yes", 10, true, 0, platform::kIdYes, true},
        AnswerCase{"helper gives no answer, user says no", 10, true, 0, platform::kIdNo, false},
        AnswerCase{"helper missing, user says no", 10, false, 0, platform::kIdNo, false},
        AnswerCase{"helper missing, user says yes", 10, false, 0, platform::kIdYes, true},
        AnswerCase{"major 9: the helper's go-on is never asked for", 9, true, 1, platform::kIdYes,
                   true}));

TEST_F(Removal, AtMajorNineTheHelperOnlyClosesThePrograms) {
    InstallCopy(L"9.0.1234.5", kPreviousGenerationProductCode, 9);
    HelperAnswers(1);
    p.machine.ui.answers = {platform::kIdNo};
    Remove(SameVersionInstalled, false);
    EXPECT_EQ(HelperSwitches(), (std::vector<std::wstring>{L"--close-vlqapps"}));
    EXPECT_EQ(p.machine.ui.boxes.size(), 1u);
}

TEST_F(Removal, TheHelperStepRunsAfterTheProgramsAreClosed) {
    SameVersion();
    HelperAnswers(2);
    Remove(SameVersionInstalled, false);
    EXPECT_EQ(HelperSwitches(),
              (std::vector<std::wstring>{L"--close-vlqapps", L"--uninstall-lullex"}));
}

// ---------------------------------------------------------------- the removal's result

struct ResultCase {
    const char* situation;
    ConfigureAction action;
    bool upgrade;
    std::uint32_t code;
    bool ends;
    bool box;
    bool cancelLink;
    friend void PrintTo(const ResultCase& c, std::ostream* os) { *os << c.situation; }
};

class RemovalResultTest : public Removal, public ::testing::WithParamInterface<ResultCase> {};

TEST_P(RemovalResultTest, EndsTheRunOrReturnsAsTheCodeSays) {
    const ResultCase& c = GetParam();
    PreviousGeneration();
    HelperAnswers(1);
    p.machine.ui.answers = {platform::kIdYes};
    RemovalResult(c.code);
    Ending ending = Remove(c.action, c.upgrade);

    EXPECT_EQ(ending.exitedProcess, c.ends);
    if (c.ends) {
        EXPECT_EQ(ending.exitCode, 1u);
    }
    // The shell restart runs whichever way the removal went.
    EXPECT_TRUE(ShellRestartLooked());

    const bool success = IsInstallerSuccess(c.code);
    EXPECT_EQ(p.machine.installer.IsInstalled(kEnglishPack), !success)
        << "sweep after success only";
    EXPECT_EQ(ServiceState(), success ? platform::kServiceStopped : platform::kServiceRunning);
    EXPECT_EQ(p.machine.services.starts.size(), success ? 0u : 1u);
    if (!c.ends) {
        EXPECT_EQ(p.machine.installer.uiLevel, platform::kInstallUiLevelDefault);
    }

    std::vector<sim::MessageBoxRecord> warnings;
    for (const auto& box : p.machine.ui.boxes) {
        if (box.style == platform::kMbIconWarning) warnings.push_back(box);
    }
    ASSERT_EQ(warnings.size(), c.box ? 1u : 0u);
    if (c.box) {
        EXPECT_EQ(warnings[0].caption, std::wstring(kProductName));
        EXPECT_EQ(warnings[0].owner, platform::kNullHandle);
        EXPECT_TRUE(Contains(warnings[0].text, L"Another installation is already in progress"))
            << NarrowAscii(warnings[0].text);
    }

    const std::vector<std::wstring> links = OpenedLinks();
    ASSERT_EQ(links.size(), c.cancelLink ? 1u : 0u);
    if (c.cancelLink) {
        EXPECT_TRUE(Contains(links[0], L"/link/?target=cancelationduringupgrade"));
        EXPECT_FALSE(Contains(links[0], L"uninstalledversion"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, RemovalResultTest,
    ::testing::Values(
        ResultCase{"removed", PreviousGenerationInstalled, true, 0, false, false, false},
        ResultCase{"removed, restart required", PreviousGenerationInstalled, true, 3010, false,
                   false, false},
        ResultCase{"removed, restart started", OlderInstalled, true, 1641, false, false, false},
        ResultCase{"cancelled during an upgrade from the previous generation",
                   PreviousGenerationInstalled, true, 1602, true, false, true},
        ResultCase{"cancelled while removing an older copy", OlderInstalled, true, 1602, true,
                   false, false},
        ResultCase{"cancelled in a plain uninstallation", PreviousGenerationInstalled, false, 1602,
                   true, false, false},
        ResultCase{"installation failure", PreviousGenerationInstalled, true, 1603, true, false,
                   false},
        ResultCase{"suspended", SameVersionInstalled, false, 1604, true, false, false},
        ResultCase{"another installation in progress", PreviousGenerationInstalled, true, 1618,
                   true, true, false}));

// ---------------------------------------------------------------- ReportConfigureResult

TEST(ReportConfigureResult, AnUnknownCodeIsShownInDecimalWhenWindowsHasNoText) {
    test::SimProcess p;
    Ending ending = p.Run([&] { ReportConfigureResult(p.ctx, 4242); });
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 1u);
    ASSERT_EQ(p.machine.ui.boxes.size(), 1u);
    EXPECT_TRUE(Contains(p.machine.ui.boxes[0].text, L"4242"));
    EXPECT_EQ(p.machine.ui.boxes[0].style, platform::kMbIconWarning);
}

}  // namespace
}  // namespace quorix
