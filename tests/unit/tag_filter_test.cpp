// Which pairs of a stamped tag reach the installer, and in which form.
#include "package/tag_filter.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace quorix::tag {
namespace {

const std::vector<std::string> kDefaultKeys = {"AFFILIATEID", "AFFILIATEIDFLAGS"};

struct FilterCase {
    const char* name;
    std::string tag;
    std::string properties;                 // what the installer receives
    std::vector<std::string> droppedPairs;  // as they stood in the tag
    std::vector<DropReason> reasons;
};

void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.name; }

class TagFilter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(TagFilter, KeepsOnlyListedKeysWithPlainValues) {
    const FilterCase& c = GetParam();
    const FilteredTag filtered = FilterTag(c.tag, kDefaultKeys);
    EXPECT_EQ(PropertiesOf(filtered), c.properties);
    std::vector<std::string> dropped;
    std::vector<DropReason> reasons;
    for (const DroppedPair& pair : filtered.dropped) {
        dropped.push_back(pair.text);
        reasons.push_back(pair.reason);
    }
    EXPECT_EQ(dropped, c.droppedPairs);
    EXPECT_EQ(reasons, c.reasons);
    // The kept text passes the filter again unchanged: stamping it is safe.
    const FilteredTag again = FilterTag(filtered.KeptText(), kDefaultKeys);
    EXPECT_TRUE(again.dropped.empty());
    EXPECT_EQ(PropertiesOf(again), c.properties);
}

INSTANTIATE_TEST_SUITE_P(
    Tags, TagFilter,
    ::testing::Values(
        FilterCase{"DefaultTag",
                   "AFFILIATEID=vlq2011aid30017xx-XX&AFFILIATEIDFLAGS=.0",
                   "AFFILIATEID=vlq2011aid30017xx-XX AFFILIATEIDFLAGS=#0",
                   {},
                   {}},
        FilterCase{"Empty", "", "", {}, {}},
        FilterCase{"InjectedPropertiesDroppedAffiliateKept",
                   "AFFILIATEID=x&INSTALLDIR=C:\\Users\\Public\\Evil\\&REBOOT=ReallySuppress"
                   "&AFFILIATEIDFLAGS=.1",
                   "AFFILIATEID=x AFFILIATEIDFLAGS=#1",
                   {"INSTALLDIR=C:\\Users\\Public\\Evil\\", "REBOOT=ReallySuppress"},
                   {DropReason::UnknownKey, DropReason::UnknownKey}},
        FilterCase{"TrailingAmpersand", "AFFILIATEID=a&", "AFFILIATEID=a", {}, {}},
        FilterCase{"EmptyPairs",
                   "&AFFILIATEID=a&&AFFILIATEIDFLAGS=.2&",
                   "AFFILIATEID=a AFFILIATEIDFLAGS=#2",
                   {},
                   {}},
        // "AFFILIATEID= AFFILIATEIDFLAGS=#1": the installer would give AFFILIATEID the text
        // "AFFILIATEIDFLAGS=#1".
        FilterCase{"EmptyValue",
                   "AFFILIATEID=&AFFILIATEIDFLAGS=.1",
                   "AFFILIATEIDFLAGS=#1",
                   {"AFFILIATEID="},
                   {DropReason::EmptyValue}},
        FilterCase{"BlankAndQuoteInValue",
                   "AFFILIATEID=x\" REBOOT=Force&AFFILIATEIDFLAGS=.1",
                   "AFFILIATEIDFLAGS=#1",
                   {"AFFILIATEID=x\" REBOOT=Force"},
                   {DropReason::UnsafeValue}},
        FilterCase{
            "EqualsInValue", "AFFILIATEID=a=b", "", {"AFFILIATEID=a=b"}, {DropReason::UnsafeValue}},
        FilterCase{"ControlAndHighBytes",
                   "AFFILIATEID=a\tb&AFFILIATEIDFLAGS=\xc3\xa9",
                   "",
                   {"AFFILIATEID=a\tb", "AFFILIATEIDFLAGS=\xc3\xa9"},
                   {DropReason::UnsafeValue, DropReason::UnsafeValue}},
        FilterCase{"PathSeparatorsAndPercent",
                   "AFFILIATEID=..\\x&AFFILIATEIDFLAGS=%TEMP%",
                   "",
                   {"AFFILIATEID=..\\x", "AFFILIATEIDFLAGS=%TEMP%"},
                   {DropReason::UnsafeValue, DropReason::UnsafeValue}},
        FilterCase{"KeyIsCaseSensitive",
                   "affiliateid=a&AFFILIATEID=b",
                   "AFFILIATEID=b",
                   {"affiliateid=a"},
                   {DropReason::UnknownKey}},
        FilterCase{
            "KeyWithBlank", "AFFILIATEID =a", "", {"AFFILIATEID =a"}, {DropReason::UnknownKey}},
        FilterCase{"NoEquals",
                   "AFFILIATEID=a&REBOOT",
                   "AFFILIATEID=a",
                   {"REBOOT"},
                   {DropReason::NoEquals}},
        FilterCase{"EmptyKey", "=a&AFFILIATEID=b", "AFFILIATEID=b", {"=a"}, {DropReason::EmptyKey}},
        FilterCase{"RepeatedKeyFirstWins",
                   "AFFILIATEID=a&AFFILIATEID=b",
                   "AFFILIATEID=a",
                   {"AFFILIATEID=b"},
                   {DropReason::RepeatedKey}},
        FilterCase{"ZeroByteEndsTheText",
                   std::string("AFFILIATEID=a\0&REBOOT=Force", 27),
                   "AFFILIATEID=a",
                   {},
                   {}}),
    [](const ::testing::TestParamInfo<FilterCase>& info) { return std::string(info.param.name); });

