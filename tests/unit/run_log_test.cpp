// The run's own log over whole runs: the events each main path writes, and that the log never
// changes the run (no file, a file that cannot be written, a full log, a name that is taken).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "common/utf16.h"
#include "core/release.h"
#include "core/run_log.h"
#include "platform/sim/sim_time.h"
#include "support/product_machine.h"

namespace quorix {
namespace {

using test::Ending;
using test::ProductMachine;

struct LogEvent {
    std::string step;
    std::string text;  // a part of the line's text
};

struct LogPathCase {
    const char* name;
    std::vector<std::wstring> args;
    std::function<void(ProductMachine&)> prepare;
    std::uint32_t exitCode;
    std::vector<LogEvent> events;  // in the order the log must hold them
    std::string exitText;          // the exit line's text, from its start
    bool endsAfterABox = false;    // the run's last box tells why it ends
};

std::string Narrow(const std::wstring& text) { return ToUtf8(text); }

const std::string kThisCode = Narrow(kThisProductCode);

std::vector<LogPathCase> LogPaths() {
    return {
        {"Success",
         {L"/silent"},
         nullptr,
         0,
         {{"start", "-bit program, at " + Narrow(ProductMachine::kExe) + "; Windows 6.1.7601"},
          {"command line", "\"/silent\""},
          {"tag", "passed on: " + Narrow(ProductMachine::kTagProperties) + "; no pair dropped"},
          {"records", "session of affiliate partner42 recorded"},
          {"requirements", "met: Windows 6.1"},
          {"decision", "NotInstalled (1)"},
          {"data folder", "all users: C:\\"},
          {"extract", "MSI to C:\\"},
          {"pending", "no restart waits"},
          {"language", "every pack: VLLANGPACK_EN_US"},
          {"extract", "VLLANGPACK_EN_US to "},
          {"installer",
           "language pack en-US, UI level none (2): result 0 (The operation completed "
           "successfully.)"},
          {"installer", "base package, UI level none (2): result 0 (The operation completed"},
          {"records", "current session recorded: partner42"}},
         "code 0, the installation succeeded"},
        {"UnsupportedLanguage",
         {L"/silent", L"/language", L"de-DE"},
         nullptr,
         1,
         {{"decision", "NotInstalled (1)"}, {"pending", "no restart waits"}},
         "code 1, the language \"de-DE\" named by /language is not in this setup"},
        {"RemovalFailure",
         {},
         [](ProductMachine& m) {
             m.InstallCopy(kReleaseVersionText, kThisProductCode);
             m.machine.ui.answers = {platform::kIdYes};
             m.machine.installer.ScriptConfigureResult(kThisProductCode, 1603);
         },
         1,
         {{"decision", "installed " + kThisCode +
                           " version 10.0.4410.11, this release 10.0.4410.11: "
                           "SameVersionInstalled (7)"},
          {"removal", "removing " + kThisCode + " (maintenance removal)"},
          {"removal", "install helper --close-vlqapps: "},
          {"removal", "the user confirmed the removal"},
          {"removal", "service Velora.QuorixSvc: "},
          {"installer", "removal of " + kThisCode +
                            ", UI level basic (3): result 1603 (Fatal error during installation.)"},
          {"removal", " again"},
          {"shell", ""}},
         "code 1, the removal of the installed copy failed: installer result 1603"},
        {"InstallerFailure",
         {L"/silent"},
         [](ProductMachine& m) {
             m.machine.installer.ScriptInstallResult(ProductMachine::BasePackagePath(), 1603);
         },
         1,
         {{"installer", "language pack en-US, UI level none (2): result 0"},
          {"installer",
           "base package, UI level none (2): result 1603 (Fatal error during installation.)"},
          {"installer", "removal of language pack {"}},
         "code 1, the installation of the base package failed: installer result 1603"},
        {"FatalExit",
         {L"/silent"},
         [](ProductMachine& m) { m.InstallCopy(L"ten", kThisProductCode); },
         16389,
         {{"decision", "the version \"ten\" installed under " + kThisCode + " is no version"}},
         "code 16389, fatal error: GetRequiredMsiConfigureAction1",
         true},
        {"RequirementsNotMet",
         {L"/silent"},
         [](ProductMachine& m) {
             m.machine.system.osVersion.majorVersion = 5;
             m.machine.system.osVersion.minorVersion = 0;
         },
         0xFFFFFFFFu,
         {{"requirements", "not met: Windows 5.0"}},
         "code -1, the system requirements are not met: this Windows is not supported",
         true},
        {"ShellRestartMode",
         {L"--force-shell-restart"},
         nullptr,
         0,
         {{"command line", "\"--force-shell-restart\""},
          {"tag", "passed on: "},
          {"shell", "the shell runs"}},
         "code 0, the shell-restart mode is done"},
        {"VersionUnknown",
         {L"--force-shell-restart"},
         [](ProductMachine& m) {
             m.machine.core.faults.Fail("GetVersionExW", 87);
             m.machine.core.faults.AllowUndelivered("only the log asks for the version here");
         },
         0,
         {{"start", "-bit program, at " + Narrow(ProductMachine::kExe) +
                        "; Windows version unknown, x86 machine"}},
         "code 0, the shell-restart mode is done"},
    };
}

// Everything a run does that someone could see, apart from its log.
std::string DescribeEffects(const ProductMachine& m, const Ending& ending) {
    std::wstring text = L"exit " + std::to_wstring(ending.exitCode) +
                        (ending.exitedProcess ? L" by ExitProcess\n" : L" by returning\n");
    for (const sim::InstallerCall& call : m.machine.installer.calls) {
        text += std::wstring(call.api.begin(), call.api.end()) + L" " + call.target + L" [" +
                call.commandLine + L"] ui " + std::to_wstring(call.uiLevel) + L" -> " +
                std::to_wstring(call.result) + L"\n";
    }
    for (const sim::MessageBoxRecord& box : m.machine.ui.boxes) {
        text += L"box " + box.caption.value_or(L"(default)") + L": " + box.text + L"\n";
    }
    text += L"dialogs " + std::to_wstring(m.machine.dialogs.shown.size()) + L"\n";
    for (const sim::ShellExecuteRecord& run : m.machine.shell.executed) {
        text += L"shell " + run.request.file + L" " + run.request.parameters + L"\n";
    }
    for (const sim::RegistryOpenRecord& open : m.machine.registry.opens) {
        text += std::wstring(open.api.begin(), open.api.end()) + L" " + open.path + L" -> " +
                std::to_wstring(open.result) + L"\n";
    }
    for (const std::wstring& file : m.TemporaryFilesBesidesTheLog())
        text += L"temp " + file + L"\n";
    text += L"base package " +
            std::wstring(m.machine.files.Exists(ProductMachine::BasePackagePath()) ? L"written"
                                                                                   : L"absent");
    return Narrow(text);
}

class RunLogPaths : public ::testing::TestWithParam<LogPathCase> {
protected:
    static Ending RunCase(ProductMachine& m) {
        if (GetParam().prepare) GetParam().prepare(m);
        return m.Run(GetParam().args);
    }
};

TEST_P(RunLogPaths, NamesEachStepAndEndsWithTheExitAndItsReason) {
    const LogPathCase& c = GetParam();
    ProductMachine m;
    m.machine.system.SetUtcNow(sim::MakeSystemTime(2026, 12, 9, 15, 47, 1));
    // A run killed while its last box waits (an unattended run, say) must still say why.
    std::vector<bool> exitLoggedAtBox;
    m.machine.ui.whileBoxOpen = [&](const sim::MessageBoxRecord&) {
        const std::vector<std::string> lines = m.LogLines();
        exitLoggedAtBox.push_back(!lines.empty() &&
                                  lines.back().find(" exit: " + c.exitText) != std::string::npos);
    };
    const Ending ending = RunCase(m);
    EXPECT_EQ(!exitLoggedAtBox.empty() && exitLoggedAtBox.back(), c.endsAfterABox);
    EXPECT_EQ(ending.exitCode, c.exitCode);
    EXPECT_EQ(m.OpenHandles(), 0u) << m.DescribeOpenHandles();

    EXPECT_EQ(m.state.log.Path(), m.machine.files.tempFolder + L"QuorixSetup_20261209_154701.log");
    const std::vector<std::uint8_t>* bytes = m.machine.files.Contents(m.state.log.Path());
    ASSERT_NE(bytes, nullptr);
    const std::string raw(bytes->begin(), bytes->end());
    ASSERT_GE(raw.size(), 2u);
    EXPECT_EQ(raw.substr(raw.size() - 2), "\r\n");
    EXPECT_EQ(std::count(raw.begin(), raw.end(), '\n'), std::count(raw.begin(), raw.end(), '\r'))
        << "every line ends in CRLF";

    const std::vector<std::string> lines = m.LogLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], kRunLogHeader);
    const std::regex shape(R"(([0-9]+\.[0-9]{6}) ([a-z ]+): (.*))");
    std::vector<std::pair<std::string, std::string>> events;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(lines[i], match, shape)) << lines[i];
        events.emplace_back(match[2], match[3]);
    }
    EXPECT_EQ(events[0].first, "start");
    EXPECT_EQ(events[1].first, "command line");

    std::size_t at = 0;
    for (const LogEvent& expected : c.events) {
        while (at < events.size() &&
               !(events[at].first == expected.step &&
                 events[at].second.find(expected.text) != std::string::npos)) {
            ++at;
        }
        ASSERT_LT(at, events.size())
            << "no \"" << expected.step << ": ..." << expected.text << "\" in order in:\n"
            << raw;
        ++at;
    }
    EXPECT_EQ(events.back().first, "exit") << raw;
    EXPECT_EQ(events.back().second.rfind(c.exitText, 0), 0u) << events.back().second;
    for (std::size_t i = 0; i + 1 < events.size(); ++i) EXPECT_NE(events[i].first, "exit");
}

