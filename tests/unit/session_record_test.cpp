// The session records, the current session and the installation GUID in the registry.
#include "report/session_record.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "common/result_codes.h"
#include "common/utf16.h"
#include "platform/sim/sim_com.h"
#include "platform/sim/sim_time.h"
#include "report/session_ids.h"
#include "support/sim_run.h"

namespace quorix {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using test::SimProcess;

const std::wstring kExe = L"C:\\Downloads\\QuorixSetup.exe";
const std::wstring kRecord = L"SOFTWARE\\Velora\\Quorix\\SIDData\\vlq2011aid30017xx-XX";
const std::wstring kSetup = L"Software\\Velora\\Setup";
const std::wstring kGuidText = L"{00112233-4455-6677-8899-AABBCCDDEEFF}";
const std::wstring kOtherGuidText = L"{A1B2C3D4-0000-1111-2222-333344445555}";

// A 64-bit Windows, where the 32-bit view of HKLM\Software is Wow6432Node.
struct SessionMachine : SimProcess {
    SessionMachine() {
        machine.registry.is64BitWindows = true;
        machine.system.argv = {kExe};
        machine.files.PutFile(kExe, {'M', 'Z'});
    }
    sim::SimRegistry& Registry() { return machine.registry; }
    void ExpectNothingLeftOpen() {
        EXPECT_EQ(machine.core.ledger.OpenCount(), 0u) << machine.core.ledger.Describe();
        EXPECT_EQ(machine.core.ledger.BadCloses(), 0);
    }
};

TEST(RecordSession, WritesTheFourValuesOfTheAffiliateInThe32BitView) {
    SessionMachine m;
    RecordSession(m.ctx, L"0");
    sim::SimRegistry& r = m.Registry();
    EXPECT_EQ(r.GetString(kHkeyLocalMachine, kRecord, L"SID"), L"vlq2011aid30017xx-XX");
    EXPECT_EQ(r.GetString(kHkeyLocalMachine, kRecord, L"Install"), L"2011-01-31 12:05:09");
    EXPECT_EQ(r.GetString(kHkeyLocalMachine, kRecord, L"Download"), L"2011-01-30 18:44:10");
    EXPECT_EQ(r.GetValue(kHkeyLocalMachine, kRecord, L"SID")->data.size(), 2u * 20 + 2);
    EXPECT_EQ(r.GetDword(kHkeyLocalMachine, kRecord, L"Flags"), 0u);
    EXPECT_TRUE(r.KeyExists(kHkeyLocalMachine, L"SOFTWARE\\Wow6432Node\\Velora\\Quorix\\SIDData",
                            platform::kKeyWow64_64Key));
    EXPECT_FALSE(r.KeyExists(kHkeyLocalMachine, L"SOFTWARE\\Velora", platform::kKeyWow64_64Key));
    m.ExpectNothingLeftOpen();
}

TEST(RecordSession, ALaterStartOverwritesItsOwnRecordOnly) {
    SessionMachine m;
    m.Registry().PutString(kHkeyLocalMachine, L"SOFTWARE\\Velora\\Quorix\\SIDData\\other",
                           L"Install", L"2010-05-05 05:05:05");
    RecordSession(m.ctx, L"0");
    m.machine.system.SetUtcNow(sim::MakeSystemTime(2011, 2, 1, 8, 0, 0));
    RecordSession(m.ctx, L"0");
    EXPECT_EQ(m.Registry().GetString(kHkeyLocalMachine, kRecord, L"Install"),
              L"2011-02-01 08:00:00");
    EXPECT_EQ(m.Registry().GetString(kHkeyLocalMachine, L"SOFTWARE\\Velora\\Quorix\\SIDData\\other",
                                     L"Install"),
              L"2010-05-05 05:05:05");
}

TEST(RecordSession, AnUnreadableProgramFileGivesAnEmptyDownloadTime) {
    SessionMachine m;
    m.machine.system.argv = {L"C:\\Elsewhere\\QuorixSetup.exe"};
    RecordSession(m.ctx, L"0");
    EXPECT_EQ(m.Registry().GetString(kHkeyLocalMachine, kRecord, L"Download"), L"");
    EXPECT_EQ(m.Registry().GetString(kHkeyLocalMachine, kRecord, L"Install"),
              L"2011-01-31 12:05:09");
}

TEST(RecordSession, AFailingWriteLeavesTheOthersToBeTried) {
    SessionMachine m;
    m.machine.core.faults.Fail("RegSetValueExW", kErrorAccessDenied);
    RecordSession(m.ctx, L"7");
    EXPECT_EQ(m.Registry().GetString(kHkeyLocalMachine, kRecord, L"SID"), std::nullopt);
    EXPECT_TRUE(m.Registry().GetString(kHkeyLocalMachine, kRecord, L"Download"));
    EXPECT_EQ(m.Registry().GetDword(kHkeyLocalMachine, kRecord, L"Flags"), 7u);
}

TEST(RecordSession, WithoutWriteAccessToTheMachineNothingIsRecorded) {
    SessionMachine m;
    m.Registry().DenyAccess(kHkeyLocalMachine, L"SOFTWARE");
    RecordSession(m.ctx, L"0");
    RecordCurrentSession(m.ctx);
    EXPECT_FALSE(m.Registry().KeyExists(kHkeyLocalMachine, L"SOFTWARE\\Velora"));
    m.ExpectNothingLeftOpen();
}

TEST(RecordSession, AnEmptyAffiliateWritesIntoTheRecordsKeyItself) {
    SessionMachine m;
    m.state.affiliateId.clear();
    RecordSession(m.ctx, L"0");
    EXPECT_EQ(
        m.Registry().GetString(kHkeyLocalMachine, L"SOFTWARE\\Velora\\Quorix\\SIDData", L"SID"),
        L"");
}

struct FlagsCase {
    std::wstring text;
    std::int32_t flags;
};

class SessionFlags : public ::testing::TestWithParam<FlagsCase> {};

TEST_P(SessionFlags, AreTheLeadingSignedDecimal) {
    SessionMachine m;
    RecordSession(m.ctx, GetParam().text);
    EXPECT_EQ(m.Registry().GetDword(kHkeyLocalMachine, kRecord, L"Flags"),
              static_cast<std::uint32_t>(GetParam().flags));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SessionFlags,
    ::testing::Values(FlagsCase{L"0", 0}, FlagsCase{L"12abc", 12}, FlagsCase{L"abc", 0},
                      FlagsCase{L"", 0}, FlagsCase{L" \t+3", 3}, FlagsCase{L"-5", -5},
                      FlagsCase{L"- 5", 0}, FlagsCase{L"99999999999", INT32_MAX},
                      FlagsCase{L"-2147483648", INT32_MIN}, FlagsCase{L"-99999999999", INT32_MIN}));

TEST(RecordCurrentSession, GoesUnderTheReleaseKeyOfTheProgramsVersion) {
    SessionMachine m;
    m.machine.files.modulePath = kExe;
    m.machine.system.SetFileVersion(kExe, 0x000A0000, 0x113A000B);
    RecordCurrentSession(m.ctx);
    EXPECT_EQ(
        m.Registry().GetString(kHkeyLocalMachine, L"SOFTWARE\\Velora\\Quorix\\10.0", L"CurSID"),
        L"vlq2011aid30017xx-XX");
    m.ExpectNothingLeftOpen();
}

struct ProgramNameCase {
    const wchar_t* argv0;  // as the command line names the program
};

class RecordCurrentSessionFromAnywhere : public ::testing::TestWithParam<ProgramNameCase> {};

// By the time of the record the current folder is the Windows folder: only the loader's own
// path of the program still finds its version.
TEST_P(RecordCurrentSessionFromAnywhere, FindsTheProgramsOwnFileWhateverArgv0Says) {
    SessionMachine m;
    m.machine.files.modulePath = kExe;
    m.machine.files.currentFolder = L"C:\\Windows";
    m.machine.system.argv = {GetParam().argv0};
    m.machine.system.SetFileVersion(kExe, 0x000A0000, 0x113A000B);
    RecordCurrentSession(m.ctx);
    EXPECT_EQ(
        m.Registry().GetString(kHkeyLocalMachine, L"SOFTWARE\\Velora\\Quorix\\10.0", L"CurSID"),
        L"vlq2011aid30017xx-XX");
    m.ExpectNothingLeftOpen();
}

INSTANTIATE_TEST_SUITE_P(Argv0, RecordCurrentSessionFromAnywhere,
                         ::testing::Values(ProgramNameCase{L".\\QuorixSetup.exe"},
                                           ProgramNameCase{L"Downloads\\QuorixSetup.exe"},
                                           ProgramNameCase{L"QuorixSetup.exe"},
                                           ProgramNameCase{L"C:\\Downloads\\QuorixSetup.exe"}));

TEST(RecordCurrentSession, ACutModulePathGoesUnderTheProductKey) {
    SessionMachine m;
    m.machine.files.modulePath = L"C:\\" + std::wstring(300, L'x') + L".exe";
    m.machine.system.SetFileVersion(m.machine.files.modulePath, 0x000A0000, 0);
    RecordCurrentSession(m.ctx);
    EXPECT_EQ(m.Registry().GetString(kHkeyLocalMachine, L"SOFTWARE\\Velora\\Quorix", L"CurSID"),
              L"vlq2011aid30017xx-XX");
}

TEST(RecordCurrentSession, WithoutAVersionResourceGoesUnderTheProductKey) {
    SessionMachine m;
    RecordCurrentSession(m.ctx);
    EXPECT_EQ(m.Registry().GetString(kHkeyLocalMachine, L"SOFTWARE\\Velora\\Quorix", L"CurSID"),
              L"vlq2011aid30017xx-XX");
}

// ---------------------------------------------------------------- the installation GUID

platform::Guid Parse(const std::wstring& text) {
    platform::Guid guid;
    EXPECT_TRUE(sim::ParseGuidText(text, &guid)) << std::string(text.begin(), text.end());
    return guid;
}

void Migrating(sim::SimRegistry& r, const std::wstring& subkey, const std::wstring& text) {
    r.PutString(kHkeyLocalMachine, kSetup + L"\\" + subkey, L"", L"Id");
    r.PutString(kHkeyLocalMachine, kSetup + L"\\" + subkey, L"Id", text);
}

struct GuidCase {
    const char* situation;
    std::function<void(SessionMachine&)> arrange;
    std::optional<std::wstring> machineGuid;  // the setup key's default value after the run
    std::optional<std::wstring> userGuid;     // the same below HKEY_CURRENT_USER
    std::size_t guidsCreated;
    bool oldSubkeysRemain = false;
};

const std::wstring kNew = L"{51000001-5157-4001-8011-223344556601}";  // the sim's first GUID

class EnsureGuid : public ::testing::TestWithParam<GuidCase> {};

TEST_P(EnsureGuid, LeavesOneGuidWhereItBelongs) {
    const GuidCase& c = GetParam();
    SessionMachine m;
    c.arrange(m);
    EnsureInstallationGuid(m.ctx);
    EXPECT_EQ(m.Registry().GetString(kHkeyLocalMachine, kSetup, L""), c.machineGuid);
    EXPECT_EQ(m.Registry().GetString(kHkeyCurrentUser, kSetup, L""), c.userGuid);
    EXPECT_EQ(m.machine.com.created.size(), c.guidsCreated);
    const bool remain = m.Registry().KeyExists(kHkeyLocalMachine, kSetup + L"\\VLQ2010") ||
                        m.Registry().KeyExists(kHkeyLocalMachine, kSetup + L"\\VLQ2011");
    EXPECT_EQ(remain, c.oldSubkeysRemain);
    EXPECT_EQ(m.machine.com.ApartmentDepth(), 0u);
    m.ExpectNothingLeftOpen();
}

INSTANTIATE_TEST_SUITE_P(
    Machines, EnsureGuid,
    ::testing::Values(
        GuidCase{"NewMachineGetsOne", [](SessionMachine&) {}, kNew, std::nullopt, 1},
        GuidCase{"ExistingOneIsKept",
                 [](SessionMachine& m) {
                     m.Registry().PutString(kHkeyLocalMachine, kSetup, L"", kGuidText);
                 },
                 kGuidText, std::nullopt, 0},
        GuidCase{"LowerCaseTextIsKeptAsItStands",
                 [](SessionMachine& m) {
                     m.Registry().PutString(kHkeyLocalMachine, kSetup, L"",
                                            L"{a1b2c3d4-0000-1111-2222-333344445555}");
                 },
                 L"{a1b2c3d4-0000-1111-2222-333344445555}", std::nullopt, 0},
        GuidCase{"RejectedTextIsReplaced",
                 [](SessionMachine& m) {
                     m.Registry().PutString(kHkeyLocalMachine, kSetup, L"", L"{garbage}");
                 },
                 kNew, std::nullopt, 1},
        GuidCase{"GuidOfAnotherTypeIsReplaced",
                 [](SessionMachine& m) {
                     m.Registry().PutValue(kHkeyLocalMachine, kSetup, L"", platform::kRegExpandSz,
                                           ToUtf16LeBytes(kGuidText, true));
                 },
                 kNew, std::nullopt, 1},
        GuidCase{"The2010LayoutIsMigrated",
                 [](SessionMachine& m) { Migrating(m.Registry(), L"VLQ2010", kGuidText); },
                 kGuidText, std::nullopt, 0},
        GuidCase{"The2011LayoutIsMigratedAndBothGo",
                 [](SessionMachine& m) {
                     Migrating(m.Registry(), L"VLQ2011", kGuidText);
                     Migrating(m.Registry(), L"VLQ2010", kOtherGuidText);
                 },
                 kGuidText, std::nullopt, 0},
        GuidCase{"AnUnusable2011SubkeyHidesThe2010One",
                 [](SessionMachine& m) {
                     Migrating(m.Registry(), L"VLQ2011", L"not a guid");
                     Migrating(m.Registry(), L"VLQ2010", kOtherGuidText);
                 },
                 kNew, std::nullopt, 1, true},
        GuidCase{"AFailedMigrationWriteKeepsTheOldSubkeys",
                 [](SessionMachine& m) {
                     Migrating(m.Registry(), L"VLQ2010", kGuidText);
                     m.machine.core.faults.Fail("RegSetValueExW", kErrorAccessDenied);
                 },
                 std::nullopt, std::nullopt, 0, true},
        GuidCase{"UnwritableMachineKeepsItWithTheUser",
                 [](SessionMachine& m) { m.Registry().DenyAccess(kHkeyLocalMachine, L"Software"); },
                 std::nullopt, kNew, 1},
        GuidCase{"NowhereToWriteLeavesNothing",
                 [](SessionMachine& m) {
                     m.Registry().DenyAccess(kHkeyLocalMachine, L"Software");
                     m.Registry().DenyAccess(kHkeyCurrentUser, L"Software");
                 },
                 std::nullopt, std::nullopt, 1},
        GuidCase{"ReadOnlySetupKeyIsLeftAlone",
                 [](SessionMachine& m) {
                     m.Registry().PutKey(kHkeyLocalMachine, kSetup);
                     m.Registry().DenyAccess(kHkeyLocalMachine, kSetup, platform::kKeySetValue);
                 },
                 std::nullopt, std::nullopt, 0},
        GuidCase{"NoGuidFromTheSystemWritesNothing",
                 [](SessionMachine& m) {
                     m.machine.core.faults.Fail("CoCreateGuid", kErrorNotEnoughMemory);
                 },
                 std::nullopt, std::nullopt, 0},
        GuidCase{"AnUnformattableGuidIsNotWritten",
                 [](SessionMachine& m) {
                     m.machine.core.faults.Fail("StringFromGUID2", kErrorNotEnoughMemory);
                 },
                 std::nullopt, std::nullopt, 1},
        GuidCase{"ComAlreadyInAnotherModeStillWorks",
                 [](SessionMachine& m) { m.machine.com.threadInMultithreadedApartment = true; },
                 kNew, std::nullopt, 1}),
    [](const auto& info) { return std::string(info.param.situation); });

TEST(EnsureInstallationGuid, ASecondRunKeepsTheFirstRunsGuid) {
    SessionMachine m;
    EnsureInstallationGuid(m.ctx);
    const auto first = m.Registry().GetValue(kHkeyLocalMachine, kSetup, L"");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->type, platform::kRegSz);
    EXPECT_EQ(first->data.size(), 78u);  // 38 characters and the terminator
    EnsureInstallationGuid(m.ctx);
    EXPECT_EQ(m.Registry().GetValue(kHkeyLocalMachine, kSetup, L"")->data, first->data);
    EXPECT_EQ(m.machine.com.created.size(), 1u);
}

