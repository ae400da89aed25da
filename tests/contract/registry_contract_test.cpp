// How the registry area behaves, on the simulated Windows and on the real advapi32 alike.
#include <gtest/gtest.h>

#include <vector>

#include "common/result_codes.h"
#include "common/utf16.h"
#include "contract_environment.h"

namespace quorix::contract {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using platform::RegistryKey;

class RegistryContract : public ::testing::Test {
protected:
    void SetUp() override { path_ = L"Software\\QuorixContract\\" + Env().UniqueName(L"Key"); }
    void TearDown() override {
        for (RegistryKey key : opened_) EXPECT_EQ(Registry().CloseKey(key), 0u);
    }
    platform::Registry& Registry() { return Env().Os().registry; }

    RegistryKey Create(RegistryKey root, const std::wstring& path, std::uint32_t access,
                       std::uint32_t* disposition = nullptr) {
        RegistryKey key = 0;
        EXPECT_EQ(Registry().CreateKey(root, path, platform::kRegOptionNonVolatile, access, &key,
                                       disposition),
                  0u);
        if (key != 0) opened_.push_back(key);
        return key;
    }
    RegistryKey CreateWritable() {
        return Create(kHkeyCurrentUser, path_, platform::kKeyRead | platform::kKeyWrite);
    }
    void Set(RegistryKey key, const std::wstring& name, std::uint32_t type,
             const std::vector<std::uint8_t>& bytes) {
        ASSERT_EQ(Registry().SetValue(key, name, type, bytes.data(),
                                      static_cast<std::uint32_t>(bytes.size())),
                  0u);
    }

