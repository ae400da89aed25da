// The simulated registry where the contract suite cannot reach it: the views of a 64-bit
// machine, access denial, the test-side value helpers, and the UTF-16 byte layout.
#include <gtest/gtest.h>

#include "common/result_codes.h"
#include "common/utf16.h"
#include "platform/sim/sim_machine.h"

namespace quorix {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using platform::RegistryKey;
constexpr std::uint32_t k32 = platform::kKeyWow64_32Key;
constexpr std::uint32_t k64 = platform::kKeyWow64_64Key;

struct SixtyFourBitMachine : ::testing::Test {
    sim::SimMachine machine;
    sim::SimRegistry& registry = machine.registry;
    SixtyFourBitMachine() { registry.is64BitWindows = true; }

    std::uint32_t Create(RegistryKey parent, const std::wstring& path, std::uint32_t access,
                         RegistryKey* key) {
        return registry.CreateKey(parent, path, 0, access, key, nullptr);
    }
    void TearDown() override {
        EXPECT_EQ(machine.core.ledger.OpenCount(), 0u) << machine.core.ledger.Describe();
        EXPECT_EQ(machine.core.ledger.BadCloses(), 0);
    }
};

struct ViewCase {
    const char* name;
    RegistryKey root;
    std::wstring path;
    std::uint32_t access;
    std::wstring landsAt;
};

class ViewTest : public SixtyFourBitMachine, public ::testing::WithParamInterface<ViewCase> {};

TEST_P(ViewTest, CreatedKeyLandsWhereWindowsPutsIt) {
    const ViewCase& c = GetParam();
    RegistryKey key = 0;
    ASSERT_EQ(Create(c.root, c.path, platform::kKeyWrite | c.access, &key), 0u);
    EXPECT_EQ(registry.opens.back().path, c.landsAt);
    EXPECT_EQ(registry.CloseKey(key), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ViewTest,
    ::testing::Values(ViewCase{"OwnViewIsThe32BitOne", kHkeyLocalMachine, L"Software\\Velora", 0,
                               L"HKLM\\Software\\Wow6432Node\\Velora"},
                      ViewCase{"Explicit32BitView", kHkeyLocalMachine, L"SOFTWARE\\Velora", k32,
                               L"HKLM\\SOFTWARE\\Wow6432Node\\Velora"},
                      ViewCase{"The64BitView", kHkeyLocalMachine, L"Software\\Velora", k64,
                               L"HKLM\\Software\\Velora"},
                      ViewCase{"SoftwareItselfIsRedirected", kHkeyLocalMachine, L"Software", 0,
                               L"HKLM\\Software\\Wow6432Node"},
                      ViewCase{"ExplicitWow6432NodeIsNotDoubled", kHkeyLocalMachine,
                               L"Software\\Wow6432Node\\Velora", 0,
                               L"HKLM\\Software\\Wow6432Node\\Velora"},
                      ViewCase{"SystemIsShared", kHkeyLocalMachine, L"SYSTEM\\CurrentControlSet", 0,
                               L"HKLM\\SYSTEM\\CurrentControlSet"},
                      ViewCase{"CurrentUserIsShared", kHkeyCurrentUser,
                               L"Software\\Velora\\Setup\\", 0, L"HKCU\\Software\\Velora\\Setup"}),
    [](const ::testing::TestParamInfo<ViewCase>& info) { return std::string(info.param.name); });

TEST_F(SixtyFourBitMachine, TheTwoViewsHoldDifferentValues) {
    registry.PutDword(kHkeyLocalMachine, L"Software\\Velora", L"V", 32, k32);
    registry.PutDword(kHkeyLocalMachine, L"Software\\Velora", L"V", 64, k64);
    EXPECT_EQ(registry.GetDword(kHkeyLocalMachine, L"Software\\Velora", L"V"), 32u);
    EXPECT_EQ(registry.GetDword(kHkeyLocalMachine, L"Software\\Velora", L"V", k64), 64u);
    EXPECT_EQ(registry.GetDword(kHkeyLocalMachine, L"Software\\Wow6432Node\\Velora", L"V", k64),
              32u);
}

TEST_F(SixtyFourBitMachine, ASubkeyOpensRelativeToWhereItsParentLies) {
    registry.PutKey(kHkeyLocalMachine, L"Software\\Velora\\Setup", k32);
    RegistryKey software = 0, setup = 0;
    ASSERT_EQ(registry.OpenKey(kHkeyLocalMachine, L"Software", platform::kKeyRead, &software), 0u);
    // Explicitly asking for the 64-bit view below a redirected handle changes nothing.
    EXPECT_EQ(registry.OpenKey(software, L"Velora\\Setup", platform::kKeyRead | k64, &setup), 0u);
    EXPECT_EQ(registry.opens.back().path, L"HKLM\\Software\\Wow6432Node\\Velora\\Setup");
    registry.CloseKey(setup);
    registry.CloseKey(software);
}

TEST(OneViewMachine, BothViewFlagsReachTheSameKey) {
    sim::SimMachine machine;
    machine.registry.PutDword(kHkeyLocalMachine, L"Software\\Velora", L"V", 7, k64);
    EXPECT_EQ(machine.registry.GetDword(kHkeyLocalMachine, L"Software\\Velora", L"V", k32), 7u);
    EXPECT_FALSE(machine.registry.KeyExists(kHkeyLocalMachine, L"Software\\Wow6432Node\\Velora"));
}

struct DenialCase {
    const char* name;
    std::uint32_t denied;
    bool existing;
    std::uint32_t access;
    std::uint32_t result;
};

class AccessDenialTest : public ::testing::TestWithParam<DenialCase> {};

TEST_P(AccessDenialTest, RefusedRightsFailTheOpenBelowTheDeniedKey) {
    const DenialCase& c = GetParam();
    sim::SimMachine machine;
    if (c.existing) {
        machine.registry.PutKey(kHkeyLocalMachine, L"Software\\Velora\\Quorix\\SIDData");
    }
    machine.registry.DenyAccess(kHkeyLocalMachine, L"Software\\Velora", c.denied);
    RegistryKey key = 0;
    const std::uint32_t result = machine.registry.CreateKey(
        kHkeyLocalMachine, L"Software\\Velora\\Quorix\\SIDData", 0, c.access, &key, nullptr);
    EXPECT_EQ(result, c.result);
    if (result == 0) {
        EXPECT_EQ(machine.registry.CloseKey(key), 0u);
    }
    EXPECT_EQ(machine.core.ledger.OpenCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rights, AccessDenialTest,
    ::testing::Values(DenialCase{"WriteDeniedRefusesReadWrite",
                                 platform::kKeySetValue | platform::kKeyCreateSubKey, true,
                                 platform::kKeyRead | platform::kKeyWrite, kErrorAccessDenied},
                      DenialCase{"WriteDeniedStillOpensForReading",
                                 platform::kKeySetValue | platform::kKeyCreateSubKey, true,
                                 platform::kKeyRead, 0},
                      DenialCase{"NoNewKeyWithoutCreateRight", platform::kKeyCreateSubKey, false,
                                 platform::kKeyRead, kErrorAccessDenied},
                      DenialCase{"NewKeyWhenOnlyReadingIsDenied", platform::kKeyQueryValue, false,
                                 platform::kKeyWrite, 0}),
    [](const ::testing::TestParamInfo<DenialCase>& info) { return std::string(info.param.name); });

TEST(SimRegistry, AHandleKnowsTheRightsItWasOpenedWith) {
    sim::SimMachine machine;
    machine.registry.PutString(kHkeyCurrentUser, L"Software\\Velora", L"Name", L"x");
    RegistryKey writeOnly = 0;
    ASSERT_EQ(machine.registry.OpenKey(kHkeyCurrentUser, L"Software\\Velora",
                                       platform::kKeySetValue, &writeOnly),
              0u);
    std::uint32_t size = 0;
    EXPECT_EQ(machine.registry.QueryValue(writeOnly, L"Name", nullptr, nullptr, &size),
              kErrorAccessDenied);
    const std::uint8_t one[4] = {1, 0, 0, 0};
    EXPECT_EQ(machine.registry.SetValue(writeOnly, L"N", platform::kRegDword, one, 4), 0u);
    EXPECT_EQ(machine.registry.CloseKey(writeOnly), 0u);
}

TEST(SimRegistry, ClosingAHandleOfAnotherKindLeavesItOpen) {
    sim::SimMachine machine;
    const platform::NativeHandle mutex = machine.system.CreateNamedMutex(false, L"M");
    EXPECT_EQ(machine.registry.CloseKey(mutex), kErrorInvalidHandle);
    EXPECT_TRUE(machine.core.ledger.IsOpen(mutex));
    EXPECT_EQ(machine.core.ledger.BadCloses(), 0);
    machine.system.CloseHandle(mutex);
}

TEST(SimRegistry, HelpersStoreTheBytesWindowsStores) {
    sim::SimMachine machine;
    sim::SimRegistry& r = machine.registry;
    r.PutString(kHkeyCurrentUser, L"Software\\T", L"S", L"ab");
    r.PutDword(kHkeyCurrentUser, L"Software\\T", L"D", 0x01020304u);
    r.PutMultiString(kHkeyCurrentUser, L"Software\\T", L"M", {L"a", L"bc"});
    EXPECT_EQ(r.GetValue(kHkeyCurrentUser, L"Software\\T", L"s")->data,
              (std::vector<std::uint8_t>{'a', 0, 'b', 0, 0, 0}));
    EXPECT_EQ(r.GetValue(kHkeyCurrentUser, L"Software\\T", L"D")->data,
              (std::vector<std::uint8_t>{4, 3, 2, 1}));
    EXPECT_EQ(r.GetValue(kHkeyCurrentUser, L"Software\\T", L"M")->data,
              (std::vector<std::uint8_t>{'a', 0, 0, 0, 'b', 0, 'c', 0, 0, 0, 0, 0}));
    EXPECT_EQ(r.GetMultiString(kHkeyCurrentUser, L"Software\\T", L"M"),
              (std::vector<std::wstring>{L"a", L"bc"}));
    EXPECT_EQ(r.GetString(kHkeyCurrentUser, L"Software\\T", L"D"), std::nullopt);
    EXPECT_EQ(r.GetDword(kHkeyCurrentUser, L"Software\\T", L"S"), std::nullopt);
}

TEST(Utf16, CharactersBeyondTheBasicPlaneBecomeSurrogatePairsAndBack) {
    const std::wstring text = L"\u20AC" + std::wstring(1, static_cast<wchar_t>(0x1F600));
    const std::vector<std::uint8_t> bytes = ToUtf16LeBytes(text, true);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE, 0, 0}));
    EXPECT_EQ(CutAtTerminator(FromUtf16LeBytes(bytes.data(), bytes.size())), text);
}

TEST(Utf16, AnUnpairedSurrogateAndAnOddByteSurviveReading) {
    const std::uint8_t bytes[] = {0x3D, 0xD8, 'a', 0, 'b'};
    const std::wstring text = FromUtf16LeBytes(bytes, sizeof(bytes));
    ASSERT_EQ(text.size(), 2u);
    EXPECT_EQ(static_cast<std::uint32_t>(text[0]), 0xD83Du);
    EXPECT_EQ(text[1], L'a');
}

}  // namespace
}  // namespace quorix
