// Whole runs from the entry procedure to the exit code: the pre-install steps, what each
// installed-version decision leads to, and the outcomes of the install sequence.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "bootstrap/installer_runs.h"
#include "common/result_codes.h"
#include "core/release.h"
#include "support/product_machine.h"

namespace quorix {
namespace {

using test::Ending;
using test::ProductMachine;
using test::ProductSpec;

const std::wstring kEnglishPack = LanguagePackProductCodes[1];
const std::wstring kGermanPack = LanguagePackProductCodes[5];

bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}
bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Every run must leave nothing open, whichever way it ends.
class InstallSequence : public ::testing::Test {
protected:
    void TearDown() override {
        for (ProductMachine* m : machines_) {
            EXPECT_EQ(m->OpenHandles(), 0u) << m->DescribeOpenHandles();
        }
    }
    ProductMachine& Machine(const ProductSpec& spec = ProductSpec()) {
        owned_.push_back(std::make_unique<ProductMachine>(spec));
        machines_.push_back(owned_.back().get());
        return *owned_.back();
    }
    static ProductSpec TwoPacks() {
        ProductSpec spec;
        spec.languagePacks = {ProductSpec::EnglishPack(), ProductSpec::GermanPack()};
        return spec;
    }
    // The index in the installer's call log of the first call matching.
    static std::ptrdiff_t IndexOf(const ProductMachine& m,
                                  const std::function<bool(const sim::InstallerCall&)>& match) {
        const auto& calls = m.machine.installer.calls;
        auto it = std::find_if(calls.begin(), calls.end(), match);
        return it == calls.end() ? -1 : it - calls.begin();
    }

private:
    std::vector<std::unique_ptr<ProductMachine>> owned_;
    std::vector<ProductMachine*> machines_;
};

// ---------------------------------------------------------------- the decisions

TEST_F(InstallSequence, NothingInstalledInstallsThePackThenTheBasePackageAndReturnsZero) {
    ProductMachine& m = Machine();
    Ending ending = m.Run();
    EXPECT_FALSE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 0u);
    EXPECT_TRUE(m.machine.ui.boxes.empty());
    EXPECT_EQ(m.machine.dialogs.shown.size(), 1u);

    const auto installs = m.Installs();
    ASSERT_EQ(installs.size(), 2u);
    EXPECT_EQ(installs[0].uiLevel, platform::kInstallUiLevelNone);
    EXPECT_EQ(installs[0].commandLine, L" ALLUSERS=1");
    ASSERT_NE(m.BaseInstall(), nullptr);
    EXPECT_EQ(m.BaseInstall()->uiLevel, platform::kInstallUiLevelFull);
    EXPECT_EQ(m.BaseInstall()->commandLine, L" LANGSTRING=en-US USERDEFINST=2 " +
                                                ProductMachine::kTagProperties +
                                                L" TRANSFORMS=:en-US");
    EXPECT_TRUE(m.machine.installer.IsInstalled(kThisProductCode));
    EXPECT_TRUE(m.machine.installer.IsInstalled(kEnglishPack));
    EXPECT_TRUE(m.Removals().empty());
}

TEST_F(InstallSequence, OlderCopyAcceptedIsRemovedAtBasicLevelBeforeTheInstallation) {
    ProductMachine& m = Machine();
    m.InstallCopy(L"8.5.100.0", kPreviousGenerationProductCode);
    m.machine.ui.answers = {platform::kIdYes};
    Ending ending = m.Run();
    EXPECT_EQ(ending.exitCode, 0u);

    ASSERT_EQ(m.machine.ui.boxes.size(), 1u);
    const sim::MessageBoxRecord& box = m.machine.ui.boxes[0];
    EXPECT_EQ(box.caption, std::wstring(kProductName));
    EXPECT_EQ(box.style, platform::kMbYesNo | platform::kMbIconQuestion);
    EXPECT_TRUE(Contains(box.text, L"8.5.100.0")) << box.text;

    const auto removals = m.Removals();
    ASSERT_FALSE(removals.empty());
    EXPECT_EQ(removals[0].target, kPreviousGenerationProductCode);
    EXPECT_EQ(removals[0].uiLevel, platform::kInstallUiLevelBasic);
    const std::ptrdiff_t removal = IndexOf(m, [](const sim::InstallerCall& call) {
        return call.api == "MsiConfigureProductW" && call.target == kPreviousGenerationProductCode;
    });
    const std::ptrdiff_t install =
        IndexOf(m, [](const sim::InstallerCall& call) { return call.api == "MsiInstallProductW"; });
    EXPECT_LT(removal, install);
    EXPECT_FALSE(m.machine.installer.IsInstalled(kPreviousGenerationProductCode));
    EXPECT_TRUE(m.machine.installer.IsInstalled(kThisProductCode));
    // An older copy is no previous generation: the base package is not told to upgrade one.
    EXPECT_FALSE(Contains(m.BaseInstall()->commandLine, L"VLUPGRADE"));
}

