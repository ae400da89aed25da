// Message boxes and the other user-interface services.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace quorix::platform {

inline constexpr std::uint32_t kMbOk = 0x00;
inline constexpr std::uint32_t kMbYesNo = 0x04;
inline constexpr std::uint32_t kMbIconError = 0x10;
inline constexpr std::uint32_t kMbIconQuestion = 0x20;
inline constexpr std::uint32_t kMbIconWarning = 0x30;
inline constexpr std::uint32_t kMbIconInformation = 0x40;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

inline constexpr std::uint32_t kIccStandardClasses = 0x4000;

// A Help button on a message box; pressing it sends WM_HELP to the box's owner window.
inline constexpr std::uint32_t kMbHelp = 0x4000;

// Window messages the program's own windows act on or that tests look for.
inline constexpr std::uint32_t kWmCreate = 0x0001;
inline constexpr std::uint32_t kWmDestroy = 0x0002;
inline constexpr std::uint32_t kWmHelp = 0x0053;

// Class styles, window styles, the system cursor and the class background.
inline constexpr std::uint32_t kCsVRedraw = 0x0001;
inline constexpr std::uint32_t kCsHRedraw = 0x0002;
inline constexpr std::uint32_t kWsOverlappedWindow = 0x00CF0000;
inline constexpr std::uint16_t kIdcArrow = 32512;
inline constexpr int kColorWindow = 5;

// The logic's half of a window procedure. The platform calls it for every message a window of
// the class receives and then hands the message to DefWindowProcW, whose result goes back to
// Windows; a handler therefore only reacts, it never decides what Windows is answered.
// Whatever OnMessage throws is caught at the platform's edge, on both sides, and the message
// still goes to DefWindowProcW: it runs inside Windows' dispatch.
class WindowHandler {
public:
    virtual ~WindowHandler() = default;
    virtual void OnMessage(NativeHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) = 0;
};

// What RegisterClassExW is given: no menu, no extra bytes, the executable's own instance.
struct WindowClass {
    std::wstring name;
    std::uint32_t style = 0;
    WindowHandler* handler = nullptr;    // must outlive the registration
    std::uint16_t cursorId = kIdcArrow;  // a system cursor (IDC_*), loaded with no instance
    int background = kColorWindow + 1;   // a system colour index + 1, as the brush value
};

// What CreateWindowExW is given: no menu, the executable's own instance, no creation data.
struct WindowSpec {
    std::uint32_t exStyle = 0;
    std::wstring className;
    std::wstring title;
    std::uint32_t style = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    NativeHandle parent = kNullHandle;
};

class Ui {
public:
    virtual ~Ui() = default;
    // InitCommonControlsEx with dwSize 8 and the given classes.
    virtual bool InitCommonControls(std::uint32_t classes) = 0;
    // MessageBoxW with no owner window. A null caption lets Windows show its default caption.
    // Returns the button pressed (0 when the box could not be shown).
    virtual int ShowMessageBox(const wchar_t* caption, const std::wstring& text,
                               std::uint32_t style) = 0;
    // MessageBoxW(owner, text, caption, style): the box is modal to `owner`, which also receives
    // WM_HELP when the box has a Help button and it is pressed.
    virtual int ShowOwnedMessageBox(NativeHandle owner, const wchar_t* caption,
                                    const std::wstring& text, std::uint32_t style) = 0;

    // RegisterClassExW for a class of our own. Returns the class atom, 0 on failure (the last
    // error says why: ERROR_CLASS_ALREADY_EXISTS (1410) for a name registered before).
    virtual std::uint16_t RegisterWindowClass(const WindowClass& windowClass) = 0;
    // UnregisterClassW(name, own instance). Fails while a window of the class exists.
    virtual bool UnregisterWindowClass(const std::wstring& name) = 0;
    // CreateWindowExW. kNullHandle on failure. The window is not shown.
    virtual NativeHandle CreateWindowHandle(const WindowSpec& spec) = 0;
    // DestroyWindow.
    virtual bool DestroyWindowHandle(NativeHandle window) = 0;
};

}  // namespace quorix::platform
