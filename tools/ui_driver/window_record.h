// What the driver saw of one top-level window, how a rule is matched against it, and how it
// is written to the log. No Win32 calls here: the inspector fills these records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver_options.h"

namespace quorix::uidriver {

struct ControlRecord {
    std::wstring className;
    int id = 0;
    std::wstring text;
    bool visible = false;
    bool enabled = false;
    bool isButton = false;            // a push button (not a check box, radio or group box)
    bool isDefault = false;           // BS_DEFPUSHBUTTON
    int checked = -1;                 // check boxes and radio buttons: 0/1/2, else -1
    int selected = -1;                // combo and list boxes: the selected index
    std::vector<std::wstring> items;  // combo and list boxes: the item texts
    std::vector<int> itemImages;      // ComboBoxEx32: each item's image index
    int parentId = -1;  // a control inside another control (a panel): that control's id
};

struct WindowRecord {
    std::uint32_t handle = 0;
    std::uint32_t processId = 0;
    std::wstring className;
    std::wstring caption;
    std::wstring kind;  // "messagebox", "dialog" or "window"
    std::wstring text;  // a message box's message
    std::wstring icon;  // "error", "warning", "information", "question", "none" or "unknown"
    std::vector<ControlRecord> controls;
    bool vanished = false;    // gone before it could be read completely
    std::wstring screenshot;  // the PNG saved of this state, if any
    std::wstring ownerClass;  // the class of the owner window, if the window has one
};

// A button's text as a user reads it: "&Yes" is "Yes", "&&" is a literal "&".
std::wstring ButtonTextWithoutMnemonic(const std::wstring& text);

bool ConditionMatches(const MatchCondition& condition, const WindowRecord& window);
bool RuleMatches(const Rule& rule, const WindowRecord& window);

// The visible push buttons, in control order.
std::vector<const ControlRecord*> VisibleButtons(const WindowRecord& window);

// The control a ButtonSpec names among the visible push buttons, or null. For useDefault the
// caller passes the dialog's default id (DM_GETDEFID) as defaultId.
const ControlRecord* FindButton(const WindowRecord& window, const ButtonSpec& button,
                                int defaultId);

// A small JSON object writer for the log: one object per line, UTF-8.
class JsonLine {
public:
    JsonLine& Field(const char* name, const std::wstring& value);
    JsonLine& Field(const char* name, const char* value);
    JsonLine& Field(const char* name, long long value);
    JsonLine& Bool(const char* name, bool value);
    JsonLine& Raw(const char* name, const std::string& json);
    std::string Finish() const;  // "{...}\n"

private:
    void Name(const char* name);
    std::string body_;
};

std::string JsonString(const std::wstring& value);  // quoted and escaped, UTF-8
std::string JsonString(const char* value);

std::string WindowToJson(const WindowRecord& window, const char* event, long long sequence,
                         long long milliseconds);

std::string HandleText(std::uint32_t handle);  // "0x0001003a"

}  // namespace quorix::uidriver
