// Reading the stamped tag of our own file, through the platform, into the installer properties.
#include <gtest/gtest.h>

#include "package/tag_reader.h"
#include "support/pe_sample.h"
#include "support/sim_run.h"

namespace quorix {
namespace {

using test::BuildPeSample;
using test::PeSampleCut;
using test::PeSampleSpec;
using test::SimProcess;

const std::wstring kExe = test::kProductExePath;

struct TagReadOutcome {
    std::vector<std::wstring> captions;  // warning boxes shown, in order
    std::wstring tagProperties;
    std::wstring affiliateId;
    std::wstring affiliateFlags;
};

TagReadOutcome ReadTagOf(const std::vector<std::uint8_t>& image, SimProcess* process = nullptr) {
    SimProcess local;
    SimProcess& p = process ? *process : local;
    p.machine.files.PutFile(kExe, image);
    ReadStampedTag(p.ctx, kExe);
    TagReadOutcome outcome;
    for (const sim::MessageBoxRecord& box : p.machine.ui.boxes) {
        EXPECT_EQ(box.text, L"No AID Config found.  Using default values.");
        EXPECT_EQ(box.style, 0x30u);
        outcome.captions.push_back(box.caption.value_or(L"(default)"));
    }
    outcome.tagProperties = p.state.tagProperties;
    outcome.affiliateId = p.state.affiliateId;
    outcome.affiliateFlags = p.state.affiliateFlags;
    EXPECT_EQ(p.machine.core.ledger.OpenCount(), 0u) << p.machine.core.ledger.Describe();
    return outcome;
}

const std::wstring kDefault = L"AFFILIATEID=vlq2011aid30017xx-XX AFFILIATEIDFLAGS=#0";

TEST(StampedTag, TagBecomesInstallerPropertiesWithoutABox) {
    PeSampleSpec spec;
    spec.tagText = "AFFILIATEID=abc&AFFILIATEIDFLAGS=.1";
    TagReadOutcome outcome = ReadTagOf(BuildPeSample(spec).image);
    EXPECT_TRUE(outcome.captions.empty());
    EXPECT_EQ(outcome.tagProperties, L"AFFILIATEID=abc AFFILIATEIDFLAGS=#1");
    EXPECT_EQ(outcome.affiliateId, L"abc");
    EXPECT_EQ(outcome.affiliateFlags, L"1");
}

TEST(StampedTag, DefaultTagGivesTheBuiltInProperties) {
    TagReadOutcome outcome = ReadTagOf(BuildPeSample().image);
    EXPECT_TRUE(outcome.captions.empty());
    EXPECT_EQ(outcome.tagProperties, kDefault);
}

TEST(StampedTag, ZeroByteInsideTheTextEndsIt) {
    PeSampleSpec spec;
    spec.tagText = std::string("AFFILIATEID=ab\0cd&X=.1", 22);
    EXPECT_EQ(ReadTagOf(BuildPeSample(spec).image).tagProperties, L"AFFILIATEID=ab");
}

struct FilteredTagCase {
    const char* name;
    std::string text;
    std::wstring properties;
};

class FilteredTagRead : public ::testing::TestWithParam<FilteredTagCase> {};

// A rewritten tag loses only its foreign or unsafe pairs: no box, and the affiliate stays.
TEST_P(FilteredTagRead, PassesOnlyTheProductsPairsWithoutABox) {
    PeSampleSpec spec;
    spec.tagText = GetParam().text;
    TagReadOutcome outcome = ReadTagOf(BuildPeSample(spec).image);
    EXPECT_TRUE(outcome.captions.empty());
    EXPECT_EQ(outcome.tagProperties, GetParam().properties);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FilteredTagRead,
    ::testing::Values(
        FilteredTagCase{"InjectedInstallFolderAndReboot",
                        "AFFILIATEID=x&INSTALLDIR=C:\\Users\\Public\\Evil\\&REBOOT=ReallySuppress"
                        "&AFFILIATEIDFLAGS=.1",
                        L"AFFILIATEID=x AFFILIATEIDFLAGS=#1"},
        FilteredTagCase{"PairWithoutEquals", "AFFILIATEID=a&REBOOT", L"AFFILIATEID=a"},
        FilteredTagCase{"EmptyPair", "AFFILIATEID=a&&AFFILIATEIDFLAGS=.1",
                        L"AFFILIATEID=a AFFILIATEIDFLAGS=#1"},
        FilteredTagCase{"TrailingAmpersand", "AFFILIATEID=a&", L"AFFILIATEID=a"},
        // Kept, "AFFILIATEIDFLAGS=" would swallow the TRANSFORMS property that follows it.
        FilteredTagCase{"EmptyFlagsValue", "AFFILIATEID=x&AFFILIATEIDFLAGS=", L"AFFILIATEID=x"}),
    [](const ::testing::TestParamInfo<FilteredTagCase>& info) {
        return std::string(info.param.name);
    });

struct NoAffiliateCase {
    const char* name;
    std::string text;
    std::wstring keptAfterTheDefault;  // what follows the default affiliate's pair
    std::wstring flags;
};

class NoAffiliateKept : public ::testing::TestWithParam<NoAffiliateCase> {};

// A readable tag that keeps no affiliate stops no unattended run with a box. The installer
// receives the default affiliate first, then whatever the tag kept, and the program records
// that same affiliate and the flags the installer receives.
TEST_P(NoAffiliateKept, PassesTheDefaultAffiliateFirstWithoutABox) {
    const NoAffiliateCase& c = GetParam();
    PeSampleSpec spec;
    spec.tagText = c.text;
    TagReadOutcome outcome = ReadTagOf(BuildPeSample(spec).image);
    EXPECT_TRUE(outcome.captions.empty());
    EXPECT_EQ(outcome.tagProperties, L"AFFILIATEID=vlq2011aid30017xx-XX" + c.keptAfterTheDefault);
    EXPECT_EQ(outcome.affiliateId, L"vlq2011aid30017xx-XX");
    EXPECT_EQ(outcome.affiliateFlags, c.flags);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NoAffiliateKept,
    ::testing::Values(
        NoAffiliateCase{"QuoteAndBlank", "AFFILIATEID=x\" REBOOT=Force", L"", L"0"},
        NoAffiliateCase{"LineFeed", "AFFILIATEID=a\nREBOOT=Force", L"", L"0"},
        NoAffiliateCase{"ForeignKeyOnly", "X=a", L"", L"0"},
        NoAffiliateCase{"NoEqualsAnywhere", "AFFILIATEID&", L"", L"0"},
        NoAffiliateCase{"Empty", "", L"", L"0"}, NoAffiliateCase{"EmptyPairsOnly", "&&", L"", L"0"},
        NoAffiliateCase{"FlagsAlone", "AFFILIATEIDFLAGS=.4", L" AFFILIATEIDFLAGS=#4", L"4"},
        NoAffiliateCase{"EmptyAffiliate", "AFFILIATEID=&AFFILIATEIDFLAGS=.1",
                        L" AFFILIATEIDFLAGS=#1", L"1"},
        NoAffiliateCase{"QuoteAndBlankFlagsKept",
                        "AFFILIATEID=x\" REBOOT=Force&AFFILIATEIDFLAGS=.1", L" AFFILIATEIDFLAGS=#1",
                        L"1"},
        NoAffiliateCase{"HighByteFlagsKept", "AFFILIATEID=\xc3\xa9&AFFILIATEIDFLAGS=.0",
                        L" AFFILIATEIDFLAGS=#0", L"0"}),
    [](const ::testing::TestParamInfo<NoAffiliateCase>& info) {
        return std::string(info.param.name);
    });

TEST(StampedTag, FileThatCannotBeOpenedWarnsAtStageOne) {
    SimProcess process;
    ReadStampedTag(process.ctx, L"C:\\Setup\\QuorixSetup");  // argv[0] without its extension
    ASSERT_EQ(process.machine.ui.boxes.size(), 1u);
    EXPECT_EQ(process.machine.ui.boxes[0].caption, L"extract_aidconfig1");
    EXPECT_EQ(process.state.tagProperties, kDefault);
}

TEST(StampedTag, EmptyFileCannotBeMappedAndWarnsAtStageOne) {
    EXPECT_EQ(ReadTagOf({}).captions, std::vector<std::wstring>{L"extract_aidconfig1"});
}

TEST(StampedTag, FailingMappingCallsReleaseWhatWasOpened) {
    for (const char* api :
         {"CreateFileMappingW", "MapViewOfFile", "VirtualQuery", "GetFileSizeEx"}) {
        SimProcess process;
        process.machine.core.faults.Fail(api, 8);
        EXPECT_EQ(ReadTagOf(BuildPeSample().image, &process).captions,
                  std::vector<std::wstring>{L"extract_aidconfig1"})
            << api;
    }
}

struct NoTagCase {
    const char* name;
    PeSampleSpec spec;
};

PeSampleSpec With(void (*change)(PeSampleSpec&)) {
    PeSampleSpec spec;
    change(spec);
    return spec;
}

class NoTag : public ::testing::TestWithParam<NoTagCase> {};

TEST_P(NoTag, WarnsAtStageTwoAndKeepsTheDefault) {
    TagReadOutcome outcome = ReadTagOf(BuildPeSample(GetParam().spec).image);
    EXPECT_EQ(outcome.captions, std::vector<std::wstring>{L"extract_aidconfig2"});
    EXPECT_EQ(outcome.tagProperties, kDefault);
}

INSTANTIATE_TEST_SUITE_P(
    Files, NoTag,
    ::testing::Values(
        NoTagCase{"NoMzSignature", With([](PeSampleSpec& s) { s.dosSignature = false; })},
        NoTagCase{"NoPeSignature", With([](PeSampleSpec& s) { s.peSignature = false; })},
        NoTagCase{"Unsigned", With([](PeSampleSpec& s) { s.signedImage = false; })},
        NoTagCase{"ShortDerForm", With([](PeSampleSpec& s) { s.derLengthForm = 0x81; })},
        NoTagCase{"SignedWithoutTag", With([](PeSampleSpec& s) { s.tagPresent = false; })},
        NoTagCase{"WrongMagic", With([](PeSampleSpec& s) { s.tagMagic = "Gacx"; })},
        NoTagCase{"TruncatedDosHeader",
                  With([](PeSampleSpec& s) { s.cut = PeSampleCut::InsideDosHeader; })},
        NoTagCase{"TruncatedPeHeader",
                  With([](PeSampleSpec& s) { s.cut = PeSampleCut::InsidePeHeader; })},
        NoTagCase{"TruncatedSignatureHeader",
                  With([](PeSampleSpec& s) { s.cut = PeSampleCut::InsideSignatureHeader; })},
        NoTagCase{"TagPositionPastTheEnd",
                  With([](PeSampleSpec& s) { s.cut = PeSampleCut::InsideSignatureBlob; })},
        NoTagCase{"FileEndsWhereTheTagStarts",
                  With([](PeSampleSpec& s) { s.cut = PeSampleCut::AtTagStart; })},
        NoTagCase{"TruncatedTagHeader",
                  With([](PeSampleSpec& s) { s.cut = PeSampleCut::InsideTagHeader; })},
        NoTagCase{"TruncatedTagText",
                  With([](PeSampleSpec& s) { s.cut = PeSampleCut::InsideTagText; })},
        NoTagCase{"DeclaredLengthPastTheEnd",
                  With([](PeSampleSpec& s) { s.declaredTagLength = 0xFFFF; })}),
    [](const ::testing::TestParamInfo<NoTagCase>& info) { return std::string(info.param.name); });

TEST(StampedTag, LargestTagIsRead) {
    PeSampleSpec spec;
    spec.tagText = std::string(0xFFFF, 'a');
    spec.tagText.replace(0, 12, "AFFILIATEID=");
    TagReadOutcome outcome = ReadTagOf(BuildPeSample(spec).image);
    EXPECT_TRUE(outcome.captions.empty());
    EXPECT_EQ(outcome.tagProperties.size(), 0xFFFFu);
}

TEST(TagExtractor, ReadTagWithTooSmallABufferFails) {
    SimProcess process;
    process.machine.files.PutFile(kExe, BuildPeSample().image);
    TagExtractor extractor(process.ctx.os);
    ASSERT_TRUE(extractor.Open(kExe));
    ASSERT_TRUE(extractor.LocateTag());
    std::int32_t size = 0;
    ASSERT_TRUE(extractor.ReadTag(&size, nullptr));
    EXPECT_EQ(size, static_cast<std::int32_t>(sizeof(test::kDefaultSampleTag)));  // N + 1
    std::vector<std::uint8_t> buffer(size);
    std::int32_t small = size - 1;
    EXPECT_FALSE(extractor.ReadTag(&small, buffer.data()));
    EXPECT_TRUE(extractor.ReadTag(&size, buffer.data()));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data())), test::kDefaultSampleTag);
}

TEST(TagExtractor, ReopeningReleasesThePreviousFile) {
    SimProcess process;
    process.machine.files.PutFile(kExe, BuildPeSample().image);
    {
        TagExtractor extractor(process.ctx.os);
        ASSERT_TRUE(extractor.Open(kExe));
        ASSERT_TRUE(extractor.Open(kExe));
        EXPECT_EQ(process.machine.core.ledger.OpenCount(), 3u);  // file, mapping, view
    }
    EXPECT_EQ(process.machine.core.ledger.OpenCount(), 0u);
    EXPECT_EQ(process.machine.core.ledger.BadCloses(), 0);
}

}  // namespace
}  // namespace quorix
