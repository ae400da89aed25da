#include "window_inspector.h"

#include <vector>

#include "icon_match.h"
#include "remote_memory.h"

namespace quorix::uidriver {
namespace {

constexpr UINT kMessageTimeoutMs = 1000;
constexpr int kMaxTextChars = 8192;
constexpr int kMaxListItems = 512;
constexpr size_t kMaxControls = 512;

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    DWORD_PTR value = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                             kMessageTimeoutMs, &value)) {
        return false;
    }
    result = static_cast<LRESULT>(value);
    return true;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    const int n = GetClassNameW(window, name, 256);
    return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

bool IsIconStatic(HWND control) {
    return (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

// Text of one combo-box or list-box item; the controls report lengths in characters.
std::wstring ReadListItem(HWND control, bool combo, int index) {
    LRESULT length = 0;
    if (!Send(control, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, index, 0, length) || length < 0 ||
        length >= kMaxTextChars) {
        return std::wstring();
    }
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!Send(control, combo ? CB_GETLBTEXT : LB_GETTEXT, index,
              reinterpret_cast<LPARAM>(buffer.data()), copied) ||
        copied < 0) {
        return std::wstring();
    }
    buffer.back() = L'\0';
    return std::wstring(buffer.data());
}

void ReadListBox(HWND control, bool combo, ControlRecord& record) {
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    // An owner-drawn list without CBS_HASSTRINGS/LBS_HASSTRINGS keeps item data, not texts:
    // asking for the text would copy from a pointer of the other process.
    const bool ownerDrawn = combo ? (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0
                                  : (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0;
    const bool hasStrings = combo ? (style & CBS_HASSTRINGS) != 0 : (style & LBS_HASSTRINGS) != 0;
    LRESULT count = 0;
    if (!Send(control, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0, count) || count < 0) return;
    if (count > kMaxListItems) count = kMaxListItems;
    for (int i = 0; i < static_cast<int>(count); ++i) {
        record.items.push_back(ownerDrawn && !hasStrings ? std::wstring()
                                                         : ReadListItem(control, combo, i));
    }
    LRESULT selected = -1;
    if (Send(control, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0, selected)) {
        record.selected = static_cast<int>(selected);
    }
}

struct ChildList {
    std::vector<HWND> children;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM context) {
    auto* list = reinterpret_cast<ChildList*>(context);
    if (list->children.size() >= kMaxControls) return FALSE;
    list->children.push_back(child);
    return TRUE;
}

void ReadComboEx(HWND control, ControlRecord& record) {
    if (!ReadComboExItems(control, record.items, record.itemImages)) return;
    LRESULT selected = -1;
    if (Send(control, CB_GETCURSEL, 0, 0, selected)) record.selected = static_cast<int>(selected);
}

void ReadControl(HWND window, HWND control, ControlRecord& record) {
    record.className = ClassName(control);
    // Controls moved into a panel (SetParent) are recorded with the panel's id: a script can
    // tell the notice inside the panel from one left on the dialog.
    HWND parent = GetParent(control);
    if (parent != nullptr && parent != window) {
        record.parentId = static_cast<int>(GetDlgCtrlID(parent) & 0xFFFF);
    }
    record.id = static_cast<int>(GetDlgCtrlID(control) & 0xFFFF);
    // The combo box inside a ComboBoxEx32 draws items it does not own: its "text" is the
    // item's data read as characters. The outer control is the one to read.
    const bool insideComboEx = record.parentId >= 0 && IsComboEx(parent);
    if (insideComboEx) {
        record.visible = IsWindowVisible(control) != FALSE;
        record.enabled = IsWindowEnabled(control) != FALSE;
        return;
    }
    record.text = ReadControlText(control);
    record.visible = IsWindowVisible(control) != FALSE;
    record.enabled = IsWindowEnabled(control) != FALSE;
    if (lstrcmpiW(record.className.c_str(), L"Button") == 0) {
        const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
        switch (type) {
            case BS_CHECKBOX:
            case BS_AUTOCHECKBOX:
            case BS_RADIOBUTTON:
            case BS_3STATE:
            case BS_AUTO3STATE:
            case BS_AUTORADIOBUTTON: {
                LRESULT state = 0;
                if (Send(control, BM_GETCHECK, 0, 0, state))
                    record.checked = static_cast<int>(state);
                break;
            }
            case BS_GROUPBOX:
                break;
            default:  // push, default push, owner-drawn, split and command-link buttons
                record.isButton = true;
                record.isDefault = type == BS_DEFPUSHBUTTON;
                break;
        }
    } else if (lstrcmpiW(record.className.c_str(), L"ComboBox") == 0) {
        ReadListBox(control, true, record);
    } else if (lstrcmpiW(record.className.c_str(), L"ListBox") == 0) {
        ReadListBox(control, false, record);
    } else if (lstrcmpiW(record.className.c_str(), WC_COMBOBOXEXW) == 0) {
        ReadComboEx(control, record);
    }
}

// A message box is a dialog made of static texts, at most one icon and push buttons, with
// exactly one visible message text.
void ClassifyKind(HWND window, WindowRecord& record, const std::vector<HWND>& children) {
    if (record.className != L"#32770") {
        record.kind = L"window";
        return;
    }
    int texts = 0;
    std::wstring message;
    bool onlyStaticsAndButtons = true;
    for (size_t i = 0; i < record.controls.size() && i < children.size(); ++i) {
        const ControlRecord& c = record.controls[i];
        const bool isStatic = lstrcmpiW(c.className.c_str(), L"Static") == 0;
        if (!isStatic && !(c.isButton)) onlyStaticsAndButtons = false;
        if (c.parentId >= 0) onlyStaticsAndButtons = false;  // a panel: no box has one
        if (isStatic && c.visible && !IsIconStatic(children[i])) {
            ++texts;
            message = c.text;
        }
    }
    if (onlyStaticsAndButtons && texts == 1) {
        record.kind = L"messagebox";
        record.text = message;
    } else {
        record.kind = L"dialog";
    }
}

}  // namespace

bool IsComboEx(HWND control) { return lstrcmpiW(ClassName(control).c_str(), WC_COMBOBOXEXW) == 0; }

bool ReadComboExItems(HWND combo, std::vector<std::wstring>& texts, std::vector<int>& images) {
    texts.clear();
    images.clear();
    LRESULT count = 0;
    if (!Send(combo, CB_GETCOUNT, 0, 0, count) || count < 0) return false;
    if (count > kMaxListItems) count = kMaxListItems;
    if (count == 0) return true;
    constexpr int kItemChars = 260;
    const std::size_t textOffset = sizeof(COMBOBOXEXITEMW);
    RemoteBlock block(combo, textOffset + kItemChars * sizeof(wchar_t));
    if (!block.ok()) return false;
    for (int i = 0; i < static_cast<int>(count); ++i) {
        COMBOBOXEXITEMW item = {};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        item.iItem = i;
        item.pszText = static_cast<LPWSTR>(block.At(textOffset));
        item.cchTextMax = kItemChars;
        const wchar_t empty = L'\0';
        LRESULT got = 0;
        if (!block.Write(0, &item, sizeof item) || !block.Write(textOffset, &empty, sizeof empty) ||
            !Send(combo, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(block.At(0)), got) || !got) {
            return false;
        }
        COMBOBOXEXITEMW back = {};
        wchar_t text[kItemChars] = {};
        if (!block.Read(0, &back, sizeof back)) return false;
        // The control may answer with a pointer of its own instead of copying into ours.
        const std::size_t textAddress = reinterpret_cast<std::size_t>(back.pszText);
        const std::size_t ours = reinterpret_cast<std::size_t>(block.At(textOffset));
        if (textAddress == ours) {
            if (!block.Read(textOffset, text, sizeof text)) return false;
        }
        text[kItemChars - 1] = L'\0';
        texts.emplace_back(text);
        images.push_back(back.iImage);
    }
    return true;
}

std::wstring ReadControlText(HWND control) {
    LRESULT length = 0;
    if (!Send(control, WM_GETTEXTLENGTH, 0, 0, length) || length <= 0) return std::wstring();
    if (length >= kMaxTextChars) length = kMaxTextChars - 1;
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!Send(control, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
              copied)) {
        return std::wstring();
    }
    buffer.back() = L'\0';
    return std::wstring(buffer.data());
}

int DefaultButtonId(HWND dialog) {
    LRESULT result = 0;
    if (!Send(dialog, DM_GETDEFID, 0, 0, result)) return 0;
    if (HIWORD(result) != DC_HASDEFID) return 0;
    return LOWORD(result);
}

bool ReadWindow(HWND window, WindowRecord& out) {
    out = WindowRecord{};
    out.handle = static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(window));
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    out.processId = pid;
    out.className = ClassName(window);
    out.caption = ReadControlText(window);
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner != nullptr) out.ownerClass = ClassName(owner);
    const int defaultId = out.className == L"#32770" ? DefaultButtonId(window) : 0;

    ChildList list;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&list));
    bool defaultIdShown = false;
    for (HWND child : list.children) {
        ControlRecord control;
        ReadControl(window, child, control);
        defaultIdShown |= control.isButton && control.visible && control.id == defaultId;
        out.controls.push_back(control);
    }
    // DM_GETDEFID is the dialog manager's own answer, but Wine's message boxes report IDOK
    // even when they have no OK button; then the BS_DEFPUSHBUTTON style tells.
    if (defaultIdShown) {
        for (ControlRecord& control : out.controls) {
            if (control.isButton) control.isDefault = control.id == defaultId;
        }
    }
    ClassifyKind(window, out, list.children);
    out.icon = out.kind == L"messagebox" ? L"unknown" : L"";
    if (!IsWindow(window)) {
        out.vanished = true;
        return false;
    }
    return true;
}

