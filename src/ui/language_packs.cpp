#include "ui/language_packs.h"

#include "ui/language_catalog.h"

namespace quorix {

// The resource enumeration comes with the resource area of the platform; until then no pack
// is found.
void EnumerateLanguagePacks(ProcessContext& ctx) { ctx.state.foundPacks.enumerated = true; }

std::wstring LocaleCodeAt(const FoundPackList& packs, std::size_t position) {
    if (position >= packs.Size()) return std::wstring();
    const std::int32_t index = packs.tableIndex[position];
    if (index < 0 || static_cast<std::size_t>(index) >= ui::kLanguageCount) return std::wstring();
    return ui::LanguageTable[index].localeCode;
}

}  // namespace quorix
