// The help pages: each address exactly, the shell calls that open it, and when nothing opens.
#include "report/help_links.h"

#include <gtest/gtest.h>

#include <string>

#include "common/result_codes.h"
#include "report/session_record.h"
#include "support/report_machine.h"

namespace quorix {
namespace {

using testing::ReportMachine;

const std::wstring kBase = L"https://link.velora.example";
// The German machine's report without a language from the caller.
std::wstring ReportWithoutLanguage() {
    std::wstring report = ReportMachine::kGermanReport;
    report.erase(report.find(L"&vl_lang=de-DE"), 14);
    return report;
}

struct HelpMachine : ReportMachine {
    const std::vector<sim::ShellExecuteRecord>& Executed() { return machine.shell.executed; }
    void ExpectOpenedOnce(const std::wstring& url, platform::NativeHandle owner, int show) {
        ASSERT_EQ(Executed().size(), 1u);
        const platform::ShellRequest& request = Executed()[0].request;
        EXPECT_EQ(request.file, url);
        EXPECT_EQ(request.owner, owner);
        EXPECT_EQ(request.verb, L"open");
        EXPECT_EQ(request.parameters, L"");
        EXPECT_EQ(request.directory, L"");
        EXPECT_EQ(request.show, show);
    }
    void NoBrowser() { machine.shell.urlSchemes.clear(); }
};

TEST(InstallHelpLink, AfterAFailureCarriesTheResultActionAndChosenLanguage) {
    HelpMachine m;
    OpenInstallHelpLink(m.ctx, kErrorInstallFailure, L"de-DE", 1);
    m.ExpectOpenedOnce(
        kBase + L"/link/?target=installhelp&errorcode=1603&action=1" + ReportMachine::kGermanReport,
        platform::kNullHandle, platform::kSwShowNormal);
    EXPECT_EQ(m.machine.core.ledger.OpenCount(), 0u) << m.machine.core.ledger.Describe();
}

TEST(InstallHelpLink, AReducedUiRunSendsSilentAsItsLanguage) {
    HelpMachine m;
    OpenInstallHelpLink(m.ctx, kErrorInstallUserExit, L"silent", 3);
    std::wstring report = ReportMachine::kGermanReport;
    report.replace(report.find(L"vl_lang=de-DE"), 13, L"vl_lang=silent");
    m.ExpectOpenedOnce(kBase + L"/link/?target=installhelp&errorcode=1602&action=3" + report,
                       platform::kNullHandle, platform::kSwShowNormal);
}

TEST(InstallHelpLink, AfterSuccessTheLanguageIsTheInstalledProducts) {
    HelpMachine m;
    m.machine.registry.PutString(platform::kHkeyLocalMachine, L"Software\\Velora\\Quorix\\10.0",
                                 L"UILanguage", L"fr-FR");
    OpenInstallHelpLink(m.ctx, 0, L"de-DE", 2);
    std::wstring report = ReportMachine::kGermanReport;
    report.replace(report.find(L"vl_lang=de-DE"), 13, L"vl_lang=fr-FR");
    m.ExpectOpenedOnce(kBase + L"/link/?target=installhelp&errorcode=0&action=2" + report,
                       platform::kNullHandle, platform::kSwShowNormal);
}

TEST(InstallHelpLink, AResultWithTheTopBitSetGoesOutUnsigned) {
    HelpMachine m;
    OpenInstallHelpLink(m.ctx, 0x80070005u, L"de-DE", 1);
    ASSERT_EQ(m.Executed().size(), 1u);
    const std::wstring prefix = kBase + L"/link/?target=installhelp&errorcode=2147942405&action=1&";
    EXPECT_EQ(m.Executed()[0].request.file.compare(0, prefix.size(), prefix), 0);
}

TEST(InstallHelpLink, WithoutABrowserExplorerGetsTheQuotedAddress) {
    HelpMachine m;
    m.NoBrowser();
    OpenInstallHelpLink(m.ctx, kErrorInstallFailure, L"de-DE", 1);
    ASSERT_EQ(m.Executed().size(), 2u);
    const std::wstring url = m.Executed()[0].request.file;
    const platform::ShellRequest& second = m.Executed()[1].request;
    EXPECT_EQ(second.file, L"explorer.exe");
    EXPECT_EQ(second.verb, L"open");
    EXPECT_EQ(second.parameters, L"\"" + url + L"\"");
    EXPECT_EQ(second.owner, platform::kNullHandle);
    EXPECT_EQ(second.show, platform::kSwShowNormal);
}

TEST(InstallHelpLink, AFailingExplorerIsNotReported) {
    HelpMachine m;
    m.NoBrowser();
    m.machine.shell.programs.clear();
    OpenInstallHelpLink(m.ctx, kErrorInstallFailure, L"de-DE", 1);
    ASSERT_EQ(m.Executed().size(), 2u);
    EXPECT_FALSE(platform::ShellExecuteSucceeded(m.Executed()[1].result));
    EXPECT_TRUE(m.machine.ui.boxes.empty());
}

TEST(CancelationLink, BeforeRelease9NothingOpens) {
    HelpMachine m;
    m.state.installedMajorVersion = 8;
    const std::size_t registryOpens = m.machine.registry.opens.size();
    EXPECT_FALSE(OpenCancelationLink(m.ctx, true));
    EXPECT_FALSE(OpenCancelationLink(m.ctx, false));
    EXPECT_TRUE(m.Executed().empty());
    EXPECT_EQ(m.machine.registry.opens.size(), registryOpens);  // not even a report collected
}

TEST(CancelationLink, DuringAnUpgradeNamesTheRemovedRelease) {
    HelpMachine m;
    m.state.installedMajorVersion = 9;
    EXPECT_TRUE(OpenCancelationLink(m.ctx, true));
    m.ExpectOpenedOnce(kBase + L"/link/?target=cancelationduringupgrade&uninstalledversion=9" +
                           ReportWithoutLanguage(),
                       platform::kNullHandle, platform::kSwShowNormal);
}

TEST(CancelationLink, WithoutVersionAndWithoutABrowserExplorerGetsItUnquoted) {
    HelpMachine m;
    m.state.installedMajorVersion = 10;
    m.NoBrowser();
    EXPECT_TRUE(OpenCancelationLink(m.ctx, false));
    ASSERT_EQ(m.Executed().size(), 2u);
    const std::wstring url =
        kBase + L"/link/?target=cancelationduringupgrade" + ReportWithoutLanguage();
    EXPECT_EQ(m.Executed()[0].request.file, url);
    EXPECT_EQ(m.Executed()[1].request.file, L"explorer.exe");
    EXPECT_EQ(m.Executed()[1].request.parameters, url);
}

TEST(RequirementsLink, IsOwnedByTheWindowAndNamesTheProductTwice) {
    HelpMachine m;
    const platform::NativeHandle window = 0x4242;
    OpenRequirementsLink(m.ctx, window);
    m.ExpectOpenedOnce(
        kBase + L"/link/?target=osrequirements&app=VLQ2011" + ReportWithoutLanguage(), window,
        platform::kSwShow);
}

TEST(RequirementsLink, WithoutABrowserThereIsNoSecondAttempt) {
    HelpMachine m;
    m.NoBrowser();
    OpenRequirementsLink(m.ctx, 0x4242);
    EXPECT_EQ(m.Executed().size(), 1u);
}

// Each platform call of the report room made to fail in turn: nothing escapes, nothing is left
// open, and a page still opens wherever the shell itself did not fail. (A failing close is left
// out: the key was handed back, and nothing the program could do would change that.)
TEST(ReportRoom, AnyFailingCallIsSilentAndReleasesEverything) {
    std::vector<std::string> calls;
    {
        HelpMachine m;
        const std::size_t before = m.machine.core.faults.Trace().size();
        EnsureInstallationGuid(m.ctx);
        OpenInstallHelpLink(m.ctx, kErrorInstallFailure, L"de-DE", 1);
        const std::vector<std::string>& trace = m.machine.core.faults.Trace();
        calls.assign(trace.begin() + static_cast<std::ptrdiff_t>(before), trace.end());
    }
    ASSERT_GT(calls.size(), 20u);
    for (std::size_t n = 0; n < calls.size(); ++n) {
        if (calls[n] == "RegCloseKey") continue;
        HelpMachine m;
        m.machine.core.faults.FailCallNumber(m.machine.core.faults.Trace().size() + n,
                                             kErrorAccessDenied);
        EXPECT_NO_THROW({
            EnsureInstallationGuid(m.ctx);
            OpenInstallHelpLink(m.ctx, kErrorInstallFailure, L"de-DE", 1);
        }) << calls[n];
        EXPECT_EQ(m.machine.core.ledger.OpenCount(), 0u)
            << calls[n] << m.machine.core.ledger.Describe();
        EXPECT_EQ(m.machine.core.ledger.BadCloses(), 0) << calls[n];
        EXPECT_EQ(m.machine.com.ApartmentDepth(), 0u) << calls[n];
        const bool shellFailed = calls[n] == "ShellExecuteW";
        EXPECT_EQ(m.Executed().size(), shellFailed ? 2u : 1u) << calls[n];
    }
}

}  // namespace
}  // namespace quorix
