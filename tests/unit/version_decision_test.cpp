// The installed-version decision: which copy is installed, its version, and what to do.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <stdexcept>

#include "core/product_constants.h"
#include "core/registry_values.h"
#include "core/release.h"
#include "installed/version_decision.h"
#include "support/sim_run.h"

namespace quorix {
namespace {

using platform::kHkeyLocalMachine;
using test::Ending;
using test::SimProcess;
using namespace std::string_literals;

// A value the decision never writes, so that a test sees whether it wrote one at all.
constexpr auto kNotWritten = static_cast<ConfigureAction>(-1);

const std::wstring kCompatibleCode = L"{11111111-2222-3333-4444-555555555555}";

// ---------------------------------------------------------------- ParseVersion

struct ParseCase {
    const char* name;
    const wchar_t* text;
    HResult result;
    std::uint32_t parts[4];
};

class ParseVersionTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseVersionTest, ReadsFourPartsTheWayWcstoulDoes) {
    const ParseCase& c = GetParam();
    std::uint32_t parts[4] = {0xDEAD, 0xDEAD, 0xDEAD, 0xDEAD};
    EXPECT_EQ(ParseVersion(c.text, &parts[0], &parts[1], &parts[2], &parts[3]), c.result);
    if (c.result == kSOk) {
        for (int i = 0; i < 4; ++i) EXPECT_EQ(parts[i], c.parts[i]) << "part " << i + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseVersionTest,
    ::testing::Values(
        ParseCase{"FourParts", L"12.3.4567.89", kSOk, {12, 3, 4567, 89}},
        ParseCase{"ThreePartsGiveRevisionZero", L"10.0.4410", kSOk, {10, 0, 4410, 0}},
        ParseCase{"TrailingWordsAreIgnored", L"12.3.4567.89 beta 2", kSOk, {12, 3, 4567, 89}},
        ParseCase{"TextAfterThirdPartIsIgnored", L"10.0.4410 beta", kSOk, {10, 0, 4410, 0}},
        ParseCase{"FifthPartIsIgnored", L"12.3.4567.89.7", kSOk, {12, 3, 4567, 89}},
        ParseCase{"LeadingWhiteSpaceIsSkipped", L" \t10. 0.\n4410. 11", kSOk, {10, 0, 4410, 11}},
        ParseCase{"PlusSignIsAccepted", L"+10.+0.4410.11", kSOk, {10, 0, 4410, 11}},
        ParseCase{"MinusZeroIsZero", L"-0.0.0.0", kSOk, {0, 0, 0, 0}},
        ParseCase{"LargestParts", L"65535.65535.65535.65535", kSOk, {65535, 65535, 65535, 65535}},
        ParseCase{"EmptyPartsReadAsZero", L".0.1.2", kSOk, {0, 0, 1, 2}},
        ParseCase{"EmptyThirdAndFourthPart", L"10.0.", kSOk, {10, 0, 0, 0}},
        ParseCase{"FirstPartOf65536", L"65536.0.4410.11", kEFail, {}},
        ParseCase{"SecondPartOf65536", L"10.65536.4410.11", kEFail, {}},
        ParseCase{"ThirdPartOf65536", L"10.0.65536.11", kEFail, {}},
        ParseCase{"FourthPartOf65536", L"10.0.4410.65536", kEFail, {}},
        ParseCase{"PartBeyond32BitsSaturatesInsteadOfWrapping", L"4294967296.0.0.0", kEFail, {}},
        ParseCase{"NegativePartWrapsToAHugeNumber", L"10.0.4410.-1", kEFail, {}},
        ParseCase{"NoDotAfterFirstPart", L"10", kEFail, {}},
        ParseCase{"NoDotAfterSecondPart", L"10.0", kEFail, {}},
        ParseCase{"OtherSeparators", L"12,3,4567,89", kEFail, {}},
        ParseCase{"BlankBeforeTheDot", L"10 .0.4410.11", kEFail, {}},
        ParseCase{"SignWithoutDigitsIsNoNumber", L"10.+.1.1", kEFail, {}},
        ParseCase{"EmptyText", L"", kEFail, {}},
        ParseCase{"MissingText", nullptr, kEInvalidArg, {}}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(ParseVersion, MissingOutParameterIsAnInvalidArgument) {
    std::uint32_t a = 0, b = 0, c = 0;
    EXPECT_EQ(ParseVersion(L"1.2.3.4", &a, &b, &c, nullptr), kEInvalidArg);
}

// ---------------------------------------------------------------- the decision

struct Installed {
    std::wstring code;
    std::wstring version;
};

struct DecisionCase {
    const char* name;
    std::vector<Installed> installed;
    std::optional<std::wstring> compatibilityCode;
    ConfigureAction action;
    std::uint32_t major;
    std::wstring productCode;  // installedProductCode afterwards
};

class DecisionTest : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(DecisionTest, DecidesFromTheInstalledCopy) {
    const DecisionCase& c = GetParam();
    SimProcess process;
    for (const Installed& copy : c.installed)
        process.machine.installer.AddProduct(copy.code, copy.version);
    if (c.compatibilityCode) {
        process.machine.registry.PutString(kHkeyLocalMachine, kCompatibilityKeyPath, L"ProductCode",
                                           *c.compatibilityCode);
    }
    ConfigureAction action = kNotWritten;
    HResult result = kEFail;
    Ending ending = process.Run([&] {
        result = GetRequiredMsiConfigureAction(process.ctx, kReleaseVersionLow, kReleaseVersionHigh,
                                               kThisProductCode, &action);
    });
    EXPECT_FALSE(ending.exitedProcess);
    EXPECT_EQ(result, kSOk);
    EXPECT_EQ(action, c.action);
    EXPECT_EQ(process.state.installedMajorVersion, c.major);
    EXPECT_EQ(process.state.installedProductCode, c.productCode);
    EXPECT_TRUE(process.machine.ui.boxes.empty());
    EXPECT_EQ(process.machine.core.ledger.OpenCount(), 0u)
        << process.machine.core.ledger.Describe();
}

const std::wstring kThis = kThisProductCode;
const std::wstring kPrevious = kPreviousGenerationProductCode;
const std::wstring kRelease = kReleaseVersionText;

INSTANTIATE_TEST_SUITE_P(
    Copies, DecisionTest,
    ::testing::Values(
        DecisionCase{"NothingInstalled", {}, std::nullopt, NotInstalled, 0, kThis},
        DecisionCase{"SameVersion",
                     {{kThis, kReleaseVersionText}},
                     std::nullopt,
                     SameVersionInstalled,
                     10,
                     kThis},
        DecisionCase{"ThreePartVersionIsOlder",
                     {{kThis, L"10.0.4410"}},
                     std::nullopt,
                     OlderInstalled,
                     10,
                     kThis},
        DecisionCase{"SameVersionWithTrailingWords",
                     {{kThis, kRelease + L" beta refresh"}},
                     std::nullopt,
                     SameVersionInstalled,
                     10,
                     kThis},
        DecisionCase{"Major9IsThePreviousGeneration",
                     {{kPrevious, L"9.0.1234.5"}},
                     std::nullopt,
                     PreviousGenerationInstalled,
                     9,
                     kPrevious},
        DecisionCase{
            "Major8IsOlder", {{kThis, L"8.5.100.0"}}, std::nullopt, OlderInstalled, 8, kThis},
        DecisionCase{
            "Major11IsNewer", {{kThis, L"11.0.0.0"}}, std::nullopt, NewerInstalled, 11, kThis},
        DecisionCase{
            "GreaterMinorIsNewer", {{kThis, L"10.1.0.0"}}, std::nullopt, NewerInstalled, 10, kThis},
        DecisionCase{"GreaterRevisionIsNewer",
                     {{kThis, L"10.0.4410.12"}},
                     std::nullopt,
                     NewerInstalled,
                     10,
                     kThis},
        DecisionCase{"LowerRevisionIsOlder",
                     {{kThis, L"10.0.4410.10"}},
                     std::nullopt,
                     OlderInstalled,
                     10,
                     kThis},
        DecisionCase{"GreaterBuildWinsOverLowerRevision",
                     {{kThis, L"10.0.4411.0"}},
                     std::nullopt,
                     NewerInstalled,
                     10,
                     kThis},
        DecisionCase{"LowerBuildWinsOverGreaterRevision",
                     {{kThis, L"10.0.4409.99"}},
                     std::nullopt,
                     OlderInstalled,
                     10,
                     kThis},
        DecisionCase{"OwnCodeIsAskedBeforeThePreviousGeneration",
                     {{kThis, kReleaseVersionText}, {kPrevious, L"9.0.1234.5"}},
                     std::nullopt,
                     SameVersionInstalled,
                     10,
                     kThis},
        DecisionCase{"CompatibilityValueNamesTheInstalledCopy",
                     {{kCompatibleCode, L"10.0.4000.0"}},
                     kCompatibleCode,
                     OlderInstalled,
                     10,
                     kCompatibleCode},
        DecisionCase{"CompatibilityValueNamesAnAbsentProductAndThePreviousGenerationDecides",
                     {{kPrevious, L"9.0.1234.5"}},
                     kCompatibleCode,
                     PreviousGenerationInstalled,
                     9,
                     kPrevious},
        DecisionCase{"CompatibilityValueNamesAnAbsentProductAndNothingElseIsThere",
                     {},
                     kCompatibleCode,
                     NotInstalled,
                     0,
                     kThis},
        DecisionCase{"CompatibilityValueThatIsNoProductCode",
                     {},
                     std::wstring(L"garbage"),
                     NotInstalled,
                     0,
                     kThis},
        DecisionCase{"VersionTooLongForTheBufferIsReadAgain",
                     {{kThis, kRelease + L" (release build of the autumn refresh)"}},
                     std::nullopt,
                     SameVersionInstalled,
                     10,
                     kThis}),
    [](const ::testing::TestParamInfo<DecisionCase>& info) {
        return std::string(info.param.name);
    });

TEST(Decision, EveryQueryPassesTheFullCapacityOf32Characters) {
    SimProcess process;
    process.machine.registry.PutString(kHkeyLocalMachine, kCompatibilityKeyPath, L"ProductCode",
                                       kCompatibleCode);
    std::wstring version;
    EXPECT_EQ(GetInstalledVersion(process.ctx, kThisProductCode, &version), kErrorUnknownProduct);
    const auto queries = process.machine.installer.CallsOf("MsiGetProductInfoW");
    ASSERT_EQ(queries.size(), 3u);
    EXPECT_EQ(queries[0].target, kThis);
    EXPECT_EQ(queries[1].target, kCompatibleCode);
    EXPECT_EQ(queries[2].target, kPrevious);
    for (const auto& query : queries) EXPECT_EQ(query.commandLine, L"VersionString");
}

TEST(Decision, AVersionExactlyFillingTheBufferNeedsNoSecondQuery) {
    SimProcess process;
    std::wstring version31 = kReleaseVersionText;
    version31.resize(31, L'x');
    process.machine.installer.AddProduct(kThisProductCode, version31);
    std::wstring version;
    EXPECT_EQ(GetInstalledVersion(process.ctx, kThisProductCode, &version), 0u);
    EXPECT_EQ(version, version31);
    EXPECT_EQ(process.machine.installer.CallsOf("MsiGetProductInfoW").size(), 1u);
}

struct FailureCase {
    const char* name;
    std::uint32_t error;  // what every installer query fails with
    HResult result;
    ConfigureAction action;
};

class UnexpectedInstallerErrorTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(UnexpectedInstallerErrorTest, LastQueryDecides) {
    const FailureCase& c = GetParam();
    SimProcess process;
    process.machine.core.faults.Fail("MsiGetProductInfoW", c.error, 10);
    ConfigureAction action = kNotWritten;
    EXPECT_EQ(GetRequiredMsiConfigureAction(process.ctx, kReleaseVersionLow, kReleaseVersionHigh,
                                            kThisProductCode, &action),
              c.result);
    EXPECT_EQ(action, c.action);
    EXPECT_EQ(process.state.installedMajorVersion, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, UnexpectedInstallerErrorTest,
    ::testing::Values(FailureCase{"BadConfigurationBecomesAnHresult", 1610,
                                  static_cast<HResult>(0x8007064Au), NoDecision},
                      FailureCase{"MoreDataFromTheLastQueryIsAnError", kErrorMoreData,
                                  static_cast<HResult>(0x800700EAu), NoDecision},
                      FailureCase{"NegativeCodeIsPassedOnUnchanged", 0x80070005u,
                                  static_cast<HResult>(0x80070005u), NoDecision},
                      FailureCase{"UnknownPropertyMeansNotInstalled", kErrorUnknownProperty, kSOk,
                                  NotInstalled}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(Decision, AnErrorOfAnEarlierQueryOnlyLeadsToTheNextOne) {
    SimProcess process;
    process.machine.core.faults.Fail("MsiGetProductInfoW", 1610, 1);
    ConfigureAction action = kNotWritten;
    EXPECT_EQ(GetRequiredMsiConfigureAction(process.ctx, kReleaseVersionLow, kReleaseVersionHigh,
                                            kThisProductCode, &action),
              kSOk);
    EXPECT_EQ(action, NotInstalled);
}

class UnreadableVersionTest : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(UnreadableVersionTest, EndsTheProcessWithTheParseError) {
    SimProcess process;
    process.machine.system.messageTexts[0x4005] = L"Unspecified failure.\r\n";
    process.machine.installer.AddProduct(kThisProductCode, GetParam());
    ConfigureAction action = kNotWritten;
    Ending ending = process.Run([&] {
        GetRequiredMsiConfigureAction(process.ctx, kReleaseVersionLow, kReleaseVersionHigh,
                                      kThisProductCode, &action);
    });
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 0x4005u);  // E_FAIL's low 16 bits
    ASSERT_EQ(process.machine.ui.boxes.size(), 1u);
    EXPECT_EQ(process.machine.ui.boxes[0].text,
              L"GetRequiredMsiConfigureAction1Unspecified failure.\r\n");
    EXPECT_EQ(process.machine.ui.boxes[0].style, platform::kMbIconError);
    EXPECT_EQ(action, 0);
    EXPECT_EQ(process.state.installedMajorVersion, 0u);
    EXPECT_EQ(process.machine.core.ledger.OpenCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Versions, UnreadableVersionTest,
                         ::testing::Values(L"65536.0.4410.11", L"10.0.65536.11", L"10.0.4410.65536",
                                           L"10", L"10.0", L"version ten"));

// ---------------------------------------------------------------- ReadRegistryString

const std::wstring kKeyPath = L"Software\\Velora\\Test";

struct StringCase {
    const char* name;
    std::function<void(sim::SimMachine&)> arrange;
    std::optional<std::wstring> text;  // none: throws
};

std::vector<std::uint8_t> Utf16(const std::wstring& units) {
    std::vector<std::uint8_t> bytes;
    for (wchar_t c : units) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

void Put(sim::SimMachine& m, std::uint32_t type, std::vector<std::uint8_t> bytes) {
    m.registry.PutValue(kHkeyLocalMachine, kKeyPath, L"Name", type, std::move(bytes));
}

class RegistryStringTest : public ::testing::TestWithParam<StringCase> {};

TEST_P(RegistryStringTest, ReadsOnlyATextValue) {
    const StringCase& c = GetParam();
    SimProcess process;
    c.arrange(process.machine);
    std::optional<std::wstring> text;
    bool threw = false;
    try {
        text = ReadRegistryString(process.ctx, kKeyPath, L"Name");
    } catch (const CallFailed& error) {
        threw = true;
        EXPECT_STREQ(error.what(), "Registry Value not found");
    }
    EXPECT_EQ(threw, !c.text.has_value());
    if (c.text) {
        EXPECT_EQ(text, c.text);
    }
    EXPECT_EQ(process.machine.core.ledger.OpenCount(), 0u)
        << process.machine.core.ledger.Describe();
}

INSTANTIATE_TEST_SUITE_P(
    Values, RegistryStringTest,
    ::testing::Values(
        StringCase{"Text", [](sim::SimMachine& m) { Put(m, platform::kRegSz, Utf16(L"abc\0"s)); },
                   L"abc"},
        StringCase{"EmptyText", [](sim::SimMachine& m) { Put(m, platform::kRegSz, Utf16(L"\0"s)); },
                   L""},
        StringCase{"NoBytesAtAll", [](sim::SimMachine& m) { Put(m, platform::kRegSz, {}); }, L""},
        StringCase{"NoTerminatorIsNotReadPast",
                   [](sim::SimMachine& m) { Put(m, platform::kRegSz, Utf16(L"abc")); }, L"abc"},
        StringCase{"OddByteCountDropsTheHalfUnit",
                   [](sim::SimMachine& m) {
                       Put(m, platform::kRegSz, {'a', 0, 'b', 0, 'c'});
                   },
                   L"ab"},
        StringCase{"EmbeddedTerminatorEndsTheText",
                   [](sim::SimMachine& m) { Put(m, platform::kRegSz, Utf16(L"ab\0cd\0"s)); },
                   L"ab"},
        StringCase{"ExpandableTextIsRefused",
                   [](sim::SimMachine& m) { Put(m, platform::kRegExpandSz, Utf16(L"abc\0"s)); },
                   std::nullopt},
        StringCase{"NumberIsRefused",
                   [](sim::SimMachine& m) {
                       Put(m, platform::kRegDword, {1, 0, 0, 0});
                   },
                   std::nullopt},
        StringCase{"MissingValue",
                   [](sim::SimMachine& m) { m.registry.PutKey(kHkeyLocalMachine, kKeyPath); },
                   std::nullopt},
        StringCase{"MissingKey", [](sim::SimMachine&) {}, std::nullopt},
        StringCase{"KeyThatMayNotBeRead",
                   [](sim::SimMachine& m) {
                       Put(m, platform::kRegSz, Utf16(L"abc\0"s));
                       m.registry.DenyAccess(kHkeyLocalMachine, kKeyPath, platform::kKeyQueryValue);
                   },
                   std::nullopt},
        StringCase{"SecondReadFails",
                   [](sim::SimMachine& m) {
                       Put(m, platform::kRegSz, Utf16(L"abc\0"s));
                       m.core.faults.Fail("RegQueryValueExW", kErrorMoreData, 1, 1);
                   },
                   std::nullopt},
        StringCase{"OnlyInThe64BitViewOfA64BitMachine",
                   [](sim::SimMachine& m) {
                       m.registry.is64BitWindows = true;
                       m.registry.PutString(kHkeyLocalMachine, kKeyPath, L"Name", L"abc",
                                            platform::kKeyWow64_64Key);
                   },
                   std::nullopt},
        StringCase{"InThe32BitViewOfA64BitMachine",
                   [](sim::SimMachine& m) {
                       m.registry.is64BitWindows = true;
                       m.registry.PutString(kHkeyLocalMachine, kKeyPath, L"Name", L"abc",
                                            platform::kKeyWow64_32Key);
                   },
                   L"abc"}),
    [](const ::testing::TestParamInfo<StringCase>& info) { return std::string(info.param.name); });

TEST(RegistryString, OpensTheKeyForReadingOnlyBelowTheLocalMachine) {
    SimProcess process;
    process.machine.registry.PutString(kHkeyLocalMachine, kKeyPath, L"Name", L"abc");
    EXPECT_EQ(ReadRegistryString(process.ctx, kKeyPath, L"Name"), L"abc");
    ASSERT_EQ(process.machine.registry.opens.size(), 1u);
    EXPECT_EQ(process.machine.registry.opens[0].api, "RegOpenKeyExW");
    EXPECT_EQ(process.machine.registry.opens[0].path, L"HKLM\\Software\\Velora\\Test");
    EXPECT_EQ(process.machine.registry.opens[0].access, 0x20019u);
}

}  // namespace
}  // namespace quorix
