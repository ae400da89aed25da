// How the System area describes the machine (version, processor, locales, country, time, the
// version resources of files, the environment), on the simulated Windows and on the real Win32
// layer.
#include <gtest/gtest.h>

#include "common/result_codes.h"
#include "common/text.h"
#include "contract_environment.h"

namespace quorix::contract {
namespace {

// 2011-01-30 18:44:10 UTC, a Sunday.
constexpr std::uint64_t kKnownFileTime = 129408866500000000;

TEST(SystemInfoContract, TheVersionIsAnNtVersionWithItsProductType) {
    platform::System& system = Env().Os().system;
    platform::OsVersionInfo version;
    ASSERT_TRUE(system.GetVersionInfo(&version));
    EXPECT_EQ(version.platformId, 2u);  // VER_PLATFORM_WIN32_NT
    EXPECT_GE(version.majorVersion, 5u);
    EXPECT_GE(version.productType, 1);
    EXPECT_LE(version.productType, 3);
    std::uint32_t type = 0;
    // GetProductInfo came with Windows Vista (6.0).
    EXPECT_EQ(system.GetOsProductType(version.majorVersion, version.minorVersion,
                                      version.servicePackMajor, version.servicePackMinor, &type),
              version.majorVersion >= 6);
}

TEST(SystemInfoContract, TheNativeProcessorIsIntelOrAmd64) {
    const std::uint16_t architecture = Env().Os().system.GetNativeProcessorArchitecture();
    EXPECT_TRUE(architecture == 0 || architecture == platform::kProcessorArchitectureAmd64)
        << architecture;
}

TEST(SystemInfoContract, TheDefaultLocalesHaveIsoNames) {
    platform::System& system = Env().Os().system;
    for (std::uint32_t lcid : {system.GetSystemDefaultLocale(), system.GetUserDefaultLocale()}) {
        std::wstring language, country;
        EXPECT_TRUE(
            system.GetLocaleInfoText(lcid, platform::kLocaleSIso639LangName, 16, &language));
        EXPECT_TRUE(
            system.GetLocaleInfoText(lcid, platform::kLocaleSIso3166CtryName, 16, &country));
        EXPECT_GE(language.size(), 2u);
        EXPECT_GE(country.size(), 2u);
    }
}

TEST(SystemInfoContract, TheUsersCountryIsTwoLettersThatNeedThreeCharacters) {
    platform::System& system = Env().Os().system;
    std::int32_t id = 0;
    ASSERT_TRUE(system.GetUserGeoId(platform::kGeoClassNation, &id));
    if (id == platform::kGeoIdNotAvailable)
        QUORIX_SKIP_TEST("user-without-country") << "GetUserGeoID: " << id;
    std::wstring code;
    ASSERT_TRUE(system.GetGeoInfoText(id, platform::kGeoIso2, 8, 0, &code));
    ASSERT_EQ(code.size(), 2u);
    EXPECT_TRUE(code[0] >= L'A' && code[0] <= L'Z' && code[1] >= L'A' && code[1] <= L'Z');
    std::wstring cut;
    EXPECT_FALSE(system.GetGeoInfoText(id, platform::kGeoIso2, 2, 0, &cut));
}

TEST(SystemInfoContract, AFileTimeBecomesItsUtcDateAndTime) {
    platform::System& system = Env().Os().system;
    platform::SystemTime time;
    ASSERT_TRUE(system.ConvertFileTime(kKnownFileTime + 1234567, &time));
    EXPECT_EQ(time.year, 2011);
    EXPECT_EQ(time.month, 1);
    EXPECT_EQ(time.day, 30);
    EXPECT_EQ(time.dayOfWeek, 0);
    EXPECT_EQ(time.hour, 18);
    EXPECT_EQ(time.minute, 44);
    EXPECT_EQ(time.second, 10);
    EXPECT_EQ(time.milliseconds, 123);
    EXPECT_FALSE(system.ConvertFileTime(std::uint64_t{1} << 63, &time));
}

TEST(SystemInfoContract, NowIsAPlausibleTimeInUtcAndLocally) {
    platform::SystemTime utc;
    Env().Os().system.GetSystemTimeUtc(&utc);
    platform::SystemTime local;
    Env().Os().system.GetLocalTimeNow(&local);
    for (const platform::SystemTime& now : {utc, local}) {
        EXPECT_GE(now.year, 2011);
        EXPECT_TRUE(now.month >= 1 && now.month <= 12);
        EXPECT_TRUE(now.day >= 1 && now.day <= 31);
        EXPECT_LT(now.hour, 24);
        EXPECT_LT(now.minute, 60);
        EXPECT_LT(now.second, 61);
        EXPECT_LT(now.dayOfWeek, 7);
    }
}

TEST(SystemInfoContract, ThisProgramsVersionResourceIsRead) {
    platform::Platform& os = Env().Os();
    std::wstring self;
    ASSERT_GT(os.files.GetOwnModulePath(260, &self), 0u);
    std::uint32_t ms = 0, ls = 0;
    ASSERT_TRUE(os.system.GetFileVersionNumbers(self, &ms, &ls));
    EXPECT_EQ(ms, 0x00010002u);  // 1.2.3.4, as contract_resources.rc states it
    EXPECT_EQ(ls, 0x00030004u);
}

TEST(SystemInfoContract, AFileWithoutAVersionResourceHasNoVersion) {
    platform::Platform& os = Env().Os();
    const std::wstring path = Env().ScratchFolder() + Env().UniqueName(L"plain") + L".dat";
    Env().PutFile(path, {'n', 'o', ' ', 'v', 'e', 'r', 's', 'i', 'o', 'n'});
    std::uint32_t ms = 7, ls = 7;
    EXPECT_FALSE(os.system.GetFileVersionNumbers(path, &ms, &ls));
    EXPECT_FALSE(os.system.GetFileVersionNumbers(path + L".missing", &ms, &ls));
    EXPECT_EQ(ms, 7u);
}

TEST(SystemInfoContract, ExpansionCountsTheTerminatorAndAsksForMoreWhenShort) {
    platform::System& system = Env().Os().system;
    std::wstring text;
    EXPECT_EQ(system.ExpandEnvironment(L"plain text", 260, &text), 11u);
    EXPECT_EQ(text, L"plain text");

    // Exactly enough room: the text and its terminator.
    text.clear();
    EXPECT_EQ(system.ExpandEnvironment(L"plain text", 11, &text), 11u);
    EXPECT_EQ(text, L"plain text");

    std::wstring untouched = L"untouched";
    EXPECT_EQ(system.ExpandEnvironment(L"plain text", 10, &untouched), 11u);
    EXPECT_EQ(untouched, L"untouched");
}

TEST(SystemInfoContract, AnUndefinedVariableStaysAsWritten) {
    std::wstring text;
    const std::wstring source = L"%QUORIX_UNDEFINED_VARIABLE%\\x";
    EXPECT_EQ(Env().Os().system.ExpandEnvironment(source, 260, &text), source.size() + 1);
    EXPECT_EQ(text, source);
}

TEST(SystemInfoContract, SystemRootIsTheWindowsFolder) {
    std::wstring windows;
    const std::uint32_t length = Env().Os().files.GetWindowsFolder(260, &windows);
    ASSERT_GT(length, 0u);
    std::wstring expanded;
    const std::uint32_t count =
        Env().Os().system.ExpandEnvironment(L"%SystemRoot%\\Explorer.EXE", 260, &expanded);
    EXPECT_EQ(count, expanded.size() + 1);
    EXPECT_TRUE(EqualsIgnoringAsciiCase(expanded, windows + L"\\Explorer.EXE"))
        << NarrowAscii(expanded) << " vs " << NarrowAscii(windows);
}

TEST(SystemInfoContract, VersionWordHoldsMajorAndMinorInItsLowBytes) {
    const std::uint32_t word = Env().Os().system.GetVersionWord();
    EXPECT_GE(word & 0xFFu, 5u);
    EXPECT_LT(word & 0xFFu, 20u);
    EXPECT_EQ(word & 0x80000000u, 0u);  // an NT system
}

TEST(SystemInfoContract, SystemTimeConvertsToTheFileTimeOfItsDate) {
    platform::SystemTime time;
    time.year = 2011;
    time.month = 12;
    time.day = 31;
    time.hour = 23;
    time.minute = 59;
    time.second = 30;
    std::uint64_t fileTime = 0;
    ASSERT_TRUE(Env().Os().system.ConvertSystemTime(time, &fileTime));
    EXPECT_EQ(fileTime, 129698495700000000ull);
    // And back through the system's own conversion, a minute later.
    platform::SystemTime later;
    ASSERT_TRUE(Env().Os().system.ConvertFileTime(fileTime + 600000000ull, &later));
    EXPECT_EQ(later.year, 2012);
    EXPECT_EQ(later.month, 1);
    EXPECT_EQ(later.day, 1);
    EXPECT_EQ(later.minute, 0);
    EXPECT_EQ(later.second, 30);

    // (Wine 8 takes 29 February of a common year; Windows refuses it, and so does the sim.)
    time.month = 13;
    EXPECT_FALSE(Env().Os().system.ConvertSystemTime(time, &fileTime));
}

}  // namespace
}  // namespace quorix::contract
