#include "ui/language_catalog.h"

#include "ui/resources/resource_ids.h"

namespace quorix::ui {

// zh-TW has neither a name nor a flag of its own in this build: the combo box still needs a text
// and a 16 x 14 picture for the row, so it shows the code itself beside the en-US flag.
const LanguageTableRow LanguageTable[kLanguageCount] = {
    {L"da-DK", L"Dansk", FLAG_DENMARK},
    {L"de-DE", L"Deutsch", FLAG_GERMANY},
    {L"en-GB", L"English", FLAG_UNITED_KINGDOM},
    {L"en-US", L"English", FLAG_USA},
    {L"es-ES", L"Español", FLAG_SPAIN},
    {L"fr-FR", L"Français", FLAG_FRANCE},
    {L"it-IT", L"Italiano", FLAG_ITALY},
    {L"ja-JP", L"日本語", FLAG_JAPAN},
    {L"ko-KR", L"한국어", FLAG_SOUTH_KOREA},
    {L"nl-NL", L"Nederlands", FLAG_NETHERLANDS},
    {L"pl-PL", L"Polski", FLAG_POLAND},
    {L"pt-BR", L"Português", FLAG_BRAZIL},
    {L"ru-RU", L"Русский", FLAG_RUSSIA},
    {L"zh-CN", L"中文", FLAG_CHINA},
    {L"zh-TW", L"zh-TW", FLAG_USA},
};

namespace {

// Parallel to LanguageTable, row for row.
const LocaleTexts* const kTextsByLanguage[kLanguageCount] = {
    &catalog_texts::kDaDk, &catalog_texts::kDeDe, &catalog_texts::kEnUs, &catalog_texts::kEnUs,
    &catalog_texts::kEsEs, &catalog_texts::kFrFr, &catalog_texts::kItIt, &catalog_texts::kJaJp,
    &catalog_texts::kKoKr, &catalog_texts::kNlNl, &catalog_texts::kPlPl, &catalog_texts::kPtBr,
    &catalog_texts::kRuRu, &catalog_texts::kZhCn, &catalog_texts::kZhTw,
};

}  // namespace

const LocaleTexts& TextsForLanguage(std::size_t tableIndex) {
    if (tableIndex >= kLanguageCount) {
        return catalog_texts::kEnUs;
    }
    return *kTextsByLanguage[tableIndex];
}

void BuildCatalog(TextCatalog& catalog) {
    for (std::size_t language = 0; language < kLanguageCount; ++language) {
        const std::wstring code(LanguageTable[language].localeCode);
        const LocaleTexts& texts = *kTextsByLanguage[language];
        for (std::size_t key = 0; key < kMessageKeyCount; ++key) {
            // insert_or_assign keeps an existing node, so a repeated build allocates no nodes.
            catalog.maps[key].insert_or_assign(code, texts[key]);
        }
    }
}

const wchar_t* LookupText(const TextCatalog& catalog, MessageKey key, const std::wstring& code) {
    const auto index = static_cast<std::size_t>(key);
    if (index >= kMessageKeyCount) {
        return L"";
    }
    const auto& map = catalog.maps[index];
    const auto found = map.find(code);
    if (found == map.end() || found->second == nullptr) {
        return catalog_texts::kEnUs[index];
    }
    return found->second;
}

}  // namespace quorix::ui
