// ui-probe: a stand-in program for the driver's own tests. It shows the message boxes and the
// dialog it is told to and ends with a code that tells what the driver did to them.
//   --mutex NAME              take a named mutex first; end with 1 when it exists already
//   --box CAPTION TEXT STYLE  a message box (STYLE: MB_ flags as a number); repeatable
//   --self-close MS           the next box closes itself MS milliseconds after it is shown
//   --dialog                  the probe dialog (combo box, check box, edit, Next and Cancel)
//   --exit N                  the exit code (default 0)
//   --exit-with-answer        the exit code is the last answer instead: the box's button id,
//                             or for the dialog 100 + 10 * selected + checked (Cancel: 2)
//   --wait-file PATH          before going on, wait until PATH exists (at most 60 s)
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "ui_probe_ids.h"

namespace {

struct SelfClose {
    DWORD thread;
    DWORD delay;
};

BOOL CALLBACK FindShownDialog(HWND hwnd, LPARAM found) {
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (lstrcmpW(cls, L"#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

// Closes the box a given time after it has been shown (not after it was asked for: on a
// cold Wine prefix the first box takes a few hundred milliseconds to come up).
DWORD WINAPI SelfCloseThread(LPVOID context) {
    SelfClose* task = static_cast<SelfClose*>(context);
    HWND box = nullptr;
    for (int i = 0; i < 2000 && box == nullptr; ++i) {
        EnumThreadWindows(task->thread, FindShownDialog, reinterpret_cast<LPARAM>(&box));
        if (box == nullptr) Sleep(5);
    }
    if (box == nullptr) return 1;
    Sleep(task->delay);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return 0;
}

INT_PTR CALLBACK ProbeDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            HWND combo = GetDlgItem(dialog, IDC_PROBE_COMBO);
            for (const wchar_t* item : {L"en-US", L"de-DE", L"fr-FR"}) {
                SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
            }
            SendMessageW(combo, CB_SETCURSEL, 0, 0);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                const LRESULT selected = SendDlgItemMessageW(dialog, IDC_PROBE_COMBO, CB_GETCURSEL, 0, 0);
                const UINT checked = IsDlgButtonChecked(dialog, IDC_PROBE_CHECK);
                wchar_t edit[64] = {};
                GetDlgItemTextW(dialog, IDC_PROBE_EDIT, edit, 64);
                // The edit text "bad" refuses Next, so a test can see the dialog stay up.
                if (lstrcmpW(edit, L"bad") == 0) return TRUE;
                EndDialog(dialog, 100 + 10 * selected + static_cast<INT_PTR>(checked));
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, 2);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr) return 99;
    int exitCode = 0;
    bool exitWithAnswer = false;
    INT_PTR answer = 0;
    DWORD selfCloseMs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        if (a == L"--mutex" && i + 1 < argc) {
            HANDLE mutex = CreateMutexW(nullptr, TRUE, argv[++i]);
            if (mutex == nullptr || GetLastError() == ERROR_ALREADY_EXISTS) return 1;
        } else if (a == L"--box" && i + 3 < argc) {
            const wchar_t* caption = argv[i + 1];
            const wchar_t* text = argv[i + 2];
            const UINT style = static_cast<UINT>(std::wcstoul(argv[i + 3], nullptr, 0));
            i += 3;
            SelfClose task = {GetCurrentThreadId(), selfCloseMs};
            HANDLE closer = nullptr;
            if (selfCloseMs != 0) closer = CreateThread(nullptr, 0, SelfCloseThread, &task, 0, nullptr);
            answer = MessageBoxW(nullptr, text, caption, style);
            if (closer != nullptr) {
                WaitForSingleObject(closer, INFINITE);
                CloseHandle(closer);
            }
            selfCloseMs = 0;
        } else if (a == L"--self-close" && i + 1 < argc) {
            selfCloseMs = static_cast<DWORD>(std::wcstoul(argv[++i], nullptr, 10));
        } else if (a == L"--dialog") {
            answer = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PROBE), nullptr, ProbeDialog, 0);
        } else if (a == L"--exit" && i + 1 < argc) {
            exitCode = static_cast<int>(std::wcstol(argv[++i], nullptr, 0));
        } else if (a == L"--exit-with-answer") {
            exitWithAnswer = true;
        } else if (a == L"--wait-file" && i + 1 < argc) {
            const wchar_t* path = argv[++i];
            for (int n = 0; n < 6000 && GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES; ++n)
                Sleep(10);
        } else {
            return 98;
        }
    }
    LocalFree(argv);
    return exitWithAnswer ? static_cast<int>(answer) : exitCode;
}
