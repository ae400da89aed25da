// Modal dialogs from the executable's templates (user32, gdi32, comctl32): the dialog host
// delivers messages to a handler written above the seam and carries out what it asks for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/handles.h"
#include "platform/shell.h"

namespace quorix::platform {

// ShowWindow commands (kSwShow comes with the shell's).
inline constexpr int kSwHide = 0;
// IsDlgButtonChecked.
inline constexpr std::uint32_t kBstChecked = 1;
// GetDeviceCaps index of the vertical dots per inch.
inline constexpr int kLogPixelsY = 90;
// GetStockObject index of the brush that paints nothing.
inline constexpr int kNullBrush = 5;
// SetBkMode.
inline constexpr int kTransparent = 1;
// CreatePen style.
inline constexpr int kPsSolid = 0;
// ImageList_Create colour depth.
inline constexpr std::uint32_t kIlcColor24 = 0x18;
// InitCommonControlsEx class of ComboBoxEx32.
inline constexpr std::uint32_t kIccUserExClasses = 0x200;
// COMBOBOXEXITEMW mask bits.
inline constexpr std::uint32_t kCbeifText = 0x1;
inline constexpr std::uint32_t kCbeifImage = 0x2;
inline constexpr std::uint32_t kCbeifSelectedImage = 0x4;
// DrawTextW format bits.
inline constexpr std::uint32_t kDtWordBreak = 0x10;
inline constexpr std::uint32_t kDtNoPrefix = 0x800;
// WM_COMMAND notifications of a combo box.
inline constexpr int kCbnSelChange = 1;
inline constexpr int kCbnCloseUp = 8;

// A COLORREF: 0x00BBGGRR.
using ColorRef = std::uint32_t;
constexpr ColorRef Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<ColorRef>(red) | (static_cast<ColorRef>(green) << 8) |
           (static_cast<ColorRef>(blue) << 16);
}

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// What WM_DRAWITEM hands an owner-drawn control's parent (DRAWITEMSTRUCT, the parts we use).
struct DrawItem {
    int controlId = 0;
    NativeHandle window = kNullHandle;  // the control
    NativeHandle dc = kNullHandle;      // device context to draw into, the control's client area
    Rect rect;                          // the control's client rectangle
};

// One item for CBEM_INSERTITEMW (COMBOBOXEXITEMW, the parts we use).
struct ComboExItem {
    std::uint32_t mask = 0;
    std::intptr_t item = 0;
    std::wstring text;
    int image = 0;
    int selectedImage = 0;
};

// The dialog procedure's side, implemented above the seam. The host calls one method per
// message it passes on; every other message gets the default treatment (FALSE). Whatever a
// method throws is caught at the host's edge, on both sides, and the message counts as not
// handled (FALSE, or no brush): nothing may unwind through user32's frames.
class DialogHandler {
public:
    virtual ~DialogHandler() = default;
    // WM_INITDIALOG. True lets Windows set the focus to the first tab stop.
    virtual bool OnInitDialog(NativeHandle dialog) = 0;
    // WM_COMMAND with the control or menu id and the notification code. True: handled.
    virtual bool OnCommand(NativeHandle dialog, int id, int notification) = 0;
    // WM_CTLCOLORSTATIC for a static control of the dialog: the brush to paint its background
    // with, or kNullHandle for the default colouring.
    virtual NativeHandle OnCtlColorStatic(NativeHandle dialog, NativeHandle dc,
                                          NativeHandle control) = 0;
    // WM_DRAWITEM for an owner-drawn control. What it returns is the procedure's result.
    virtual bool OnDrawItem(NativeHandle dialog, const DrawItem& item) = 0;
};

