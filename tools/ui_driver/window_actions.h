// What a script can do to a window of the program under test. Each action reports failure
// with a reason for the log instead of throwing.
#pragma once

#include <windows.h>

#include <string>

#include "window_record.h"

namespace quorix::uidriver {

struct ActionResult {
    bool ok = false;
    std::wstring error;
    int buttonId = 0;  // Press: the button pressed
    std::wstring buttonText;
};

// Presses the button as the dialog manager would report a click: WM_COMMAND BN_CLICKED to the
// dialog, which ends a message box with that id.
ActionResult PressButton(HWND dialog, const WindowRecord& record, const ButtonSpec& button);

ActionResult SelectItem(HWND dialog, const Action& action);
ActionResult SetCheckState(HWND dialog, int controlId, bool checked);
ActionResult SetControlText(HWND dialog, int controlId, const std::wstring& text);
ActionResult PostCloseRequest(HWND window);
// WM_COMMAND with the id as a BN_CLICKED from that control (when there is one).
ActionResult PostCommand(HWND window, int id);
// WM_KEYDOWN and WM_KEYUP to the control that has the keyboard focus in the window's thread,
// or to the window itself: the dialog manager turns Escape into IDCANCEL, Enter into IDOK.
ActionResult PressKey(HWND window, unsigned virtualKey);
ActionResult ShowDropDown(HWND dialog, int controlId, bool show);
// WM_HELP with the window as the item, what F1 on it sends; a message box passes it to its
// owner.
ActionResult SendHelpRequest(HWND window);
// PNG when the path ends in ".png", BMP otherwise.
ActionResult SaveScreenshot(HWND window, const std::wstring& path);

bool FileExists(const std::wstring& path);
bool TouchFile(const std::wstring& path);

}  // namespace quorix::uidriver
