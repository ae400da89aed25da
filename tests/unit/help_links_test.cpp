// The help pages: each address exactly, the shell calls that open it, and when nothing opens.
#include "report/help_links.h"

#include <gtest/gtest.h>

#include <string>

#include "common/result_codes.h"
#include "report/session_ids.h"
#include "report/session_record.h"
#include "support/report_machine.h"

namespace quorix {
namespace {

using test::ReportMachine;

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
    OpenInstallHelpLink(m.ctx, kErrorInstallFailure, L"de-DE", NotInstalled);
    m.ExpectOpenedOnce(
        kBase + L"/link/?target=installhelp&errorcode=1603&action=1" + ReportMachine::kGermanReport,
        platform::kNullHandle, platform::kSwShowNormal);
    EXPECT_EQ(m.machine.core.ledger.OpenCount(), 0u) << m.machine.core.ledger.Describe();
}

TEST(InstallHelpLink, AReducedUiRunSendsSilentAsItsLanguage) {
    HelpMachine m;
    OpenInstallHelpLink(m.ctx, kErrorInstallUserExit, L"silent", PreviousGenerationInstalled);
    std::wstring report = ReportMachine::kGermanReport;
    report.replace(report.find(L"vl_lang=de-DE"), 13, L"vl_lang=silent");
    m.ExpectOpenedOnce(kBase + L"/link/?target=installhelp&errorcode=1602&action=3" + report,
                       platform::kNullHandle, platform::kSwShowNormal);
}

TEST(InstallHelpLink, AfterSuccessTheLanguageIsTheInstalledProducts) {
    HelpMachine m;
    m.machine.registry.PutString(platform::kHkeyLocalMachine, L"Software\\Velora\\Quorix\\10.0",
                                 L"UILanguage", L"fr-FR");
    OpenInstallHelpLink(m.ctx, 0, L"de-DE", OlderInstalled);
    std::wstring report = ReportMachine::kGermanReport;
    report.replace(report.find(L"vl_lang=de-DE"), 13, L"vl_lang=fr-FR");
    m.ExpectOpenedOnce(kBase + L"/link/?target=installhelp&errorcode=0&action=2" + report,
                       platform::kNullHandle, platform::kSwShowNormal);
}

TEST(InstallHelpLink, AResultWithTheTopBitSetGoesOutUnsigned) {
    HelpMachine m;
    OpenInstallHelpLink(m.ctx, 0x80070005u, L"de-DE", NotInstalled);
    ASSERT_EQ(m.Executed().size(), 1u);
    const std::wstring prefix = kBase + L"/link/?target=installhelp&errorcode=2147942405&action=1&";
    EXPECT_EQ(m.Executed()[0].request.file.compare(0, prefix.size(), prefix), 0);
}

TEST(InstallHelpLink, WithoutABrowserExplorerGetsTheQuotedAddress) {
    HelpMachine m;
    m.NoBrowser();
    OpenInstallHelpLink(m.ctx, kErrorInstallFailure, L"de-DE", NotInstalled);
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
    OpenInstallHelpLink(m.ctx, kErrorInstallFailure, L"de-DE", NotInstalled);
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

// ---------------------------------------------------------------- the address budget

// 500 session records, each newer than the one before, plus the machine's own of this start.
void PutManySessions(HelpMachine& m, int count) {
    for (int i = 0; i < count; ++i) {
        const std::wstring number = std::to_wstring(1000 + i);
        m.machine.registry.PutString(platform::kHkeyLocalMachine,
                                     L"SOFTWARE\\Velora\\Quorix\\SIDData\\sid" + number, L"Install",
                                     L"2012-" + number + L" 00:00:00");
    }
}

struct BudgetCase {
    const char* page;
    void (*open)(HelpMachine&);
    std::wstring affiliateId;
};

class HelpAddressBudget : public ::testing::TestWithParam<BudgetCase> {};

TEST_P(HelpAddressBudget, ManySessionRecordsStillGiveAnAddressWithinTheBudget) {
    HelpMachine m;
    m.state.installedMajorVersion = 10;
    m.state.affiliateId = GetParam().affiliateId;
    PutManySessions(m, 500);
    GetParam().open(m);
    ASSERT_FALSE(m.Executed().empty());
    const std::wstring url = m.Executed()[0].request.file;
    EXPECT_LE(url.size(), kHelpAddressBudget);
    // The newest record is listed, the oldest of the 500 is not.
    EXPECT_NE(url.find(L"&vl_sids="), std::wstring::npos);
    EXPECT_NE(url.find(L"sid1499"), std::wstring::npos);
    EXPECT_EQ(url.find(L"sid1000"), std::wstring::npos);
    // The list is never cut inside a name: it ends where the next parameter starts.
    const std::size_t list = url.find(L"&vl_sids=") + 9;
    const std::wstring sessions = url.substr(list, url.find(L'&', list) - list);
    for (std::size_t at = 0; at < sessions.size();) {
        const std::size_t next = sessions.find(L"%7c", at);
        const std::wstring name =
            sessions.substr(at, next == std::wstring::npos ? next : next - at);
        EXPECT_TRUE(name.size() == 7 || name == L"vlq2011aid30017xx-XX")
            << std::string(name.begin(), name.end());
        at = next == std::wstring::npos ? sessions.size() : next + 3;
    }
    // The parameters after the list are still there, whole.
    EXPECT_NE(url.find(L"&vl_dod=2011-01-30%2018%3a44%3a10"), std::wstring::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, HelpAddressBudget,
    ::testing::Values(
        BudgetCase{"InstallHelp",
                   [](HelpMachine& m) {
                       OpenInstallHelpLink(m.ctx, kErrorInstallFailure, L"de-DE", NotInstalled);
                   },
                   L"vlq2011aid30017xx-XX"},
        BudgetCase{"Cancelation", [](HelpMachine& m) { OpenCancelationLink(m.ctx, true); },
                   L"vlq2011aid30017xx-XX"},
        BudgetCase{"Requirements", [](HelpMachine& m) { OpenRequirementsLink(m.ctx, 0x4242); },
                   L"vlq2011aid30017xx-XX"}),
    [](const auto& info) { return std::string(info.param.page); });

TEST(HelpAddressBudgetLongIdentifier, ALongAffiliateIsSentWholeOrNotAtAll) {
    HelpMachine m;
    m.state.affiliateId = std::wstring(255, L'_');
    PutManySessions(m, 100);
    m.machine.registry.PutString(platform::kHkeyLocalMachine,
                                 L"SOFTWARE\\Velora\\Quorix\\SIDData\\" + m.state.affiliateId,
                                 L"Install", L"2013-01-01 00:00:00");
    OpenInstallHelpLink(m.ctx, kErrorInstallFailure, L"de-DE", NotInstalled);
    ASSERT_FALSE(m.Executed().empty());
    const std::wstring url = m.Executed()[0].request.file;
    EXPECT_LE(url.size(), kHelpAddressBudget);
    // Each copy of the identifier is sent whole or not at all, and so is each listed record.
    std::wstring encoded;
    for (std::size_t i = 0; i < m.state.affiliateId.size(); ++i) encoded += L"%5f";
    const std::wstring query = url.substr(url.find(L'?') + 1) + L"&";
    std::size_t copies = 0;
    for (std::size_t at = 0; at < query.size();) {
        const std::size_t end = query.find(L'&', at);
        const std::wstring parameter = query.substr(at, end - at);
        const std::wstring key = parameter.substr(0, parameter.find(L'='));
        const std::wstring value = parameter.substr(key.size() + 1);
        if (key == L"aid" || key == L"vl_sid" || key == L"x-aid") {
            EXPECT_EQ(value, encoded) << std::string(key.begin(), key.end());
            ++copies;
        }
        if (key == L"vl_sids") {
            for (std::size_t name = 0; name < value.size();) {
                const std::size_t next = value.find(L"%7c", name);
                const std::wstring one =
                    value.substr(name, next == std::wstring::npos ? next : next - name);
                EXPECT_TRUE(one == encoded || one.size() == 7 || one == L"vlq2011aid30017xx-XX")
                    << std::string(one.begin(), one.end());
                name = next == std::wstring::npos ? value.size() : next + 3;
            }
        }
        at = end + 1;
    }
    EXPECT_GE(copies, 1u);
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
        OpenInstallHelpLink(m.ctx, kErrorInstallFailure, L"de-DE", NotInstalled);
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
            OpenInstallHelpLink(m.ctx, kErrorInstallFailure, L"de-DE", NotInstalled);
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
