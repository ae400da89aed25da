#include "../../tools/stamp_tag/stamp.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "package/tag_filter.h"
#include "package/tag_layout.h"
#include "support/pe_sample.h"

namespace quorix::tag {
namespace {

using test::BuildPeSample;
using test::PeSample;
using test::PeSampleCut;
using test::PeSampleSpec;
using test::PutLe32;
using test::ReadTagBack;

constexpr uint32_t kChecksumOffset = 24 + 64;  // relative to the PE header

uint32_t ReadLe32(const std::vector<uint8_t>& b, uint64_t at) {
    return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
           (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

PeSample UntaggedSample(bool pe32Plus = false) {
    PeSampleSpec spec;
    spec.tagPresent = false;
    spec.pe32Plus = pe32Plus;
    return BuildPeSample(spec);
}

// The security entry of the sample's own kind of optional header.
uint64_t SecurityEntry(const PeSample& sample) {
    const auto magic = static_cast<uint16_t>(sample.image[sample.peHeaderOffset + 24] |
                                             (sample.image[sample.peHeaderOffset + 25] << 8));
    return sample.peHeaderOffset + SecurityDirectoryOffsetFor(magic);
}

// What a verifier relies on after stamping: one entry, its dwLength and the directory size
// agreeing, 8-byte padded, ending the file.
void ExpectConsistentTable(const PeSample& original, const std::vector<uint8_t>& image) {
    const uint64_t entry = original.certificateEntryOffset;
    const uint32_t entryLength = ReadLe32(image, entry);
    EXPECT_EQ(entry + entryLength, image.size());
    EXPECT_EQ(entryLength % 8, 0u);
    EXPECT_EQ(ReadLe32(image, SecurityEntry(original)), entry);
    EXPECT_EQ(ReadLe32(image, SecurityEntry(original) + 4), entryLength);
}

// Everything the signature covers, and the signature itself, stays as it was.
void ExpectSignedBytesUnchanged(const PeSample& original, const std::vector<uint8_t>& image) {
    const uint64_t entry = original.certificateEntryOffset;
    ASSERT_GE(image.size(), entry + original.tagOffset);
    std::vector<uint8_t> before(original.image.begin(),
                                original.image.begin() + entry + original.tagOffset);
    std::vector<uint8_t> after(image.begin(), image.begin() + entry + original.tagOffset);
    // The fields that must change: the checksum, the directory size and dwLength.
    const uint64_t pe = original.peHeaderOffset;
    for (uint64_t field : {pe + kChecksumOffset, SecurityEntry(original) + 4, entry}) {
        PutLe32(before, field, 0);
        PutLe32(after, field, 0);
    }
    EXPECT_EQ(before, after);
}

// --- Stamping and reading back --------------------------------------------------------------

struct StampCase {
    const char* name;
    std::string tag;
    bool pe32Plus = false;
};

void PrintTo(const StampCase& c, std::ostream* os) { *os << c.name; }

class StampTagRoundTrip : public ::testing::TestWithParam<StampCase> {};

TEST_P(StampTagRoundTrip, ReaderGetsTheTextBack) {
    const PeSample original = UntaggedSample(GetParam().pe32Plus);
    std::vector<uint8_t> image = original.image;
    std::string error = "stale";
    ASSERT_EQ(StampTag(image, GetParam().tag, &error), StampStatus::Ok) << error;
    EXPECT_TRUE(error.empty());

    std::string text;
    ASSERT_TRUE(ReadTagBack(image, &text));
    EXPECT_EQ(text, GetParam().tag);
    ExpectConsistentTable(original, image);
    ExpectSignedBytesUnchanged(original, image);
}

INSTANTIATE_TEST_SUITE_P(
    Tags, StampTagRoundTrip,
    ::testing::Values(StampCase{"Default", test::kDefaultSampleTag}, StampCase{"Empty", ""},
                      StampCase{"FillsEightByteBoundary", "AB"},  // 6 + 2: no padding
                      StampCase{"ZeroByteInside", std::string("A=b\0c", 5)},
                      StampCase{"LongestPossible", std::string(0xFFFF, 'q')},
                      StampCase{"DefaultIntoPe32Plus", test::kDefaultSampleTag, true},
                      StampCase{"EmptyIntoPe32Plus", "", true}),
    [](const ::testing::TestParamInfo<StampCase>& info) { return info.param.name; });

class StampTagRetagging : public ::testing::Test {
protected:
    void SetUp() override {
        PeSampleSpec spec;
        spec.tagText = "AFFILIATEID=first-tag-of-medium-length";
        spec.checksum = 1;
        original = BuildPeSample(spec);
        image = original.image;
    }

    void Stamp(const std::string& tag) {
        std::string error;
        ASSERT_EQ(StampTag(image, tag, &error), StampStatus::Ok) << error;
        std::string text;
        ASSERT_TRUE(ReadTagBack(image, &text));
        EXPECT_EQ(text, tag);
        ExpectConsistentTable(original, image);
        ExpectSignedBytesUnchanged(original, image);
    }

    PeSample original;
    std::vector<uint8_t> image;
};

TEST_F(StampTagRetagging, ShorterTagShrinksTheTable) {
    Stamp("A=b");
    EXPECT_EQ(image.size(), original.TagFileOffset() + 16);
}

TEST_F(StampTagRetagging, LongerTagGrowsTheTable) {
    Stamp(std::string(1000, 'L'));
    EXPECT_EQ(image.size(), original.TagFileOffset() + 1008);
}

TEST_F(StampTagRetagging, RepeatedStampsLeaveOnlyTheLastTag) {
    Stamp(std::string(300, 'x'));
    Stamp("A=b");
    Stamp(test::kDefaultSampleTag);
    Stamp("");
    EXPECT_EQ(image.size(), original.TagFileOffset() + 8);
}

TEST_F(StampTagRetagging, SameTagTwiceGivesTheSameBytes) {
    Stamp("AFFILIATEID=x");
    const std::vector<uint8_t> once = image;
    Stamp("AFFILIATEID=x");
    EXPECT_EQ(image, once);
}

// Some signers leave the entry's own padding out of dwLength and the file ends right
// behind the blob; the tag still goes behind the rounded-up position the reader computes.
TEST(StampTagEntryLayout, UnpaddedEntryAtTheEndOfTheFile) {
    PeSampleSpec spec;
    spec.tagPresent = false;
    spec.derContentLength = 0x1F3;  // 12 + 0x1F3 = 511: one byte short of the boundary
    PeSample original = BuildPeSample(spec);
    const uint64_t entry = original.certificateEntryOffset;
    original.image.resize(entry + 511);
    PutLe32(original.image, entry, 511);
    PutLe32(original.image, original.peHeaderOffset + kSecurityDirectoryOffset + 4, 511);

    std::vector<uint8_t> image = original.image;
    std::string error;
    ASSERT_EQ(StampTag(image, "A=b", &error), StampStatus::Ok) << error;
    std::string text;
    ASSERT_TRUE(ReadTagBack(image, &text));
    EXPECT_EQ(text, "A=b");
    ExpectConsistentTable(original, image);
    EXPECT_EQ(image[entry + 511], 0);  // the blob's padding is zero-filled
}

// --- Checksum -------------------------------------------------------------------------------

TEST(StampTagChecksum, RecomputedWhenTheFileCarriesOne) {
    PeSampleSpec spec;
    spec.tagPresent = false;
    spec.checksum = 0xDEADBEEF;
    const PeSample original = BuildPeSample(spec);
    std::vector<uint8_t> image = original.image;
    ASSERT_EQ(StampTag(image, test::kDefaultSampleTag, nullptr), StampStatus::Ok);
    const uint64_t field = original.peHeaderOffset + kChecksumOffset;
    EXPECT_EQ(ReadLe32(image, field), ComputePeChecksum(image.data(), image.size(), field));
    EXPECT_NE(ReadLe32(image, field), 0xDEADBEEFu);
}

TEST(StampTagChecksum, LeftZeroWhenNeverComputed) {
    const PeSample original = UntaggedSample();
    std::vector<uint8_t> image = original.image;
    ASSERT_EQ(StampTag(image, test::kDefaultSampleTag, nullptr), StampStatus::Ok);
    EXPECT_EQ(ReadLe32(image, original.peHeaderOffset + kChecksumOffset), 0u);
}

// Hand-computed: 16-bit little-endian words summed with the carry folded back in, the
// checksum field counted as zero, then the file length added.
TEST(PeChecksum, FoldsCarriesSkipsItsFieldAndAddsTheLength) {
    const std::vector<uint8_t> bytes = {0xFF, 0xFF, 0x03, 0x00, 0x11, 0x22, 0x33, 0x44, 0x01};
    // 0xFFFF + 0x0003 = 0x10002 -> 0x0003; + 0x0001 (odd last byte) = 0x0004; + 9 bytes.
    EXPECT_EQ(ComputePeChecksum(bytes.data(), bytes.size(), 4), 0x0004u + 9);
    // With the field at 0 the first two words drop out instead.
    EXPECT_EQ(ComputePeChecksum(bytes.data(), bytes.size(), 0), 0x2211u + 0x4433 + 1 + 9);
}

// Folding only once at the end would lose the second carry here.
TEST(PeChecksum, CarryFromAFoldedSumIsFoldedAgain) {
    const std::vector<uint8_t> bytes = {0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00, 0, 0, 0, 0};
    // 0xFFFF + 0xFFFF = 0x1FFFE -> 0xFFFF; + 0x0001 = 0x10000 -> 0x0001; + 10 bytes.
    EXPECT_EQ(ComputePeChecksum(bytes.data(), bytes.size(), 6), 0x0001u + 10);
}

TEST(PeChecksum, FieldAtAnOddOffsetIsLeftOutExactly) {
    const std::vector<uint8_t> bytes = {0x01, 0xAA, 0xBB, 0xCC, 0xDD, 0x02, 0x00, 0x00};
    // Bytes 1..4 are the field: words 0x0001, 0x0000, 0x0200, 0x0000.
    EXPECT_EQ(ComputePeChecksum(bytes.data(), bytes.size(), 1), 0x0201u + 8);
}

// --- Refusals -------------------------------------------------------------------------------

struct RefusedCase {
    const char* name;
    PeSampleSpec spec;
    void (*spoil)(PeSample&);  // a change the sample builder has no knob for, or null
    StampStatus expected;
    std::string tag = "A=b";
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class StampTagRefuses : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(StampTagRefuses, WithAReasonAndTheImageUntouched) {
    PeSample sample = BuildPeSample(GetParam().spec);
    if (GetParam().spoil != nullptr) {
        GetParam().spoil(sample);
    }
    std::vector<uint8_t> image = sample.image;
    std::string error;
    EXPECT_EQ(StampTag(image, GetParam().tag, &error), GetParam().expected);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(image, sample.image);
}

PeSampleSpec Spec(void (*change)(PeSampleSpec&)) {
    PeSampleSpec spec;
    change(spec);
    return spec;
}

INSTANTIATE_TEST_SUITE_P(
    Images, StampTagRefuses,
    ::testing::Values(
        RefusedCase{"NoMz", Spec([](PeSampleSpec& s) { s.dosSignature = false; }), nullptr,
                    StampStatus::NotPe},
        RefusedCase{"NoPeSignature", Spec([](PeSampleSpec& s) { s.peSignature = false; }), nullptr,
                    StampStatus::NotPe},
        RefusedCase{"CutInsideDosHeader",
                    Spec([](PeSampleSpec& s) { s.cut = PeSampleCut::InsideDosHeader; }), nullptr,
                    StampStatus::NotPe},
        RefusedCase{"EmptyFile", PeSampleSpec(), [](PeSample& p) { p.image.clear(); },
                    StampStatus::NotPe},
        RefusedCase{"PeHeaderOffsetPastTheEnd", PeSampleSpec(),
                    [](PeSample& p) { PutLe32(p.image, 0x3C, 0xFFFFFFF0); }, StampStatus::NotPe},
        RefusedCase{"RomOptionalHeader", PeSampleSpec(),
                    [](PeSample& p) {
                        p.image[p.peHeaderOffset + 24] = 0x07;
                        p.image[p.peHeaderOffset + 25] = 0x01;
                    },
                    StampStatus::UnknownOptionalHeader},
        RefusedCase{"Pe32PlusUnsigned", Spec([](PeSampleSpec& s) {
                        s.pe32Plus = true;
                        s.signedImage = false;
                    }),
                    nullptr, StampStatus::Unsigned},
        RefusedCase{"Pe32PlusNoSecurityDirectorySlot",
                    Spec([](PeSampleSpec& s) { s.pe32Plus = true; }),
                    [](PeSample& p) { PutLe32(p.image, p.peHeaderOffset + 24 + 108, 4); },
                    StampStatus::Unsigned},
        RefusedCase{"Unsigned", Spec([](PeSampleSpec& s) { s.signedImage = false; }), nullptr,
                    StampStatus::Unsigned},
        RefusedCase{"NoSecurityDirectorySlot", PeSampleSpec(),
                    [](PeSample& p) { PutLe32(p.image, p.peHeaderOffset + 24 + 92, 4); },
                    StampStatus::Unsigned},
        RefusedCase{"ShortDerLengthForm", Spec([](PeSampleSpec& s) { s.derLengthForm = 0x81; }),
                    nullptr, StampStatus::UnsupportedSignatureBlob},
        RefusedCase{"ThreeByteDerLengthForm", Spec([](PeSampleSpec& s) { s.derLengthForm = 0x83; }),
                    nullptr, StampStatus::UnsupportedSignatureBlob},
        RefusedCase{"DataBehindTheTable", Spec([](PeSampleSpec& s) { s.bytesAfterTable = 8; }),
                    nullptr, StampStatus::CertificateTableNotAtEnd},
        RefusedCase{"TableRunsPastTheEnd",
                    Spec([](PeSampleSpec& s) { s.cut = PeSampleCut::InsideTagText; }), nullptr,
                    StampStatus::MalformedCertificateTable},
        RefusedCase{"SecondCertificateEntry", PeSampleSpec(),
                    [](PeSample& p) {
                        p.image.resize(p.image.size() + 16, 0);
                        PutLe32(p.image, SecurityEntry(p) + 4, p.entryLength + 16);
                    },
                    StampStatus::MultipleCertificateEntries},
        RefusedCase{
            "EntryLongerThanTheTable", PeSampleSpec(),
            [](PeSample& p) { PutLe32(p.image, p.certificateEntryOffset, p.entryLength + 8); },
            StampStatus::MalformedCertificateTable},
        RefusedCase{"BlobLongerThanItsEntry", Spec([](PeSampleSpec& s) { s.tagPresent = false; }),
                    [](PeSample& p) {
                        // dwLength 505 still rounds up to the table's 512 bytes, but the
                        // 12 + 0x1F3 = 511 bytes of blob do not fit in it.
                        PutLe32(p.image, p.certificateEntryOffset, 505);
                    },
                    StampStatus::MalformedCertificateTable},
        RefusedCase{"TagOverSixteenBits", PeSampleSpec(), nullptr, StampStatus::TagTooLong,
                    std::string(0x10000, 't')}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

}  // namespace
}  // namespace quorix::tag

// --- The tag check and the description of a file's tag ----------------------------------------

namespace quorix::tag {
namespace {

struct CheckCase {
    const char* name;
    std::string tag;
    bool passes;
    std::string named;  // a part of the refusal that names the pair and why
};

void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }

class StampTagCheck : public ::testing::TestWithParam<CheckCase> {};

TEST_P(StampTagCheck, RefusesWhatTheProgramWouldNotPassOnWhole) {
    std::string error;
    EXPECT_EQ(CheckTagPassesWhole(GetParam().tag, &error), GetParam().passes) << error;
    if (GetParam().passes) {
        EXPECT_TRUE(error.empty()) << error;
    } else {
        EXPECT_NE(error.find(GetParam().named), std::string::npos) << error;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tags, StampTagCheck,
    ::testing::Values(
        CheckCase{"DefaultTag", "AFFILIATEID=vlq2011aid30017xx-XX&AFFILIATEIDFLAGS=.0", true, ""},
        CheckCase{"TrailingAmpersand", "AFFILIATEID=a&", true, ""},
        // Passed on whole, behind the program's default affiliate.
        CheckCase{"Empty", "", true, ""}, CheckCase{"FlagsAlone", "AFFILIATEIDFLAGS=.1", true, ""},
        CheckCase{"EmptyValue", "AFFILIATEID=x&AFFILIATEIDFLAGS=", false,
                  "\"AFFILIATEIDFLAGS=\": the value is empty"},
        CheckCase{"InjectingTag",
                  "AFFILIATEID=x&INSTALLDIR=C:\\Users\\Public\\Evil\\&REBOOT=ReallySuppress"
                  "&AFFILIATEIDFLAGS=.1",
                  false,
                  "\"INSTALLDIR=C:\\Users\\Public\\Evil\\\": the key is not in the product's list"},
        CheckCase{"UnsafeValue", "AFFILIATEID=a b", false, "\"AFFILIATEID=a b\": the value holds"},
        CheckCase{"RepeatedKey", "AFFILIATEID=a&AFFILIATEID=b", false, "already given"},
        CheckCase{"ZeroByte", std::string("AFFILIATEID=a\0b", 15), false, "0 byte"}),
    [](const ::testing::TestParamInfo<CheckCase>& info) { return std::string(info.param.name); });

struct ShowCase {
    const char* name;
    PeSampleSpec spec;
    std::vector<std::string> lines;  // each expected as a whole line of the description
};

void PrintTo(const ShowCase& c, std::ostream* os) { *os << c.name; }

class StampTagShow : public ::testing::TestWithParam<ShowCase> {};

TEST_P(StampTagShow, PrintsWhatTheProgramMakesOfTheTag) {
    const std::string shown = DescribeTagOf(BuildPeSample(GetParam().spec).image);
    for (const std::string& line : GetParam().lines) {
        EXPECT_NE(("\n" + shown).find("\n" + line + "\n"), std::string::npos)
            << "missing line: " << line << "\nin:\n"
            << shown;
    }
}

PeSampleSpec Tagged(const std::string& tag, bool pe32Plus = false) {
    PeSampleSpec spec;
    spec.tagText = tag;
    spec.pe32Plus = pe32Plus;
    return spec;
}

const std::string kInjecting =
    "AFFILIATEID=x&INSTALLDIR=C:\\Users\\Public\\Evil\\&REBOOT=ReallySuppress&AFFILIATEIDFLAGS=.1";

INSTANTIATE_TEST_SUITE_P(
    Files, StampTagShow,
    ::testing::Values(
        ShowCase{"DefaultTag",
                 Tagged(kDefaultTagText),
                 {"tag: AFFILIATEID=vlq2011aid30017xx-XX&AFFILIATEIDFLAGS=.0",
                  "properties passed on: AFFILIATEID=vlq2011aid30017xx-XX AFFILIATEIDFLAGS=#0",
                  "affiliate id: vlq2011aid30017xx-XX", "flags: 0"}},
        ShowCase{
            "InjectingTag",
            Tagged(kInjecting),
            {"dropped: INSTALLDIR=C:\\Users\\Public\\Evil\\ (the key is not in the product's "
             "list of tag keys)",
             "dropped: REBOOT=ReallySuppress (the key is not in the product's list of tag keys)",
             "properties passed on: AFFILIATEID=x AFFILIATEIDFLAGS=#1", "affiliate id: x",
             "flags: 1"}},
        ShowCase{"InjectingTagPe32Plus",
                 Tagged(kInjecting, true),
                 {"properties passed on: AFFILIATEID=x AFFILIATEIDFLAGS=#1", "affiliate id: x",
                  "flags: 1"}},
        ShowCase{"Pe32PlusDefaultTag",
                 Tagged(kDefaultTagText, true),
                 {"affiliate id: vlq2011aid30017xx-XX", "flags: 0"}},
        ShowCase{"FlagsAloneKeepTheirFlags",
                 Tagged("AFFILIATEIDFLAGS=.4"),
                 {"the tag keeps no AFFILIATEID: the program passes its default affiliate first",
                  "properties passed on: AFFILIATEID=vlq2011aid30017xx-XX AFFILIATEIDFLAGS=#4",
                  "affiliate id: vlq2011aid30017xx-XX", "flags: 4"}},
        ShowCase{"EmptyAffiliate",
                 Tagged("AFFILIATEID=&AFFILIATEIDFLAGS=.1"),
                 {"dropped: AFFILIATEID= (the value is empty)",
                  "properties passed on: AFFILIATEID=vlq2011aid30017xx-XX AFFILIATEIDFLAGS=#1",
                  "affiliate id: vlq2011aid30017xx-XX", "flags: 1"}},
        ShowCase{"NothingUsable",
                 Tagged("AFFILIATEID=x\" REBOOT=Force"),
                 {"properties passed on: AFFILIATEID=vlq2011aid30017xx-XX",
                  "affiliate id: vlq2011aid30017xx-XX", "flags: 0"}},
        ShowCase{"Untagged",
                 Spec([](PeSampleSpec& s) { s.tagPresent = false; }),
                 {"no tag: the file is signed, but nothing is stamped behind its signature (no "
                  "\"Gact\")",
                  "properties passed on: AFFILIATEID=vlq2011aid30017xx-XX AFFILIATEIDFLAGS=#0",
                  "affiliate id: vlq2011aid30017xx-XX", "flags: 0"}},
        ShowCase{"Unsigned",
                 Spec([](PeSampleSpec& s) { s.signedImage = false; }),
                 {"no tag: the file is not signed (no certificate table)",
                  "affiliate id: vlq2011aid30017xx-XX"}},
        ShowCase{"Pe32PlusUnsigned",
                 Spec([](PeSampleSpec& s) {
                     s.pe32Plus = true;
                     s.signedImage = false;
                 }),
                 {"no tag: the file is not signed (no certificate table)"}},
        ShowCase{"TagCutShort",
                 Spec([](PeSampleSpec& s) { s.cut = PeSampleCut::InsideTagText; }),
                 {"no tag: the tag's length runs past the end of the file"}},
        ShowCase{"NotPe",
                 Spec([](PeSampleSpec& s) { s.dosSignature = false; }),
                 {"no tag: not a PE file (no \"MZ\" header)"}}),
    [](const ::testing::TestParamInfo<ShowCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorix::tag