// The log watches; it never decides. Without it (the file cannot be created, or its first write
// fails) the run does all it does with it, and ends the same.
TEST_P(RunLogPaths, ALogThatCannotBeWrittenChangesNothingOfTheRun) {
    ProductMachine logged;
    const std::string withLog = DescribeEffects(logged, RunCase(logged));
    ASSERT_FALSE(logged.LogLines().empty());

    for (const char* api : {"CreateFileW", "WriteFile"}) {
        ProductMachine m;
        // The log's own calls come first in a run: its file is made before anything else.
        m.machine.core.faults.Fail(api, 5);
        const std::string without = DescribeEffects(m, RunCase(m));
        EXPECT_EQ(without, withLog) << api;
        EXPECT_EQ(m.OpenHandles(), 0u) << m.DescribeOpenHandles();
        EXPECT_FALSE(m.state.log.IsOpen());
        if (std::string(api) == "CreateFileW") {
            EXPECT_TRUE(m.state.log.Path().empty());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(MainPaths, RunLogPaths, ::testing::ValuesIn(LogPaths()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RunLog, AFullLogSaysSoAndStillEndsWithTheExitLine) {
    // A command line of many properties makes a log long enough to cut.
    std::vector<std::wstring> args = {L"/silent", L"/bpprops"};
    for (int i = 10; i < 60; ++i) args.push_back(L"PROPERTY" + std::to_wstring(i) + L"=1");
    ProductMachine unlimited;
    unlimited.Run(args);
    const std::vector<std::string> whole = unlimited.LogLines();
    const std::size_t wholeSize =
        unlimited.machine.files.Contents(unlimited.state.log.Path())->size();

    ProductMachine m;
    const std::uint32_t limit = static_cast<std::uint32_t>(wholeSize) - 400;
    ASSERT_GT(limit, 3 * RunLog::kMaxExitReasonLength + 512) << "the whole log is too short";
    m.state.log.LimitSize(limit);
    const Ending ending = m.Run(args);
    EXPECT_EQ(ending.exitCode, 0u);
    EXPECT_TRUE(m.machine.installer.IsInstalled(kThisProductCode));

    EXPECT_LE(m.machine.files.Contents(m.state.log.Path())->size(), limit);
    const std::vector<std::string> lines = m.LogLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines[lines.size() - 2].find(" log: the log reached its size limit"),
              std::string::npos)
        << lines[lines.size() - 2];
    EXPECT_EQ(lines.back(), whole.back());
    // Up to the cut the lines are those of the whole log.
    const std::vector<std::string> before(lines.begin(), lines.end() - 2);
    ASSERT_LT(before.size(), whole.size() - 1);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), whole.begin()));
}