TEST(EnsureInstallationGuid, AGuidKeptWithTheUserIsNotFoundAgain) {
    SessionMachine m;
    m.Registry().DenyAccess(kHkeyLocalMachine, L"Software");
    EnsureInstallationGuid(m.ctx);
    EnsureInstallationGuid(m.ctx);
    EXPECT_EQ(m.machine.com.created.size(), 2u);
    EXPECT_EQ(m.Registry().GetString(kHkeyCurrentUser, kSetup, L""),
              sim::FormatGuidText(m.machine.com.created[1]));
}

TEST(ReadInstallationGuid, FindsMigratesOrReportsNothingButNeverCreates) {
    SessionMachine m;
    EXPECT_EQ(ReadInstallationGuid(m.ctx), std::nullopt);  // no setup key
    m.Registry().PutString(kHkeyCurrentUser, kSetup, L"", kGuidText);
    EXPECT_EQ(ReadInstallationGuid(m.ctx), std::nullopt);  // the user's is not looked at
    m.Registry().PutString(kHkeyLocalMachine, kSetup, L"", L"rejected");
    EXPECT_EQ(ReadInstallationGuid(m.ctx), std::nullopt);
    EXPECT_EQ(m.Registry().GetString(kHkeyLocalMachine, kSetup, L""), L"rejected");
    Migrating(m.Registry(), L"VLQ2010", kOtherGuidText);
    EXPECT_EQ(ReadInstallationGuid(m.ctx), Parse(kOtherGuidText));
    EXPECT_EQ(m.Registry().GetString(kHkeyLocalMachine, kSetup, L""), kOtherGuidText);
    EXPECT_EQ(m.Registry().deletedKeys.size(), 1u);
    EXPECT_EQ(ReadInstallationGuid(m.ctx), Parse(kOtherGuidText));
    EXPECT_TRUE(m.machine.com.created.empty());
    m.ExpectNothingLeftOpen();
}

