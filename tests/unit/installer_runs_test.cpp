// The installer runs: property strings, the UI level in force at each installation, logging,
// the language-pack stop rule, the sweep of present language packs and the preinstall mark.
#include <gtest/gtest.h>

#include <functional>

#include "bootstrap/installer_runs.h"
#include "common/result_codes.h"
#include "support/sim_run.h"

namespace quorix {
namespace {

using platform::kHkeyLocalMachine;
using sim::InstallerCall;
using test::SimProcess;

const std::wstring kBase = L"C:\\ProgramData\\Velora\\Setup\\QuorixSetup.msi";
const std::wstring kPackEnglish = L"C:\\Temp\\VL1A.tmp";
const std::wstring kPackGerman = L"C:\\Temp\\VL1B.tmp";
const std::wstring kTag = L"AFFILIATEID=vlq2011aid30017xx-XX AFFILIATEIDFLAGS=#0";

// A machine whose package files carry the product and two of its language packs.
struct InstallerRig {
    SimProcess process;
    sim::SimInstaller& installer = process.machine.installer;

    InstallerRig() {
        installer.AddPackage(kBase, kThisProductCode, kReleaseVersionText);
        installer.AddPackage(kPackEnglish, LanguagePackProductCodes[1], kReleaseVersionText);
        installer.AddPackage(kPackGerman, LanguagePackProductCodes[2], kReleaseVersionText);
    }
    InstallerRunResult Run(const RunOptions& options, const std::wstring& language,
                           const std::vector<std::wstring>& packs = {kPackEnglish}) {
        return RunInstallers(process.ctx, options, language, packs, kBase);
    }
    std::vector<InstallerCall> Installs() const { return installer.CallsOf("MsiInstallProductW"); }
    std::size_t OpenHandles() const { return process.LeftOpen(); }
};

RunOptions Options(std::function<void(RunOptions&)> change = nullptr) {
    RunOptions options;
    if (change) change(options);
    return options;
}

// ---------------------------------------------------------------- property strings and levels

struct PropertyCase {
    const char* name;
    RunOptions options;
    std::wstring language;
    std::function<void(InstallerRig&)> arrange;
    std::wstring baseCommandLine;
    std::wstring packCommandLine;
    std::int32_t baseLevel;
};

class PropertyStringTest : public ::testing::TestWithParam<PropertyCase> {};

TEST_P(PropertyStringTest, PacksThenBaseWithTheirStringsAndLevels) {
    const PropertyCase& c = GetParam();
    InstallerRig rig;
    if (c.arrange) c.arrange(rig);
    const InstallerRunResult run = rig.Run(c.options, c.language);

    EXPECT_EQ(run.result, 0u);
    const auto installs = rig.Installs();
    ASSERT_EQ(installs.size(), 2u);
    EXPECT_EQ(installs[0].target, kPackEnglish);
    EXPECT_EQ(installs[0].commandLine, c.packCommandLine);
    EXPECT_EQ(installs[0].uiLevel, platform::kInstallUiLevelNone);
    EXPECT_EQ(installs[1].target, kBase);
    EXPECT_EQ(installs[1].commandLine, c.baseCommandLine);
    EXPECT_EQ(installs[1].uiLevel, c.baseLevel);
    // The base level stays in force; what was there before comes back through savedUiLevel.
    EXPECT_EQ(rig.installer.uiLevel, c.baseLevel);
    EXPECT_EQ(run.savedUiLevel, platform::kInstallUiLevelDefault);
    EXPECT_EQ(rig.OpenHandles(), 0u) << rig.process.machine.core.ledger.Describe();
}

void Preinstall(InstallerRig& rig) {
    rig.process.machine.registry.PutDword(kHkeyLocalMachine, L"Software\\Velora", L"PreinstallMode",
                                          1);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, PropertyStringTest,
    ::testing::Values(
        PropertyCase{"Interactive", Options(), L"en-US", nullptr,
                     L" LANGSTRING=en-US USERDEFINST=2 " + kTag + L" TRANSFORMS=:en-US",
                     L" ALLUSERS=1", platform::kInstallUiLevelFull},
        PropertyCase{"Silent", Options([](RunOptions& o) { o.silent = true; }), L"silent", nullptr,
                     L" LANGSTRING=silent USERDEFINST=2 " + kTag + L" TRANSFORMS=:silent FASTOEM=1",
                     L" ALLUSERS=1", platform::kInstallUiLevelNone},
        PropertyCase{"ReducedUiIsBasicWithoutFastOem",
                     Options([](RunOptions& o) { o.reducedUi = true; }), L"silent", nullptr,
                     L" LANGSTRING=silent USERDEFINST=2 " + kTag + L" TRANSFORMS=:silent",
                     L" ALLUSERS=1", platform::kInstallUiLevelBasic},
        PropertyCase{"InteractivePreinstallIsBasic", Options(), L"de-DE", Preinstall,
                     L" LANGSTRING=de-DE USERDEFINST=2 " + kTag + L" TRANSFORMS=:de-DE",
                     L" ALLUSERS=1", platform::kInstallUiLevelBasic},
        PropertyCase{"SilentIgnoresPreinstall", Options([](RunOptions& o) { o.silent = true; }),
                     L"silent", Preinstall,
                     L" LANGSTRING=silent USERDEFINST=2 " + kTag + L" TRANSFORMS=:silent FASTOEM=1",
                     L" ALLUSERS=1", platform::kInstallUiLevelNone},
        PropertyCase{"SilentUpgradeFromMajor9", Options([](RunOptions& o) { o.silent = true; }),
                     L"silent", [](InstallerRig& r) { r.process.state.installedMajorVersion = 9; },
                     L" LANGSTRING=silent USERDEFINST=2 " + kTag +
                         L" TRANSFORMS=:silent FASTOEM=1 VLUPGRADE=9",
                     L" ALLUSERS=1", platform::kInstallUiLevelNone},
        PropertyCase{"InteractiveUpgradeFromMajor9", Options(), L"en-US",
                     [](InstallerRig& r) { r.process.state.installedMajorVersion = 9; },
                     L" LANGSTRING=en-US USERDEFINST=2 " + kTag + L" TRANSFORMS=:en-US VLUPGRADE=9",
                     L" ALLUSERS=1", platform::kInstallUiLevelFull},
        PropertyCase{"OtherMajorVersionsGetNoUpgradeMark", Options(), L"en-US",
                     [](InstallerRig& r) { r.process.state.installedMajorVersion = 10; },
                     L" LANGSTRING=en-US USERDEFINST=2 " + kTag + L" TRANSFORMS=:en-US",
                     L" ALLUSERS=1", platform::kInstallUiLevelFull},
        PropertyCase{"CustomInstallation", Options(), L"en-US",
                     [](InstallerRig& r) { r.process.state.customInstallationRequested = true; },
                     L" LANGSTRING=en-US USERDEFINST=1 " + kTag + L" TRANSFORMS=:en-US",
                     L" ALLUSERS=1", platform::kInstallUiLevelFull},
        PropertyCase{"BasePackagePropsKeepTheirBlank",
                     Options([](RunOptions& o) { o.basePackageProps = L"X=1 "; }), L"en-US",
                     nullptr,
                     L"X=1  LANGSTRING=en-US USERDEFINST=2 " + kTag + L" TRANSFORMS=:en-US",
                     L" ALLUSERS=1", platform::kInstallUiLevelFull},
        PropertyCase{"LanguagePackPropsGoToThePacksOnly",
                     Options([](RunOptions& o) { o.languagePackProps = L"Y=2 "; }), L"en-US",
                     nullptr, L" LANGSTRING=en-US USERDEFINST=2 " + kTag + L" TRANSFORMS=:en-US",
                     L"Y=2  ALLUSERS=1", platform::kInstallUiLevelFull},
        PropertyCase{"StampedTagReachesTheBasePackageOnly", Options(), L"en-US",
                     [](InstallerRig& r) {
                         r.process.state.tagProperties = L"AFFILIATEID=abc AFFILIATEIDFLAGS=#5";
                     },
                     L" LANGSTRING=en-US USERDEFINST=2 AFFILIATEID=abc AFFILIATEIDFLAGS=#5 "
                     L"TRANSFORMS=:en-US",
                     L" ALLUSERS=1", platform::kInstallUiLevelFull}),
    [](const ::testing::TestParamInfo<PropertyCase>& info) {
        return std::string(info.param.name);
    });

TEST(InstallerRuns, UnattendedRunsNeverReadThePreinstallMark) {
    for (RunOptions options : {Options([](RunOptions& o) { o.silent = true; }),
                               Options([](RunOptions& o) { o.reducedUi = true; })}) {
        InstallerRig rig;
        rig.Run(options, L"silent");
        EXPECT_TRUE(rig.process.machine.registry.opens.empty());
    }
}

TEST(InstallerRuns, EveryLevelChangeIsUndoneExceptTheBasePackages) {
    InstallerRig rig;
    rig.installer.uiLevel = platform::kInstallUiLevelReduced;
    rig.installer.AddProduct(LanguagePackProductCodes[5], L"10.0.4000.0");  // an older pack
    const InstallerRunResult run = rig.Run(Options(), L"en-US", {kPackEnglish, kPackGerman});

    const std::vector<std::int32_t> expected = {
        2, 4,  // sweep
        2, 4,  // first pack
        2, 4,  // second pack
        5,     // base package, restored by the caller
    };
    EXPECT_EQ(rig.installer.uiLevelHistory, expected);
    EXPECT_EQ(run.savedUiLevel, platform::kInstallUiLevelReduced);
    // The older pack was removed at level 2, before anything was installed.
    const auto removals = rig.installer.CallsOf("MsiConfigureProductW");
    ASSERT_EQ(removals.size(), 1u);
    EXPECT_EQ(removals[0].target, LanguagePackProductCodes[5]);
    EXPECT_EQ(removals[0].uiLevel, platform::kInstallUiLevelNone);
    EXPECT_EQ(rig.installer.calls.front().api, "MsiQueryProductStateW");
}

// ---------------------------------------------------------------- logging

struct LogCase {
    const char* name;
    std::wstring languagePackLog;
    std::wstring basePackageLog;
    std::vector<std::wstring> enabled;  // MsiEnableLogW paths, in order
    std::wstring packLoggedTo;
    std::wstring baseLoggedTo;
};

class LoggingTest : public ::testing::TestWithParam<LogCase> {};

TEST_P(LoggingTest, EachInstallationIsLoggedWhereTheSettingInForcePoints) {
    const LogCase& c = GetParam();
    InstallerRig rig;
    rig.Run(Options([&](RunOptions& o) {
                o.logLanguagePacks = c.languagePackLog;
                o.logBasePackage = c.basePackageLog;
            }),
            L"en-US");
    const auto enables = rig.installer.CallsOf("MsiEnableLogW");
    ASSERT_EQ(enables.size(), c.enabled.size());
    for (std::size_t i = 0; i < enables.size(); ++i) EXPECT_EQ(enables[i].target, c.enabled[i]);
    EXPECT_EQ(rig.installer.log.mode, c.enabled.empty() ? 0u : 0x1000u);
    EXPECT_EQ(rig.installer.log.attributes, c.enabled.empty() ? 0u : 1u);
    const auto installs = rig.Installs();
    ASSERT_EQ(installs.size(), 2u);
    EXPECT_EQ(installs[0].log.path, c.packLoggedTo);
    EXPECT_EQ(installs[1].log.path, c.baseLoggedTo);
}

INSTANTIATE_TEST_SUITE_P(Options, LoggingTest,
                         ::testing::Values(LogCase{"NoLogs", L"", L"", {}, L"", L""},
                                           LogCase{"LanguagePackLogAloneLogsBoth",
                                                   L"C:\\lp.log",
                                                   L"",
                                                   {L"C:\\lp.log"},
                                                   L"C:\\lp.log",
                                                   L"C:\\lp.log"},
                                           LogCase{"BasePackageLogAloneLogsOnlyTheBase",
                                                   L"",
                                                   L"C:\\bp.log",
                                                   {L"C:\\bp.log"},
                                                   L"",
                                                   L"C:\\bp.log"},
                                           LogCase{"BothLogs",
                                                   L"C:\\lp.log",
                                                   L"C:\\bp.log",
                                                   {L"C:\\lp.log", L"C:\\bp.log"},
                                                   L"C:\\lp.log",
                                                   L"C:\\bp.log"}),
                         [](const ::testing::TestParamInfo<LogCase>& info) {
                             return std::string(info.param.name);
                         });

// ---------------------------------------------------------------- the stop rule

struct StopCase {
    const char* name;
    std::vector<std::uint32_t> packResults;  // scripted results of the two packs
    std::uint32_t baseResult;
    std::vector<std::wstring> installed;  // packages MsiInstallProductW was called for
    std::uint32_t result;
};

class StopRuleTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(StopRuleTest, AFailedPackStopsTheRestAndTheBase) {
    const StopCase& c = GetParam();
    InstallerRig rig;
    const std::vector<std::wstring> packs = {kPackEnglish, kPackGerman};
    for (std::size_t i = 0; i < c.packResults.size(); ++i) {
        rig.installer.ScriptInstallResult(packs[i], c.packResults[i]);
    }
    rig.installer.ScriptInstallResult(kBase, c.baseResult);
    const InstallerRunResult run = rig.Run(Options(), L"en-US", packs);

