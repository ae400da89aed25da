// The option loop: what each command line turns into.
#include <gtest/gtest.h>

#include "bootstrap/run_options.h"
#include "support/sim_run.h"

namespace quorix {
namespace {

using test::SimProcess;

RunOptions Parse(std::vector<std::wstring> argv, SimProcess* process = nullptr) {
    SimProcess local;
    SimProcess& p = process ? *process : local;
    argv.insert(argv.begin(), test::kProductExePath);
    return ParseRunOptions(p.ctx, argv);
}

TEST(OptionLoop, OptionNamesIgnoreLetterCase) {
    RunOptions options = Parse({L"/SILENT"});
    EXPECT_TRUE(options.silent);
    options = Parse({L"/ReducedUI"});
    EXPECT_TRUE(options.reducedUi);
    options = Parse({L"/LogBP", L"C:\\Logs\\Base.log"});
    EXPECT_EQ(options.logBasePackage, L"C:\\Logs\\Base.log");
}

TEST(OptionLoop, ValuesKeepTheCaseTheyWereWrittenIn) {
    RunOptions options = Parse({L"/language", L"De-de", L"/LOGLP", L"C:\\Logs\\LP.log"});
    EXPECT_EQ(options.languages, std::vector<std::wstring>{L"De-de"});
    EXPECT_EQ(options.logLanguagePacks, L"C:\\Logs\\LP.log");
}

TEST(OptionLoop, LanguageValuesSplitAtSemicolonsAndAppend) {
    EXPECT_EQ(Parse({L"/language", L"en-US;de-DE"}).languages,
              (std::vector<std::wstring>{L"en-US", L"de-DE"}));
    EXPECT_EQ(Parse({L"/language", L"en-US;"}).languages, std::vector<std::wstring>{L"en-US"});
    EXPECT_EQ(Parse({L"/language", L"en-US", L"/language", L"all;fr-FR"}).languages,
              (std::vector<std::wstring>{L"en-US", L"all", L"fr-FR"}));
    EXPECT_TRUE(Parse({L"/language"}).languages.empty());
    EXPECT_TRUE(Parse({L"/language", L"/silent"}).languages.empty());
}

TEST(OptionLoop, InnerEmptyLanguageNamesAreKept) {
    // Only a trailing ";" is dropped; "a;;b" names an empty language, which resolution rejects.
    EXPECT_EQ(Parse({L"/language", L"en-US;;de-DE"}).languages,
              (std::vector<std::wstring>{L"en-US", L"", L"de-DE"}));
}

TEST(OptionLoop, LogOptionWithoutValueLeavesNoPathAndTheNextOptionStillCounts) {
    RunOptions options = Parse({L"/logbp", L"/silent"});
    EXPECT_TRUE(options.logBasePackage.empty());
    EXPECT_TRUE(options.silent);
    EXPECT_TRUE(Parse({L"/loglp"}).logLanguagePacks.empty());
}

TEST(OptionLoop, LaterLogPathOverwritesEarlier) {
    EXPECT_EQ(Parse({L"/logbp", L"a.log", L"/logbp", L"b.log"}).logBasePackage, L"b.log");
}

TEST(OptionLoop, PropertyOptionsCollectUpToTheNextOption) {
    RunOptions options = Parse({L"/lpprops", L"A=1", L"B=2", L"/silent"});
    EXPECT_EQ(options.languagePackProps, L"A=1 B=2 ");
    EXPECT_TRUE(options.silent);
    options = Parse({L"/bpprops", L"X=Mixed", L"/bpprops", L"Y=2"});
    EXPECT_EQ(options.basePackageProps, L"Y=2 ");
    EXPECT_EQ(Parse({L"/bpprops"}).basePackageProps, L"");
    EXPECT_EQ(Parse({L"/bpprops", L"/silent"}).basePackageProps, L"");
}

TEST(OptionLoop, SilentBeatsReducedUiInEitherOrder) {
    for (auto argv : {std::vector<std::wstring>{L"/silent", L"/reducedui"},
                      std::vector<std::wstring>{L"/reducedui", L"/silent"}}) {
        RunOptions options = Parse(argv);
        EXPECT_TRUE(options.silent);
        EXPECT_FALSE(options.reducedUi);
    }
}

TEST(OptionLoop, ArgumentsWithoutSlashAreIgnored) {
    RunOptions options = Parse({L"silent", L"--force-shell-restart", L"-silent"});
    EXPECT_FALSE(options.silent);
    EXPECT_FALSE(options.reducedUi);
}

TEST(OptionLoop, UnsupportedOptionWithoutConsoleIsIgnored) {
    SimProcess process;
    RunOptions options = Parse({L"/foo", L"/silent"}, &process);
    EXPECT_TRUE(options.silent);
    EXPECT_TRUE(process.machine.console.output.empty());
    EXPECT_TRUE(process.machine.ui.boxes.empty());
}

TEST(OptionLoop, UnsupportedOptionOnAConsoleIsReportedInLowerCaseAndEndsTheRun) {
    SimProcess process;
    process.machine.console.parentHasConsole = true;
    test::Ending ending = process.Run([&] { Parse({L"/FOO", L"/silent"}, &process); });
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 0u);
    EXPECT_EQ(process.machine.console.output, L"\n\nParameter \"/foo\" is not supported!\n");
    EXPECT_FALSE(process.machine.console.attached);
    // One press of Enter so that the parent console redraws its prompt.
    using Key = std::pair<std::uint16_t, std::uint32_t>;
    EXPECT_EQ(process.machine.console.keys, (std::vector<Key>{{0x0D, 0}, {0x0D, 2}}));
}

TEST(OptionLoop, UnsupportedOptionTextIsPrintedLiterally) {
    // A percent sign in an argument is text, not a format directive.
    SimProcess process;
    process.machine.console.parentHasConsole = true;
    process.Run([&] { Parse({L"/%s%n%x"}, &process); });
    EXPECT_EQ(process.machine.console.output, L"\n\nParameter \"/%s%n%x\" is not supported!\n");
}

}  // namespace
}  // namespace quorix

