// The UI driver's command line: how to start the program under test, and the script of rules
// that say what to do with each top-level window it shows.
#pragma once

#include <string>
#include <vector>

namespace quorix::uidriver {

// A rule condition on one recorded property of a window.
enum class MatchField { Any, Caption, Text, Class, Kind, Icon };

struct MatchCondition {
    MatchField field = MatchField::Any;
    bool substring = false;  // "field~value" instead of "field=value"
    std::wstring value;
};

// A button named by its id (IDOK ... or id=N), by its text, or "the dialog's default button".
struct ButtonSpec {
    int id = 0;         // 0: match by text
    std::wstring text;  // compared with the mnemonic ampersands removed, case-insensitively
    bool useDefault = false;
};

enum class ActionKind {
    Press,        // press a button (WM_COMMAND BN_CLICKED to the dialog)
    Select,       // pick a combo-box or list-box item, by text or by index
    Check,        // tick a check box
    Uncheck,      // clear a check box
    SetText,      // replace the text of an edit control
    WaitFile,     // hold the window until a file exists
    Touch,        // create a file (tells a scenario that the window is up)
    Sleep,        // wait a number of milliseconds
    Screenshot,   // save the window as a PNG (".png") or BMP file
    Snapshot,     // record the window again (after the script changed it)
    Close,        // WM_CLOSE
    Command,      // WM_COMMAND with an id, whether or not a button has it (IDCANCEL by Escape)
    Key,          // a key press sent to the window's focused control
    DropDown,     // open a combo box's list (CB_SHOWDROPDOWN)
    CloseUp,      // close it again
    HelpRequest,  // WM_HELP, what F1 asks a window for
    WaitAlone,    // hold the script until no other dialog or box of the program is up
};

// The virtual-key code of a key name ("escape", "enter", "f1", ...), 0 for an unknown name.
unsigned ParseKeyName(const std::wstring& name);

struct Action {
    ActionKind kind = ActionKind::Sleep;
    ButtonSpec button;        // Press
    int controlId = 0;        // Select, Check, Uncheck, SetText, Command, DropDown, CloseUp
    unsigned virtualKey = 0;  // Key
    int itemIndex = -1;       // Select by index ("ID#N")
    std::wstring text;        // Select by text, SetText, and the path of WaitFile/Touch/Screenshot
    unsigned milliseconds = 0;  // Sleep
};

// A rule applies to the first window that meets all its conditions; it is then used up,
// unless --repeat was given.
struct Rule {
    std::vector<MatchCondition> conditions;
    std::vector<Action> actions;
    bool repeat = false;
};

// What happens to a window that no rule matches.
enum class DefaultAction { PressDefault, Close, Leave };

struct DriverOptions {
    std::wstring logPath;
    std::wstring exitCodePath;  // empty: none
    std::wstring workingDirectory;
    std::wstring commandLine;  // the program under test, as CreateProcessW gets it
    std::wstring shotsFolder;  // non-empty: a PNG of every window and snapshot goes there
    unsigned timeoutSeconds = 120;
    unsigned pollMilliseconds = 50;
    unsigned settleMilliseconds = 150;  // time a new window gets to paint before it is judged
    bool detached = false;              // DETACHED_PROCESS: no console to attach to
    bool quiet = false;                 // log lines only to the file, not to stdout
    DefaultAction defaultAction = DefaultAction::PressDefault;
    std::vector<Rule> rules;
};

struct ParseResult {
    bool ok = false;
    std::wstring error;
    DriverOptions options;
};

// args: the driver's arguments without its own program name.
ParseResult ParseDriverArguments(const std::vector<std::wstring>& args);

// "IDOK", "IDYES", ..., "id=N", "default", or a button text.
ButtonSpec ParseButtonSpec(const std::wstring& spec);

// Quotes one argument so that CommandLineToArgvW and the C runtime give it back unchanged.
std::wstring QuoteArgument(const std::wstring& arg);
std::wstring BuildCommandLine(const std::vector<std::wstring>& args);

std::wstring UsageText();

}  // namespace quorix::uidriver