std::wstring ClassifyMessageBoxIcon(HWND window) {
    HWND iconControl = nullptr;
    ChildList list;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&list));
    for (HWND child : list.children) {
        if (lstrcmpiW(ClassName(child).c_str(), L"Static") == 0 && IsIconStatic(child)) {
            iconControl = child;
            break;
        }
    }
    if (iconControl == nullptr || !IsWindowVisible(iconControl)) return L"none";
    LRESULT shown = 0;
    if (!Send(iconControl, STM_GETICON, 0, 0, shown)) return std::wstring();
    if (shown == 0) return L"none";

    static const struct {
        const wchar_t* name;
        LPCWSTR resource;
    } kIcons[] = {{L"error", IDI_HAND},
                  {L"warning", IDI_EXCLAMATION},
                  {L"information", IDI_ASTERISK},
                  {L"question", IDI_QUESTION}};
    // Windows: the standard icons are shared, so the handle is the answer.
    for (const auto& icon : kIcons) {
        if (reinterpret_cast<HICON>(shown) == LoadIconW(nullptr, icon.resource)) return icon.name;
    }

    RECT client;
    if (!GetClientRect(iconControl, &client)) return std::wstring();
    POINT origin = {0, 0};
    if (!ClientToScreen(iconControl, &origin)) return std::wstring();
    RECT onScreen = {origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    Pixels seen;
    if (!CaptureScreenRect(onScreen, seen) || seen.bgra.empty()) return std::wstring();
    // The icons' corners are transparent, so a corner pixel is the background they were drawn on.
    const std::uint32_t background = seen.bgra.front();
    std::vector<IconCandidate> candidates;
    for (const auto& icon : kIcons) {
        IconCandidate candidate;
        candidate.name = icon.name;
        if (RenderIcon(LoadIconW(nullptr, icon.resource), seen.width, seen.height, background,
                       candidate.rendering)) {
            candidates.push_back(candidate);
        }
    }
    return PickMatchingIcon(seen, candidates);
}

}  // namespace quorix::uidriver
