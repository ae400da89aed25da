// The percent-encoding of report values and the base64 of the installation identifier.
#include "report/url_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorix {
namespace {

struct UrlCase {
    const char* situation;
    std::wstring text;
    std::wstring encoded;
};

class UrlEncoding : public ::testing::TestWithParam<UrlCase> {};

TEST_P(UrlEncoding, EncodesEachUnitByItsClass) {
    EXPECT_EQ(UrlEncode(GetParam().text), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, UrlEncoding,
    ::testing::Values(
        UrlCase{"Empty", L"", L""}, UrlCase{"LettersAndDigitsStay", L"AZaz09", L"AZaz09"},
        UrlCase{"HyphenBracketAndDotStay", L"-].", L"-]."},
        UrlCase{"LocaleTagUnchanged", L"de-AT", L"de-AT"},
        UrlCase{"SessionTimeEscapesBlankAndColons", L"2011-01-31 12:05:09",
                L"2011-01-31%2012%3a05%3a09"},
        UrlCase{"UnderscoreIsEscaped", L"a_b", L"a%5fb"},
        UrlCase{"OtherPunctuationLowerCaseHex", L"|~%&=[/?", L"%7c%7e%25%26%3d%5b%2f%3f"},
        UrlCase{"ControlCharactersAndDelete", std::wstring(L"\x01\x1f\x7f", 3), L"%01%1f%7f"},
        UrlCase{"ZeroUnitIsEscapedNotDropped", std::wstring(L"a\0b", 3), L"a%00b"},
        UrlCase{"FirstUnitAbove127BecomesQuestionMark", L"\x80", L"?"},
        UrlCase{"EachWideUnitOneQuestionMark", L"M\x00fcnchen \x20ac", L"M?nchen%20?"},
        UrlCase{"PairOfSurrogatesGivesTwo", L"x\U0001F600y", L"x??y"}),
    [](const auto& info) { return std::string(info.param.situation); });

struct Base64Case {
    const char* situation;
    std::vector<std::uint8_t> bytes;
    std::wstring encoded;
};

class Base64Url : public ::testing::TestWithParam<Base64Case> {};

TEST_P(Base64Url, UsesTheUrlAlphabetAndTildePadding) {
    const std::vector<std::uint8_t>& bytes = GetParam().bytes;
    EXPECT_EQ(Base64UrlEncode(bytes.data(), bytes.size()), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, Base64Url,
    ::testing::Values(Base64Case{"Empty", {}, L""},
                      Base64Case{"ThreeBytesNoPadding", {'a', 'b', 'c'}, L"YWJj"},
                      Base64Case{"TwoBytesOneTilde", {'a', 'b'}, L"YWI~"},
                      Base64Case{"OneByteTwoTildes", {'a'}, L"YQ~~"},
                      Base64Case{"HighValuesUseHyphenAndUnderscore", {0xFB, 0xFF, 0xFF}, L"-___"},
                      Base64Case{"PaddingAfterHighValues", {0xFB, 0xFF}, L"-_8~"},
                      Base64Case{"ZeroBytes", {0, 0, 0, 0}, L"AAAAAA~~"},
                      Base64Case{"GuidInTextOrder",
                                 {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA,
                                  0xBB, 0xCC, 0xDD, 0xEE, 0xFF},
                                 L"ABEiM0RVZneImaq7zN3u_w~~"}),
    [](const auto& info) { return std::string(info.param.situation); });

TEST(Base64Url, NoBytesAtAllGiveNothing) { EXPECT_EQ(Base64UrlEncode(nullptr, 3), L""); }

}  // namespace
}  // namespace quorix
