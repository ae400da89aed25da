#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_handles.h"

namespace quorix::win32 {

namespace {

template <typename T>
T As(platform::NativeHandle h) {
    return reinterpret_cast<T>(h);
}

template <typename T>
platform::NativeHandle From(T h) {
    return reinterpret_cast<platform::NativeHandle>(h);
}

// The procedure of every dialog run through the seam. The handler arrives with WM_INITDIALOG
// and is kept in the dialog's DWLP_USER slot; messages before it (WM_SETFONT) go unhandled.
// Nothing may unwind through user32's frames, so anything thrown ends here as "not handled".
INT_PTR CALLBACK DialogThunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        platform::DialogHandler* handler = nullptr;
        if (message == WM_INITDIALOG) {
            ::SetWindowLongPtrW(window, DWLP_USER, lParam);
            handler = reinterpret_cast<platform::DialogHandler*>(lParam);
        } else {
            handler =
                reinterpret_cast<platform::DialogHandler*>(::GetWindowLongPtrW(window, DWLP_USER));
        }
        if (handler == nullptr) return FALSE;
        const platform::NativeHandle dialog = FromWindow(window);
        switch (message) {
            case WM_INITDIALOG:
                return handler->OnInitDialog(dialog) ? TRUE : FALSE;
            case WM_COMMAND:
                return handler->OnCommand(dialog, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
            case WM_CTLCOLORSTATIC:
                // A dialog procedure answers the colour messages with the brush itself.
                return static_cast<INT_PTR>(
                    handler->OnCtlColorStatic(dialog, From(reinterpret_cast<HDC>(wParam)),
                                              From(reinterpret_cast<HWND>(lParam))));
            case WM_DRAWITEM: {
                const auto* source = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
                if (source == nullptr) return FALSE;
                platform::DrawItem item;
                item.controlId = static_cast<int>(source->CtlID);
                item.window = From(source->hwndItem);
                item.dc = From(source->hDC);
                item.rect = platform::Rect{source->rcItem.left, source->rcItem.top,
                                           source->rcItem.right, source->rcItem.bottom};
                return handler->OnDrawItem(dialog, item) ? TRUE : FALSE;
            }
            default:
                return FALSE;
        }
    } catch (...) {
        return FALSE;
    }
}

}  // namespace

std::intptr_t Win32Dialogs::RunModalDialog(std::uint32_t templateId,
                                           platform::DialogHandler& handler) {
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr,
                             DialogThunk, reinterpret_cast<LPARAM>(&handler));
}

bool Win32Dialogs::EndModalDialog(platform::NativeHandle dialog, std::intptr_t result) {
    return ::EndDialog(ToWindow(dialog), result) != FALSE;
}

platform::NativeHandle Win32Dialogs::GetControl(platform::NativeHandle dialog, int id) {
    return FromWindow(::GetDlgItem(ToWindow(dialog), id));
}

int Win32Dialogs::GetControlId(platform::NativeHandle window) {
    return ::GetDlgCtrlID(ToWindow(window));
}

bool Win32Dialogs::ShowControl(platform::NativeHandle window, int showCommand) {
    return ::ShowWindow(ToWindow(window), showCommand) != FALSE;
}

platform::NativeHandle Win32Dialogs::ChangeParent(platform::NativeHandle window,
                                                  platform::NativeHandle parent) {
    return FromWindow(::SetParent(ToWindow(window), ToWindow(parent)));
}

bool Win32Dialogs::SetText(platform::NativeHandle window, const std::wstring& text) {
    return ::SetWindowTextW(ToWindow(window), text.c_str()) != FALSE;
}

int Win32Dialogs::GetText(platform::NativeHandle window, std::size_t capacity, std::wstring* text) {
    text->clear();
    if (capacity == 0) return 0;
    std::vector<wchar_t> buffer(capacity, L'\0');
    const int copied =
        ::GetWindowTextW(ToWindow(window), buffer.data(), static_cast<int>(capacity));
    if (copied > 0) text->assign(buffer.data(), static_cast<std::size_t>(copied));
    return copied;
}

std::uint32_t Win32Dialogs::GetButtonCheck(platform::NativeHandle dialog, int id) {
    return ::IsDlgButtonChecked(ToWindow(dialog), id);
}

platform::NativeHandle Win32Dialogs::SetKeyboardFocus(platform::NativeHandle window) {
    return FromWindow(::SetFocus(ToWindow(window)));
}

bool Win32Dialogs::InvalidateWhole(platform::NativeHandle window, bool erase) {
    return ::InvalidateRect(ToWindow(window), nullptr, erase ? TRUE : FALSE) != FALSE;
}

bool Win32Dialogs::UpdateNow(platform::NativeHandle window) {
    return ::UpdateWindow(ToWindow(window)) != FALSE;
}

bool Win32Dialogs::GetWindowBounds(platform::NativeHandle window, platform::Rect* rect) {
    RECT r = {};
    if (!::GetWindowRect(ToWindow(window), &r)) return false;
    *rect = platform::Rect{r.left, r.top, r.right, r.bottom};
    return true;
}

