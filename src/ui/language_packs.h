// The language packs carried by the executable.
#pragma once

#include <string>

#include "core/process_state.h"
#include "platform/resources.h"

namespace quorix {

// Fills the found-pack list from the executable's resources, once per process.
void EnumerateLanguagePacks(ProcessContext& ctx);

// The enumeration callback: appends the pack when the name is "VLLANGPACK_" (in capitals)
// and five characters that form a code of the language table, such as "EN_US" or "EN-US".
void AddLanguagePackIfNamed(FoundPackList& packs, const platform::ResourceName& name);

// The locale code ("en-US") of the pack at a position of the list.
std::wstring LocaleCodeAt(const FoundPackList& packs, std::size_t position);

}  // namespace quorix