TEST_F(InstallSequence, OlderCopyDeclinedLeavesEverythingAsItWas) {
    ProductMachine& m = Machine();
    m.InstallCopy(L"10.0.4410", kThisProductCode);  // revision 0: older than this release
    m.machine.ui.answers = {platform::kIdNo};
    Ending ending = m.Run();
    EXPECT_FALSE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 0u);
    EXPECT_EQ(m.machine.ui.boxes.size(), 1u);
    EXPECT_TRUE(m.Removals().empty());
    EXPECT_TRUE(m.Installs().empty());
    EXPECT_TRUE(m.machine.dialogs.shown.empty());
}

TEST_F(InstallSequence, PreviousGenerationIsRemovedAfterTheLanguageChoiceAndUpgraded) {
    ProductMachine& m = Machine();
    m.InstallCopy(L"9.0.1234.5", kPreviousGenerationProductCode);
    Ending ending = m.Run();
    EXPECT_EQ(ending.exitCode, 0u);
    EXPECT_TRUE(m.machine.ui.boxes.empty());  // no question: the upgrade is automatic
    EXPECT_EQ(m.machine.dialogs.shown.size(), 1u);

    const std::ptrdiff_t removal = IndexOf(m, [](const sim::InstallerCall& call) {
        return call.api == "MsiConfigureProductW" && call.target == kPreviousGenerationProductCode;
    });
    const std::ptrdiff_t install =
        IndexOf(m, [](const sim::InstallerCall& call) { return call.api == "MsiInstallProductW"; });
    ASSERT_GE(removal, 0);
    EXPECT_LT(removal, install);
    EXPECT_TRUE(Contains(m.BaseInstall()->commandLine, L"TRANSFORMS=:en-US VLUPGRADE=9"));
}

TEST_F(InstallSequence, ClosingTheWelcomeDialogKeepsThePreviousGeneration) {
    ProductMachine& m = Machine();
    m.InstallCopy(L"9.0.1234.5", kPreviousGenerationProductCode);
    m.machine.dialogs.script = {sim::DialogAction::Cancel()};  // and Yes to the question
    Ending ending = m.Run();
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 1u);
    EXPECT_TRUE(m.Removals().empty());
    EXPECT_TRUE(m.Installs().empty());
    EXPECT_TRUE(m.machine.installer.IsInstalled(kPreviousGenerationProductCode));
}

TEST_F(InstallSequence, NewerCopyShowsOnlyTheInformationBoxAndExtractsOnlyTheBasePackage) {
    ProductMachine& m = Machine();
    m.InstallCopy(L"11.0.0.0", kThisProductCode);
    Ending ending = m.Run();
    EXPECT_FALSE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 0u);
    ASSERT_EQ(m.machine.ui.boxes.size(), 1u);
    EXPECT_EQ(m.machine.ui.boxes[0].style, platform::kMbOk | platform::kMbIconInformation);
    EXPECT_EQ(m.machine.ui.boxes[0].caption, std::wstring(kProductName));
    EXPECT_TRUE(m.Installs().empty());
    EXPECT_TRUE(m.Removals().empty());
    EXPECT_TRUE(m.machine.dialogs.shown.empty());
    // The base package for the pending check, and no language pack in the temporary folder.
    EXPECT_TRUE(m.machine.files.Exists(ProductMachine::BasePackagePath()));
    EXPECT_TRUE(m.TemporaryFilesBesidesTheLog().empty());
}

