#include "report/session_record.h"

namespace quorix {

// Written to the registry once the registry area of the platform exists.
void RecordSession(ProcessContext& ctx, const std::wstring& affiliateFlags) {}

}  // namespace quorix
