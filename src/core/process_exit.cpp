#include "core/process_exit.h"

#include <exception>

#include "common/text.h"

namespace quorix {

void WriteExitLine(ProcessContext& ctx, ExitCode code, std::initializer_list<LogPiece> reason) {
    ctx.state.log.WriteExit(static_cast<std::int32_t>(code), reason);
}

void EndLoggedRun(ProcessContext& ctx, ExitCode code) {
    ctx.state.log.Close();
    ctx.os.system.ExitProcess(static_cast<std::uint32_t>(code));
    std::terminate();  // not reached: ExitProcess does not return
}

void EndRun(ProcessContext& ctx, ExitCode code, std::initializer_list<LogPiece> reason) {
    ctx.state.log.Finish(static_cast<std::int32_t>(code), reason);
    EndLoggedRun(ctx, code);
}

std::wstring FormatSystemError(ProcessContext& ctx, std::uint32_t code) {
    std::wstring text;
    if (ctx.os.system.FormatSystemMessage(code, &text)) return text;
    return ToDecimal(static_cast<std::uint64_t>(code));
}

void FatalErrorExit(ProcessContext& ctx, HResult code, const std::wstring& context) {
    std::wstring text = context;
    if (code != 0) text += FormatSystemError(ctx, ExitCodeOf(code));
    const auto exitCode = static_cast<ExitCode>(ExitCodeOf(code));
    WriteExitLine(ctx, exitCode, {"fatal error: ", text});
    ctx.os.ui.ShowMessageBox(nullptr, text, platform::kMbIconError);
    EndLoggedRun(ctx, exitCode);
}

void RequestSystemRestart(ProcessContext& ctx) {
    platform::System& system = ctx.os.system;
    platform::UniqueHandle token(
        system, system.OpenProcessToken(platform::kTokenAdjustPrivileges | platform::kTokenQuery));
    if (!token.IsValid()) return;
    system.AdjustTokenPrivilege(token.Get(), L"SeShutdownPrivilege", platform::kSePrivilegeEnabled);
    system.RequestExitWindows(platform::kEwxReboot, 0);
}

}  // namespace quorix