TEST_F(InstallSequence, SameVersionAcceptedIsRemovedAndNothingIsInstalled) {
    ProductMachine& m = Machine();
    m.InstallCopy(kReleaseVersionText, kThisProductCode);
    m.InstallCopy(kReleaseVersionText, kEnglishPack);
    m.machine.ui.answers = {platform::kIdYes};
    Ending ending = m.Run();
    EXPECT_FALSE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 0u);
    ASSERT_EQ(m.machine.ui.boxes.size(), 1u);
    EXPECT_EQ(m.machine.ui.boxes[0].style, platform::kMbYesNo | platform::kMbIconQuestion);
    EXPECT_TRUE(m.Installs().empty());
    EXPECT_FALSE(m.machine.installer.IsInstalled(kThisProductCode));
    // The language packs go with the product.
    EXPECT_FALSE(m.machine.installer.IsInstalled(kEnglishPack));
}

TEST_F(InstallSequence, SameVersionDeclinedRemovesNothing) {
    ProductMachine& m = Machine();
    m.InstallCopy(kReleaseVersionText, kThisProductCode);
    m.machine.ui.answers = {platform::kIdNo};
    Ending ending = m.Run();
    EXPECT_EQ(ending.exitCode, 0u);
    EXPECT_TRUE(m.Removals().empty());
    EXPECT_TRUE(m.machine.installer.IsInstalled(kThisProductCode));
}

// A removal that fails ends the run before anything is installed.
struct RemovalFailureCase {
    const char* name;
    std::uint32_t result;
    bool box;
    friend void PrintTo(const RemovalFailureCase& c, std::ostream* os) { *os << c.name; }
};

class FailedRemoval : public InstallSequence,
                      public ::testing::WithParamInterface<RemovalFailureCase> {};

TEST_P(FailedRemoval, EndsWithOneBeforeTheInstallation) {
    ProductMachine& m = Machine();
    m.InstallCopy(L"9.0.1234.5", kPreviousGenerationProductCode);
    m.machine.installer.ScriptConfigureResult(kPreviousGenerationProductCode, GetParam().result);
    Ending ending = m.Run({L"/silent"});
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 1u);
    EXPECT_TRUE(m.Installs().empty());
    ASSERT_EQ(m.machine.ui.boxes.size(), GetParam().box ? 1u : 0u);
    if (GetParam().box) {
        EXPECT_EQ(m.machine.ui.boxes[0].caption, std::wstring(kProductName));
        EXPECT_EQ(m.machine.ui.boxes[0].style, platform::kMbIconWarning);
        EXPECT_TRUE(Contains(m.machine.ui.boxes[0].text, L"Another installation"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Results, FailedRemoval,
    ::testing::Values(RemovalFailureCase{"Cancelled", kErrorInstallUserExit, false},
                      RemovalFailureCase{"Failed", kErrorInstallFailure, false},
                      RemovalFailureCase{"AnotherInstallation", kErrorInstallAlreadyRunning, true}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- pre-install failures

TEST_F(InstallSequence, AnUnexpectedInstallerErrorOfTheDecisionIsFatal) {
    ProductMachine& m = Machine();
    constexpr std::uint32_t kErrorBadConfiguration = 1610;
    // The query for this release and the one for the previous generation.
    m.machine.core.faults.Fail("MsiGetProductInfoW", kErrorBadConfiguration, 2);
    Ending ending = m.Run();
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, kErrorBadConfiguration);
    ASSERT_EQ(m.machine.ui.boxes.size(), 1u);
    EXPECT_EQ(m.machine.ui.boxes[0].text, L"GetRequiredMsiConfigureAction failed: 1610");
    EXPECT_EQ(m.machine.ui.boxes[0].style, platform::kMbIconError);
    EXPECT_FALSE(m.machine.files.Exists(ProductMachine::BasePackagePath()));
}

TEST_F(InstallSequence, ABasePackageThatCannotBeWrittenAnywhereIsFatal) {
    ProductMachine& m = Machine();
    m.machine.files.DenyWritesIn(L"C:\\ProgramData");
    m.machine.files.DenyWritesIn(L"C:\\Users\\tester\\AppData\\Roaming");
    Ending ending = m.Run();
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, kErrorAccessDenied);
    ASSERT_EQ(m.machine.ui.boxes.size(), 1u);
    EXPECT_EQ(m.machine.ui.boxes[0].text, L"ExtractMsi: Access denied.\r\n");
    EXPECT_TRUE(m.Installs().empty());
}

// ---------------------------------------------------------------- the pending installation

TEST_F(InstallSequence, PendingInstallationAnsweredNoEndsWithZeroAfterTheQuestionAlone) {
    ProductMachine& m = Machine();
    m.SetPendingRenames({L"\\??\\C:\\Program Files\\Velora\\vlcore.dll", L""});
    m.machine.ui.answers = {platform::kIdNo};
    Ending ending = m.Run();
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 0u);
    ASSERT_EQ(m.machine.ui.boxes.size(), 1u);
    EXPECT_EQ(m.machine.ui.boxes[0].style, platform::kMbYesNo | platform::kMbIconWarning);
    EXPECT_TRUE(m.machine.system.exitWindowsCalls.empty());
    EXPECT_TRUE(m.Installs().empty());
    EXPECT_TRUE(m.machine.dialogs.shown.empty());
}

TEST_F(InstallSequence, PendingInstallationAnsweredYesRequestsARestartAndStillActs) {
    ProductMachine& m = Machine();
    m.SetPendingRenames({L"\\??\\C:\\Program Files\\Velora\\QuorixMain.exe", L""});
    m.machine.ui.answers = {platform::kIdYes};
    Ending ending = m.Run();
    EXPECT_FALSE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 0u);
    using Call = std::pair<std::uint32_t, std::uint32_t>;
    EXPECT_EQ(m.machine.system.exitWindowsCalls, (std::vector<Call>{{platform::kEwxReboot, 0}}));
    EXPECT_TRUE(m.machine.installer.IsInstalled(kThisProductCode));
}

