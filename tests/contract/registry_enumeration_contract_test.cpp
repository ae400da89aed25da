// How the registry lists and removes subkeys, on the simulated Windows and on the real advapi32.
#include <gtest/gtest.h>

#include <vector>

#include "common/result_codes.h"
#include "common/utf16.h"
#include "contract_environment.h"

namespace quorix::contract {
namespace {

using platform::kHkeyCurrentUser;
using platform::RegistryKey;

constexpr std::uint32_t kErrorKeyDeleted = 1018;

class RegistryEnumerationContract : public ::testing::Test {
protected:
    void SetUp() override { path_ = L"Software\\QuorixContract\\" + Env().UniqueName(L"Enum"); }
    void TearDown() override {
        for (RegistryKey key : opened_) Registry().CloseKey(key);
    }
    platform::Registry& Registry() { return Env().Os().registry; }

    RegistryKey Create(const std::wstring& below) {
        RegistryKey key = 0;
        EXPECT_EQ(
            Registry().CreateKey(kHkeyCurrentUser, path_ + below, platform::kRegOptionNonVolatile,
                                 platform::kKeyRead | platform::kKeyWrite, &key, nullptr),
            0u);
        if (key != 0) opened_.push_back(key);
        return key;
    }
    RegistryKey Open(const std::wstring& below, std::uint32_t access) {
        RegistryKey key = 0;
        const std::uint32_t result =
            Registry().OpenKey(kHkeyCurrentUser, path_ + below, access, &key);
        if (result != 0) return 0;
        opened_.push_back(key);
        return key;
    }
    std::vector<std::wstring> Names(RegistryKey key) {
        std::vector<std::wstring> names;
        std::wstring name;
        std::uint32_t result = 0;
        for (std::uint32_t i = 0; (result = Registry().EnumKey(key, i, 260, &name)) == 0; ++i) {
            names.push_back(name);
        }
        EXPECT_EQ(result, platform::kErrorNoMoreItems);
        return names;
    }

    std::wstring path_;
    std::vector<RegistryKey> opened_;
};

TEST_F(RegistryEnumerationContract, SubkeysComeInNameOrderWithoutRegardToCase) {
    Create(L"\\beta");
    Create(L"\\Alpha");
    Create(L"\\gamma\\deeper");
    const RegistryKey key = Open(L"", platform::kKeyRead);
    ASSERT_NE(key, 0u);
    EXPECT_EQ(Names(key), (std::vector<std::wstring>{L"Alpha", L"beta", L"gamma"}));
}

TEST_F(RegistryEnumerationContract, AKeyWithoutSubkeysListsNothing) {
    EXPECT_TRUE(Names(Create(L"")).empty());
}

TEST_F(RegistryEnumerationContract, ANameThatDoesNotFitIsMoreData) {
    Create(L"\\Alpha");
    const RegistryKey key = Open(L"", platform::kKeyRead);
    std::wstring name = L"untouched";
    EXPECT_EQ(Registry().EnumKey(key, 0, 5, &name), kErrorMoreData);  // 5 + terminator needed
    EXPECT_EQ(name, L"untouched");
    EXPECT_EQ(Registry().EnumKey(key, 0, 6, &name), 0u);
    EXPECT_EQ(name, L"Alpha");
}

TEST_F(RegistryEnumerationContract, ListingNeedsTheRightToEnumerate) {
    Create(L"\\Alpha");
    const RegistryKey key = Open(L"", platform::kKeyQueryValue);
    ASSERT_NE(key, 0u);
    std::wstring name;
    EXPECT_EQ(Registry().EnumKey(key, 0, 260, &name), kErrorAccessDenied);
}

TEST_F(RegistryEnumerationContract, DeletingALeafTakesItsValuesWithIt) {
    const RegistryKey leaf = Create(L"\\leaf");
    const std::vector<std::uint8_t> bytes = ToUtf16LeBytes(L"x", true);
    ASSERT_EQ(Registry().SetValue(leaf, L"v", platform::kRegSz, bytes.data(), 4), 0u);
    const RegistryKey parent = Open(L"", platform::kKeyRead | platform::kKeySetValue);
    EXPECT_EQ(Registry().DeleteKey(parent, L"leaf"), 0u);
    EXPECT_EQ(Open(L"\\leaf", platform::kKeyRead), 0u);
    EXPECT_TRUE(Names(parent).empty());
    // The handle opened before stays a handle, to a key that is gone.
    std::uint32_t size = 0;
    EXPECT_EQ(Registry().QueryValue(leaf, L"v", nullptr, nullptr, &size), kErrorKeyDeleted);
}

TEST_F(RegistryEnumerationContract, AKeyWithSubkeysIsNotDeleted) {
    Create(L"\\outer\\inner");
    const RegistryKey parent = Open(L"", platform::kKeyRead);
    EXPECT_EQ(Registry().DeleteKey(parent, L"outer"), kErrorAccessDenied);
    EXPECT_NE(Open(L"\\outer\\inner", platform::kKeyRead), 0u);
}

TEST_F(RegistryEnumerationContract, DeletingAMissingKeyIsFileNotFound) {
    const RegistryKey parent = Create(L"");
    EXPECT_EQ(Registry().DeleteKey(parent, L"never-created"), kErrorFileNotFound);
}

}  // namespace
}  // namespace quorix::contract