TEST(TagFilterKeys, ExtraKeysPassWithTheSameValueRule) {
    const std::vector<std::string> keys = {"AFFILIATEID", "AFFILIATEIDFLAGS", "CHANNEL"};
    const FilteredTag filtered =
        FilterTag("AFFILIATEID=a&CHANNEL=beta.2&CHANNEL2=x&CHANNEL=c d", keys);
    EXPECT_EQ(PropertiesOf(filtered), "AFFILIATEID=a CHANNEL=beta#2");
    ASSERT_EQ(filtered.dropped.size(), 2u);
    EXPECT_EQ(filtered.dropped[0].reason, DropReason::UnknownKey);
    EXPECT_EQ(filtered.dropped[1].reason, DropReason::UnsafeValue);
}

TEST(TagFilterKeys, ProductListStartsWithTheDefaultKeys) {
    const std::vector<std::string>& keys = ProductTagKeys();
    ASSERT_GE(keys.size(), 2u);
    EXPECT_EQ(keys[0], "AFFILIATEID");
    EXPECT_EQ(keys[1], "AFFILIATEIDFLAGS");
    EXPECT_EQ(PropertiesOf(FilterTag(kDefaultTagText, keys)),
              "AFFILIATEID=vlq2011aid30017xx-XX AFFILIATEIDFLAGS=#0");
}

TEST(TagFilterKeys, EveryReasonHasItsOwnSentence) {
    const DropReason all[] = {DropReason::NoEquals,    DropReason::EmptyKey,
                              DropReason::UnknownKey,  DropReason::EmptyValue,
                              DropReason::UnsafeValue, DropReason::RepeatedKey};
    std::vector<std::string> seen;
    for (DropReason reason : all) {
        const std::string sentence = DescribeDropReason(reason);
        EXPECT_NE(sentence, "dropped");
        for (const std::string& earlier : seen) EXPECT_NE(sentence, earlier);
        seen.push_back(sentence);
    }
}

struct PassOnCase {
    const char* tag;
    std::vector<std::string> keys;
    const char* properties;  // what the installer receives
    const char* id;          // what the program records
    const char* flags;
};

class PassedOn : public ::testing::TestWithParam<PassOnCase> {};

// The affiliate and its flags come from the pairs the installer receives, never from a search
// of their text: a key that merely ends in AFFILIATEID, or a "." in another value, changes
// neither.
TEST_P(PassedOn, TheRecordedAffiliateIsTheOneTheInstallerReceives) {
    const PassOnCase& c = GetParam();
    const PassedTag passed = PassOn(FilterTag(std::string(c.tag), c.keys));
    EXPECT_EQ(PropertiesOf(passed.pairs), c.properties);
    EXPECT_EQ(passed.affiliateId, c.id);
    EXPECT_EQ(passed.affiliateFlags, c.flags);
}

const std::vector<std::string> kWithSub = {"AFFILIATEID", "AFFILIATEIDFLAGS", "SUBAFFILIATEID"};

INSTANTIATE_TEST_SUITE_P(
    Tags, PassedOn,
    ::testing::Values(PassOnCase{"AFFILIATEID=x&AFFILIATEIDFLAGS=.1", kDefaultKeys,
                                 "AFFILIATEID=x AFFILIATEIDFLAGS=#1", "x", "1"},
                      PassOnCase{"SUBAFFILIATEID=x&AFFILIATEID=y", kWithSub,
                                 "SUBAFFILIATEID=x AFFILIATEID=y", "y", "0"},
                      PassOnCase{
                          "SUBAFFILIATEID=x.2&AFFILIATEIDFLAGS=.3", kWithSub,
                          "AFFILIATEID=vlq2011aid30017xx-XX SUBAFFILIATEID=x#2 AFFILIATEIDFLAGS=#3",
                          "vlq2011aid30017xx-XX", "3"},
                      PassOnCase{"AFFILIATEID=a.b&AFFILIATEIDFLAGS=1.2", kDefaultKeys,
                                 "AFFILIATEID=a#b AFFILIATEIDFLAGS=1#2", "a#b", "2"},
                      PassOnCase{"AFFILIATEIDFLAGS=4", kDefaultKeys,
                                 "AFFILIATEID=vlq2011aid30017xx-XX AFFILIATEIDFLAGS=4",
                                 "vlq2011aid30017xx-XX", "0"},
                      PassOnCase{"", kDefaultKeys, "AFFILIATEID=vlq2011aid30017xx-XX",
                                 "vlq2011aid30017xx-XX", "0"}));

}  // namespace
}  // namespace quorix::tag