bool Win32Dialogs::ScreenToClientPoint(platform::NativeHandle window, platform::Point* point) {
    POINT p = {point->x, point->y};
    if (!::ScreenToClient(ToWindow(window), &p)) return false;
    *point = platform::Point{p.x, p.y};
    return true;
}

void Win32Dialogs::SendSetFont(platform::NativeHandle window, platform::NativeHandle font,
                               bool redraw) {
    ::SendMessageW(ToWindow(window), WM_SETFONT, reinterpret_cast<WPARAM>(As<HFONT>(font)),
                   MAKELPARAM(redraw ? TRUE : FALSE, 0));
}

std::intptr_t Win32Dialogs::InsertComboExItem(platform::NativeHandle combo,
                                              const platform::ComboExItem& item) {
    // The control copies the text; the item only lends it for the call.
    std::vector<wchar_t> text(item.text.begin(), item.text.end());
    text.push_back(L'\0');
    COMBOBOXEXITEMW native = {};
    native.mask = item.mask;
    native.iItem = item.item;
    native.pszText = text.data();
    native.iImage = item.image;
    native.iSelectedImage = item.selectedImage;
    return ::SendMessageW(ToWindow(combo), CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&native));
}

platform::NativeHandle Win32Dialogs::SetComboExImageList(platform::NativeHandle combo,
                                                         platform::NativeHandle imageList) {
    return static_cast<platform::NativeHandle>(
        ::SendMessageW(ToWindow(combo), CBEM_SETIMAGELIST, 0,
                       reinterpret_cast<LPARAM>(As<HIMAGELIST>(imageList))));
}

std::intptr_t Win32Dialogs::SetComboSelection(platform::NativeHandle combo, std::intptr_t index) {
    return ::SendMessageW(ToWindow(combo), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::intptr_t Win32Dialogs::GetComboSelection(platform::NativeHandle combo) {
    return ::SendMessageW(ToWindow(combo), CB_GETCURSEL, 0, 0);
}

platform::NativeHandle Win32Dialogs::CreateImageList(int width, int height, std::uint32_t flags,
                                                     int initial, int grow) {
    return From(::ImageList_Create(width, height, flags, initial, grow));
}

int Win32Dialogs::AddToImageList(platform::NativeHandle imageList, platform::NativeHandle bitmap,
                                 platform::NativeHandle mask) {
    return ::ImageList_Add(As<HIMAGELIST>(imageList), As<HBITMAP>(bitmap), As<HBITMAP>(mask));
}

platform::NativeHandle Win32Dialogs::LoadModuleBitmap(std::uint32_t id) {
    return From(::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)));
}

platform::NativeHandle Win32Dialogs::GetWindowDc(platform::NativeHandle window) {
    return From(::GetDC(ToWindow(window)));
}

int Win32Dialogs::GetDeviceCapability(platform::NativeHandle dc, int index) {
    return ::GetDeviceCaps(As<HDC>(dc), index);
}

bool Win32Dialogs::ReleaseWindowDc(platform::NativeHandle window, platform::NativeHandle dc) {
    return ::ReleaseDC(ToWindow(window), As<HDC>(dc)) == 1;
}

platform::NativeHandle Win32Dialogs::CreateFontOfHeight(int height, const std::wstring& face) {
    return From(::CreateFontW(height, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, face.c_str()));
}

platform::NativeHandle Win32Dialogs::CreateSolidBrushOf(platform::ColorRef color) {
    return From(::CreateSolidBrush(color));
}

platform::NativeHandle Win32Dialogs::CreatePenOf(int style, int width, platform::ColorRef color) {
    return From(::CreatePen(style, width, color));
}

platform::NativeHandle Win32Dialogs::GetStockGdiObject(int index) {
    return From(::GetStockObject(index));
}

platform::NativeHandle Win32Dialogs::SelectIntoDc(platform::NativeHandle dc,
                                                  platform::NativeHandle object) {
    return From(::SelectObject(As<HDC>(dc), As<HGDIOBJ>(object)));
}

bool Win32Dialogs::DeleteGdiObject(platform::NativeHandle object) {
    return ::DeleteObject(As<HGDIOBJ>(object)) != FALSE;
}

platform::ColorRef Win32Dialogs::SetDcTextColor(platform::NativeHandle dc,
                                                platform::ColorRef color) {
    return ::SetTextColor(As<HDC>(dc), color);
}

int Win32Dialogs::SetDcBackgroundMode(platform::NativeHandle dc, int mode) {
    return ::SetBkMode(As<HDC>(dc), mode);
}

bool Win32Dialogs::DrawRectangle(platform::NativeHandle dc, const platform::Rect& rect) {
    return ::Rectangle(As<HDC>(dc), rect.left, rect.top, rect.right, rect.bottom) != FALSE;
}

int Win32Dialogs::DrawTextInto(platform::NativeHandle dc, const std::wstring& text,
                               const platform::Rect& rect, std::uint32_t format) {
    RECT r = {rect.left, rect.top, rect.right, rect.bottom};
    return ::DrawTextW(As<HDC>(dc), text.c_str(), static_cast<int>(text.size()), &r, format);
}

}  // namespace quorix::win32
