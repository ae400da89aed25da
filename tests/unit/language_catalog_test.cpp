#include "ui/language_catalog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/product_resources.h"
#include "ui/resources/resource_ids.h"

namespace quorix::ui {
namespace {

// For failure messages, in MessageKey order.
const char* const kKeyNames[kMessageKeyCount] = {
    "DialogTitle",           "LanguageLabel",     "NextButton",
    "CustomInstallation",    "WelcomeTitle",      "WelcomeAdvice",
    "OlderVersionInstalled", "AlreadyInstalled",  "NewerVersionInstalled",
    "PendingInstallation",   "AutoRemovalNotice", "CancelConfirm",
    "ReturnToPreviousNote",
};

std::size_t IndexOf(const wchar_t* code) {
    for (std::size_t i = 0; i < kLanguageCount; ++i) {
        if (std::wstring(LanguageTable[i].localeCode) == code) {
            return i;
        }
    }
    ADD_FAILURE() << "no table row for the code";
    return 0;
}

std::size_t CountOf(const std::wstring& text, const std::wstring& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// ---------------------------------------------------------------------------------------------
// The table

TEST(LanguageTableTest, CodesAreWellFormedUniqueAndInResourceNameOrder) {
    // The language packs are enumerated in resource-name order, which must be table order for
    // the positions of the pack list to follow the table.
    for (std::size_t i = 0; i < kLanguageCount; ++i) {
        const std::wstring code(LanguageTable[i].localeCode);
        SCOPED_TRACE(i);
        ASSERT_EQ(code.size(), kLocaleCodeLength);
        EXPECT_TRUE(code[0] >= L'a' && code[0] <= L'z' && code[1] >= L'a' && code[1] <= L'z');
        EXPECT_EQ(code[2], L'-');
        EXPECT_TRUE(code[3] >= L'A' && code[3] <= L'Z' && code[4] >= L'A' && code[4] <= L'Z');
        ASSERT_NE(LanguageTable[i].displayName, nullptr);
        EXPECT_NE(LanguageTable[i].displayName[0], L'\0');
        if (i > 0) {
            EXPECT_LT(std::wstring(LanguageTable[i - 1].localeCode), code);
        }
    }
}

TEST(LanguageTableTest, EveryFlagIsUsedAndOnlyZhTwBorrowsOne) {
    std::map<std::uint32_t, int> uses;
    for (const auto& row : LanguageTable) {
        EXPECT_GE(row.flagBitmapId, 203u);
        EXPECT_LE(row.flagBitmapId, 216u);
        ++uses[row.flagBitmapId];
    }
    EXPECT_EQ(uses.size(), 14u);
    EXPECT_EQ(uses[216], 2);

    const auto& zhTw = LanguageTable[IndexOf(L"zh-TW")];
    EXPECT_STREQ(zhTw.displayName, L"zh-TW");
    EXPECT_EQ(zhTw.flagBitmapId, LanguageTable[IndexOf(L"en-US")].flagBitmapId);
    EXPECT_EQ(LanguageTable[IndexOf(L"en-GB")].flagBitmapId, 215u);
}

// ---------------------------------------------------------------------------------------------
// BuildCatalog

class BuildCatalogTest : public ::testing::Test {
protected:
    TextCatalog catalog;
};

TEST_F(BuildCatalogTest, EveryKeyHoldsExactlyTheFifteenTableLocales) {
    BuildCatalog(catalog);
    for (std::size_t key = 0; key < kMessageKeyCount; ++key) {
        SCOPED_TRACE(kKeyNames[key]);
        const auto& map = catalog.maps[key];
        ASSERT_EQ(map.size(), kLanguageCount);
        for (std::size_t language = 0; language < kLanguageCount; ++language) {
            const auto found = map.find(LanguageTable[language].localeCode);
            ASSERT_NE(found, map.end());
            EXPECT_EQ(found->second, TextsForLanguage(language)[key]);
            ASSERT_NE(found->second, nullptr);
            EXPECT_NE(found->second[0], L'\0');
        }
    }
}

TEST_F(BuildCatalogTest, SecondCallKeepsNodesCountsAndTexts) {
    BuildCatalog(catalog);
    std::vector<const void*> nodes;
    std::vector<const wchar_t*> texts;
    for (const auto& map : catalog.maps) {
        for (const auto& entry : map) {
            nodes.push_back(&entry);
            texts.push_back(entry.second);
        }
    }

    BuildCatalog(catalog);

    std::size_t i = 0;
    for (const auto& map : catalog.maps) {
        EXPECT_EQ(map.size(), kLanguageCount);
        for (const auto& entry : map) {
            ASSERT_LT(i, nodes.size());
            EXPECT_EQ(&entry, nodes[i]);
            EXPECT_EQ(entry.second, texts[i]);
            ++i;
        }
    }
    EXPECT_EQ(i, nodes.size());
}

TEST_F(BuildCatalogTest, OverwritesAStaleEntry) {
    static const wchar_t kStale[] = L"stale";
    auto& titles = catalog.maps[static_cast<std::size_t>(MessageKey::DialogTitle)];
    titles[L"de-DE"] = kStale;

    BuildCatalog(catalog);

    EXPECT_EQ(titles.size(), kLanguageCount);
    EXPECT_STREQ(titles.at(L"de-DE"), L"Installation von Velora Quorix 2011");
}

// ---------------------------------------------------------------------------------------------
// LookupText

class LookupTextTest : public ::testing::Test {
protected:
    void SetUp() override { BuildCatalog(catalog); }
    TextCatalog catalog;
};

TEST_F(LookupTextTest, NextButtonIsNextInBothEnglishes) {
    EXPECT_STREQ(LookupText(catalog, MessageKey::NextButton, L"en-GB"), L"Next");
    EXPECT_STREQ(LookupText(catalog, MessageKey::NextButton, L"en-US"), L"Next");
}

TEST_F(LookupTextTest, FindsTheLocalesOwnText) {
    EXPECT_STREQ(LookupText(catalog, MessageKey::NextButton, L"de-DE"), L"Weiter");
    EXPECT_STREQ(LookupText(catalog, MessageKey::LanguageLabel, L"ja-JP"), L"言語:");
    EXPECT_STREQ(LookupText(catalog, MessageKey::CustomInstallation, L"zh-TW"), L"自訂安裝");
}

TEST_F(LookupTextTest, UnknownCodeFallsBackToEnUs) {
    for (std::size_t key = 0; key < kMessageKeyCount; ++key) {
        SCOPED_TRACE(kKeyNames[key]);
        const auto k = static_cast<MessageKey>(key);
        const wchar_t* english = LookupText(catalog, k, L"en-US");
        EXPECT_EQ(LookupText(catalog, k, L"xx-XX"), english);
        EXPECT_EQ(LookupText(catalog, k, L""), english);
        // Codes compare case-sensitively: "de-de" is not German.
        EXPECT_EQ(LookupText(catalog, k, L"de-de"), english);
    }
}

TEST(LookupTextUnbuiltTest, EmptyCatalogYieldsEnUsInsteadOfCrashing) {
    const TextCatalog empty;
    EXPECT_STREQ(LookupText(empty, MessageKey::NextButton, L"de-DE"), L"Next");
    EXPECT_STREQ(LookupText(empty, MessageKey::DialogTitle, L"en-US"),
                 L"Velora Quorix 2011 Installation");
}

TEST_F(LookupTextTest, KeyOutsideTheEnumYieldsEmptyText) {
    EXPECT_STREQ(LookupText(catalog, static_cast<MessageKey>(kMessageKeyCount), L"en-US"), L"");
    EXPECT_STREQ(LookupText(catalog, static_cast<MessageKey>(-1), L"en-US"), L"");
}

TEST_F(LookupTextTest, EnGbSharesEveryEnUsText) {
    for (std::size_t key = 0; key < kMessageKeyCount; ++key) {
        const auto k = static_cast<MessageKey>(key);
        EXPECT_EQ(LookupText(catalog, k, L"en-GB"), LookupText(catalog, k, L"en-US"))
            << kKeyNames[key];
    }
}

TEST_F(LookupTextTest, DanishBorrowsFiveGermanTextsAndTranslatesTheRest) {
    const std::set<MessageKey> borrowed = {MessageKey::DialogTitle, MessageKey::WelcomeTitle,
                                           MessageKey::AutoRemovalNotice, MessageKey::CancelConfirm,
                                           MessageKey::ReturnToPreviousNote};
    for (std::size_t key = 0; key < kMessageKeyCount; ++key) {
        SCOPED_TRACE(kKeyNames[key]);
        const auto k = static_cast<MessageKey>(key);
        const wchar_t* danish = LookupText(catalog, k, L"da-DK");
        const wchar_t* german = LookupText(catalog, k, L"de-DE");
        if (borrowed.count(k) != 0) {
            EXPECT_EQ(danish, german);  // the same constant, not a copy
        } else {
            EXPECT_STRNE(danish, german);
            EXPECT_STRNE(danish, LookupText(catalog, k, L"en-US"));
        }
    }
    EXPECT_STREQ(LookupText(catalog, MessageKey::NextButton, L"da-DK"), L"Næste");
}

TEST_F(LookupTextTest, NoteUsesOneBareLineFeedWhileQuestionsUseCrLfPairs) {
    const std::wstring note = LookupText(catalog, MessageKey::ReturnToPreviousNote, L"en-US");
    EXPECT_EQ(CountOf(note, L"\n"), 1u);
    EXPECT_EQ(CountOf(note, L"\r"), 0u);
    for (const auto key : {MessageKey::OlderVersionInstalled, MessageKey::AlreadyInstalled,
                           MessageKey::PendingInstallation}) {
        const std::wstring question = LookupText(catalog, key, L"en-US");
        EXPECT_EQ(CountOf(question, L"\r\n\r\n"), 1u) << kKeyNames[static_cast<int>(key)];
        EXPECT_EQ(CountOf(question, L"\n"), 2u) << kKeyNames[static_cast<int>(key)];
    }
}

// ---------------------------------------------------------------------------------------------
// Every translation against its en-US text: a translation that drops an argument, adds a
// directive or moves a line break would misformat or misalign the message boxes.

struct TextShape {
    std::size_t placeholders = 0;
    std::vector<std::wstring> otherDirectives;
    std::vector<std::wstring> breaks;  // "CRLF", "LF" or "CR" in order of appearance
};

TextShape ShapeOf(const std::wstring& text) {
    TextShape shape;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%') {
            if (i + 1 < text.size() && text[i + 1] == L's') {
                ++shape.placeholders;
            } else {
                shape.otherDirectives.push_back(text.substr(i, 2));
            }
            ++i;
        } else if (text[i] == L'\r') {
            const bool pair = i + 1 < text.size() && text[i + 1] == L'\n';
            shape.breaks.push_back(pair ? L"CRLF" : L"CR");
            i += pair ? 1 : 0;
        } else if (text[i] == L'\n') {
            shape.breaks.push_back(L"LF");
        }
    }
    return shape;
}

class TranslationShapeTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(TranslationShapeTest, MatchesEnUsInArgumentsBreaksAndProductNames) {
    const std::size_t language = GetParam();
    const LocaleTexts& texts = TextsForLanguage(language);
    const LocaleTexts& english = catalog_texts::kEnUs;
    const std::wstring code(LanguageTable[language].localeCode);
    const bool isEnglish = code.compare(0, 3, L"en-") == 0;
    for (std::size_t key = 0; key < kMessageKeyCount; ++key) {
        SCOPED_TRACE(kKeyNames[key]);
        ASSERT_NE(texts[key], nullptr);
        const std::wstring text(texts[key]);
        const std::wstring reference(english[key]);
        const TextShape shape = ShapeOf(text);
        const TextShape expected = ShapeOf(reference);
        EXPECT_EQ(shape.placeholders, expected.placeholders);
        EXPECT_TRUE(shape.otherDirectives.empty());
        EXPECT_EQ(shape.breaks, expected.breaks);
        EXPECT_EQ(CountOf(text, L"Velora"), CountOf(reference, L"Velora"));
        EXPECT_EQ(CountOf(text, L"Velora Quorix 2011"), CountOf(reference, L"Velora Quorix 2011"));
        EXPECT_EQ(CountOf(text, L"Velora Quorix 2010"), CountOf(reference, L"Velora Quorix 2010"));
        ASSERT_FALSE(text.empty());
        EXPECT_NE(text.front(), L' ');
        EXPECT_NE(text.back(), L' ');
        if (!isEnglish) {
            // An English text left in another locale is an untranslated entry.
            EXPECT_NE(text, reference);
        }
    }
}

std::string LanguageCaseName(const ::testing::TestParamInfo<std::size_t>& info) {
    std::string name;
    for (const wchar_t* c = LanguageTable[info.param].localeCode; *c != L'\0'; ++c) {
        name += *c == L'-' ? '_' : static_cast<char>(*c);
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(AllLocales, TranslationShapeTest,
                         ::testing::Range<std::size_t>(0, kLanguageCount), LanguageCaseName);

// ---------------------------------------------------------------------------------------------
// The resource scripts and bitmaps, read from the source tree.

std::string ResourceDir() {
#ifdef QUORIX_SOURCE_ROOT
    return std::string(QUORIX_SOURCE_ROOT) + "/src/ui/resources/";
#else
    // The build hands the compiler absolute source paths, so this file knows where it is.
    const std::string self = __FILE__;
    const std::string tail = "tests/unit/language_catalog_test.cpp";
    if (self.size() < tail.size() || self.compare(self.size() - tail.size(), tail.size(), tail)) {
        return std::string();
    }
    return self.substr(0, self.size() - tail.size()) + "src/ui/resources/";
#endif
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t Le(const std::string& bytes, std::size_t at, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
}

// A LANGUAGE statement holds for every resource after it, in the including script as well:
// each of these scripts must hand back windres's default, or the resources declared after it
// (the packages among them) would carry the last language of the table.
bool EndsWithDefaultLanguage(const std::string& script) {
    const std::regex languageLine(R"(LANGUAGE\s+(0x[0-9A-Fa-f]+)\s*,\s*(0x[0-9A-Fa-f]+))");
    std::string last;
    for (std::sregex_iterator it(script.begin(), script.end(), languageLine), end; it != end;
         ++it) {
        last = std::to_string(std::stoul((*it)[1], nullptr, 16)) + "," +
               std::to_string(std::stoul((*it)[2], nullptr, 16));
    }
    return last == "9,1";
}

TEST(ResourceScriptTest, FlagScriptNamesAValidBitmapForEachId) {
    const std::string dir = ResourceDir();
    ASSERT_FALSE(dir.empty()) << "cannot locate the source tree from " << __FILE__;
    const std::string script = ReadFile(dir + "flags.rc");
    ASSERT_FALSE(script.empty()) << dir << "flags.rc";

    // Each picture is named by its id in resource_ids.h, as the resource compiler reads it.
    const std::regex line(R"((\w+)\s+BITMAP\s+"([^"]+)\")");
    std::set<std::uint32_t> ids;
    for (std::sregex_iterator it(script.begin(), script.end(), line), end; it != end; ++it) {
        const long named = test::ResourceId((*it)[1]);
        ASSERT_GT(named, 0) << (*it)[1] << " is not in resource_ids.h";
        const auto id = static_cast<std::uint32_t>(named);
        const std::string file = (*it)[2];
        SCOPED_TRACE(file);
        EXPECT_TRUE(ids.insert(id).second) << "id " << id << " twice";

        const std::string bmp = ReadFile(dir + file);
        ASSERT_EQ(bmp.size(), 54u + 16u * 3u * 14u);  // rows of 48 bytes need no padding
        EXPECT_EQ(bmp.substr(0, 2), "BM");
        EXPECT_EQ(Le(bmp, 2, 4), bmp.size());
        EXPECT_EQ(Le(bmp, 10, 4), 54u);  // pixels right after the headers, no palette
        EXPECT_EQ(Le(bmp, 14, 4), 40u);  // BITMAPINFOHEADER
        EXPECT_EQ(Le(bmp, 18, 4), 16u);  // width
        EXPECT_EQ(Le(bmp, 22, 4), 14u);  // height, positive: bottom-up
        EXPECT_EQ(Le(bmp, 26, 2), 1u);   // planes
        EXPECT_EQ(Le(bmp, 28, 2), 24u);  // bits per pixel
        EXPECT_EQ(Le(bmp, 30, 4), 0u);   // BI_RGB
    }
    EXPECT_TRUE(EndsWithDefaultLanguage(script));
    for (const auto& row : LanguageTable) {
        EXPECT_EQ(ids.count(row.flagBitmapId), 1u) << "no bitmap " << row.flagBitmapId;
    }
    EXPECT_EQ(ids.size(), 14u);
}

TEST(ResourceScriptTest, StringTableHasEveryTextInEveryLanguageShapedLikeTheEnglish) {
    const std::string dir = ResourceDir();
    ASSERT_FALSE(dir.empty()) << "cannot locate the source tree from " << __FILE__;
    const std::string script = ReadFile(dir + "strings.rc");
    ASSERT_FALSE(script.empty()) << dir << "strings.rc";
    // Without it windres reads the UTF-8 texts as ANSI and the non-English tables turn to noise.
    EXPECT_NE(script.find("#pragma code_page(65001)"), std::string::npos);
    EXPECT_TRUE(EndsWithDefaultLanguage(script));

    const std::regex languageLine(R"(^\s*LANGUAGE\s+0x([0-9A-Fa-f]+)\s*,\s*0x([0-9A-Fa-f]+))");
    const std::regex textLine(R"(^\s*(\w+)\s+"(.*)\"\s*$)");
    std::map<std::uint32_t, std::map<long, std::string>> tables;
    std::uint32_t language = 0xFFFF;
    std::size_t start = 0;
    while (start < script.size()) {
        std::size_t end = script.find('\n', start);
        if (end == std::string::npos) {
            end = script.size();
        }
        const std::string text = script.substr(start, end - start);
        start = end + 1;
        std::smatch match;
        if (std::regex_search(text, match, languageLine)) {
            const auto primary = std::stoul(match[1], nullptr, 16);
            const auto sub = std::stoul(match[2], nullptr, 16);
            language = static_cast<std::uint32_t>(primary | (sub << 10));
        } else if (std::regex_match(text, match, textLine)) {
            ASSERT_NE(language, 0xFFFFu) << "text before the first LANGUAGE";
            // Each text is named by its id in resource_ids.h, as the resource compiler reads it.
            const long id = test::ResourceId(match[1]);
            ASSERT_GT(id, 0) << match[1] << " is not in resource_ids.h";
            EXPECT_TRUE(tables[language].emplace(id, match[2]).second);
        }
    }

    // The 13 languages, and an en-US copy of the English table for the loader's last fallback.
    const std::set<std::uint32_t> expectedLanguages = {0x0004, 0x0009, 0x000A, 0x000C, 0x0010,
                                                       0x0013, 0x0406, 0x0407, 0x0409, 0x0411,
                                                       0x0412, 0x0415, 0x0416, 0x0419};
    std::set<std::uint32_t> languages;
    for (const auto& table : tables) {
        languages.insert(table.first);
    }
    EXPECT_EQ(languages, expectedLanguages);

    const auto& english = tables[0x0009];
    ASSERT_EQ(english.size(), 3u);
    // The English texts as the script writes them ("\r\n" as an escape).
    const std::map<long, std::string> published = {
        {IDS_REQUIREMENTS_CAPTION, "System requirements are not met"},
        {IDS_WINDOWS_NOT_SUPPORTED,
         "Your Windows version is not supported by this product.\\r\\n\\r\\nYou need at "
         "least Windows XP with Service Pack 2 or newer, or Windows Vista, to install this "
         "product."},
        {IDS_WINDOWS_XP_UPDATE,
         "You must update your version of Windows XP before you can install this product."
         "\\r\\n\\r\\nPlease install Service Pack 2 (or newer) for Windows XP and then "
         "restart the installation of Velora Quorix 2011.\\r\\n\\r\\nWould you like to go "
         "to the Windows Update web site now?"},
    };
    for (const auto& [id, text] : published) {
        EXPECT_EQ(english.at(id), text) << id;
        EXPECT_EQ(tables[0x0409].at(id), text) << id;
    }
    for (const auto& table : tables) {
        SCOPED_TRACE(table.first);
        ASSERT_EQ(table.second.size(), 3u);
        for (const long id :
             {IDS_REQUIREMENTS_CAPTION, IDS_WINDOWS_NOT_SUPPORTED, IDS_WINDOWS_XP_UPDATE}) {
            SCOPED_TRACE(id);
            ASSERT_EQ(table.second.count(id), 1u);
            const std::string& text = table.second.at(id);
            const std::string& reference = english.at(id);
            // The script holds the escapes as written: "\r\n" is four characters here.
            const auto count = [](const std::string& s, const std::string& part) {
                std::size_t n = 0;
                for (auto at = s.find(part); at != std::string::npos; at = s.find(part, at + 1)) {
                    ++n;
                }
                return n;
            };
            EXPECT_EQ(count(text, "\\r\\n"), count(reference, "\\r\\n"));
            EXPECT_EQ(count(text, "\\n"), count(reference, "\\n"));
            EXPECT_EQ(count(text, "%"), 0u);
            EXPECT_EQ(count(text, "\""), 0u);
            EXPECT_EQ(count(text, "Velora Quorix 2011"), count(reference, "Velora Quorix 2011"));
            if (table.first == 0x0409) {
                EXPECT_EQ(text, reference);
            } else if (table.first != 0x0009) {
                EXPECT_NE(text, reference);
            }
        }
    }
}

}  // namespace
}  // namespace quorix::ui
