// VLInstallHelper.exe: the demo product's install helper, started by the setup from the
// installation folder around a removal.
//
//   --close-vlqapps     closes the product's running programs (top-level windows of the demo
//                       product's window class get WM_CLOSE); exit code 0
//   --uninstall-lullex  the product's own uninstallation step: removes lullex.dat beside the
//                       helper; exit code 1 (the setup may go on with the removal)
//
// The answer to "--uninstall-lullex" can be changed by a test: the REG_DWORD
// "UninstallLullexExitCode" below HKLM\Software\Velora\QuorixDemo\Settings is returned instead
// of 1, and the step itself only runs when the answer is 1. Every run is recorded in the demo
// event log (demo_events.h). Any other command line ends with ERROR_INVALID_PARAMETER.
// <windows.h> first: the other Windows headers rely on it.
#include <windows.h>

#include <shellapi.h>

#include <string>

#include "demo_events.h"

namespace {

using quorix::demo::DecimalText;
using quorix::demo::RecordEvent;

constexpr wchar_t kCloseAppsSwitch[] = L"--close-vlqapps";
constexpr wchar_t kUninstallLullexSwitch[] = L"--uninstall-lullex";
// The window class the demo product's programs register for their main windows.
constexpr wchar_t kProductWindowClass[] = L"VeloraQuorixDemoApp";
constexpr wchar_t kLullexDataFile[] = L"lullex.dat";
constexpr wchar_t kLullexAnswerSetting[] = L"UninstallLullexExitCode";
constexpr int kLullexDone = 1;

int CloseProductApps() {
    // Posted, not sent: a program that hangs must not hang the setup that waits for us.
    int closed = 0;
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, kProductWindowClass, nullptr)) != nullptr) {
        if (PostMessageW(window, WM_CLOSE, 0, 0)) ++closed;
    }
    RecordEvent(L"helper closed " + DecimalText(closed) + L" product window(s)");
    return 0;
}

int UninstallLullex(const std::wstring& folder) {
    DWORD answer = kLullexDone;
    if (quorix::demo::ReadSetting(kLullexAnswerSetting, &answer)) {
        RecordEvent(L"helper answers " + DecimalText(static_cast<long>(answer)) +
                    L" as the test asked");
    }
    if (answer != kLullexDone) return static_cast<int>(answer);
    if (folder.empty()) {
        RecordEvent(L"lullex data not found: the helper's folder is unknown");
    } else if (DeleteFileW((folder + kLullexDataFile).c_str())) {
        RecordEvent(L"lullex data removed");
    } else {
        // Already gone is as good as removed: the step is done either way.
        RecordEvent(L"lullex data not removed, error " +
                    DecimalText(static_cast<long>(GetLastError())));
    }
    return kLullexDone;
}

int RunHelper() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring arguments;
    for (int i = 1; argv != nullptr && i < argc; ++i) {
        if (i > 1) arguments += L' ';
        arguments += argv[i];
    }
    const std::wstring folder = quorix::demo::ModuleFolder(nullptr);

    int exitCode = ERROR_INVALID_PARAMETER;
    if (argc == 2 && arguments == kCloseAppsSwitch) {
        exitCode = CloseProductApps();
    } else if (argc == 2 && arguments == kUninstallLullexSwitch) {
        exitCode = UninstallLullex(folder);
    }
    if (argv != nullptr) LocalFree(argv);

    RecordEvent(L"helper " + (arguments.empty() ? std::wstring(L"(no arguments)") : arguments) +
                L" in " + quorix::demo::FolderForLog(folder) + L" exit " + DecimalText(exitCode));
    return exitCode;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        return RunHelper();
    } catch (...) {
        // Out of memory while building a log line: still end, and say it went wrong.
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}
