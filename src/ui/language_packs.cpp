#include "ui/language_packs.h"

namespace quorix {

// The resource enumeration arrives with the language catalog; until then no pack is found.
void EnumerateLanguagePacks(ProcessContext& ctx) { ctx.state.foundPacks.enumerated = true; }

std::wstring LocaleCodeAt(const FoundPackList& packs, std::size_t position) {
    return std::wstring();
}

}  // namespace quorix
