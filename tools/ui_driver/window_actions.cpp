#include "window_actions.h"

#include <commctrl.h>

#include <vector>

#include "png_writer.h"
#include "screen_capture.h"
#include "window_inspector.h"

namespace quorix::uidriver {
namespace {

constexpr UINT kMessageTimeoutMs = 2000;

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    DWORD_PTR value = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                             kMessageTimeoutMs, &value)) {
        return false;
    }
    result = static_cast<LRESULT>(value);
    return true;
}

ActionResult Failed(const std::wstring& error) {
    ActionResult r;
    r.error = error;
    return r;
}

ActionResult Succeeded() {
    ActionResult r;
    r.ok = true;
    return r;
}

HWND Control(HWND dialog, int id) { return GetDlgItem(dialog, id); }

// Tells the dialog what a user's change would have told it; the controls themselves do not
// notify their parent of programmatic changes.
void Notify(HWND dialog, HWND control, int id, WORD code) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

}  // namespace

ActionResult PressButton(HWND dialog, const WindowRecord& record, const ButtonSpec& button) {
    const ControlRecord* target =
        FindButton(record, button, button.useDefault ? DefaultButtonId(dialog) : 0);
    if (target == nullptr) return Failed(L"no such visible button");
    HWND control = Control(dialog, target->id);
    if (control != nullptr && !IsWindowEnabled(control)) return Failed(L"button is disabled");
    if (!PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(target->id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(control))) {
        return Failed(L"PostMessage failed");
    }
    ActionResult r = Succeeded();
    r.buttonId = target->id;
    r.buttonText = target->text;
    return r;
}

ActionResult SelectItem(HWND dialog, const Action& action) {
    HWND control = Control(dialog, action.controlId);
    if (control == nullptr) return Failed(L"no such control");
    wchar_t cls[64] = {};
    GetClassNameW(control, cls, 64);
    const bool comboEx = lstrcmpiW(cls, WC_COMBOBOXEXW) == 0;
    const bool combo = comboEx || lstrcmpiW(cls, L"ComboBox") == 0;
    if (!combo && lstrcmpiW(cls, L"ListBox") != 0) return Failed(L"not a combo box or list box");

    LRESULT index = action.itemIndex;
    if (action.itemIndex < 0 && comboEx) {
        // Its items live in the other process: the first whose text matches exactly.
        std::vector<std::wstring> texts;
        std::vector<int> images;
        if (!ReadComboExItems(control, texts, images)) return Failed(L"cannot read the items");
        index = -1;
        for (size_t i = 0; i < texts.size() && index < 0; ++i) {
            if (texts[i] == action.text) index = static_cast<LRESULT>(i);
        }
        if (index < 0) return Failed(L"no item with that text");
    } else if (action.itemIndex < 0) {
        if (!Send(control, combo ? CB_FINDSTRINGEXACT : LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                  reinterpret_cast<LPARAM>(action.text.c_str()), index) ||
            index < 0) {
            return Failed(L"no item with that text");
        }
    }
    LRESULT result = 0;
    if (!Send(control, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(index), 0, result))
        return Failed(L"the control does not answer");
    if (result < 0 || result != index) return Failed(L"no item at that index");
    Notify(dialog, control, action.controlId, combo ? CBN_SELCHANGE : LBN_SELCHANGE);
    return Succeeded();
}