namespace quorix {
namespace {

// Wine starts a GUI program from a console program with that console already attached.
TEST(ConsoleOutput, AConsoleTheProcessAlreadyHasIsUsed) {
    SimProcess process;
    process.machine.console.attached = true;
    test::Ending ending = process.Run([&] { Parse({L"/foo"}, &process); });
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(process.machine.console.output, L"\n\nParameter \"/foo\" is not supported!\n");
}

// Windows 2000's kernel32 has no AttachConsole: started from a console there, the console
// options are ignored as they are without a console, and the run goes on.
struct NoAttachCase {
    std::vector<std::wstring> args;
};

class ConsoleOnWindows2000 : public ::testing::TestWithParam<NoAttachCase> {};

TEST_P(ConsoleOnWindows2000, OptionsAreIgnoredAsWithoutAConsole) {
    SimProcess process;
    process.machine.console.parentHasConsole = true;
    process.machine.console.hasAttachConsole = false;
    std::vector<std::wstring> args = GetParam().args;
    args.push_back(L"/silent");
    RunOptions options;
    const test::Ending ending = process.Run([&] { options = Parse(args, &process); });
    EXPECT_FALSE(ending.exitedProcess);
    EXPECT_TRUE(options.silent);
    EXPECT_TRUE(process.machine.console.output.empty());
    EXPECT_TRUE(process.machine.console.lostOutput.empty());
    EXPECT_FALSE(process.machine.console.attached);
    EXPECT_TRUE(process.machine.console.keys.empty());
    EXPECT_TRUE(process.machine.ui.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Options, ConsoleOnWindows2000,
                         ::testing::Values(NoAttachCase{{L"/foo"}},
                                           NoAttachCase{{L"/FOO", L"/bar"}}));

TEST(ConsoleOutput, OutputThatIsNotAConsoleDeviceCountsAsNoConsole) {
    SimProcess process;
    process.machine.console.attached = true;
    process.machine.console.consoleIsDevice = false;
    RunOptions options = Parse({L"/foo", L"/silent"}, &process);
    EXPECT_TRUE(options.silent);  // the option is ignored and the loop goes on
    EXPECT_TRUE(process.machine.console.lostOutput.empty());
    EXPECT_FALSE(process.machine.console.attached);
}

}  // namespace
}  // namespace quorix
