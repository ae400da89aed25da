// The report query: what each fact becomes, where it comes from, and what a missing one does.
#include "report/report_parameters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "common/result_codes.h"
#include "common/utf16.h"
#include "support/report_machine.h"

namespace quorix {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using test::ReportMachine;

const std::wstring kRelease = L"Software\\Velora\\Quorix\\10.0";
const std::wstring kSessions = L"Software\\Velora\\Quorix\\SIDData\\";
const std::wstring kAbsent = L"(absent)";

std::wstring Report(ReportMachine& m, const std::wstring& product, const std::wstring& session,
                    const std::wstring& version, const std::wstring& language,
                    const std::wstring& key) {
    ReportParameters report(product, session, version, language);
    report.Collect(m.ctx);
    const std::wstring query = report.QueryString();
    EXPECT_EQ(m.machine.core.ledger.OpenCount(), 0u) << m.machine.core.ledger.Describe();
    const std::wstring value = report.Value(key);
    // A value is in the query exactly when it is not empty.
    const std::wstring framed = query + L"&";
    if (value.empty()) {
        EXPECT_EQ(framed.find(L"&" + key + L"="), std::wstring::npos);
    } else {
        EXPECT_NE(framed.find(L"&" + key + L"=" + value + L"&"), std::wstring::npos);
    }
    return value.empty() ? kAbsent : value;
}

TEST(ReportParameters, TheGermanMachineSendsEveryFactInTheFixedOrder) {
    ReportMachine m;
    ReportParameters report(L"VLQ2011", m.state.affiliateId, L"", L"de-DE");
    report.Collect(m.ctx);
    EXPECT_EQ(report.QueryString(), ReportMachine::kGermanReport);
    EXPECT_EQ(m.machine.core.ledger.OpenCount(), 0u) << m.machine.core.ledger.Describe();
    EXPECT_EQ(m.machine.com.ApartmentDepth(), 0u);
}

TEST(ReportParameters, TheQueryIsFrozenAtItsFirstRequest) {
    ReportMachine m;
    ReportParameters report(L"VLQ2011", L"s", L"", L"");
    EXPECT_EQ(report.QueryString(), L"");
    report.Collect(m.ctx);
    EXPECT_FALSE(report.Value(L"os_ver").empty());
    EXPECT_EQ(report.QueryString(), L"");
}

TEST(ReportParameters, WhateverFailsTheProcessorAndTheProductAreSent) {
    ReportMachine m;
    for (const char* api : {"GetVersionExW", "GetLocaleInfoW", "GetUserGeoID", "GetGeoInfoW",
                            "GetModuleFileNameW", "RegOpenKeyExW", "RegQueryValueExW",
                            "RegEnumKeyExW", "IIDFromString", "GetFileVersionInfoSizeW"}) {
        m.machine.core.faults.Fail(api, kErrorAccessDenied, 1000);
    }
    m.machine.core.faults.AllowUndelivered(
        "an earlier failure keeps some of these calls from being made at all");
    ReportParameters report(L"VLQ2011", L"", L"", L"");
    report.Collect(m.ctx);
    EXPECT_EQ(report.QueryString(), L"&os_x64=1&vl_product=vlq2011&app=vlq2011");
    EXPECT_EQ(m.machine.core.ledger.OpenCount(), 0u) << m.machine.core.ledger.Describe();
}

struct ValueCase {
    const char* situation;
    std::function<void(ReportMachine&)> arrange;
    std::wstring key;
    std::wstring expected;  // kAbsent: not sent
    std::wstring session = kDefaultAffiliateId;
    std::wstring language = L"";
    std::wstring version = L"";
    std::wstring product = L"VLQ2011";
};

class ReportValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ReportValue, ComesFromItsSourceOrStaysOut) {
    const ValueCase& c = GetParam();
    ReportMachine m;
    c.arrange(m);
    EXPECT_EQ(Report(m, c.product, c.session, c.version, c.language, c.key), c.expected);
}

void Nothing(ReportMachine&) {}

void Put(ReportMachine& m, platform::RegistryKey root, const std::wstring& path,
         const std::wstring& name, const std::wstring& text) {
    m.machine.registry.PutString(root, path, name, text);
}

platform::OsVersionInfo Xp(std::uint8_t productType, std::uint16_t suite) {
    platform::OsVersionInfo v;
    v.majorVersion = 5;
    v.minorVersion = 1;
    v.buildNumber = 2600;
    v.platformId = 2;
    v.servicePackMajor = 2;
    v.productType = productType;
    v.suiteMask = suite;
    return v;
}