ActionResult SetCheckState(HWND dialog, int controlId, bool checked) {
    HWND control = Control(dialog, controlId);
    if (control == nullptr) return Failed(L"no such control");
    LRESULT state = 0;
    if (!Send(control, BM_GETCHECK, 0, 0, state)) return Failed(L"the control does not answer");
    const LRESULT wanted = checked ? BST_CHECKED : BST_UNCHECKED;
    if (state == wanted) return Succeeded();
    // A click toggles an auto check box and notifies the dialog, as a user's click does.
    LRESULT ignored = 0;
    Send(control, BM_CLICK, 0, 0, ignored);
    if (Send(control, BM_GETCHECK, 0, 0, state) && state == wanted) return Succeeded();
    // Not an auto check box (or the click was lost): set the state and notify ourselves.
    Send(control, BM_SETCHECK, static_cast<WPARAM>(wanted), 0, ignored);
    Notify(dialog, control, controlId, BN_CLICKED);
    if (Send(control, BM_GETCHECK, 0, 0, state) && state == wanted) return Succeeded();
    return Failed(L"the check state did not change");
}

ActionResult SetControlText(HWND dialog, int controlId, const std::wstring& text) {
    HWND control = Control(dialog, controlId);
    if (control == nullptr) return Failed(L"no such control");
    LRESULT result = 0;
    if (!Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), result) || !result)
        return Failed(L"WM_SETTEXT failed");
    return Succeeded();
}

bool EndsWithPng(const std::wstring& path) {
    return path.size() >= 4 && lstrcmpiW(path.c_str() + path.size() - 4, L".png") == 0;
}

bool WritePngFile(const std::wstring& path, const Pixels& pixels) {
    const std::vector<unsigned char> data = EncodePng(pixels);
    if (data.empty()) return false;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == data.size();
}

ActionResult SaveScreenshot(HWND window, const std::wstring& path) {
    Pixels pixels;
    if (!CaptureWindow(window, pixels)) return Failed(L"capture failed");
    const bool written =
        EndsWithPng(path) ? WritePngFile(path, pixels) : WriteBmpFile(path, pixels);
    if (!written) return Failed(L"cannot write the file");
    return Succeeded();
}

ActionResult PostCommand(HWND window, int id) {
    HWND control = Control(window, id);
    if (!PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(control))) {
        return Failed(L"PostMessage failed");
    }
    return Succeeded();
}

ActionResult PressKey(HWND window, unsigned virtualKey) {
    HWND target = window;
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr &&
        (info.hwndFocus == window || IsChild(window, info.hwndFocus))) {
        target = info.hwndFocus;
    }
    const UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
    const LPARAM up = down | (static_cast<LPARAM>(3) << 30);  // previous state down, released
    if (!PostMessageW(target, WM_KEYDOWN, virtualKey, down) ||
        !PostMessageW(target, WM_KEYUP, virtualKey, up)) {
        return Failed(L"PostMessage failed");
    }
    return Succeeded();
}

ActionResult ShowDropDown(HWND dialog, int controlId, bool show) {
    HWND control = Control(dialog, controlId);
    if (control == nullptr) return Failed(L"no such control");
    LRESULT ignored = 0;
    if (!Send(control, CB_SHOWDROPDOWN, show ? TRUE : FALSE, 0, ignored))
        return Failed(L"the control does not answer");
    LRESULT dropped = 0;
    if (!Send(control, CB_GETDROPPEDSTATE, 0, 0, dropped))
        return Failed(L"the control does not answer");
    if ((dropped != 0) != show) return Failed(L"the list did not change");
    return Succeeded();
}

ActionResult SendHelpRequest(HWND window) {
    // The HELPINFO must be readable in the window's process; Wine copies a WM_HELP's lParam
    // across processes as Windows does.
    HELPINFO info = {};
    info.cbSize = sizeof info;
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = GetDlgCtrlID(window);
    info.hItemHandle = window;
    info.dwContextId = GetWindowContextHelpId(window);
    GetCursorPos(&info.MousePos);
    LRESULT ignored = 0;
    if (!Send(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&info), ignored))
        return Failed(L"the window does not answer");
    return Succeeded();
}

ActionResult PostCloseRequest(HWND window) {
    if (!PostMessageW(window, WM_CLOSE, 0, 0)) return Failed(L"PostMessage failed");
    return Succeeded();
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool TouchFile(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

}  // namespace quorix::uidriver
