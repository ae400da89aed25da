// The session records kept in the registry: when each start happened and which session is
// the installed release's current one.
#pragma once

#include <string>

#include "core/process_state.h"

namespace quorix {

// Records when and under which affiliate identifier this start happened.
void RecordSession(ProcessContext& ctx, const std::wstring& affiliateFlags);

// After a successful installation: affiliateId becomes the installed release's current session.
void RecordCurrentSession(ProcessContext& ctx);

}  // namespace quorix
