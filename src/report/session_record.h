// The session and installation identifiers kept in the registry.
#pragma once

#include <string>

#include "core/process_state.h"

namespace quorix {

// Records when and under which affiliate identifier this start happened.
void RecordSession(ProcessContext& ctx, const std::wstring& affiliateFlags);

// After a successful installation: affiliateId becomes the installed release's current session.
void RecordCurrentSession(ProcessContext& ctx);

// Makes sure the per-machine installation identifier exists, migrating an older release's.
void EnsureInstallationGuid(ProcessContext& ctx);

}  // namespace quorix
