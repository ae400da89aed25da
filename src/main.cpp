// The process entry: the library search restricted, the real platform, the process-wide
// values, then the entry procedure.
#include <windows.h>

#include <exception>
#include <new>

#include "bootstrap/entry.h"
#include "core/process_exit.h"
#include "platform/win32/win32_platform.h"

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32; the XP headers this is built against do not know it.
constexpr DWORD kSearchSystemFolderOnly = 0x00000800;

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCWSTR);

// The setup is typically started from a downloads folder, where anyone may have left a
// msi.dll or version.dll of their own: no library this process loads by name may come from
// there, nor from the current folder. Both functions are looked up, since they are missing on
// older systems: SetDllDirectoryW came with XP SP1, SetDefaultDllDirectories with an update of
// Windows 7. Where neither exists, the libraries we load ourselves are still loaded by full
// system path; where one fails, the other still narrows the search.
void KeepLibrarySearchInSystemFolder() {
    HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    if (kernel32 == nullptr) return;
    const auto setDefaultDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")));
    if (setDefaultDirectories != nullptr) setDefaultDirectories(kSearchSystemFolderOnly);
    // The empty text takes the current folder out of the search order.
    const auto setDllDirectory = reinterpret_cast<SetDllDirectoryFunction>(
        reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetDllDirectoryW")));
    if (setDllDirectory != nullptr) setDllDirectory(L"");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    // Before anything that might load a library.
    KeepLibrarySearchInSystemFolder();

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
