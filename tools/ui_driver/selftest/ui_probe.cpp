// ui-probe: a stand-in program for the driver's own tests. It shows the message boxes and the
// dialog it is told to and ends with a code that tells what the driver did to them.
//   --mutex NAME              take a named mutex first; end with 1 when it exists already
//   --box CAPTION TEXT STYLE  a message box (STYLE: MB_ flags as a number); repeatable
//   --self-close MS           the next box closes itself MS milliseconds after it is shown
//   --dialog                  the probe dialog (combo box, check box, edit, Next and Cancel)
//   --dialog-ex               the dialog with a ComboBoxEx32, a notice panel and no Cancel
//                             button; Escape asks "Really cancel?" (Yes ends it with 2);
//                             choosing an item puts its text into the caption
//   --help-box CAPTION TEXT   an MB_HELP error box owned by a hidden window, which counts
//                             the WM_HELP it gets; the answer is then button id + 10 * count
//   --exit N                  the exit code (default 0)
//   --exit-with-answer        the exit code is the last answer instead: the box's button id,
//                             or for the dialog 100 + 10 * selected + checked (Cancel: 2)
//   --wait-file PATH          before going on, wait until PATH exists (at most 60 s)
#include <windows.h>
#include <commctrl.h>
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
                const LRESULT selected =
                    SendDlgItemMessageW(dialog, IDC_PROBE_COMBO, CB_GETCURSEL, 0, 0);
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

const wchar_t* const kExItems[] = {L"Dansk", L"Deutsch", L"English"};
const COLORREF kExColours[] = {RGB(200, 16, 46), RGB(255, 206, 0), RGB(0, 36, 125)};

// A 16 x 14 picture of one colour for each item, so a screenshot of the open list shows them.
HIMAGELIST MakeItemImages() {
    HIMAGELIST list = ImageList_Create(16, 14, ILC_COLOR24, 3, 0);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    for (COLORREF colour : kExColours) {
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 14);
        HGDIOBJ old = SelectObject(dc, bitmap);
        HBRUSH brush = CreateSolidBrush(colour);
        RECT all = {0, 0, 16, 14};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        SelectObject(dc, old);
        ImageList_Add(list, bitmap, nullptr);
        DeleteObject(bitmap);
    }
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return list;
}

INT_PTR CALLBACK ProbeDialogEx(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            HWND combo = GetDlgItem(dialog, IDC_PROBE_EX_COMBO);
            for (int i = 0; i < 3; ++i) {
                COMBOBOXEXITEMW item = {};
                item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
                item.iItem = i;
                item.pszText = const_cast<LPWSTR>(kExItems[i]);
                item.iImage = i;
                item.iSelectedImage = i;
                SendMessageW(combo, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            }
            SendMessageW(combo, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(MakeItemImages()));
            SendMessageW(combo, CB_SETCURSEL, 2, 0);
            HWND panel = GetDlgItem(dialog, IDC_PROBE_EX_PANEL);
            ShowWindow(GetDlgItem(dialog, IDC_PROBE_EX_PICTURE), SW_SHOW);
            ShowWindow(panel, SW_SHOW);
            SetParent(GetDlgItem(dialog, IDC_PROBE_EX_PICTURE), panel);
            SetParent(GetDlgItem(dialog, IDC_PROBE_EX_NOTICE), panel);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                const LRESULT selected =
                    SendDlgItemMessageW(dialog, IDC_PROBE_EX_COMBO, CB_GETCURSEL, 0, 0);
                const UINT checked = IsDlgButtonChecked(dialog, IDC_PROBE_EX_CHECK);
                EndDialog(dialog, 100 + 10 * selected + static_cast<INT_PTR>(checked));
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                if (MessageBoxW(dialog, L"Really cancel?", L"Probe cancel",
                                MB_YESNO | MB_ICONQUESTION) == IDYES) {
                    EndDialog(dialog, 2);
                }
                return TRUE;
            }
            if (LOWORD(wParam) == IDC_PROBE_EX_COMBO && HIWORD(wParam) == CBN_SELCHANGE) {
                const LRESULT selected =
                    SendDlgItemMessageW(dialog, IDC_PROBE_EX_COMBO, CB_GETCURSEL, 0, 0);
                if (selected >= 0 && selected < 3) {
                    std::wstring caption = L"Probe dialog: ";
                    caption += kExItems[selected];
                    SetWindowTextW(dialog, caption.c_str());
                }
            }
            return FALSE;
        default:
            return FALSE;
    }
}

int g_helpRequests = 0;

LRESULT CALLBACK HiddenOwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HELP) ++g_helpRequests;
    return DefWindowProcW(window, message, wParam, lParam);
}

INT_PTR ShowHelpBox(HINSTANCE instance, const wchar_t* caption, const wchar_t* text) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = HiddenOwnerProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"probehidden";
    RegisterClassExW(&wc);
    HWND owner = CreateWindowExW(0, L"probehidden", L"probehidden", WS_OVERLAPPEDWINDOW, 0, 0, 1, 1,
                                 nullptr, nullptr, instance, nullptr);
    const int answer = MessageBoxW(owner, text, caption, MB_HELP | MB_ICONERROR);
    if (owner != nullptr) DestroyWindow(owner);
    return answer + 10 * g_helpRequests;
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
            if (selfCloseMs != 0)
                closer = CreateThread(nullptr, 0, SelfCloseThread, &task, 0, nullptr);
            answer = MessageBoxW(nullptr, text, caption, style);
            if (closer != nullptr) {
                WaitForSingleObject(closer, INFINITE);
                CloseHandle(closer);
            }
            selfCloseMs = 0;
        } else if (a == L"--self-close" && i + 1 < argc) {
            selfCloseMs = static_cast<DWORD>(std::wcstoul(argv[++i], nullptr, 10));
        } else if (a == L"--dialog") {
            answer =
                DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PROBE), nullptr, ProbeDialog, 0);
        } else if (a == L"--dialog-ex") {
            INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_USEREX_CLASSES};
            InitCommonControlsEx(&controls);
            answer = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PROBE_EX), nullptr,
                                     ProbeDialogEx, 0);
        } else if (a == L"--help-box" && i + 2 < argc) {
            answer = ShowHelpBox(instance, argv[i + 1], argv[i + 2]);
            i += 2;
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