// Each method is one Win32 call on the windows and device contexts of the dialog being shown.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // DialogBoxParamW(the executable's module, template, no owner window, the host's dialog
    // procedure). Returns what it returns: EndDialog's result, or -1 when the dialog could not
    // be created.
    virtual std::intptr_t RunModalDialog(std::uint32_t templateId, DialogHandler& handler) = 0;
    // EndDialog.
    virtual bool EndModalDialog(NativeHandle dialog, std::intptr_t result) = 0;

    // GetDlgItem: the control with this id, or null.
    virtual NativeHandle GetControl(NativeHandle dialog, int id) = 0;
    // GetDlgCtrlID: the control's id, 0 on failure.
    virtual int GetControlId(NativeHandle window) = 0;
    // ShowWindow: whether the window was visible before.
    virtual bool ShowControl(NativeHandle window, int showCommand) = 0;
    // SetParent: the previous parent, or null on failure. The window keeps its position
    // numbers, now relative to the new parent's client area.
    virtual NativeHandle ChangeParent(NativeHandle window, NativeHandle parent) = 0;
    // SetWindowTextW (a dialog's caption or a control's text).
    virtual bool SetText(NativeHandle window, const std::wstring& text) = 0;
    // GetWindowTextW into a buffer of `capacity` characters: the count copied (the text cut at
    // capacity - 1), 0 for an empty text or on failure.
    virtual int GetText(NativeHandle window, std::size_t capacity, std::wstring* text) = 0;
    // IsDlgButtonChecked: BST_UNCHECKED (0), BST_CHECKED (1) or BST_INDETERMINATE (2).
    virtual std::uint32_t GetButtonCheck(NativeHandle dialog, int id) = 0;
    // SetFocus: the window that had the focus, or null.
    virtual NativeHandle SetKeyboardFocus(NativeHandle window) = 0;
    // InvalidateRect over the whole client area (no rectangle).
    virtual bool InvalidateWhole(NativeHandle window, bool erase) = 0;
    // UpdateWindow: paints now what is invalid.
    virtual bool UpdateNow(NativeHandle window) = 0;
    // GetWindowRect: the window's rectangle in screen coordinates.
    virtual bool GetWindowBounds(NativeHandle window, Rect* rect) = 0;
    // ScreenToClient for one point.
    virtual bool ScreenToClientPoint(NativeHandle window, Point* point) = 0;

    // SendMessageW(WM_SETFONT, font, redraw).
    virtual void SendSetFont(NativeHandle window, NativeHandle font, bool redraw) = 0;
    // SendMessageW(CBEM_INSERTITEMW): the index of the new item, or -1.
    virtual std::intptr_t InsertComboExItem(NativeHandle combo, const ComboExItem& item) = 0;
    // SendMessageW(CBEM_SETIMAGELIST): the previous image list, or null.
    virtual NativeHandle SetComboExImageList(NativeHandle combo, NativeHandle imageList) = 0;
    // SendMessageW(CB_SETCURSEL): the index selected, or CB_ERR (-1).
    virtual std::intptr_t SetComboSelection(NativeHandle combo, std::intptr_t index) = 0;
    // SendMessageW(CB_GETCURSEL): the selected index, or CB_ERR (-1) when none is.
    virtual std::intptr_t GetComboSelection(NativeHandle combo) = 0;

    // ImageList_Create.
    virtual NativeHandle CreateImageList(int width, int height, std::uint32_t flags, int initial,
                                         int grow) = 0;
    // ImageList_Add with a bitmap and a mask (null: none): the index of the first new image,
    // or -1. The list copies the pictures; the bitmap stays the caller's.
    virtual int AddToImageList(NativeHandle imageList, NativeHandle bitmap, NativeHandle mask) = 0;
    // LoadBitmapW(the executable's module, the bitmap resource with this id), or null.
    virtual NativeHandle LoadModuleBitmap(std::uint32_t id) = 0;

    // GetDC / GetDeviceCaps / ReleaseDC.
    virtual NativeHandle GetWindowDc(NativeHandle window) = 0;
    virtual int GetDeviceCapability(NativeHandle dc, int index) = 0;
    virtual bool ReleaseWindowDc(NativeHandle window, NativeHandle dc) = 0;

    // CreateFontW with this height and face name, every other parameter 0 (FW_DONTCARE, not
    // italic, underlined or struck out, character set 0, default precisions, quality, pitch).
    virtual NativeHandle CreateFontOfHeight(int height, const std::wstring& face) = 0;
    // CreateSolidBrush / CreatePen / GetStockObject / SelectObject / DeleteObject.
    virtual NativeHandle CreateSolidBrushOf(ColorRef color) = 0;
    virtual NativeHandle CreatePenOf(int style, int width, ColorRef color) = 0;
    virtual NativeHandle GetStockGdiObject(int index) = 0;
    virtual NativeHandle SelectIntoDc(NativeHandle dc, NativeHandle object) = 0;
    virtual bool DeleteGdiObject(NativeHandle object) = 0;
    // SetTextColor: the previous colour, or CLR_INVALID (0xFFFFFFFF).
    virtual ColorRef SetDcTextColor(NativeHandle dc, ColorRef color) = 0;
    // SetBkMode: the previous mode, 0 on failure.
    virtual int SetDcBackgroundMode(NativeHandle dc, int mode) = 0;
    // Rectangle with the selected pen and brush.
    virtual bool DrawRectangle(NativeHandle dc, const Rect& rect) = 0;
    // DrawTextW of the whole text into the rectangle: the height of the text drawn, 0 on
    // failure.
    virtual int DrawTextInto(NativeHandle dc, const std::wstring& text, const Rect& rect,
                             std::uint32_t format) = 0;
};

}  // namespace quorix::platform
