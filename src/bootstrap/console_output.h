// The parent console: the language list and the rejection lines are printed there.
#pragma once

#include "bootstrap/process_state.h"

namespace quorix {

// Attaches the parent process's console and points standard output at it. True when the
// program may now print there.
bool AttachParentConsole(ProcessContext& ctx);
// Releases the console and presses Enter once, so that the parent console redraws its prompt.
void DetachConsole(ProcessContext& ctx);

// "/supportedlang": the codes of the embedded language packs on the console, then exit 0.
// Without a console the option is ignored and the run goes on.
void ListSupportedLanguages(ProcessContext& ctx);

}  // namespace quorix
