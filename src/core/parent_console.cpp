#include "core/parent_console.h"

#include "common/result_codes.h"

namespace quorix {

bool AttachParentConsole(ProcessContext& ctx) {
    // ERROR_ACCESS_DENIED means the process has a console already: Wine gives a GUI program
    // its parent's console when a console program starts it. That console is the one to print on.
    if (!ctx.os.console.AttachToParent() && ctx.os.system.GetLastError() != kErrorAccessDenied) {
        return false;
    }
    // Without a console device to write to (output redirected to a pipe) the line would be
    // lost, so the caller is told there is no console and the run goes on normally.
    if (!ctx.os.console.ReopenStdoutOnConsole()) {
        ctx.os.console.Free();
        return false;
    }
    ctx.os.console.Write(L"\n");
    return true;
}

void DetachConsole(ProcessContext& ctx) {
    ctx.os.console.Free();
    ctx.os.console.SendKey(platform::kVkReturn, 0);
    ctx.os.console.SendKey(platform::kVkReturn, platform::kKeyEventKeyUp);
}

}  // namespace quorix