std::function<void(ReportMachine&)> OnXp(std::uint8_t type, std::uint16_t suite, int metric = 0) {
    return [=](ReportMachine& m) {
        m.machine.system.osVersion = Xp(type, suite);
        if (metric != 0) m.machine.system.systemMetrics[metric] = 1;
        // A server edition is never asked for desktop features: a trap that would turn its
        // answer into Media Center (9) if it were. (A failing call would not do: it answers 0,
        // the same as a server's code.)
        if (type != platform::kVerNtWorkstation) {
            m.machine.system.systemMetrics[platform::kSmMediaCenter] = 1;
        }
    };
}

INSTANTIATE_TEST_SUITE_P(
    Facts, ReportValue,
    ::testing::Values(
        ValueCase{"XpServicePack2", OnXp(1, 0), L"os_sp", L"2.0"},
        ValueCase{"XpProfessional", OnXp(1, 0), L"os_id", L"4"},
        ValueCase{"XpHome", OnXp(1, 0x0200), L"os_id", L"1"},
        ValueCase{"XpEmbedded", OnXp(1, 0x0040), L"os_id", L"8"},
        ValueCase{"MediaCenterOverridesHome", OnXp(1, 0x0200, platform::kSmMediaCenter), L"os_id",
                  L"9"},
        ValueCase{"TabletPc", OnXp(1, 0, platform::kSmTabletPc), L"os_id", L"7"},
        ValueCase{"StarterEdition", OnXp(1, 0, platform::kSmStarter), L"os_id", L"0"},
        ValueCase{"Server2003WithoutAskingMetrics", OnXp(3, 0x0010), L"os_id", L"0"},
        ValueCase{"SuiteMaskAsUnsigned", OnXp(3, 0xFFFF), L"os_suite", L"65535"},
        ValueCase{"ProductInfoGivesTheEdition",
                  [](ReportMachine& m) { m.machine.system.osProductType = 0x30; }, L"os_id",
                  L"48"},
        ValueCase{"ProductInfoMissing",
                  [](ReportMachine& m) { m.machine.system.hasGetProductInfo = false; }, L"os_id",
                  kAbsent},
        ValueCase{"ProductInfoFailing",
                  [](ReportMachine& m) {
                      m.machine.core.faults.Fail("GetProductInfo", kErrorInvalidParameter);
                  },
                  L"os_id", kAbsent},
        ValueCase{"VersionUnknown",
                  [](ReportMachine& m) {
                      m.machine.core.faults.Fail("GetVersionExW", kErrorInvalidParameter);
                  },
                  L"os_ver", kAbsent},
        ValueCase{"ThirtyTwoBitProcessorStillSent",
                  [](ReportMachine& m) { m.machine.system.processorArchitecture = 0; }, L"os_x64",
                  L"0"},
        ValueCase{"SystemLocaleOfItsOwn",
                  [](ReportMachine& m) { m.machine.system.systemLocale = 0x0c07; }, L"os_syslang",
                  L"de-AT"},
        ValueCase{"UnknownUserLocaleLeavesBothOut",
                  [](ReportMachine& m) { m.machine.system.userLocale = 0x9999; }, L"os_userlang",
                  kAbsent},
        ValueCase{"CountryFunctionsMissing",
                  [](ReportMachine& m) { m.machine.system.hasGeoFunctions = false; },
                  L"os_usercountry", kAbsent},
        ValueCase{"CountryNotAvailable",
                  [](ReportMachine& m) { m.machine.system.userGeoId = -1; }, L"os_ucountry",
                  kAbsent},
        ValueCase{"VersionFromTheCallersText", Nothing, L"vl_version", L"11.2.3",
                  kDefaultAffiliateId, L"", L"11.2.3"},
        ValueCase{"NoVersionResource",
                  [](ReportMachine& m) { m.machine.system.fileVersions.clear(); }, L"version",
                  kAbsent},
        ValueCase{"CutModulePathReadsNoVersion",
                  [](ReportMachine& m) {
                      const std::wstring longPath = L"C:\\" + std::wstring(300, L'd') + L".exe";
                      m.machine.files.modulePath = longPath;
                      m.machine.system.SetFileVersion(longPath.substr(0, 259), 0x000A0000, 0);
                  },
                  L"vl_version", kAbsent},
        ValueCase{"CallersLanguageFirst",
                  [](ReportMachine& m) {
                      Put(m, kHkeyCurrentUser, kRelease, L"UILanguage", L"fr-FR");
                  },
                  L"vl_lang", L"silent", kDefaultAffiliateId, L"silent"},
        ValueCase{"UsersProductLanguageBeforeMachines",
                  [](ReportMachine& m) {
                      Put(m, kHkeyCurrentUser, kRelease, L"UILanguage", L"fr-FR");
                      Put(m, kHkeyLocalMachine, kRelease, L"UILanguage", L"it-IT");
                  },
                  L"vl_lang", L"fr-FR"},
        ValueCase{"EmptyUserLanguageFallsBackToMachine",
                  [](ReportMachine& m) {
                      Put(m, kHkeyCurrentUser, kRelease, L"UILanguage", L"");
                      Put(m, kHkeyLocalMachine, kRelease, L"UILanguage", L"it-IT");
                  },
                  L"vl_lang", L"it-IT"},
        ValueCase{"LanguageOfAnyTypeUpToItsZero",
                  [](ReportMachine& m) {
                      m.machine.registry.PutValue(kHkeyLocalMachine, kRelease, L"UILanguage",
                                                  platform::kRegBinary,
                                                  ToUtf16LeBytes(std::wstring(L"nl-NL\0xx", 8),
                                                                 false));
                  },
                  L"vl_lang", L"nl-NL"},
        ValueCase{"LanguageTooLongForItsBufferIsUnreadable",
                  [](ReportMachine& m) {
                      Put(m, kHkeyLocalMachine, kRelease, L"UILanguage",
                                                   std::wstring(260, L'x'));
                  },
                  L"vl_lang", kAbsent},
        ValueCase{"LanguageBelowTheCallersVersion",
                  [](ReportMachine& m) {
                      Put(m, kHkeyLocalMachine, L"Software\\Velora\\Quorix\\12.0",
                                                   L"UILanguage", L"pl-PL");
                  },
                  L"vl_lang", L"pl-PL", kDefaultAffiliateId, L"", L"12"},
        ValueCase{"LanguageOfTheUnversionedKeyWithoutVersion",
                  [](ReportMachine& m) {
                      m.machine.system.fileVersions.clear();
                      Put(m, kHkeyLocalMachine, L"Software\\Velora\\Quorix",
                                                   L"UILanguage", L"ja-JP");
                  },
                  L"vl_lang", L"ja-JP"},
        ValueCase{"NoInstallationGuid",
                  [](ReportMachine& m) {
                      Put(m, kHkeyLocalMachine, L"Software\\Velora\\Setup",
                                                   L"", L"not a guid");
                  },
                  L"vl_ighash", kAbsent},
        ValueCase{"ProductLowerCasedLettersOnly", Nothing, L"app", L"vl%5fq-2011",
                  kDefaultAffiliateId, L"", L"", L"VL_Q-2011"},
        ValueCase{"ProductFromTheFileBesideTheProgram",
                  [](ReportMachine& m) {
                      const std::string ini = "[VersionInfo]\r\nVLAppId = VLQ2012\r\n";
                      m.machine.files.PutFile(L"C:\\Downloads\\VLProduct.dat",
                                              std::vector<std::uint8_t>(ini.begin(), ini.end()));
                  },
                  L"vl_product", L"vlq2012", kDefaultAffiliateId, L"", L"", L""},
        ValueCase{"NoProductAnywhere", Nothing, L"vl_product", kAbsent, kDefaultAffiliateId, L"",
                  L"", L""},
        ValueCase{"SessionAbove127", Nothing, L"x-aid", L"a?b", L"a\x00e9" L"b"},
        ValueCase{"SessionFromCurSid",
                  [](ReportMachine& m) {
                      Put(m, kHkeyLocalMachine, kRelease, L"CurSID", L"cur");
                      Put(m, kHkeyLocalMachine, kRelease, L"AID", L"aid");
                  },
                  L"aid", L"cur", L""},
        ValueCase{"EmptyCurSidKeepsAidUnread",
                  [](ReportMachine& m) {
                      Put(m, kHkeyLocalMachine, kRelease, L"CurSID", L"");
                      Put(m, kHkeyLocalMachine, kRelease, L"AID", L"aid");
                  },
                  L"vl_sid", kAbsent, L""},
        ValueCase{"AidWhenCurSidIsMissing",
                  [](ReportMachine& m) {
                      Put(m, kHkeyLocalMachine, kRelease, L"AID", L"aid");
                  },
                  L"vl_sid", L"aid", L""},
        ValueCase{"RegistrySessionChoosesTheRecord",
                  [](ReportMachine& m) {
                      Put(m, kHkeyLocalMachine, kRelease, L"CurSID", L"cur");
                      Put(m, kHkeyLocalMachine, kSessions + L"cur",
                                                   L"Download", L"then");
                  },
                  L"vl_dod", L"then", L""},
        ValueCase{"EmptySessionReadsTheRecordsKeyItself",
                  [](ReportMachine& m) {
                      Put(m, kHkeyLocalMachine, kSessions, L"Install", L"once");
                  },
                  L"vl_ind", L"once", L""},
        ValueCase{"SessionsInRegistryOrder",
                  [](ReportMachine& m) {
                      m.machine.registry.PutKey(kHkeyLocalMachine, kSessions + L"b");
                      m.machine.registry.PutKey(kHkeyLocalMachine, kSessions + L"A\\nested");
                  },
                  L"vl_sids", L"A%7cb%7cvlq2011aid30017xx-XX"},
        ValueCase{"NoSessionsRecorded",
                  [](ReportMachine& m) {
                      m.machine.registry.DenyAccess(kHkeyLocalMachine, kSessions,
                                                    platform::kKeyEnumerateSubKeys);
                  },
                  L"vl_sids", kAbsent}),
    [](const auto& info) { return std::string(info.param.situation); });

