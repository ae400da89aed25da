#include "report/session_record.h"

namespace quorix {

// The registry records arrive with the report room; until then a start records nothing.
void RecordSession(ProcessContext& ctx, const std::wstring& affiliateFlags) {}
void RecordCurrentSession(ProcessContext& ctx) {}
void EnsureInstallationGuid(ProcessContext& ctx) {}

}  // namespace quorix
