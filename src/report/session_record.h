// The per-start session record.
#pragma once

#include <string>

#include "bootstrap/process_state.h"

namespace quorix {

// Records when and under which affiliate identifier this start happened.
void RecordSession(ProcessContext& ctx, const std::wstring& affiliateFlags);

}  // namespace quorix
