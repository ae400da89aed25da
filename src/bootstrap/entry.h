// The entry procedure and the process-level services other rooms call.
#pragma once

#include <cstdint>
#include <string>

#include "bootstrap/process_state.h"
#include "common/result_codes.h"

namespace quorix {

// From start-up to the exit code: instance mutex, stamped tag, session record, shell-restart
// mode, option loop, then the install sequence. Returns the exit code (other paths end the
// process from where they are).
std::uint32_t RunEntryProcedure(ProcessContext& ctx);

// The one way of ending on an unexpected failure: an error box with the context followed by
// the system's text for the code, exit code = the code's low 16 bits.
[[noreturn]] void FatalErrorExit(ProcessContext& ctx, HResult code, const std::wstring& context);

// The system's message text for a code, or the code as an unsigned decimal number.
std::wstring FormatSystemError(ProcessContext& ctx, std::uint32_t code);

// Asks Windows to restart the machine and returns; the caller goes on.
void RequestSystemRestart(ProcessContext& ctx);

// affiliateId and affiliateFlags as derived from tagProperties at start-up.
std::wstring DeriveAffiliateId(const std::wstring& tagProperties, const std::wstring& fallback);
std::wstring DeriveAffiliateFlags(const std::wstring& tagProperties);

}  // namespace quorix
