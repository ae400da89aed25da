// The locales the setup speaks and the texts it shows before the installer package takes over.
//
// Everything here is constant data except the catalog maps, which live in the process state and
// are filled lazily by BuildCatalog. The texts are never copied: the maps hold pointers to the
// statically allocated translations in catalog_texts_*.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/text_catalog.h"

namespace quorix::ui {

// The catalog's own types live below every room, with the process state that holds them.
using quorix::kLocaleCodeLength;
using quorix::kMessageKeyCount;
using quorix::MessageKey;
using quorix::TextCatalog;

struct LanguageTableRow {
    wchar_t localeCode[kLocaleCodeLength + 1];
    const wchar_t* displayName;
    std::uint32_t flagBitmapId;  // RT_BITMAP, 16 x 14, 24 bits per pixel
};

constexpr std::size_t kLanguageCount = 15;

// Fixed order: a row's position is the language's table index, stored by the language-pack
// list and used by every consumer (combo box, automatic choice, "/supportedlang").
extern const LanguageTableRow LanguageTable[kLanguageCount];

// Fills every key's map with all 15 locales (insert or overwrite). Repeating it stores the same
// pointers again and allocates nothing new.
void BuildCatalog(TextCatalog& catalog);

// The text stored for the locale under the key. A locale or key that the catalog does not hold
// (an unbuilt catalog, a code from outside the table) yields the en-US text, so a caller's
// mistake shows English instead of crashing; a key outside MessageKey yields "".
const wchar_t* LookupText(const TextCatalog& catalog, MessageKey key, const std::wstring& code);

// One locale's texts in MessageKey order. Each of these is defined in a catalog_texts_*.cpp;
// they are declared here so that the catalog and its tests see one type for all of them.
using LocaleTexts = std::array<const wchar_t*, kMessageKeyCount>;

namespace catalog_texts {
extern const LocaleTexts kDaDk;
extern const LocaleTexts kDeDe;
extern const LocaleTexts kEnUs;  // en-GB uses these as well
extern const LocaleTexts kEsEs;
extern const LocaleTexts kFrFr;
extern const LocaleTexts kItIt;
extern const LocaleTexts kJaJp;
extern const LocaleTexts kKoKr;
extern const LocaleTexts kNlNl;
extern const LocaleTexts kPlPl;
extern const LocaleTexts kPtBr;
extern const LocaleTexts kRuRu;
extern const LocaleTexts kZhCn;
extern const LocaleTexts kZhTw;
}  // namespace catalog_texts

// The texts of the LanguageTable row with this index (en-GB gives the en-US texts).
const LocaleTexts& TextsForLanguage(std::size_t tableIndex);

}  // namespace quorix::ui