TEST(ReportParameters, CollectingFinishesTheMigrationOfAnEarlierGuid) {
    ReportMachine m;
    sim::SimRegistry& registry = m.machine.registry;
    registry.PutString(kHkeyLocalMachine, L"Software\\Velora\\Setup", L"", L"");
    registry.PutString(kHkeyLocalMachine, L"Software\\Velora\\Setup\\VLQ2010", L"", L"Id");
    registry.PutString(kHkeyLocalMachine, L"Software\\Velora\\Setup\\VLQ2010", L"Id",
                       ReportMachine::kGuidText);
    EXPECT_EQ(Report(m, L"VLQ2011", L"", L"", L"", L"vl_ighash"), L"ABEiM0RVZneImaq7zN3u_w~~");
    EXPECT_EQ(registry.GetString(kHkeyLocalMachine, L"Software\\Velora\\Setup", L""),
              ReportMachine::kGuidText);
    EXPECT_FALSE(registry.KeyExists(kHkeyLocalMachine, L"Software\\Velora\\Setup\\VLQ2010"));
}

struct VersionCase {
    std::uint32_t ms, ls;
    std::wstring text;
};

class FileVersion : public ::testing::TestWithParam<VersionCase> {};

TEST_P(FileVersion, IsFourUnpaddedNumbers) {
    EXPECT_EQ(FormatFileVersion(GetParam().ms, GetParam().ls), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Versions, FileVersion,
                         ::testing::Values(VersionCase{0x000C0003, 0x11D70059, L"12.3.4567.89"},
                                           VersionCase{0, 0, L"0.0.0.0"},
                                           VersionCase{0x00010002, 0x00030004, L"1.2.3.4"},
                                           VersionCase{0xFFFFFFFF, 0xFFFFFFFF,
                                                       L"65535.65535.65535.65535"}));

TEST(LocaleTag, JoinsLanguageAndCountryOrGivesNothing) {
    test::SimProcess p;
    EXPECT_EQ(LocaleTag(p.ctx, 0x0c07), std::optional<std::wstring>(L"de-AT"));
    EXPECT_EQ(LocaleTag(p.ctx, 0x7777), std::nullopt);
    p.machine.core.faults.Fail("GetLocaleInfoW", kErrorInvalidParameter, 1, 1);  // the country
    EXPECT_EQ(LocaleTag(p.ctx, 0x0409), std::nullopt);
}

TEST(UserCountryCode, IsTheTwoLetterCodeOrEmpty) {
    test::SimProcess p;
    EXPECT_EQ(UserCountryCode(p.ctx), L"US");
    p.machine.system.geoIso2Names[244] = L"USA-LONGER";  // beyond the 8-character buffer
    EXPECT_EQ(UserCountryCode(p.ctx), L"");
    p.machine.system.hasGeoFunctions = false;
    EXPECT_EQ(UserCountryCode(p.ctx), L"");
}

}  // namespace
}  // namespace quorix

