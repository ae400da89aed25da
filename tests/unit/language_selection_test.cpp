// The automatic language choice and the packs an unattended run installs.
#include <gtest/gtest.h>

#include "ui/language_catalog.h"
#include "ui/language_selection.h"
#include "support/sim_run.h"

namespace quorix {
namespace {

using test::SimProcess;

// Fills the found-pack list as the enumeration would for these codes, in the given order.
void GivePacks(SimProcess& process, std::initializer_list<const wchar_t*> codes) {
    for (const wchar_t* code : codes) {
        for (std::size_t i = 0; i < ui::kLanguageCount; ++i) {
            if (std::wstring(ui::LanguageTable[i].localeCode) == code) {
                std::wstring name = std::wstring(L"VLLANGPACK_") + code;
                name[13] = L'_';
                for (wchar_t& c : name) c = static_cast<wchar_t>(towupper(c));
                process.state.foundPacks.Append(static_cast<std::int32_t>(i), name);
            }
        }
    }
    process.state.foundPacks.enumerated = true;
}

struct BestLanguageCase {
    const char* name;
    std::uint16_t uiLanguage;
    std::vector<const wchar_t*> packs;
    const wchar_t* expected;
};

class BestLanguage : public ::testing::TestWithParam<BestLanguageCase> {};

TEST_P(BestLanguage, Choice) {
    const BestLanguageCase& c = GetParam();
    SimProcess process;
    process.machine.core.uiLanguage = c.uiLanguage;
    for (const wchar_t* code : c.packs) GivePacks(process, {code});
    const int position = FindBestLanguage(process.ctx);
    ASSERT_GE(position, 0);
    EXPECT_EQ(
        std::wstring(ui::LanguageTable[process.state.foundPacks.tableIndex[position]].localeCode),
        c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    UiLanguages, BestLanguage,
    ::testing::Values(
        BestLanguageCase{"ExactMatch", 0x0407, {L"de-DE", L"en-US"}, L"de-DE"},
        BestLanguageCase{"SameLanguageOtherCountry", 0x0c07, {L"de-DE", L"en-US"}, L"de-DE"},
        BestLanguageCase{"FirstOfTheSameLanguageWins", 0x0c09, {L"en-GB", L"en-US"}, L"en-GB"},
        BestLanguageCase{"EnglishFallback", 0x040c, {L"de-DE", L"en-US"}, L"en-US"},
        BestLanguageCase{"GermanFallback", 0x040c, {L"da-DK", L"de-DE"}, L"de-DE"},
        BestLanguageCase{"FirstPackLast", 0x040c, {L"da-DK"}, L"da-DK"},
        BestLanguageCase{"UnknownUiLanguageFallsToEnglish", 0x7777, {L"da-DK", L"en-US"}, L"en-US"},
        BestLanguageCase{"OnlyPackAlwaysWins", 0x0411, {L"en-US"}, L"en-US"}),
    [](const ::testing::TestParamInfo<BestLanguageCase>& info) {
        return std::string(info.param.name);
    });

TEST(BestLanguage, LocaleInfoFailureCountsAsUnknown) {
    SimProcess process;
    process.machine.core.uiLanguage = 0x0407;
    GivePacks(process, {L"da-DK", L"de-DE", L"en-US"});
    process.machine.core.faults.Fail("GetLocaleInfoW", 87, 1, 1);  // the country query fails
    EXPECT_EQ(FindBestLanguage(process.ctx), 2);                   // en-US, not de-DE
}

TEST(BestLanguage, NoPacksGivesPositionZero) {
    SimProcess process;
    EXPECT_EQ(FindBestLanguage(process.ctx), 0);
}

TEST(PackPrefix, ComparesAtMostNCharacters) {
    SimProcess process;
    GivePacks(process, {L"en-GB", L"en-US"});
    const FoundPackList& packs = process.state.foundPacks;
    EXPECT_EQ(FindLanguagePackByPrefix(packs, L"en-US", 5), 1);
    EXPECT_EQ(FindLanguagePackByPrefix(packs, L"en-AU", 2), 0);
    EXPECT_EQ(FindLanguagePackByPrefix(packs, L"EN-US", 5), -1);
    EXPECT_EQ(FindLanguagePackByPrefix(packs, L"en", 5), -1);  // stops at the shorter text
    EXPECT_EQ(FindLanguagePackByPrefix(FoundPackList(), L"en", 2), -1);
}

struct ResolveCase {
    const char* name;
    std::vector<std::wstring> requested;
    std::vector<std::wstring> expected;
};

class ResolveLanguages : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveLanguages, Resolution) {
    SimProcess process;
    GivePacks(process, {L"de-DE", L"en-US"});
    std::vector<std::wstring> names;
    test::Ending ending = process.Run(
        [&] { names = ResolveRequestedLanguagePacks(process.ctx, GetParam().requested); });
    EXPECT_FALSE(ending.exitedProcess);
    EXPECT_EQ(names, GetParam().expected);
}

const std::wstring kDe = L"VLLANGPACK_DE_DE";
const std::wstring kEn = L"VLLANGPACK_EN_US";

INSTANTIATE_TEST_SUITE_P(
    Requests, ResolveLanguages,
    ::testing::Values(ResolveCase{"NoneGivesAll", {}, {kDe, kEn}},
                      ResolveCase{"OneCode", {L"de-DE"}, {kDe}},
                      ResolveCase{"OrderKept", {L"en-US", L"de-DE"}, {kEn, kDe}},
                      ResolveCase{"All", {L"all"}, {kDe, kEn}},
                      ResolveCase{"TwiceGivesTwice", {L"en-US", L"en-US"}, {kEn, kEn}},
                      ResolveCase{"AllAfterACode", {L"en-US", L"all", L"en-US"}, {kDe, kEn}},
                      ResolveCase{"AllBeforeCodes", {L"all", L"de-DE"}, {kDe, kEn}}),
    [](const ::testing::TestParamInfo<ResolveCase>& info) { return std::string(info.param.name); });

struct RejectCase {
    const char* name;
    std::vector<std::wstring> requested;
    std::wstring rejected;
};

class RejectLanguages : public ::testing::TestWithParam<RejectCase> {};

TEST_P(RejectLanguages, ReportOnTheConsoleAndExitOne) {
    SimProcess process;
    process.machine.console.parentHasConsole = true;
    GivePacks(process, {L"de-DE", L"en-US"});
    test::Ending ending =
        process.Run([&] { ResolveRequestedLanguagePacks(process.ctx, GetParam().requested); });
    EXPECT_TRUE(ending.exitedProcess);
    EXPECT_EQ(ending.exitCode, 1u);
    EXPECT_EQ(process.machine.console.output,
              L"\n\nSpecified Language \"" + GetParam().rejected + L"\" is not supported!\n");
    EXPECT_EQ(process.machine.console.keys.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RejectLanguages,
    ::testing::Values(RejectCase{"WrongLetterCase", {L"DE-DE"}, L"DE-DE"},
                      RejectCase{"AllInCapitals", {L"ALL"}, L"ALL"},
                      RejectCase{"NotCarried", {L"en-US", L"fr-FR"}, L"fr-FR"},
                      // Checked before anything is resolved, though "all" would end resolution.
                      RejectCase{"AfterAll", {L"all", L"fr-FR"}, L"fr-FR"},
                      RejectCase{"EmptyName", {L""}, L""}),
    [](const ::testing::TestParamInfo<RejectCase>& info) { return std::string(info.param.name); });

TEST(RejectLanguages, WithoutAConsoleStillReleasesItAndExitsOne) {
    SimProcess process;
    GivePacks(process, {L"en-US"});
    test::Ending ending =
        process.Run([&] { ResolveRequestedLanguagePacks(process.ctx, {L"xx-XX"}); });
    EXPECT_EQ(ending.exitCode, 1u);
    EXPECT_TRUE(process.machine.console.output.empty());
    EXPECT_EQ(process.machine.console.keys.size(), 2u);
}

TEST(ResolveLanguages, NoPackIsAFatalError) {
    SimProcess process;
    test::Ending ending = process.Run([&] { ResolveRequestedLanguagePacks(process.ctx, {}); });
    EXPECT_EQ(ending.exitCode, 16389u);
    ASSERT_EQ(process.machine.ui.boxes.size(), 1u);
    EXPECT_EQ(process.machine.ui.boxes[0].text, L"No language pack found16389");
}

}  // namespace
}  // namespace quorix
