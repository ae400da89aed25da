// The language packs carried by the executable.
#pragma once

#include <string>

#include "bootstrap/process_state.h"

namespace quorix {

// Fills the found-pack list from the executable's resources, once per process.
void EnumerateLanguagePacks(ProcessContext& ctx);

// The locale code ("en-US") of the pack at a position of the list.
std::wstring LocaleCodeAt(const FoundPackList& packs, std::size_t position);

}  // namespace quorix
