// The typed registry reads every room shares: numbers of odd sizes and types, multi-strings
// that are missing, short or of another type, and the text read that throws.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/result_codes.h"
#include "core/process_state.h"
#include "core/registry_values.h"
#include "platform/sim/sim_machine.h"

namespace quorix {
namespace {

using platform::kHkeyLocalMachine;

const std::wstring kKey = L"Software\\Velora\\Values";

struct OpenedKey {
    sim::SimMachine machine;
    platform::UniqueRegistryKey key{machine.registry};

    void Open() {
        ASSERT_EQ(
            machine.registry.OpenKey(kHkeyLocalMachine, kKey, platform::kKeyRead, key.Receive()),
            kErrorSuccess);
    }
};

// ------------------------------------------------------------------------- numbers

struct DwordCase {
    const char* name;
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
    bool read;
    std::uint32_t value;
};

class DwordValueTest : public ::testing::TestWithParam<DwordCase> {};

TEST_P(DwordValueTest, ReadsFourBytesLeastSignificantFirst) {
    const DwordCase& c = GetParam();
    OpenedKey rig;
    rig.machine.registry.PutValue(kHkeyLocalMachine, kKey, L"Number", c.type, c.bytes);
    rig.Open();
    std::uint32_t value = 0xDEADBEEFu;
    EXPECT_EQ(QueryDwordValue(rig.machine.registry, rig.key.Get(), L"Number", &value), c.read);
    // A failed read leaves the caller's value alone.
    EXPECT_EQ(value, c.read ? c.value : 0xDEADBEEFu);
}

INSTANTIATE_TEST_SUITE_P(
    Values, DwordValueTest,
    ::testing::Values(
        DwordCase{"Dword", platform::kRegDword, {0x01, 0x02, 0x03, 0x04}, true, 0x04030201u},
        DwordCase{"HighBitSet", platform::kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}, true, 0xFFFFFFFFu},
        DwordCase{"TwoBytesFillTheLowHalf", platform::kRegBinary, {0x01, 0x00}, true, 1},
        DwordCase{"EmptyValueIsZero", platform::kRegBinary, {}, true, 0},
        DwordCase{"AnyTypeOfFourBytes", platform::kRegSz, {0x31, 0x00, 0x00, 0x00}, true, 0x31},
        DwordCase{"FiveBytesDoNotFit", platform::kRegBinary, {1, 0, 0, 0, 0}, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DwordValue, MissingValueIsNoNumber) {
    OpenedKey rig;
    rig.machine.registry.PutKey(kHkeyLocalMachine, kKey);
    rig.Open();
    std::uint32_t value = 7;
    EXPECT_FALSE(QueryDwordValue(rig.machine.registry, rig.key.Get(), L"Number", &value));
    EXPECT_EQ(value, 7u);
}

// ------------------------------------------------------------------------- multi-strings

struct MultiStringCase {
    const char* name;
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
    bool read;
};

class MultiStringValueTest : public ::testing::TestWithParam<MultiStringCase> {};

TEST_P(MultiStringValueTest, ReadsOnlyAMultiStringWithATerminator) {
    const MultiStringCase& c = GetParam();
    OpenedKey rig;
    rig.machine.registry.PutValue(kHkeyLocalMachine, kKey, L"List", c.type, c.bytes);
    rig.Open();
    boost::shared_array<std::uint8_t> bytes;
    std::uint32_t size = 0;
    ASSERT_EQ(QueryMultiStringValue(rig.machine.registry, rig.key.Get(), L"List", &bytes, &size),
              c.read);
    if (!c.read) return;
    ASSERT_EQ(size, c.bytes.size());
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.get(), bytes.get() + size), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Values, MultiStringValueTest,
    ::testing::Values(
        MultiStringCase{
            "TwoStrings", platform::kRegMultiSz, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}, true},
        MultiStringCase{"OnlyTheTerminator", platform::kRegMultiSz, {0, 0}, true},
        MultiStringCase{"OneByteIsTooShort", platform::kRegMultiSz, {0}, false},
        MultiStringCase{"EmptyIsTooShort", platform::kRegMultiSz, {}, false},
        MultiStringCase{"PlainStringIsAnotherType", platform::kRegSz, {'a', 0, 0, 0}, false}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------------------- the text that throws

struct NotFoundCase {
    const char* name;
    std::function<void(sim::SimRegistry&)> arrange;
};

class RegistryStringNotFoundTest : public ::testing::TestWithParam<NotFoundCase> {};

TEST_P(RegistryStringNotFoundTest, ThrowsTheOneMessageItsCallersCatch) {
    sim::SimMachine machine;
    ProcessState state;
    ProcessContext ctx{machine.Os(), state};
    GetParam().arrange(machine.registry);
    try {
        ReadRegistryString(ctx, kKey, L"Text");
        FAIL() << "no exception";
    } catch (const CallFailed& error) {
        EXPECT_STREQ(error.what(), "Registry Value not found");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Machines, RegistryStringNotFoundTest,
    ::testing::Values(
        NotFoundCase{"NoKey", [](sim::SimRegistry&) {}},
        NotFoundCase{"NoValue", [](sim::SimRegistry& r) { r.PutKey(kHkeyLocalMachine, kKey); }},
        NotFoundCase{"Number",
                     [](sim::SimRegistry& r) { r.PutDword(kHkeyLocalMachine, kKey, L"Text", 1); }},
        NotFoundCase{"MultiString",
                     [](sim::SimRegistry& r) {
                         r.PutMultiString(kHkeyLocalMachine, kKey, L"Text", {L"a"});
                     }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegistryString, TextWithoutTerminatorEndsWithTheBytesRead) {
    sim::SimMachine machine;
    ProcessState state;
    ProcessContext ctx{machine.Os(), state};
    machine.registry.PutValue(kHkeyLocalMachine, kKey, L"Text", platform::kRegSz, {'a', 0, 'b', 0});
    EXPECT_EQ(ReadRegistryString(ctx, kKey, L"Text"), L"ab");
}

}  // namespace
}  // namespace quorix
