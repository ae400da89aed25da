#include "package/tag_layout.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/pe_sample.h"

namespace quorix::tag {
namespace {

using test::BuildPeSample;
using test::PeSample;
using test::PeSampleCut;
using test::PeSampleSpec;
using test::PutLe32;
using test::ReadTagBack;

// --- LocateTag ------------------------------------------------------------------------------

class TagPositionForDerLength : public ::testing::TestWithParam<uint16_t> {};

// The builder lays the blob out and pads it the way signing tools do; the reader must land
// exactly behind that padding for every blob length, including the 16-bit extremes.
TEST_P(TagPositionForDerLength, LandsBehindThePaddedBlob) {
    PeSampleSpec spec;
    spec.derContentLength = GetParam();
    const PeSample sample = BuildPeSample(spec);

    TagLocation at{};
    ASSERT_TRUE(LocateTag(sample.image.data(), sample.image.size(), &at));
    EXPECT_EQ(at.certificateEntryOffset, sample.certificateEntryOffset);
    EXPECT_EQ(at.tagOffset, sample.tagOffset);
    EXPECT_EQ(at.tagOffset % 8, 0u);
    EXPECT_GE(at.tagOffset, 12u + GetParam());
}

INSTANTIATE_TEST_SUITE_P(DerLengths, TagPositionForDerLength,
                         ::testing::Values(0, 1, 3, 4, 5, 12, 0x1F3, 0x5F6, 0xFFF8, 0xFFFF));

struct RejectedImage {
    const char* name;
    PeSampleSpec spec;
};

void PrintTo(const RejectedImage& c, std::ostream* os) { *os << c.name; }

class LocateTagRejects : public ::testing::TestWithParam<RejectedImage> {};

TEST_P(LocateTagRejects, AndLeavesTheLocationUntouched) {
    const PeSample sample = BuildPeSample(GetParam().spec);
    TagLocation at{0xAAAA, 0xBBBB};
    EXPECT_FALSE(LocateTag(sample.image.data(), sample.image.size(), &at));
    EXPECT_EQ(at.certificateEntryOffset, 0xAAAAu);
    EXPECT_EQ(at.tagOffset, 0xBBBBu);
}

PeSampleSpec Spec(void (*change)(PeSampleSpec&)) {
    PeSampleSpec spec;
    change(spec);
    return spec;
}

INSTANTIATE_TEST_SUITE_P(
    Images, LocateTagRejects,
    ::testing::Values(
        RejectedImage{"NoMz", Spec([](PeSampleSpec& s) { s.dosSignature = false; })},
        RejectedImage{"NoPeSignature", Spec([](PeSampleSpec& s) { s.peSignature = false; })},
        RejectedImage{"Unsigned", Spec([](PeSampleSpec& s) { s.signedImage = false; })},
        RejectedImage{"ShortDerLengthForm", Spec([](PeSampleSpec& s) { s.derLengthForm = 0x81; })},
        RejectedImage{"ThreeByteDerLengthForm",
                      Spec([](PeSampleSpec& s) { s.derLengthForm = 0x83; })},
        RejectedImage{"CutInsideDosHeader",
                      Spec([](PeSampleSpec& s) { s.cut = PeSampleCut::InsideDosHeader; })},
        RejectedImage{"CutInsidePeHeader",
                      Spec([](PeSampleSpec& s) { s.cut = PeSampleCut::InsidePeHeader; })},
        RejectedImage{"CutInsideSignatureHeader",
                      Spec([](PeSampleSpec& s) { s.cut = PeSampleCut::InsideSignatureHeader; })}),
    [](const ::testing::TestParamInfo<RejectedImage>& info) { return info.param.name; });

// The security entry is 16 bytes further on in a 64-bit optional header; the slot where a
// 32-bit header keeps it is another directory there (and the other way round).
struct HeaderKind {
    const char* name;
    bool pe32Plus;
    uint32_t securityEntry;  // from the PE signature
    uint32_t otherKindsEntry;
};

void PrintTo(const HeaderKind& c, std::ostream* os) { *os << c.name; }

class LocateTagPerHeaderKind : public ::testing::TestWithParam<HeaderKind> {};

TEST_P(LocateTagPerHeaderKind, ReadsTheEntryOfItsOwnKind) {
    PeSampleSpec spec;
    spec.pe32Plus = GetParam().pe32Plus;
    const PeSample sample = BuildPeSample(spec);
    TagLocation at{};
    ASSERT_TRUE(LocateTag(sample.image.data(), sample.image.size(), &at));
    EXPECT_EQ(at.certificateEntryOffset, sample.certificateEntryOffset);
    EXPECT_EQ(at.tagOffset, sample.tagOffset);
    std::string text;
    ASSERT_TRUE(ReadTagBack(sample.image, &text));
    EXPECT_EQ(text, test::kDefaultSampleTag);
}

TEST_P(LocateTagPerHeaderKind, IgnoresTheOtherKindsSlot) {
    PeSampleSpec spec;
    spec.pe32Plus = GetParam().pe32Plus;
    PeSample sample = BuildPeSample(spec);
    PutLe32(sample.image, sample.peHeaderOffset + GetParam().otherKindsEntry,
            sample.certificateEntryOffset);
    PutLe32(sample.image, sample.peHeaderOffset + GetParam().securityEntry, 0);
    TagLocation at{};
    EXPECT_FALSE(LocateTag(sample.image.data(), sample.image.size(), &at));
}

INSTANTIATE_TEST_SUITE_P(Kinds, LocateTagPerHeaderKind,
                         ::testing::Values(HeaderKind{"Pe32", false, 0x98, 0xA8},
                                           HeaderKind{"Pe32Plus", true, 0xA8, 0x98}),
                         [](const ::testing::TestParamInfo<HeaderKind>& info) {
                             return info.param.name;
                         });

// Offsets read from the file are attacker-controlled: near 4 GiB they must not wrap around
// into the buffer.
TEST(LocateTagBounds, PeHeaderOffsetNearFourGigabytes) {
    PeSample sample = BuildPeSample();
    PutLe32(sample.image, 0x3C, 0xFFFFFFFE);
    TagLocation at{};
    EXPECT_FALSE(LocateTag(sample.image.data(), sample.image.size(), &at));
}

TEST(LocateTagBounds, CertificateTableOffsetNearFourGigabytes) {
    PeSample sample = BuildPeSample();
    PutLe32(sample.image, sample.peHeaderOffset + kSecurityDirectoryOffset, 0xFFFFFFF8);
    TagLocation at{};
    EXPECT_FALSE(LocateTag(sample.image.data(), sample.image.size(), &at));
}

TEST(LocateTagBounds, CertificateTableOffsetPastTheEnd) {
    PeSample sample = BuildPeSample();
    PutLe32(sample.image, sample.peHeaderOffset + kSecurityDirectoryOffset,
            static_cast<uint32_t>(sample.image.size()));
    TagLocation at{};
    EXPECT_FALSE(LocateTag(sample.image.data(), sample.image.size(), &at));
}

// The bytes exist in memory, but the caller said the image ends earlier: the last byte
// LocateTag needs (the DER length's low byte) must be within `size`.
TEST(LocateTagBounds, HonoursSizeRatherThanTheBuffer) {
    const PeSample sample = BuildPeSample();
    const uint64_t lastNeeded = sample.certificateEntryOffset + 11;
    TagLocation at{};
    EXPECT_FALSE(LocateTag(sample.image.data(), lastNeeded, &at));
    EXPECT_TRUE(LocateTag(sample.image.data(), lastNeeded + 1, &at));
}

TEST(LocateTagBounds, EmptyOrMissingImage) {
    TagLocation at{};
    const uint8_t mz[] = {'M', 'Z'};
    EXPECT_FALSE(LocateTag(mz, 0, &at));
    EXPECT_FALSE(LocateTag(mz, sizeof mz, &at));
    EXPECT_FALSE(LocateTag(nullptr, 4096, &at));
    const PeSample sample = BuildPeSample();
    EXPECT_FALSE(LocateTag(sample.image.data(), sample.image.size(), nullptr));
}

// --- ReadTagText ----------------------------------------------------------------------------

struct ReadableTag {
    const char* name;
    std::string text;
};

void PrintTo(const ReadableTag& c, std::ostream* os) { *os << c.name; }

class ReadTagTextReads : public ::testing::TestWithParam<ReadableTag> {};

TEST_P(ReadTagTextReads, TheDeclaredBytesInPlace) {
    PeSampleSpec spec;
    spec.tagText = GetParam().text;
    const PeSample sample = BuildPeSample(spec);

    TagLocation at{};
    ASSERT_TRUE(LocateTag(sample.image.data(), sample.image.size(), &at));
    const uint8_t* text = nullptr;
    uint16_t length = 0xFFFF;
    ASSERT_TRUE(ReadTagText(sample.image.data(), sample.image.size(), at, &text, &length));
    EXPECT_EQ(length, GetParam().text.size());
    EXPECT_EQ(text, sample.image.data() + sample.TagFileOffset() + kTagHeaderSize);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(text), length), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Tags, ReadTagTextReads,
    ::testing::Values(ReadableTag{"Default", test::kDefaultSampleTag}, ReadableTag{"Empty", ""},
                      ReadableTag{"OneByte", "A"},
                      // The zero byte is part of the declared length; ending the text there is the
                      // caller's business.
                      ReadableTag{"ZeroByteInside", std::string("AFFILIATEID=a\0bc", 16)},
                      ReadableTag{"HighBytes", std::string("\x80\xFF\xC3\xA9=\x01", 6)},
                      ReadableTag{"LongestPossible", std::string(0xFFFF, 'x')}),
    [](const ::testing::TestParamInfo<ReadableTag>& info) { return info.param.name; });

TEST(ReadTagText, TextEndingExactlyAtTheEndOfTheImage) {
    PeSampleSpec spec;
    spec.tagText = "ABCDEF1";  // 6 + 7 = 13 bytes: the padding is cut away below
    PeSample sample = BuildPeSample(spec);
    sample.image.resize(sample.TagFileOffset() + kTagHeaderSize + spec.tagText.size());
    std::string text;
    ASSERT_TRUE(ReadTagBack(sample.image, &text));
    EXPECT_EQ(text, "ABCDEF1");
}

struct UnreadableTag {
    const char* name;
    PeSampleSpec spec;
};

void PrintTo(const UnreadableTag& c, std::ostream* os) { *os << c.name; }

class ReadTagTextRejects : public ::testing::TestWithParam<UnreadableTag> {};

TEST_P(ReadTagTextRejects, AndLeavesTheOutputsUntouched) {
    const PeSample sample = BuildPeSample(GetParam().spec);
    TagLocation at{};
    ASSERT_TRUE(LocateTag(sample.image.data(), sample.image.size(), &at));
    const uint8_t sentinel = 0;
    const uint8_t* text = &sentinel;
    uint16_t length = 0x1234;
    EXPECT_FALSE(ReadTagText(sample.image.data(), sample.image.size(), at, &text, &length));
    EXPECT_EQ(text, &sentinel);
    EXPECT_EQ(length, 0x1234);
}

INSTANTIATE_TEST_SUITE_P(
    Images, ReadTagTextRejects,
    ::testing::Values(
        UnreadableTag{"TagAbsent", Spec([](PeSampleSpec& s) { s.tagPresent = false; })},
        UnreadableTag{"TagAbsentBehindTrailingData", Spec([](PeSampleSpec& s) {
                          s.tagPresent = false;
                          s.bytesAfterTable = 64;
                      })},
        UnreadableTag{"WrongMagic", Spec([](PeSampleSpec& s) { s.tagMagic = "Gacx"; })},
        UnreadableTag{"LowerCaseMagic", Spec([](PeSampleSpec& s) { s.tagMagic = "gact"; })},
        UnreadableTag{"TagPositionPastTheEnd",
                      Spec([](PeSampleSpec& s) { s.cut = PeSampleCut::InsideSignatureBlob; })},
        UnreadableTag{"ImageEndsAtTagStart",
                      Spec([](PeSampleSpec& s) { s.cut = PeSampleCut::AtTagStart; })},
        UnreadableTag{"HeaderTruncated",
                      Spec([](PeSampleSpec& s) { s.cut = PeSampleCut::InsideTagHeader; })},
        UnreadableTag{"TextTruncatedByOneByte",
                      Spec([](PeSampleSpec& s) { s.cut = PeSampleCut::InsideTagText; })},
        UnreadableTag{"DeclaredLengthRunsPastTheEnd", Spec([](PeSampleSpec& s) {
                          s.tagText = "A=b";
                          s.declaredTagLength = 11;  // 6 + 11: one past the 16 padded bytes
                      })},
        UnreadableTag{"DeclaredLengthMaximal", Spec([](PeSampleSpec& s) {
                          s.tagText = "A=b";
                          s.declaredTagLength = 0xFFFF;
                      })}),
    [](const ::testing::TestParamInfo<UnreadableTag>& info) { return info.param.name; });

TEST(ReadTagTextBounds, HonoursSizeRatherThanTheBuffer) {
    const PeSample sample = BuildPeSample();
    TagLocation at{};
    ASSERT_TRUE(LocateTag(sample.image.data(), sample.image.size(), &at));
    const uint64_t end =
        sample.TagFileOffset() + kTagHeaderSize + std::string(test::kDefaultSampleTag).size();
    const uint8_t* text = nullptr;
    uint16_t length = 0;
    EXPECT_FALSE(ReadTagText(sample.image.data(), end - 1, at, &text, &length));
    EXPECT_TRUE(ReadTagText(sample.image.data(), end, at, &text, &length));
}

// A location from a hostile file: entry + offset beyond 32 bits must not wrap to a small
// offset inside the buffer.
TEST(ReadTagTextBounds, LocationSumBeyondThirtyTwoBits) {
    const PeSample sample = BuildPeSample();
    // 0xFFFFFFF8 + 8 + T wraps to T, the real tag, in 32-bit arithmetic.
    const TagLocation wrapped{0xFFFFFFF8u, 8u + static_cast<uint32_t>(sample.TagFileOffset())};
    const uint8_t* text = nullptr;
    uint16_t length = 0;
    EXPECT_FALSE(ReadTagText(sample.image.data(), sample.image.size(), wrapped, &text, &length));
}

TEST(ReadTagTextBounds, MissingArguments) {
    const PeSample sample = BuildPeSample();
    TagLocation at{};
    ASSERT_TRUE(LocateTag(sample.image.data(), sample.image.size(), &at));
    const uint8_t* text = nullptr;
    uint16_t length = 0;
    EXPECT_FALSE(ReadTagText(nullptr, sample.image.size(), at, &text, &length));
    EXPECT_FALSE(ReadTagText(sample.image.data(), sample.image.size(), at, nullptr, &length));
    EXPECT_FALSE(ReadTagText(sample.image.data(), sample.image.size(), at, &text, nullptr));
}

}  // namespace
}  // namespace quorix::tag
