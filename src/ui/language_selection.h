// Which language the setup speaks when nobody chooses, and which packs an unattended run installs.
#pragma once

#include <string>
#include <vector>

#include "core/process_state.h"

namespace quorix {

// "de-DE" for the user's Windows UI language, or "" when the system cannot name it.
std::wstring GetUserUiLocaleName(ProcessContext& ctx);

// The first position whose pack's code agrees with text in the first n characters, or -1.
int FindLanguagePackByPrefix(const FoundPackList& packs, const std::wstring& text, std::size_t n);

// The pack that fits the user's UI language best: same language and country, same language,
// English, German, else the first pack. Never -1 (a list without packs gives 0).
int FindBestLanguage(ProcessContext& ctx);

// The pack resource names an unattended run installs, in order. Ends the process when the
// executable carries no pack (fatal error) or a requested code is not available (exit 1).
std::vector<std::wstring> ResolveRequestedLanguagePacks(ProcessContext& ctx,
                                                        const std::vector<std::wstring>& requested);

}  // namespace quorix
