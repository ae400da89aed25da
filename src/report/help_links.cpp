#include "report/help_links.h"

namespace quorix {

// The pages open once the shell area of the platform exists; until then nothing opens.
void OpenInstallHelpLink(ProcessContext& ctx, std::uint32_t errorCode, const std::wstring& language,
                         int action) {}
bool OpenCancelationLink(ProcessContext& ctx, bool withVersion) { return false; }
void OpenRequirementsLink(ProcessContext& ctx, platform::NativeHandle window) {}

}  // namespace quorix
