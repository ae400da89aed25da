// String lists as the pending-rename check reads them: the size first, then the bytes exactly
// as stored, also when the writer left the list unterminated or of odd length.
#include <gtest/gtest.h>

#include <vector>

#include "common/result_codes.h"
#include "common/utf16.h"
#include "contract_environment.h"

namespace quorix::contract {
namespace {

class RegistryStringListContract : public ::testing::TestWithParam<std::vector<std::uint8_t>> {
protected:
    void SetUp() override {
        ASSERT_EQ(Registry().CreateKey(platform::kHkeyCurrentUser,
                                       L"Software\\QuorixContract\\" + Env().UniqueName(L"List"),
                                       platform::kRegOptionNonVolatile,
                                       platform::kKeyRead | platform::kKeyWrite, &key_, nullptr),
                  0u);
    }
    void TearDown() override { EXPECT_EQ(Registry().CloseKey(key_), 0u); }
    platform::Registry& Registry() { return Env().Os().registry; }
    platform::RegistryKey key_ = 0;
};

TEST_P(RegistryStringListContract, ComesBackWithItsStoredSizeAndBytes) {
    const std::vector<std::uint8_t>& stored = GetParam();
    // RegSetValueExW counts a terminator the caller "forgot" when a zero character follows the
    // data in memory (NT does so, and Wine with it); non-zero bytes behind it keep the list as
    // given.
    std::vector<std::uint8_t> source = stored;
    source.insert(source.end(), {0xFF, 0xFF, 0xFF, 0xFF});
    ASSERT_EQ(Registry().SetValue(key_, L"PendingFileRenameOperations", platform::kRegMultiSz,
                                  source.data(), static_cast<std::uint32_t>(stored.size())),
              0u);
    std::uint32_t type = 0, size = 0;
    ASSERT_EQ(Registry().QueryValue(key_, L"PendingFileRenameOperations", &type, nullptr, &size),
              0u);
    EXPECT_EQ(type, platform::kRegMultiSz);
    EXPECT_EQ(size, stored.size());
    std::vector<std::uint8_t> read(size + 8, 0xEE);
    std::uint32_t capacity = size;
    ASSERT_EQ(Registry().QueryValue(key_, L"PendingFileRenameOperations", nullptr, read.data(),
                                    &capacity),
              0u);
    EXPECT_EQ(capacity, stored.size());
    EXPECT_EQ(std::vector<std::uint8_t>(read.begin(), read.begin() + capacity), stored);
    // Nothing is written past the size the buffer was given.
    EXPECT_EQ(read[capacity], 0xEE);
}

std::vector<std::uint8_t> Terminated() {
    std::vector<std::uint8_t> bytes;
    AppendUtf16LeTerminated(bytes, L"\\??\\C:\\a.dll");
    AppendUtf16LeTerminated(bytes, L"");
    AppendUtf16LeTerminated(bytes, L"");
    return bytes;
}

std::vector<std::uint8_t> OddLength() {
    std::vector<std::uint8_t> bytes = ToUtf16LeBytes(L"\\??\\C:\\b.dll", true);
    bytes.push_back(0x41);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(Values, RegistryStringListContract,
                         ::testing::Values(Terminated(),
                                           ToUtf16LeBytes(L"\\??\\C:\\unterminated.dll", false),
                                           OddLength()));

}  // namespace
}  // namespace quorix::contract