// ---------------------------------------------------------------- the query within a budget

namespace quorix {
namespace {

// Session records named s00, s01, ... whose "Install" times grow with the number: the highest
// number is the newest, and all are newer than the machine's own record of this start. With
// sameTime, all were made in the same second.
void PutSessions(ReportMachine& m, int count, const std::wstring& prefix = L"s",
                 bool sameTime = false) {
    for (int i = 0; i < count; ++i) {
        const std::wstring number = (i < 10 ? L"0" : L"") + std::to_wstring(i);
        m.machine.registry.PutString(kHkeyLocalMachine, kSessions + prefix + number, L"Install",
                                     L"2012-01-" + (sameTime ? L"99" : number) + L" 00:00:00");
    }
}

// The query's parameters as "key=value" texts, in order.
std::vector<std::wstring> Parameters(const std::wstring& query) {
    std::vector<std::wstring> parts;
    std::size_t at = 0;
    while (at < query.size()) {
        const std::size_t next = query.find(L'&', at + 1);
        parts.push_back(query.substr(at + 1, next == std::wstring::npos ? next : next - at - 1));
        at = next == std::wstring::npos ? query.size() : next;
    }
    return parts;
}

const std::wstring kSession = L"vlq2011aid30017xx-XX";

struct BudgetCase {
    const char* situation;
    int sessions;
    std::size_t spareForSessions;  // characters of the budget beyond the other parameters
    std::wstring sessionList;      // the vl_sids value sent; empty: the parameter is left out
    bool sameTime = false;         // every record made in the same second
};

class QueryBudget : public ::testing::TestWithParam<BudgetCase> {};

TEST_P(QueryBudget, KeepsTheNewestSessionsThatFitAndEveryOtherParameterWhole) {
    const BudgetCase& c = GetParam();
    ReportMachine m;
    PutSessions(m, c.sessions, L"s", c.sameTime);
    // The same report without its session list: what the other parameters take.
    ReportParameters unlimited(L"VLQ2011", kSession, L"", L"de-DE");
    unlimited.Collect(m.ctx);
    std::wstring others;
    for (const std::wstring& parameter : Parameters(unlimited.QueryString())) {
        if (parameter.rfind(L"vl_sids=", 0) != 0) others += L"&" + parameter;
    }

    ReportParameters report(L"VLQ2011", kSession, L"", L"de-DE");
    report.Collect(m.ctx);
    const std::size_t budget = others.size() + c.spareForSessions;
    const std::wstring query = report.QueryString(budget);
    EXPECT_LE(query.size(), budget);
    std::vector<std::wstring> expected = Parameters(others);
    if (!c.sessionList.empty()) {
        // vl_sids stands between x-aid and vl_ind.
        auto at = std::find_if(expected.begin(), expected.end(),
                               [](const std::wstring& p) { return p.rfind(L"vl_ind=", 0) == 0; });
        expected.insert(at, L"vl_sids=" + c.sessionList);
    }
    EXPECT_EQ(Parameters(query), expected);
    EXPECT_EQ(m.machine.core.ledger.OpenCount(), 0u) << m.machine.core.ledger.Describe();
}

INSTANTIATE_TEST_SUITE_P(
    Budgets, QueryBudget,
    ::testing::Values(BudgetCase{"UnlimitedListsAll", 3, 100000,
                                 L"s00%7cs01%7cs02%7cvlq2011aid30017xx-XX"},
                      BudgetCase{"OnlyTheNewestFitsAndKeepsRegistryOrder", 3, 9 + 3, L"s02"},
                      BudgetCase{"TwoNewestInRegistryOrder", 3, 9 + 3 + 3 + 3, L"s01%7cs02"},
                      BudgetCase{"OneCharacterShortOfTheSecond", 3, 9 + 3 + 3 + 3 - 1, L"s02"},
                      BudgetCase{"NoRoomForAnyRecordLeavesTheParameterOut", 3, 9 + 2, L""},
                      BudgetCase{"NoRoomAtAll", 3, 0, L""},
                      // Equal times keep the registry's order: the first records are kept.
                      BudgetCase{"EqualTimesKeepTheFirstInRegistryOrder", 100, 9 + 3 + 3 + 3,
                                 L"s00%7cs01", true}),
    [](const auto& info) { return std::string(info.param.situation); });

TEST(QueryBudgetWhole, AParameterTooLongForTheBudgetIsLeftOutNotCut) {
    ReportMachine m;
    const std::wstring longSession(255, L'_');
    ReportParameters report(L"VLQ2011", longSession, L"", L"de-DE");
    report.Collect(m.ctx);
    const std::wstring query = report.QueryString(400);
    EXPECT_LE(query.size(), 400u);
    ReportParameters unlimited(L"VLQ2011", longSession, L"", L"de-DE");
    unlimited.Collect(m.ctx);
    const std::vector<std::wstring> all = Parameters(unlimited.QueryString());
    const std::vector<std::wstring> sent = Parameters(query);
    EXPECT_FALSE(sent.empty());
    EXPECT_LT(sent.size(), all.size());
    // Every parameter sent is one of the full query's, whole, in the same order.
    std::size_t next = 0;
    for (const std::wstring& parameter : sent) {
        while (next < all.size() && all[next] != parameter) ++next;
        EXPECT_LT(next, all.size())
            << "cut or reordered: " << std::string(parameter.begin(), parameter.end());
    }
}

}  // namespace
}  // namespace quorix
