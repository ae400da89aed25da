// Reading a top-level window of another process: its class, caption, controls and, for a
// message box, the message and the icon. Every call into the other process has a time limit,
// so a hung program cannot hang the driver.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "window_record.h"

namespace quorix::uidriver {

// False when the window went away while it was being read.
bool ReadWindow(HWND window, WindowRecord& out);

// The icon a message box shows: "error", "warning", "information", "question", "none", or an
// empty text when it cannot be told yet (not painted); the caller asks again later.
std::wstring ClassifyMessageBoxIcon(HWND window);

// DM_GETDEFID: the id of the dialog's default push button, or 0.
int DefaultButtonId(HWND dialog);

// WM_GETTEXT with a time limit; texts longer than the bounded buffer are cut.
std::wstring ReadControlText(HWND control);

// The items of a ComboBoxEx32 (text and image index each), read with CBEM_GETITEMW through
// memory lent in the control's process. False when the control cannot be read.
bool ReadComboExItems(HWND combo, std::vector<std::wstring>& texts, std::vector<int>& images);

bool IsComboEx(HWND control);

}  // namespace quorix::uidriver
