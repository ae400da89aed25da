#include "bootstrap/console_output.h"

#include "common/result_codes.h"
#include "common/text.h"
#include "core/parent_console.h"
#include "core/process_exit.h"
#include "ui/language_packs.h"

namespace quorix {

void ListSupportedLanguages(ProcessContext& ctx) {
    EnumerateLanguagePacks(ctx);
    if (ctx.state.foundPacks.Empty()) FatalErrorExit(ctx, kEFail, L"No language pack found");
    if (!AttachParentConsole(ctx)) return;
    ctx.os.console.Write(L"\nSupported languages:\n");
    for (std::size_t position = 0; position < ctx.state.foundPacks.Size(); ++position) {
        ctx.os.console.Write(FormatText(L"- %s\n", {LocaleCodeAt(ctx.state.foundPacks, position)}));
    }
    DetachConsole(ctx);
    EndRun(ctx, ExitCode::Success, {"the supported languages were listed on the console"});
}

}  // namespace quorix