// An unattended deployment is asked too: the answer decides, and the log tells why the run
// stopped at a box before the box is up.
TEST_F(InstallSequence, PendingInstallationAsksInSilentRunsToo) {
    for (int answer : {platform::kIdYes, platform::kIdNo}) {
        SCOPED_TRACE(answer == platform::kIdYes ? "Yes" : "No");
        ProductMachine& m = Machine();
        m.SetPendingRenames({L"\\??\\C:\\Program Files\\Velora\\vlcore.dll", L""});
        m.machine.ui.answers = {answer};
        std::vector<std::string> logWhileAsked;
        m.machine.ui.whileBoxOpen = [&](const sim::MessageBoxRecord&) {
            logWhileAsked = m.LogLines();
        };
        Ending ending = m.Run({L"/silent"});
        EXPECT_EQ(ending.exitCode, 0u);
        ASSERT_EQ(m.machine.ui.boxes.size(), 1u);
        EXPECT_EQ(m.machine.ui.boxes[0].style, platform::kMbYesNo | platform::kMbIconWarning);
        ASSERT_FALSE(logWhileAsked.empty());
        EXPECT_TRUE(Contains(logWhileAsked.back(), "the user is asked whether to restart"))
            << logWhileAsked.back();
        const bool yes = answer == platform::kIdYes;
        const std::vector<std::string> lines = m.LogLines();
        ASSERT_GT(lines.size(), logWhileAsked.size());
        EXPECT_TRUE(Contains(lines[logWhileAsked.size()], yes ? "pending: the user chose to restart"
                                                              : "pending: the user did not"))
            << lines[logWhileAsked.size()];
        EXPECT_EQ(m.machine.system.exitWindowsCalls.size(), yes ? 1u : 0u);
        EXPECT_EQ(m.machine.installer.IsInstalled(kThisProductCode), yes);
    }
}

TEST_F(InstallSequence, RenamesOfOtherFilesAskNothing) {
    ProductMachine& m = Machine();
    m.SetPendingRenames({L"\\??\\C:\\Windows\\Temp\\other.dll", L""});
    Ending ending = m.Run();
    EXPECT_EQ(ending.exitCode, 0u);
    EXPECT_TRUE(m.machine.ui.boxes.empty());
    EXPECT_EQ(m.Installs().size(), 2u);
    // The check leaves the run in the Windows folder.
    EXPECT_EQ(m.machine.files.currentFolder, L"C:\\Windows");
}

// ---------------------------------------------------------------- unattended runs

