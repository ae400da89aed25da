// quorix-probe: the product's own logic on the real Win32 layer, one operation per command, so
// the Wine scenarios can check an operation against the real system without a whole run.
//   quorix-probe COMMAND [ARGS...]   prints key=value lines (UTF-8) and exits with the
//                                    command's code; "quorix-probe help" lists the commands.
#pragma once

#include <string>
#include <vector>

#include "core/process_state.h"

namespace quorix::probe {

using Command = int (*)(ProcessContext& ctx, const std::vector<std::wstring>& args);

// Each command file registers its commands with a static Registration.
struct Registration {
    Registration(const wchar_t* name, const wchar_t* usage, Command command);
};

// One "key=value" line on standard output.
void Print(const std::wstring& key, const std::wstring& value);

}  // namespace quorix::probe