    std::wstring path_;
    std::vector<RegistryKey> opened_;
};

TEST_F(RegistryContract, CreatingAKeyTwiceCreatesItFirstAndOpensItThen) {
    std::uint32_t first = 0, second = 0;
    Create(kHkeyCurrentUser, path_, platform::kKeyRead | platform::kKeyWrite, &first);
    Create(kHkeyCurrentUser, path_, platform::kKeyRead | platform::kKeyWrite, &second);
    EXPECT_EQ(first, platform::kRegCreatedNewKey);
    EXPECT_EQ(second, platform::kRegOpenedExistingKey);
}

TEST_F(RegistryContract, ATextKeepsItsTerminatorAndReportsItsByteCount) {
    const RegistryKey key = CreateWritable();
    const std::vector<std::uint8_t> bytes = ToUtf16LeBytes(L"Quorix", true);
    ASSERT_EQ(bytes.size(), 14u);  // 2 x 6 characters + 2
    Set(key, L"Name", platform::kRegSz, bytes);

    std::uint32_t type = 0, size = 0;
    ASSERT_EQ(Registry().QueryValue(key, L"Name", &type, nullptr, &size), 0u);
    EXPECT_EQ(type, platform::kRegSz);
    EXPECT_EQ(size, 14u);

    std::vector<std::uint8_t> read(32, 0xCC);
    size = static_cast<std::uint32_t>(read.size());
    ASSERT_EQ(Registry().QueryValue(key, L"Name", &type, read.data(), &size), 0u);
    EXPECT_EQ(size, 14u);
    EXPECT_EQ(std::vector<std::uint8_t>(read.begin(), read.begin() + 14), bytes);
}

TEST_F(RegistryContract, ABufferTooSmallGivesMoreDataAndTheSizeNeeded) {
    const RegistryKey key = CreateWritable();
    Set(key, L"Name", platform::kRegSz, ToUtf16LeBytes(L"Quorix", true));
    for (std::uint32_t capacity : {0u, 4u, 12u, 13u}) {
        std::vector<std::uint8_t> read(16, 0);
        std::uint32_t size = capacity;
        EXPECT_EQ(Registry().QueryValue(key, L"Name", nullptr, read.data(), &size), kErrorMoreData)
            << "capacity " << capacity;
        EXPECT_EQ(size, 14u);
    }
}

TEST_F(RegistryContract, ANumberIsFourLittleEndianBytes) {
    const RegistryKey key = CreateWritable();
    Set(key, L"Flags", platform::kRegDword, {0x78, 0x56, 0x34, 0x12});
    std::uint32_t type = 0, size = 4;
    std::uint8_t read[4] = {};
    ASSERT_EQ(Registry().QueryValue(key, L"Flags", &type, read, &size), 0u);
    EXPECT_EQ(type, platform::kRegDword);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(read[0] | read[1] << 8 | read[2] << 16 | static_cast<std::uint32_t>(read[3]) << 24,
              0x12345678u);
}

TEST_F(RegistryContract, AStringListComesBackByteForByte) {
    const RegistryKey key = CreateWritable();
    std::vector<std::uint8_t> bytes;
    AppendUtf16LeTerminated(bytes, L"C:\\a.tmp");
    AppendUtf16LeTerminated(bytes, L"");
    AppendUtf16LeTerminated(bytes, L"");
    Set(key, L"List", platform::kRegMultiSz, bytes);
    std::uint32_t type = 0, size = 0;
    ASSERT_EQ(Registry().QueryValue(key, L"List", &type, nullptr, &size), 0u);
    EXPECT_EQ(type, platform::kRegMultiSz);
    ASSERT_EQ(size, bytes.size());
    std::vector<std::uint8_t> read(size);
    ASSERT_EQ(Registry().QueryValue(key, L"List", &type, read.data(), &size), 0u);
    EXPECT_EQ(read, bytes);
}

TEST_F(RegistryContract, TheDefaultValueHasTheEmptyName) {
    const RegistryKey key = CreateWritable();
    std::uint32_t size = 0;
    EXPECT_EQ(Registry().QueryValue(key, L"", nullptr, nullptr, &size), kErrorFileNotFound);
    Set(key, L"", platform::kRegSz, ToUtf16LeBytes(L"{guid}", true));
    EXPECT_EQ(Registry().QueryValue(key, L"", nullptr, nullptr, &size), 0u);
    EXPECT_EQ(size, 14u);
}

TEST_F(RegistryContract, AMissingValueIsFileNotFound) {
    const RegistryKey key = CreateWritable();
    std::uint32_t type = 0, size = 0;
    EXPECT_EQ(Registry().QueryValue(key, L"NoSuchValue", &type, nullptr, &size),
              kErrorFileNotFound);
    std::uint8_t read[8] = {};
    size = sizeof(read);
    EXPECT_EQ(Registry().QueryValue(key, L"NoSuchValue", &type, read, &size), kErrorFileNotFound);
}

TEST_F(RegistryContract, AMissingKeyIsFileNotFoundAndHandsOutNothing) {
    RegistryKey key = 0;
    EXPECT_EQ(Registry().OpenKey(kHkeyCurrentUser, path_ + L"\\Missing", platform::kKeyRead, &key),
              kErrorFileNotFound);
    EXPECT_EQ(key, 0u);
    EXPECT_EQ(Registry().OpenKey(kHkeyLocalMachine, path_, platform::kKeyRead, &key),
              kErrorFileNotFound);
    EXPECT_EQ(key, 0u);
}

TEST_F(RegistryContract, NamesIgnoreLetterCase) {
    const RegistryKey key = CreateWritable();
    Set(key, L"AutoUninst", platform::kRegSz, ToUtf16LeBytes(L"1", true));
    RegistryKey again = 0;
    std::wstring upper = path_;
    for (wchar_t& c : upper) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    ASSERT_EQ(Registry().OpenKey(kHkeyCurrentUser, upper, platform::kKeyRead, &again), 0u);
    opened_.push_back(again);
    std::uint32_t size = 0;
    EXPECT_EQ(Registry().QueryValue(again, L"AUTOUNINST", nullptr, nullptr, &size), 0u);
    EXPECT_EQ(size, 4u);
}

TEST_F(RegistryContract, ATrailingBackslashNamesTheSameKey) {
    const RegistryKey key = Create(kHkeyCurrentUser, path_ + L"\\Setup\\", platform::kKeyWrite);
    Set(key, L"AutoUninst", platform::kRegSz, ToUtf16LeBytes(L"1", true));
    RegistryKey again = 0;
    ASSERT_EQ(Registry().OpenKey(kHkeyCurrentUser, path_ + L"\\Setup", platform::kKeyRead, &again),
              0u);
    opened_.push_back(again);
    std::uint32_t size = 0;
    EXPECT_EQ(Registry().QueryValue(again, L"AutoUninst", nullptr, nullptr, &size), 0u);
}

TEST_F(RegistryContract, ASubkeyPathMayNotStartWithABackslash) {
    RegistryKey key = 0;
    EXPECT_EQ(Registry().CreateKey(kHkeyCurrentUser, L"\\" + path_, 0, platform::kKeyWrite, &key,
                                   nullptr),
              161u);  // ERROR_BAD_PATHNAME
    EXPECT_EQ(key, 0u);
}

TEST_F(RegistryContract, ASizeQueryOfATooSmallBufferStillReportsTheType) {
    const RegistryKey key = CreateWritable();
    Set(key, L"Name", platform::kRegSz, ToUtf16LeBytes(L"Quorix", true));
    std::uint8_t read[2] = {};
    std::uint32_t type = 0, size = sizeof(read);
    EXPECT_EQ(Registry().QueryValue(key, L"Name", &type, read, &size), kErrorMoreData);
    EXPECT_EQ(type, platform::kRegSz);
}

TEST_F(RegistryContract, ASubkeyOpensBelowAnOpenKey) {
    const RegistryKey parent = CreateWritable();
    const RegistryKey child = Create(parent, L"VLQ2011", platform::kKeyWrite);
    Set(child, L"", platform::kRegSz, ToUtf16LeBytes(L"x", true));
    RegistryKey again = 0;
    ASSERT_EQ(
        Registry().OpenKey(kHkeyCurrentUser, path_ + L"\\VLQ2011", platform::kKeyRead, &again), 0u);
    opened_.push_back(again);
}

TEST_F(RegistryContract, AKeyOpenedForReadingRefusesWritesAndTheOtherWayRound) {
    CreateWritable();
    RegistryKey readOnly = 0, writeOnly = 0;
    ASSERT_EQ(Registry().OpenKey(kHkeyCurrentUser, path_, platform::kKeyRead, &readOnly), 0u);
    opened_.push_back(readOnly);
    const std::uint8_t one[4] = {1, 0, 0, 0};
    EXPECT_EQ(Registry().SetValue(readOnly, L"Flags", platform::kRegDword, one, 4),
              kErrorAccessDenied);
    ASSERT_EQ(Registry().OpenKey(kHkeyCurrentUser, path_, platform::kKeySetValue, &writeOnly), 0u);
    opened_.push_back(writeOnly);
    EXPECT_EQ(Registry().SetValue(writeOnly, L"Flags", platform::kRegDword, one, 4), 0u);
    std::uint32_t size = 0;
    EXPECT_EQ(Registry().QueryValue(writeOnly, L"Flags", nullptr, nullptr, &size),
              kErrorAccessDenied);
}

TEST_F(RegistryContract, ClosingAKeyTwiceFailsTheSecondTime) {
    RegistryKey key = 0;
    ASSERT_EQ(Registry().CreateKey(kHkeyCurrentUser, path_, 0, platform::kKeyRead, &key, nullptr),
              0u);
    EXPECT_EQ(Registry().CloseKey(key), 0u);
    EXPECT_EQ(Registry().CloseKey(key), kErrorInvalidHandle);
}

TEST_F(RegistryContract, ClosingAPredefinedRootSucceeds) {
    EXPECT_EQ(Registry().CloseKey(kHkeyLocalMachine), 0u);
    RegistryKey key = 0;
    EXPECT_EQ(Registry().OpenKey(kHkeyLocalMachine, L"Software", platform::kKeyRead, &key), 0u);
    opened_.push_back(key);
}

// A 32-bit Windows (or a 32-bit prefix) has one view: both view flags reach the same key. A
// 64-bit one keeps a 32-bit twin of Software (Software\Wow6432Node in its 64-bit view): a
// value written through the 64-bit view is not seen through the 32-bit one.
TEST_F(RegistryContract, TheViewFlagsReachOneKeyOrTheTwoViewsOfA64BitWindows) {
    RegistryKey probe = 0;
    const bool twoViews =
        Registry().OpenKey(kHkeyLocalMachine, L"Software\\Wow6432Node",
                           platform::kKeyRead | platform::kKeyWow64_64Key, &probe) == 0;
    if (twoViews) {
        EXPECT_EQ(Registry().CloseKey(probe), 0u);
    }
    const RegistryKey key =
        Create(kHkeyLocalMachine, path_, platform::kKeyWrite | platform::kKeyWow64_64Key);
    Set(key, L"PreinstallMode", platform::kRegDword, {1, 0, 0, 0});
    RegistryKey other = 0;
    const std::uint32_t opened = Registry().OpenKey(
        kHkeyLocalMachine, path_, platform::kKeyRead | platform::kKeyWow64_32Key, &other);
    if (opened == 0) opened_.push_back(other);
    std::uint8_t read[4] = {};
    std::uint32_t size = 4;
    if (!twoViews) {
        ASSERT_EQ(opened, 0u);
        EXPECT_EQ(Registry().QueryValue(other, L"PreinstallMode", nullptr, read, &size), 0u);
        EXPECT_EQ(read[0], 1u);
    } else if (opened == 0) {
        EXPECT_EQ(Registry().QueryValue(other, L"PreinstallMode", nullptr, read, &size),
                  kErrorFileNotFound);
    } else {
        EXPECT_EQ(opened, kErrorFileNotFound);
    }
}

}  // namespace
}  // namespace quorix::contract