TEST(ReadInstallationGuid, AnOldSubkeyWithoutAValueNameGivesNothing) {
    SessionMachine m;
    m.Registry().PutString(kHkeyLocalMachine, kSetup + L"\\VLQ2011", L"", L"");
    m.Registry().PutString(kHkeyLocalMachine, kSetup + L"\\VLQ2011", L"Id", kGuidText);
    Migrating(m.Registry(), L"VLQ2010", kOtherGuidText);
    EXPECT_EQ(ReadInstallationGuid(m.ctx), std::nullopt);
    EXPECT_TRUE(m.Registry().deletedKeys.empty());
}

// ---------------------------------------------------------------- the texts

struct TimeCase {
    platform::SystemTime time;
    std::wstring text;
};

class SystemTimeText : public ::testing::TestWithParam<TimeCase> {};

TEST_P(SystemTimeText, HasTwoDigitFieldsAfterThePlainYear) {
    EXPECT_EQ(FormatSystemTime(GetParam().time), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Times, SystemTimeText,
                         ::testing::Values(TimeCase{sim::MakeSystemTime(2011, 1, 31, 9, 5, 0, 999),
                                                    L"2011-01-31 09:05:00"},
                                           TimeCase{sim::MakeSystemTime(2011, 12, 1, 23, 59, 59),
                                                    L"2011-12-01 23:59:59"},
                                           TimeCase{sim::MakeSystemTime(999, 10, 10, 10, 10, 10),
                                                    L"999-10-10 10:10:10"}));

TEST(GuidToString, GivesTheBracedUpperCaseTextOrThrows) {
    SimProcess p;
    EXPECT_EQ(GuidToString(p.ctx, Parse(L"{00112233-4455-6677-8899-aabbccddeeff}")), kGuidText);
    p.machine.core.faults.Fail("StringFromGUID2", kErrorNotEnoughMemory);
    try {
        GuidToString(p.ctx, Parse(kGuidText));
        ADD_FAILURE() << "no exception";
    } catch (const CallFailed& error) {
        EXPECT_STREQ(error.what(), "StringFromGUID2 failed");
    }
}

TEST(GuidBytes, FollowTheTextsOrder) {
    const auto bytes = GuidBytesInTextOrder(Parse(kGuidText));
    for (std::size_t i = 0; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], i * 0x11) << i;
}

}  // namespace
}  // namespace quorix
