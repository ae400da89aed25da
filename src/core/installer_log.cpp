#include "core/installer_log.h"

#include <string>

#include "platform/installer.h"

namespace quorix {

void LogInstallerCall(ProcessContext& ctx, const char* what, std::wstring_view name,
                      std::int32_t uiLevel, std::uint32_t result) {
    RunLog& log = ctx.state.log;
    if (!log.IsOpen()) return;
    // The system's text is looked up only for the log: the last error stays the caller's.
    const std::uint32_t savedError = ctx.os.system.GetLastError();
    std::wstring text;
    if (!ctx.os.system.FormatSystemMessage(result, &text)) text = L"the system has no text for it";
    // Without the text's line break.
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    ctx.os.system.SetLastError(savedError);
    const char* level = uiLevel == platform::kInstallUiLevelNone    ? "none"
                        : uiLevel == platform::kInstallUiLevelBasic ? "basic"
                        : uiLevel == platform::kInstallUiLevelFull  ? "full"
                                                                    : "other";
    log.Write("installer",
              {what, name, ", UI level ", level, " (", static_cast<std::uint32_t>(uiLevel),
               "): result ", result, " (", text, ")"});
}

}  // namespace quorix