    std::vector<std::wstring> installed;
    for (const auto& call : rig.Installs()) installed.push_back(call.target);
    EXPECT_EQ(installed, c.installed);
    EXPECT_EQ(run.result, c.result);
    // The base level is set whatever the packs returned, and the previous one saved.
    EXPECT_EQ(rig.installer.uiLevel, platform::kInstallUiLevelFull);
    EXPECT_EQ(run.savedUiLevel, platform::kInstallUiLevelDefault);
}

INSTANTIATE_TEST_SUITE_P(
    Results, StopRuleTest,
    ::testing::Values(
        StopCase{"AllSucceed", {0, 0}, 0, {kPackEnglish, kPackGerman, kBase}, 0},
        StopCase{"FirstPackFatal", {1603, 0}, 0, {kPackEnglish}, 1603},
        StopCase{"SecondPackCancelled", {0, 1602}, 0, {kPackEnglish, kPackGerman}, 1602},
        StopCase{"RebootRequiredIsNoStop", {3010, 0}, 0, {kPackEnglish, kPackGerman, kBase}, 0},
        StopCase{"RebootInitiatedIsNoStop", {1641, 3010}, 0, {kPackEnglish, kPackGerman, kBase}, 0},
        StopCase{"BaseResultDecides", {0, 0}, 3010, {kPackEnglish, kPackGerman, kBase}, 3010},
        StopCase{"BaseFails", {0, 0}, 1603, {kPackEnglish, kPackGerman, kBase}, 1603},
        StopCase{"UnusualPackError", {1618, 0}, 0, {kPackEnglish}, 1618}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

TEST(InstallerRuns, WithoutLanguagePacksOnlyTheBaseIsInstalled) {
    InstallerRig rig;
    const InstallerRunResult run = rig.Run(Options(), L"en-US", {});
    const auto installs = rig.Installs();
    ASSERT_EQ(installs.size(), 1u);
    EXPECT_EQ(installs[0].target, kBase);
    EXPECT_EQ(run.result, 0u);
    EXPECT_TRUE(rig.installer.IsInstalled(kThisProductCode));
}

// ---------------------------------------------------------------- the sweep

TEST(RemoveLanguagePacks, RemovesEveryPresentPackWithTheLevelInForceAndRestoresIt) {
    SimProcess process;
    sim::SimInstaller& installer = process.machine.installer;
    installer.uiLevel = platform::kInstallUiLevelFull;
    installer.AddProduct(LanguagePackProductCodes[0], kReleaseVersionText);
    installer.AddProduct(LanguagePackProductCodes[4], L"9.0.1.0",
                         platform::kInstallStateAdvertised);
    installer.AddProduct(LanguagePackProductCodes[7], L"9.0.1.0", platform::kInstallStateAbsent);
    installer.AddProduct(LanguagePackProductCodes[9], kReleaseVersionText);
    installer.AddProduct(kThisProductCode, kReleaseVersionText);  // listed, and no pack
    installer.ScriptConfigureResult(LanguagePackProductCodes[4], kErrorInstallFailure);

    RemoveLanguagePacks(process.ctx, platform::kInstallUiLevelBasic);

    const auto queries = installer.CallsOf("MsiQueryProductStateW");
    ASSERT_EQ(queries.size(), 15u);
    for (std::size_t i = 0; i < queries.size(); ++i)
        EXPECT_EQ(queries[i].target, LanguagePackProductCodes[i]);
    const auto removals = installer.CallsOf("MsiConfigureProductW");
    ASSERT_EQ(removals.size(), 3u);  // a failed removal does not stop the sweep
    EXPECT_EQ(removals[0].target, LanguagePackProductCodes[0]);
    EXPECT_EQ(removals[1].target, LanguagePackProductCodes[4]);
    EXPECT_EQ(removals[2].target, LanguagePackProductCodes[9]);
    for (const auto& removal : removals) {
        EXPECT_EQ(removal.installLevel, 0);
        EXPECT_EQ(removal.installState, platform::kInstallStateAbsent);
        EXPECT_EQ(removal.uiLevel, platform::kInstallUiLevelBasic);
    }
    EXPECT_FALSE(installer.IsInstalled(LanguagePackProductCodes[0]));
    EXPECT_TRUE(installer.IsInstalled(LanguagePackProductCodes[4]));
    EXPECT_TRUE(installer.IsInstalled(kThisProductCode));
    EXPECT_EQ(installer.uiLevel, platform::kInstallUiLevelFull);
    EXPECT_EQ(installer.uiLevelHistory, (std::vector<std::int32_t>{3, 5}));
}

TEST(RemoveLanguagePacks, AFailedQuestionLeavesOnlyThatPack) {
    SimProcess process;
    sim::SimInstaller& installer = process.machine.installer;
    for (std::size_t pack : {1, 7, 8}) {
        installer.AddProduct(LanguagePackProductCodes[pack], kReleaseVersionText);
    }
    constexpr std::uint32_t kErrorBadConfiguration = 1610;
    // The second question, about pack 1, fails as for a broken registration.
    process.machine.core.faults.Fail("MsiQueryProductStateW", kErrorBadConfiguration, 1, 1);

    RemoveLanguagePacks(process.ctx, platform::kInstallUiLevelBasic);

    EXPECT_TRUE(installer.IsInstalled(LanguagePackProductCodes[1]));
    EXPECT_FALSE(installer.IsInstalled(LanguagePackProductCodes[7]));
    EXPECT_FALSE(installer.IsInstalled(LanguagePackProductCodes[8]));
}

// ---------------------------------------------------------------- the preinstall mark

struct PreinstallCase {
    const char* name;
    bool is64BitWindows;
    std::function<void(sim::SimRegistry&)> arrange;
    bool preinstall;
};

const std::wstring kVelora = L"Software\\Velora";
constexpr std::uint32_t k32 = platform::kKeyWow64_32Key;
constexpr std::uint32_t k64 = platform::kKeyWow64_64Key;

void PutMark(sim::SimRegistry& r, std::uint32_t type, std::vector<std::uint8_t> bytes,
             std::uint32_t view = k32) {
    r.PutValue(kHkeyLocalMachine, kVelora, L"PreinstallMode", type, std::move(bytes), view);
}

class PreinstallModeTest : public ::testing::TestWithParam<PreinstallCase> {};

TEST_P(PreinstallModeTest, IsOnWhenTheValueReadsAsOne) {
    const PreinstallCase& c = GetParam();
    SimProcess process;
    process.machine.registry.is64BitWindows = c.is64BitWindows;
    c.arrange(process.machine.registry);
    EXPECT_EQ(IsPreinstallMode(process.ctx), c.preinstall);
    EXPECT_EQ(process.machine.core.ledger.OpenCount(), 0u)
        << process.machine.core.ledger.Describe();
}

INSTANTIATE_TEST_SUITE_P(
    Machines, PreinstallModeTest,
    ::testing::Values(
        PreinstallCase{"NoKey", true, [](sim::SimRegistry&) {}, false},
        PreinstallCase{"OneIn32BitView", true,
                       [](sim::SimRegistry& r) {
                           r.PutDword(kHkeyLocalMachine, kVelora, L"PreinstallMode", 1, k32);
                       },
                       true},
        PreinstallCase{"OneOnA32BitMachine", false,
                       [](sim::SimRegistry& r) {
                           r.PutDword(kHkeyLocalMachine, kVelora, L"PreinstallMode", 1);
                       },
                       true},
        PreinstallCase{"OneOnlyIn64BitView", true,
                       [](sim::SimRegistry& r) {
                           r.PutDword(kHkeyLocalMachine, kVelora, L"PreinstallMode", 1, k64);
                       },
                       true},
        PreinstallCase{"The32BitKeyDecidesWhenItOpens", true,
                       [](sim::SimRegistry& r) {
                           r.PutKey(kHkeyLocalMachine, kVelora, k32);
                           r.PutDword(kHkeyLocalMachine, kVelora, L"PreinstallMode", 1, k64);
                       },
                       false},
        PreinstallCase{"Unreadable32BitKeyFallsBackTo64Bit", true,
                       [](sim::SimRegistry& r) {
                           r.PutDword(kHkeyLocalMachine, kVelora, L"PreinstallMode", 1, k32);
                           r.DenyAccess(kHkeyLocalMachine, kVelora, platform::kKeyQueryValue, k32);
                           r.PutDword(kHkeyLocalMachine, kVelora, L"PreinstallMode", 1, k64);
                       },
                       true},
        PreinstallCase{"Zero", false,
                       [](sim::SimRegistry& r) {
                           PutMark(r, platform::kRegDword, {0, 0, 0, 0});
                       },
                       false},
        PreinstallCase{"Two", false,
                       [](sim::SimRegistry& r) {
                           PutMark(r, platform::kRegDword, {2, 0, 0, 0});
                       },
                       false},
        PreinstallCase{"HighBytesCount", false,
                       [](sim::SimRegistry& r) {
                           PutMark(r, platform::kRegDword, {1, 0, 0, 1});
                       },
                       false},
        PreinstallCase{"TypeIsNotExamined", false,
                       [](sim::SimRegistry& r) {
                           PutMark(r, platform::kRegBinary, {1, 0, 0, 0});
                       },
                       true},
        PreinstallCase{"ShortValueReadsIntoAZeroedBuffer", false,
                       [](sim::SimRegistry& r) { PutMark(r, platform::kRegBinary, {1}); }, true},
        PreinstallCase{"TextOneIsNotTheNumberOne", false,
                       [](sim::SimRegistry& r) {
                           r.PutString(kHkeyLocalMachine, kVelora, L"PreinstallMode", L"1");
                       },
                       false},
        PreinstallCase{"EightByteValueDoesNotFit", false,
                       [](sim::SimRegistry& r) {
                           PutMark(r, platform::kRegQword, {1, 0, 0, 0, 0, 0, 0, 0});
                       },
                       false},
        PreinstallCase{"ValueMissing", false,
                       [](sim::SimRegistry& r) { r.PutKey(kHkeyLocalMachine, kVelora); }, false}),
    [](const ::testing::TestParamInfo<PreinstallCase>& info) {
        return std::string(info.param.name);
    });

TEST(PreinstallMode, AsksThe32BitViewFirstAndThe64BitViewSecond) {
    SimProcess process;
    process.machine.registry.is64BitWindows = true;
    process.machine.registry.PutDword(kHkeyLocalMachine, kVelora, L"PreinstallMode", 1, k64);
    EXPECT_TRUE(IsPreinstallMode(process.ctx));
    const auto& opens = process.machine.registry.opens;
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[0].access, 0x20219u);
    EXPECT_EQ(opens[0].path, L"HKLM\\Software\\Wow6432Node\\Velora");
    EXPECT_EQ(opens[0].result, kErrorFileNotFound);
    EXPECT_EQ(opens[1].access, 0x20119u);
    EXPECT_EQ(opens[1].path, L"HKLM\\Software\\Velora");
}

TEST(PreinstallMode, EveryCallReadsTheRegistryAfresh) {
    SimProcess process;
    EXPECT_FALSE(IsPreinstallMode(process.ctx));
    process.machine.registry.PutDword(kHkeyLocalMachine, kVelora, L"PreinstallMode", 1);
    EXPECT_TRUE(IsPreinstallMode(process.ctx));
}

}  // namespace
}  // namespace quorix
