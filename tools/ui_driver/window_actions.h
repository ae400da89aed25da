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
    int buttonId = 0;          // Press: the button pressed
    std::wstring buttonText;
};

// Presses the button as the dialog manager would report a click: WM_COMMAND BN_CLICKED to the
// dialog, which ends a message box with that id.
ActionResult PressButton(HWND dialog, const WindowRecord& record, const ButtonSpec& button);

ActionResult SelectItem(HWND dialog, const Action& action);
ActionResult SetCheckState(HWND dialog, int controlId, bool checked);
ActionResult SetControlText(HWND dialog, int controlId, const std::wstring& text);
ActionResult SaveScreenshot(HWND window, const std::wstring& path);
ActionResult PostCloseRequest(HWND window);

bool FileExists(const std::wstring& path);
bool TouchFile(const std::wstring& path);

}  // namespace quorix::uidriver