TEST(RunLog, ATakenNameIsNeverOpenedAndTheNextNumberIsUsedInLocalTime) {
    ProductMachine m;
    m.machine.system.SetUtcNow(sim::MakeSystemTime(2026, 12, 9, 14, 47, 1));
    m.machine.system.localMinutesAheadOfUtc = 60;
    const std::wstring taken = m.machine.files.tempFolder + L"QuorixSetup_20261209_154701.log";
    const std::vector<std::uint8_t> someoneElses = {'k', 'e', 'e', 'p'};
    m.machine.files.PutFile(taken, someoneElses);

    EXPECT_EQ(m.Run({L"/silent"}).exitCode, 0u);
    EXPECT_EQ(*m.machine.files.Contents(taken), someoneElses);
    EXPECT_EQ(m.state.log.Path(),
              m.machine.files.tempFolder + L"QuorixSetup_20261209_154701_2.log");
    ASSERT_FALSE(m.LogLines().empty());
    EXPECT_EQ(m.LogLines()[0], kRunLogHeader);
}

TEST(RunLog, PropertyValuesOnTheCommandLineStayOutOfTheLog) {
    ProductMachine m;
    const Ending ending = m.Run(
        {L"/silent", L"/bpprops", L"DBPASSWORD=hunter2-secret", L"LICENSEKEY=AAAA-BBBB-CCCC",
         L"/LpProps", L"PROXYTOKEN=tok-998877", L"stray-value-55", L"/loglp", L"C:\\logs\\lp.log"});
    EXPECT_EQ(ending.exitCode, 0u);
    // The installer still gets them.
    ASSERT_NE(m.BaseInstall(), nullptr);
    EXPECT_NE(m.BaseInstall()->commandLine.find(L"DBPASSWORD=hunter2-secret"), std::wstring::npos);

    const std::vector<std::uint8_t>* bytes = m.machine.files.Contents(m.state.log.Path());
    ASSERT_NE(bytes, nullptr);
    const std::string log(bytes->begin(), bytes->end());
    for (const char* secret : {"hunter2", "BBBB", "tok-998877", "stray-value-55"}) {
        EXPECT_EQ(log.find(secret), std::string::npos) << secret << " in:\n" << log;
    }
    EXPECT_NE(log.find("\"/bpprops\" \"DBPASSWORD\" \"LICENSEKEY\" \"/LpProps\" \"PROXYTOKEN\""),
              std::string::npos)
        << log;
    // Other option values are no secrets: where the installer's own log goes is worth knowing.
    EXPECT_NE(log.find("\"/loglp\" \"C:\\logs\\lp.log\""), std::string::npos) << log;
}

}  // namespace
}  // namespace quorix

