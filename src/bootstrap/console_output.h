// "/supportedlang": the language list printed on the parent console.
#pragma once

#include "core/parent_console.h"
#include "core/process_state.h"

namespace quorix {

// "/supportedlang": the codes of the embedded language packs on the console, then exit 0.
// Without a console the option is ignored and the run goes on.
void ListSupportedLanguages(ProcessContext& ctx);

}  // namespace quorix
