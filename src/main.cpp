// The process entry: the real platform, the process-wide values, then the entry procedure.
#include <windows.h>

#include <exception>
#include <new>

#include "bootstrap/entry.h"
#include "platform/win32/win32_platform.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    // Both live to the end of the process: other rooms keep references to them.
    static quorix::win32::Win32Platform platform;
    static quorix::ProcessState state;
    quorix::ProcessContext ctx{platform.Os(), state};
    try {
        return static_cast<int>(quorix::RunEntryProcedure(ctx));
    } catch (const std::bad_alloc&) {
        quorix::FatalErrorExit(ctx, static_cast<quorix::HResult>(0x8007000Eu), L"");
    } catch (...) {
        // Nothing may cross into the C runtime's start-up code.
        quorix::FatalErrorExit(ctx, quorix::kEFail, L"");
    }
}
