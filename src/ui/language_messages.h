// The localized message boxes shown outside the welcome dialog.
#pragma once

#include <string>

#include "core/process_state.h"

namespace quorix {

enum class InstalledVersionMessageKind : int {
    NewerInstalled = 0,  // a more recent version is installed: information only
    OlderInstalled = 1,  // an older version is installed: remove it first?
    SameInstalled = 2,   // this release is installed: uninstall it now?
};

// "Restart now?" after an unfinished installation was found. Returns the box's answer.
int AskRestartForPendingInstallation(ProcessContext& ctx);

// The box about an installed copy, in the language that fits the user best. Returns the
// answer, or IDYES when the kind shows no box.
int ShowInstalledVersionMessage(ProcessContext& ctx, const std::wstring& productCode, int kind);

// A string-table text of our own module, in the language the loader picks; "" when missing.
std::wstring LoadResourceText(ProcessContext& ctx, std::uint32_t id);

}  // namespace quorix