TEST_F(InstallSequence, SilentWithoutALanguageInstallsEveryPackInListOrder) {
    ProductMachine& m = Machine(TwoPacks());
    Ending ending = m.Run({L"/silent"});
    EXPECT_FALSE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 0u);
    EXPECT_TRUE(m.machine.ui.boxes.empty());
    EXPECT_TRUE(m.machine.dialogs.shown.empty());

    const auto packs = m.LanguagePackInstalls();
    ASSERT_EQ(packs.size(), 2u);
    // The resource directory keeps DE_DE before EN_US.
    EXPECT_EQ(*m.machine.files.Contents(packs[0].target),
              ProductMachine::LanguagePackBytes(L"DE_DE"));
    EXPECT_EQ(*m.machine.files.Contents(packs[1].target),
              ProductMachine::LanguagePackBytes(L"EN_US"));
    EXPECT_NE(packs[0].target, packs[1].target);
    ASSERT_NE(m.BaseInstall(), nullptr);
    EXPECT_EQ(m.BaseInstall()->uiLevel, platform::kInstallUiLevelNone);
    EXPECT_EQ(m.BaseInstall()->commandLine, L" LANGSTRING=silent USERDEFINST=2 " +
                                                ProductMachine::kTagProperties +
                                                L" TRANSFORMS=:silent FASTOEM=1");
    EXPECT_TRUE(m.machine.installer.IsInstalled(kGermanPack));
    EXPECT_TRUE(m.machine.installer.IsInstalled(kEnglishPack));
}

TEST_F(InstallSequence, AnInstallingRunWritesTheBasePackageOnce) {
    ProductMachine& m = Machine(TwoPacks());
    int baseWrites = 0;
    m.machine.files.afterWriteHandleClosed = [&](const std::wstring& path) {
        if (path == ProductMachine::BasePackagePath()) ++baseWrites;
    };
    Ending ending = m.Run({L"/silent"});
    EXPECT_EQ(ending.exitCode, 0u);
    ASSERT_NE(m.BaseInstall(), nullptr);
    EXPECT_EQ(m.BaseInstall()->target, ProductMachine::BasePackagePath());
    // The pending check's copy is the one installed: one write, and no second copy beside it.
    EXPECT_EQ(baseWrites, 1);
    const std::wstring dataFolder = std::wstring(L"C:\\ProgramData\\") + kThisProductCode + L"\\";
    EXPECT_EQ(m.machine.files.FilesIn(dataFolder),
              std::vector<std::wstring>{ProductMachine::BasePackagePath()});
}

TEST_F(InstallSequence, SilentWithAllIsTheSameAsWithoutALanguage) {
    ProductMachine& plain = Machine(TwoPacks());
    ProductMachine& all = Machine(TwoPacks());
    plain.Run({L"/silent"});
    all.Run({L"/silent", L"/language", L"en-US;all"});
    auto contents = [](ProductMachine& m) {
        std::vector<std::vector<std::uint8_t>> bytes;
        for (const auto& call : m.LanguagePackInstalls()) {
            bytes.push_back(*m.machine.files.Contents(call.target));
        }
        return bytes;
    };
    EXPECT_EQ(contents(all), contents(plain));
    EXPECT_EQ(contents(all).size(), 2u);
    ASSERT_NE(all.BaseInstall(), nullptr);
    EXPECT_EQ(all.BaseInstall()->commandLine, plain.BaseInstall()->commandLine);
}

TEST_F(InstallSequence, SilentWithOneLanguageInstallsThatPackAlone) {
    ProductMachine& m = Machine(TwoPacks());
    m.Run({L"/silent", L"/language", L"en-US"});
    const auto packs = m.LanguagePackInstalls();
    ASSERT_EQ(packs.size(), 1u);
    EXPECT_EQ(*m.machine.files.Contents(packs[0].target),
              ProductMachine::LanguagePackBytes(L"EN_US"));
    EXPECT_TRUE(Contains(m.BaseInstall()->commandLine, L"LANGSTRING=silent"));
}

TEST_F(InstallSequence, SilentWithARejectedLanguageReportsItAndEndsWithOneBeforeExtracting) {
    ProductMachine& m = Machine();
    m.machine.console.parentHasConsole = true;
    Ending ending = m.Run({L"/silent", L"/language", L"en-US;de-DE"});
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 1u);
    EXPECT_TRUE(
        Contains(m.machine.console.output, L"\nSpecified Language \"de-DE\" is not supported!\n"));
    EXPECT_TRUE(m.Installs().empty());
    EXPECT_TRUE(m.TemporaryFilesBesidesTheLog().empty());
    EXPECT_TRUE(m.machine.ui.boxes.empty());
}