namespace quorix {
namespace {

const std::wstring kAdminOnly = L"C:\\ProgramData\\{7F150524-34B9-B5DF-9E77-69B10F4205B4}\\";

TEST(RunLog, AnElevatedRunWritesNothingThroughAUsersJunctionAboveTheLogsName) {
    const std::wstring elsewhere = L"C:\\Users\\tester\\elsewhere";
    for (const bool localSystem : {false, true}) {
        SCOPED_TRACE(localSystem ? "LocalSystem" : "elevated administrator");
        ProductMachine m;
        m.machine.system.token = {true, localSystem};
        // %TEMP% lies below a folder the user turned into a junction to one of theirs.
        m.machine.files.AddFolder(elsewhere + L"\\Temp");
        m.machine.files.SetJunction(L"C:\\Users\\tester\\AppData\\Local", elsewhere);
        ASSERT_EQ(m.Run({L"/silent"}).exitCode, 0u);
        EXPECT_TRUE(m.machine.files.FilesIn(elsewhere + L"\\Temp").empty());
        EXPECT_EQ(m.state.log.Path().rfind(kAdminOnly + L"QuorixSetup_", 0), 0u)
            << Narrow(m.state.log.Path());
        // The installer opens only files in an admin-only folder.
        for (const sim::InstallerCall& call : m.Installs()) {
            EXPECT_FALSE(m.machine.files.UserMayRedirect(call.target)) << Narrow(call.target);
        }
        EXPECT_EQ(m.Installs().size(), 2u);
    }
}

TEST(RunLog, ControlsBeyondC0AndBidirectionalOverridesBecomeBlanks) {
    ProductMachine m;
    m.state.log.Start(m.machine.Os());
    m.state.log.Write("tag", {L"a\u0085b\u009Bc\u2028d\u2029e\u202Ef\u2067g\u200Fh\u00E9"});
    m.state.log.Finish(0, {"done"});
    const std::vector<std::string> lines = m.LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines[1].find(" tag: a b c d e f g h\xC3\xA9"), std::string::npos) << lines[1];
}

}  // namespace
}  // namespace quorix
