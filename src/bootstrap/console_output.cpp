#include "bootstrap/console_output.h"

#include "bootstrap/entry.h"
#include "common/text.h"
#include "ui/language_packs.h"

namespace quorix {

bool AttachParentConsole(ProcessContext& ctx) {
    if (!ctx.os.console.AttachToParent()) return false;
    ctx.os.console.ReopenStdoutOnConsole();
    ctx.os.console.Write(L"\n");
    return true;
}

void DetachConsole(ProcessContext& ctx) {
    ctx.os.console.Free();
    ctx.os.console.SendKey(platform::kVkReturn, 0);
    ctx.os.console.SendKey(platform::kVkReturn, platform::kKeyEventKeyUp);
}

void ListSupportedLanguages(ProcessContext& ctx) {
    EnumerateLanguagePacks(ctx);
    if (ctx.state.foundPacks.Empty()) FatalErrorExit(ctx, kEFail, L"No language pack found");
    if (!AttachParentConsole(ctx)) return;
    ctx.os.console.Write(L"\nSupported languages:\n");
    for (std::size_t position = 0; position < ctx.state.foundPacks.Size(); ++position) {
        ctx.os.console.Write(
            FormatText(L"- %s\n", {LocaleCodeAt(ctx.state.foundPacks, position)}));
    }
    DetachConsole(ctx);
    ctx.os.system.ExitProcess(0);
}

}  // namespace quorix