TEST_F(InstallSequence, ReducedUiFailingWithFatalErrorShowsNoBoxAndEndsWithOne) {
    ProductMachine& m = Machine();
    m.machine.installer.ScriptInstallResult(ProductMachine::BasePackagePath(),
                                            kErrorInstallFailure);
    Ending ending = m.Run({L"/reducedui"});
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 1u);
    EXPECT_TRUE(m.machine.ui.boxes.empty());
    EXPECT_TRUE(m.machine.dialogs.shown.empty());
    ASSERT_NE(m.BaseInstall(), nullptr);
    EXPECT_EQ(m.BaseInstall()->uiLevel, platform::kInstallUiLevelBasic);
    EXPECT_TRUE(Contains(m.BaseInstall()->commandLine, L"LANGSTRING=silent"));
    EXPECT_FALSE(Contains(m.BaseInstall()->commandLine, L"FASTOEM"));
    // Of the two unattended options only silent suppresses the links.
    const std::vector<std::wstring> opened = m.machine.shell.OpenedFiles();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(Contains(opened[0], L"target=installhelp"));
    EXPECT_TRUE(Contains(opened[0], L"errorcode=1603"));
    EXPECT_TRUE(Contains(opened[0], L"action=1"));
}

TEST_F(InstallSequence, SilentFailureOpensNoLink) {
    ProductMachine& m = Machine();
    m.machine.installer.ScriptInstallResult(ProductMachine::BasePackagePath(),
                                            kErrorInstallFailure);
    EXPECT_EQ(m.Run({L"/silent"}).exitCode, 1u);
    EXPECT_TRUE(m.machine.shell.OpenedFiles().empty());
}

// ---------------------------------------------------------------- outcomes

struct OutcomeCase {
    const char* name;
    std::uint32_t baseResult;
    std::uint32_t exitCode;
    bool warningBox;
    bool helpLink;  // the install-help page opens (exactly 0 on success, every failure)
    friend void PrintTo(const OutcomeCase& c, std::ostream* os) { *os << c.name; }
};

