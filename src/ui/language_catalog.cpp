#include "ui/language_catalog.h"

namespace quorix::ui {

// zh-TW has neither a name nor a flag of its own in this build: the combo box still needs a text
// and a 16 x 14 picture for the row, so it shows the code itself beside the en-US flag.
const LanguageTableRow LanguageTable[kLanguageCount] = {
    {L"da-DK", L"Dansk", 205},
    {L"de-DE", L"Deutsch", 207},
    {L"en-GB", L"English", 215},
    {L"en-US", L"English", 216},
    {L"es-ES", L"Español", 214},
    {L"fr-FR", L"Français", 206},
    {L"it-IT", L"Italiano", 208},
    {L"ja-JP", L"日本語", 209},
    {L"ko-KR", L"한국어", 210},
    {L"nl-NL", L"Nederlands", 211},
    {L"pl-PL", L"Polski", 212},
    {L"pt-BR", L"Português", 203},
    {L"ru-RU", L"Русский", 213},
    {L"zh-CN", L"中文", 204},
    {L"zh-TW", L"zh-TW", 216},
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
