#include "core/installer_log.h"

#include "common/text.h"
#include "platform/installer.h"

namespace quorix {

namespace {

std::wstring UiLevelText(std::int32_t level) {
    const wchar_t* name = level == platform::kInstallUiLevelNone    ? L"none"
                          : level == platform::kInstallUiLevelBasic ? L"basic"
                          : level == platform::kInstallUiLevelFull  ? L"full"
                                                                    : L"other";
    return L"UI level " + std::wstring(name) + L" (" +
           ToDecimal(static_cast<std::uint32_t>(level)) + L")";
}

// The result's number and the system's text for it, without the text's line break.
std::wstring ResultText(ProcessContext& ctx, std::uint32_t result) {
    std::wstring text;
    if (!ctx.os.system.FormatSystemMessage(result, &text)) text = L"the system has no text for it";
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return L"result " + ToDecimal(result) + L" (" + text + L")";
}

}  // namespace

void LogInstallerCall(ProcessContext& ctx, const std::wstring& what, std::int32_t uiLevel,
                      std::uint32_t result) {
    RunLog& log = ctx.state.log;
    if (!log.IsOpen()) return;
    // The system's text is looked up only for the log: the last error stays the caller's.
    const std::uint32_t savedError = ctx.os.system.GetLastError();
    const std::wstring text = what + L", " + UiLevelText(uiLevel) + L": " + ResultText(ctx, result);
    ctx.os.system.SetLastError(savedError);
    log.Write(L"installer", text);
}

}  // namespace quorix