class InstallOutcome : public InstallSequence, public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(InstallOutcome, InteractiveRun) {
    const OutcomeCase& c = GetParam();
    ProductMachine& m = Machine();
    m.machine.installer.ScriptInstallResult(ProductMachine::BasePackagePath(), c.baseResult);
    Ending ending = m.Run();
    EXPECT_EQ(ending.exitCode, c.exitCode);
    // Success returns through the entry procedure; failure ends the process.
    EXPECT_EQ(ending.exitedProcess, c.exitCode != 0);
    ASSERT_EQ(m.machine.ui.boxes.size(), c.warningBox ? 1u : 0u);
    if (c.warningBox) {
        const sim::MessageBoxRecord& box = m.machine.ui.boxes[0];
        EXPECT_EQ(box.caption, std::wstring(kProductName));
        EXPECT_EQ(box.style, platform::kMbIconWarning);
        EXPECT_EQ(box.text, m.machine.system.messageTexts.count(c.baseResult) != 0
                                ? m.machine.system.messageTexts.at(c.baseResult)
                                : std::to_wstring(c.baseResult));
    }
    const std::vector<std::wstring> opened = m.machine.shell.OpenedFiles();
    ASSERT_EQ(opened.size(), c.helpLink ? 1u : 0u);
    if (c.helpLink) {
        EXPECT_TRUE(Contains(opened[0], L"target=installhelp"));
        EXPECT_TRUE(Contains(opened[0], L"errorcode=" + std::to_wstring(c.baseResult)));
    }
    // The level in force before the base package's is back on both outcomes.
    EXPECT_EQ(m.machine.installer.uiLevel, platform::kInstallUiLevelDefault);
    // After a failure the packs are removed again at the basic level; after success they stay.
    EXPECT_EQ(m.machine.installer.IsInstalled(kEnglishPack), c.exitCode == 0);
    if (c.exitCode != 0) {
        const auto removals = m.Removals();
        ASSERT_EQ(removals.size(), 1u);
        EXPECT_EQ(removals[0].target, kEnglishPack);
        EXPECT_EQ(removals[0].uiLevel, platform::kInstallUiLevelBasic);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Results, InstallOutcome,
    ::testing::Values(OutcomeCase{"Success", 0, 0, false, true},
                      OutcomeCase{"RebootInitiated", kErrorSuccessRebootInitiated, 0, false, false},
                      OutcomeCase{"RebootRequired", kErrorSuccessRebootRequired, 0, false, false},
                      OutcomeCase{"Cancelled", kErrorInstallUserExit, 1, false, true},
                      OutcomeCase{"FatalError", kErrorInstallFailure, 1, false, true},
                      OutcomeCase{"Suspended", kErrorInstallSuspend, 1, false, true},
                      OutcomeCase{"AnotherInstallation", kErrorInstallAlreadyRunning, 1, true,
                                  true},
                      OutcomeCase{"UnknownCode", 1620, 1, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InstallSequence, AFailedLanguagePackStopsTheRunBeforeTheBasePackage) {
    ProductMachine& m = Machine(TwoPacks());
    m.machine.core.faults.Fail("MsiInstallProductW", kErrorInstallAlreadyRunning);
    Ending ending = m.Run({L"/silent"});
    EXPECT_EQ(ending.exitCode, 1u);
    EXPECT_EQ(m.Installs().size(), 1u);
    EXPECT_EQ(m.BaseInstall(), nullptr);
    // Silent suppresses the links, not the warning.
    ASSERT_EQ(m.machine.ui.boxes.size(), 1u);
    EXPECT_EQ(m.machine.ui.boxes[0].caption, std::wstring(kProductName));
}

TEST_F(InstallSequence, LanguagePacksOfAnEarlierRunAreRemovedAfterAFailureToo) {
    ProductMachine& m = Machine();
    m.InstallCopy(kReleaseVersionText, kGermanPack);  // left over, not carried by this build
    m.machine.installer.ScriptInstallResult(ProductMachine::BasePackagePath(),
                                            kErrorInstallUserExit);
    m.Run({L"/silent"});
    EXPECT_FALSE(m.machine.installer.IsInstalled(kGermanPack));
    EXPECT_FALSE(m.machine.installer.IsInstalled(kEnglishPack));
}

TEST_F(InstallSequence, CancelDuringAnUpgradeOfThePreviousGenerationEndsWithOneAndNoBox) {
    ProductMachine& m = Machine();
    m.InstallCopy(L"9.0.1234.5", kPreviousGenerationProductCode);
    m.machine.installer.ScriptInstallResult(ProductMachine::BasePackagePath(),
                                            kErrorInstallUserExit);
    Ending ending = m.Run();
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 1u);
    EXPECT_TRUE(m.machine.ui.boxes.empty());
    EXPECT_EQ(m.state.installedMajorVersion, 9u);
    // The previous generation was already gone when the user cancelled.
    EXPECT_FALSE(m.machine.installer.IsInstalled(kPreviousGenerationProductCode));
    // The cancel-during-upgrade page, with the version that was removed, instead of install help.
    const std::vector<std::wstring> opened = m.machine.shell.OpenedFiles();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(Contains(opened[0], L"target=cancelationduringupgrade"));
    EXPECT_TRUE(Contains(opened[0], L"uninstalledversion=9"));
    EXPECT_FALSE(Contains(opened[0], L"installhelp"));
}

// Which page opens after the installer's outcome: the cancel-during-upgrade page needs all three
// of a previous copy of major version 9 or later, a cancelled installation (1602) and the
// previous generation's decision (3); preinstall mode, like silent, keeps every page closed.
struct LinkCase {
    const char* name;
    const wchar_t* installedVersion;  // nullptr: nothing installed
    bool previousGeneration;          // the installed copy carries the previous product code
    std::uint32_t baseResult;
    bool preinstallMode;
    const wchar_t* page;  // the link's target, nullptr: no page
    friend void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.name; }
};

class LinkAfterTheInstallation : public InstallSequence,
                                 public ::testing::WithParamInterface<LinkCase> {};

TEST_P(LinkAfterTheInstallation, IsChosenByVersionResultActionAndPreinstallMode) {
    const LinkCase& c = GetParam();
    ProductMachine& m = Machine();
    if (c.installedVersion != nullptr) {
        m.InstallCopy(c.installedVersion,
                      c.previousGeneration ? kPreviousGenerationProductCode : kThisProductCode);
        m.machine.ui.answers = {platform::kIdYes};  // an older copy of this generation: remove it
    }
    if (c.preinstallMode) {
        m.machine.registry.PutDword(platform::kHkeyLocalMachine, L"Software\\Velora",
                                    L"PreinstallMode", 1);
    }
    m.machine.installer.ScriptInstallResult(ProductMachine::BasePackagePath(), c.baseResult);
    const Ending ending = m.Run();
    EXPECT_EQ(ending.exitCode, c.baseResult == 0 ? 0u : 1u);
    const std::vector<std::wstring> opened = m.machine.shell.OpenedFiles();
    if (c.page == nullptr) {
        EXPECT_TRUE(opened.empty()) << opened.front();
        return;
    }
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(Contains(opened[0], std::wstring(L"target=") + c.page + L"&")) << opened[0];
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, LinkAfterTheInstallation,
    ::testing::Values(
        LinkCase{"PreviousGenerationCancelled", L"9.0.1234.5", true, 1602, false,
                 L"cancelationduringupgrade"},
        LinkCase{"PreviousGenerationFailed", L"9.0.1234.5", true, 1603, false, L"installhelp"},
        LinkCase{"OlderCopyOfThisGenerationCancelled", L"10.0.1000.0", false, 1602, false,
                 L"installhelp"},
        LinkCase{"NothingInstalledCancelled", nullptr, false, 1602, false, L"installhelp"},
        LinkCase{"PreinstallSuccess", nullptr, false, 0, true, nullptr},
        LinkCase{"PreinstallFailure", nullptr, false, 1603, true, nullptr},
        LinkCase{"PreinstallPreviousGenerationCancelled", L"9.0.1234.5", true, 1602, true,
                 nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InstallSequence, TheUiLevelInForceBeforeTheRunIsRestoredOnBothOutcomes) {
    for (std::uint32_t result : {kErrorSuccess, kErrorInstallFailure}) {
        ProductMachine& m = Machine();
        m.machine.installer.uiLevel = platform::kInstallUiLevelReduced;
        m.machine.installer.ScriptInstallResult(ProductMachine::BasePackagePath(), result);
        m.Run();
        EXPECT_EQ(m.BaseInstall()->uiLevel, platform::kInstallUiLevelFull);
        EXPECT_EQ(m.machine.installer.uiLevel, platform::kInstallUiLevelReduced) << result;
    }
}

// ---------------------------------------------------------------- the welcome dialog

TEST_F(InstallSequence, TheWelcomeDialogPreselectsTheBestPackAndInstallsTheChosenOne) {
    ProductMachine& m = Machine(TwoPacks());
    m.machine.core.uiLanguage = 0x0407;                        // German Windows: de-DE preselected
    m.machine.dialogs.script = {sim::DialogAction::Select(1),  // en-US
                                sim::DialogAction::Tick(1004), sim::DialogAction::Next()};
    Ending ending = m.Run();
    EXPECT_EQ(ending.exitCode, 0u);
    ASSERT_EQ(m.machine.dialogs.shown.size(), 1u);
    EXPECT_EQ(m.machine.dialogs.shown[0].firstSelection, 0);
    const auto packs = m.LanguagePackInstalls();
    ASSERT_EQ(packs.size(), 1u);
    EXPECT_EQ(*m.machine.files.Contents(packs[0].target),
              ProductMachine::LanguagePackBytes(L"EN_US"));
    EXPECT_TRUE(Contains(m.BaseInstall()->commandLine, L"LANGSTRING=en-US USERDEFINST=1 "));
    EXPECT_TRUE(m.state.customInstallationRequested);
}

TEST_F(InstallSequence, AClosedWelcomeDialogEndsWithOneAndInstallsNothing) {
    ProductMachine& m = Machine();
    m.machine.dialogs.script = {sim::DialogAction::Cancel()};  // and Yes to the question
    Ending ending = m.Run();
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 1u);
    EXPECT_TRUE(m.Installs().empty());
    EXPECT_FALSE(m.state.customInstallationRequested);
}

TEST_F(InstallSequence, AnInteractiveRunWithoutALanguagePackIsFatal) {
    ProductSpec spec;
    spec.languagePacks.clear();
    ProductMachine& m = Machine(spec);
    Ending ending = m.Run();
    EXPECT_EQ(ending.exitCode, ExitCodeOf(kEFail));
    ASSERT_EQ(m.machine.ui.boxes.size(), 1u);
    EXPECT_EQ(m.machine.ui.boxes[0].text, L"No language pack found16389");
    EXPECT_TRUE(m.machine.dialogs.shown.empty());
}

}  // namespace
}  // namespace quorix
