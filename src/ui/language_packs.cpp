#include "ui/language_packs.h"

#include "platform/resources.h"
#include "ui/language_catalog.h"

namespace quorix {

namespace {

const std::wstring kPackPrefix = L"VLLANGPACK_";
constexpr std::size_t kPackNameLength = 16;  // the prefix's 11 characters and 5 of the code

wchar_t LowerAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

}  // namespace

void AddLanguagePackIfNamed(FoundPackList& packs, const platform::ResourceName& name) {
    if (name.isId || name.text.size() != kPackNameLength ||
        name.text.compare(0, kPackPrefix.size(), kPackPrefix) != 0) {
        return;
    }
    // Language letters lower-cased, the separator (underscore or hyphen) not examined, the
    // country letters as stored: "VLLANGPACK_EN_US" gives "en-US".
    const std::wstring& text = name.text;
    const wchar_t code[] = {
        LowerAscii(text[11]), LowerAscii(text[12]), L'-', text[14], text[15], L'\0'};
    for (std::size_t index = 0; index < ui::kLanguageCount; ++index) {
        if (std::wstring(ui::LanguageTable[index].localeCode) == code) {
            packs.Append(static_cast<std::int32_t>(index), text);
            return;
        }
    }
}

void EnumerateLanguagePacks(ProcessContext& ctx) {
    FoundPackList& packs = ctx.state.foundPacks;
    if (packs.enumerated) return;
    std::vector<platform::ResourceName> names;
    // A failing enumeration leaves what it saw before the failure; without packages at all
    // it finds nothing and the callers report that.
    ctx.os.resources.EnumerateResourceNames(platform::kRtRcdata, &names);
    for (const platform::ResourceName& name : names) AddLanguagePackIfNamed(packs, name);
    packs.enumerated = true;
}

std::wstring LocaleCodeAt(const FoundPackList& packs, std::size_t position) {
    if (position >= packs.Size()) return std::wstring();
    const std::int32_t index = packs.tableIndex[position];
    if (index < 0 || static_cast<std::size_t>(index) >= ui::kLanguageCount) return std::wstring();
    return ui::LanguageTable[index].localeCode;
}

}  // namespace quorix
