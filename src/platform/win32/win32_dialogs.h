// The real Dialogs area behind the seam.
#pragma once

#include "platform/dialogs.h"

namespace quorix::win32 {

class Win32Dialogs : public platform::Dialogs {
public:
    std::intptr_t RunModalDialog(std::uint32_t templateId,
                                 platform::DialogHandler& handler) override;
    bool EndModalDialog(platform::NativeHandle dialog, std::intptr_t result) override;
    platform::NativeHandle GetControl(platform::NativeHandle dialog, int id) override;
    int GetControlId(platform::NativeHandle window) override;
    bool ShowControl(platform::NativeHandle window, int showCommand) override;
    platform::NativeHandle ChangeParent(platform::NativeHandle window,
                                        platform::NativeHandle parent) override;
    bool SetText(platform::NativeHandle window, const std::wstring& text) override;
    int GetText(platform::NativeHandle window, std::size_t capacity, std::wstring* text) override;
    std::uint32_t GetButtonCheck(platform::NativeHandle dialog, int id) override;
    platform::NativeHandle SetKeyboardFocus(platform::NativeHandle window) override;
    bool InvalidateWhole(platform::NativeHandle window, bool erase) override;
    bool UpdateNow(platform::NativeHandle window) override;
    bool GetWindowBounds(platform::NativeHandle window, platform::Rect* rect) override;
    bool ScreenToClientPoint(platform::NativeHandle window, platform::Point* point) override;
    void SendSetFont(platform::NativeHandle window, platform::NativeHandle font,
                     bool redraw) override;
    std::intptr_t InsertComboExItem(platform::NativeHandle combo,
                                    const platform::ComboExItem& item) override;
    platform::NativeHandle SetComboExImageList(platform::NativeHandle combo,
                                               platform::NativeHandle imageList) override;
    std::intptr_t SetComboSelection(platform::NativeHandle combo, std::intptr_t index) override;
    std::intptr_t GetComboSelection(platform::NativeHandle combo) override;
    platform::NativeHandle CreateImageList(int width, int height, std::uint32_t flags, int initial,
                                           int grow) override;
    int AddToImageList(platform::NativeHandle imageList, platform::NativeHandle bitmap,
                       platform::NativeHandle mask) override;
    platform::NativeHandle LoadModuleBitmap(std::uint32_t id) override;
    platform::NativeHandle GetWindowDc(platform::NativeHandle window) override;
    int GetDeviceCapability(platform::NativeHandle dc, int index) override;
    bool ReleaseWindowDc(platform::NativeHandle window, platform::NativeHandle dc) override;
    platform::NativeHandle CreateFontOfHeight(int height, const std::wstring& face) override;
    platform::NativeHandle CreateSolidBrushOf(platform::ColorRef color) override;
    platform::NativeHandle CreatePenOf(int style, int width, platform::ColorRef color) override;
    platform::NativeHandle GetStockGdiObject(int index) override;
    platform::NativeHandle SelectIntoDc(platform::NativeHandle dc,
                                        platform::NativeHandle object) override;
    bool DeleteGdiObject(platform::NativeHandle object) override;
    platform::ColorRef SetDcTextColor(platform::NativeHandle dc, platform::ColorRef color) override;
    int SetDcBackgroundMode(platform::NativeHandle dc, int mode) override;
    bool DrawRectangle(platform::NativeHandle dc, const platform::Rect& rect) override;
    int DrawTextInto(platform::NativeHandle dc, const std::wstring& text,
                     const platform::Rect& rect, std::uint32_t format) override;
};

}  // namespace quorix::win32
