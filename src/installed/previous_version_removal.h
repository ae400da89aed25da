// Removing the installed copy before this release goes on: an upgrade, or a plain
// uninstallation when this very release is installed.
#pragma once

#include <cstdint>

#include "core/configure_action.h"
#include "core/process_state.h"

namespace quorix {

// Below HKEY_CURRENT_USER\<kSetupKeyPath>: marks the removal of an upgrade for the product's
// own uninstallation.
inline constexpr const wchar_t* kAutoUninstValueName = L"AutoUninst";

// Removes the copy under installedProductCode. `action` is the installed-version decision that
// led here (2, 3 or 7); `upgrade` is set when this release is installed afterwards. Returns
// true when the removal succeeded, false when it was declined; a failed removal ends the
// process with 1.
bool RemovePreviousVersion(ProcessContext& ctx, ConfigureAction action, bool upgrade);

// Returns for the installer's success codes; ends the process with 1 otherwise, silently for a
// cancelled, failed or suspended removal and after a warning box with the system's text for
// anything else.
void ReportConfigureResult(ProcessContext& ctx, std::uint32_t code);

}  // namespace quorix
