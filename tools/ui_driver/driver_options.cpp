#include "driver_options.h"

#include <cerrno>
#include <cwchar>
#include <cwctype>

#include <windows.h>

namespace quorix::uidriver {
namespace {

struct NamedId {
    const wchar_t* name;
    int id;
};

// The dialog-box command ids of winuser.h, so scripts can say --press IDYES.
constexpr NamedId kCommandIds[] = {
    {L"IDOK", 1},     {L"IDCANCEL", 2},    {L"IDABORT", 3},     {L"IDRETRY", 4},
    {L"IDIGNORE", 5}, {L"IDYES", 6},       {L"IDNO", 7},        {L"IDCLOSE", 8},
    {L"IDHELP", 9},   {L"IDTRYAGAIN", 10}, {L"IDCONTINUE", 11},
};

bool EqualsIgnoringCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != 0; ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    }
    return i == a.size() && b[i] == 0;
}

// Whole-text unsigned number, decimal or 0x-hex; anything else (sign, blanks, junk) fails.
bool ParseUnsigned(const std::wstring& text, unsigned long& value) {
    if (text.empty() || !std::iswdigit(text[0])) return false;
    wchar_t* end = nullptr;
    errno = 0;
    value = std::wcstoul(text.c_str(), &end, 0);
    return errno == 0 && end != nullptr && *end == 0;
}

// A control id: a number or one of the IDOK-style names.
bool ParseControlId(const std::wstring& text, int& id) {
    for (const NamedId& named : kCommandIds) {
        if (EqualsIgnoringCase(text, named.name)) {
            id = named.id;
            return true;
        }
    }
    unsigned long value = 0;
    if (!ParseUnsigned(text, value) || value > 0xFFFF) return false;
    id = static_cast<int>(value);
    return true;
}

bool ParseCondition(const std::wstring& text, MatchCondition& condition) {
    if (text == L"any") {
        condition = MatchCondition{};
        return true;
    }
    size_t sep = text.find_first_of(L"=~");
    if (sep == std::wstring::npos || sep == 0) return false;
    std::wstring field = text.substr(0, sep);
    static constexpr struct {
        const wchar_t* name;
        MatchField field;
    } kFields[] = {{L"caption", MatchField::Caption},
                   {L"text", MatchField::Text},
                   {L"class", MatchField::Class},
                   {L"kind", MatchField::Kind},
                   {L"icon", MatchField::Icon}};
    for (const auto& f : kFields) {
        if (field == f.name) {
            condition.field = f.field;
            condition.substring = text[sep] == L'~';
            condition.value = text.substr(sep + 1);
            return true;
        }
    }
    return false;
}

// "ID=TEXT" (or "ID#N" when an index is allowed).
bool ParseControlAssignment(const std::wstring& text, bool allowIndex, Action& action) {
    size_t sep = text.find_first_of(allowIndex ? L"=#" : L"=");
    if (sep == std::wstring::npos) return false;
    if (!ParseControlId(text.substr(0, sep), action.controlId)) return false;
    std::wstring rest = text.substr(sep + 1);
    if (text[sep] == L'#') {
        unsigned long index = 0;
        if (!ParseUnsigned(rest, index) || index > 0x7FFFFFFF) return false;
        action.itemIndex = static_cast<int>(index);
    } else {
        action.text = rest;
    }
    return true;
}

// The keys a user presses on a setup's dialogs.
struct NamedKey {
    const wchar_t* name;
    unsigned virtualKey;
};

constexpr NamedKey kKeys[] = {
    {L"escape", VK_ESCAPE}, {L"esc", VK_ESCAPE},  {L"enter", VK_RETURN},
    {L"return", VK_RETURN}, {L"space", VK_SPACE}, {L"tab", VK_TAB},
    {L"f1", VK_F1},         {L"down", VK_DOWN},   {L"up", VK_UP},
};

}  // namespace

unsigned ParseKeyName(const std::wstring& name) {
    for (const NamedKey& key : kKeys) {
        if (EqualsIgnoringCase(name, key.name)) return key.virtualKey;
    }
    return 0;
}

ButtonSpec ParseButtonSpec(const std::wstring& spec) {
    ButtonSpec button;
    if (spec == L"default") {
        button.useDefault = true;
        return button;
    }
    for (const NamedId& named : kCommandIds) {
        if (spec == named.name) {
            button.id = named.id;
            return button;
        }
    }
    if (spec.compare(0, 3, L"id=") == 0) {
        int id = 0;
        if (ParseControlId(spec.substr(3), id) && id != 0) {
            button.id = id;
            return button;
        }
    }
    button.text = spec;
    return button;
}

std::wstring QuoteArgument(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
    // Backslashes are literal except in front of a quote, where each one must be doubled;
    // the closing quote counts too, so trailing backslashes are doubled as well.
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            out.append(backslashes * 2 + 1, L'\\');
        } else {
            out.append(backslashes, L'\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    out += L'"';
    return out;
}

std::wstring BuildCommandLine(const std::vector<std::wstring>& args) {
    std::wstring line;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i != 0) line += L' ';
        line += QuoteArgument(args[i]);
    }
    return line;
}

ParseResult ParseDriverArguments(const std::vector<std::wstring>& args) {
    ParseResult result;
    DriverOptions& o = result.options;
    auto fail = [&result](const std::wstring& message) {
        result.ok = false;
        result.error = message;
        return result;
    };

    size_t i = 0;
    // Fetches the value of option args[i]; false when it is the last argument.
    auto value = [&args, &i](std::wstring& out) {
        if (i + 1 >= args.size()) return false;
        out = args[++i];
        return true;
    };
    auto number = [&](unsigned& out) {
        std::wstring text;
        unsigned long parsed = 0;
        if (!value(text) || !ParseUnsigned(text, parsed) || parsed > 0x7FFFFFFF) return false;
        out = static_cast<unsigned>(parsed);
        return true;
    };

    for (; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        std::wstring v;
        if (a == L"--") {
            std::vector<std::wstring> program(args.begin() + static_cast<long>(i) + 1, args.end());
            if (program.empty()) return fail(L"-- must be followed by the program to start");
            if (!o.commandLine.empty()) return fail(L"both --cmdline and -- given");
            o.commandLine = BuildCommandLine(program);
            break;
        }
        if (a == L"--log") {
            if (!value(o.logPath)) return fail(L"--log needs a file");
        } else if (a == L"--exit-code-file") {
            if (!value(o.exitCodePath)) return fail(L"--exit-code-file needs a file");
        } else if (a == L"--shots") {
            if (!value(o.shotsFolder) || o.shotsFolder.empty())
                return fail(L"--shots needs a folder");
        } else if (a == L"--cwd") {
            if (!value(o.workingDirectory)) return fail(L"--cwd needs a folder");
        } else if (a == L"--cmdline") {
            if (!value(o.commandLine) || o.commandLine.empty())
                return fail(L"--cmdline needs a command line");
        } else if (a == L"--timeout") {
            if (!number(o.timeoutSeconds) || o.timeoutSeconds == 0)
                return fail(L"--timeout needs a positive number of seconds");
        } else if (a == L"--poll") {
            if (!number(o.pollMilliseconds) || o.pollMilliseconds == 0)
                return fail(L"--poll needs a positive number of milliseconds");
        } else if (a == L"--settle") {
            if (!number(o.settleMilliseconds)) return fail(L"--settle needs milliseconds");
        } else if (a == L"--detached") {
            o.detached = true;
        } else if (a == L"--quiet") {
            o.quiet = true;
        } else if (a == L"--default") {
            if (!value(v)) return fail(L"--default needs press, close or leave");
            if (v == L"press") {
                o.defaultAction = DefaultAction::PressDefault;
            } else if (v == L"close") {
                o.defaultAction = DefaultAction::Close;
            } else if (v == L"leave") {
                o.defaultAction = DefaultAction::Leave;
            } else {
                return fail(L"--default needs press, close or leave, not " + v);
            }
        } else if (a == L"--on") {
            MatchCondition condition;
            if (!value(v) || !ParseCondition(v, condition))
                return fail(L"--on needs any, FIELD=VALUE or FIELD~VALUE");
            o.rules.emplace_back();
            o.rules.back().conditions.push_back(condition);
        } else if (o.rules.empty() && a.compare(0, 2, L"--") == 0) {
            return fail(L"unknown option, or an action before the first --on: " + a);
        } else if (a == L"--if") {
            MatchCondition condition;
            if (!value(v) || !ParseCondition(v, condition))
                return fail(L"--if needs FIELD=VALUE or FIELD~VALUE");
            o.rules.back().conditions.push_back(condition);
        } else if (a == L"--repeat") {
            o.rules.back().repeat = true;
        } else {
            Action action;
            if (a == L"--press") {
                if (!value(v) || v.empty()) return fail(L"--press needs a button");
                action.kind = ActionKind::Press;
                action.button = ParseButtonSpec(v);
            } else if (a == L"--select") {
                action.kind = ActionKind::Select;
                if (!value(v) || !ParseControlAssignment(v, true, action))
                    return fail(L"--select needs ID=ITEMTEXT or ID#INDEX");
            } else if (a == L"--check" || a == L"--uncheck") {
                action.kind = a == L"--check" ? ActionKind::Check : ActionKind::Uncheck;
                if (!value(v) || !ParseControlId(v, action.controlId))
                    return fail(a + L" needs a control id");
            } else if (a == L"--set-text") {
                action.kind = ActionKind::SetText;
                if (!value(v) || !ParseControlAssignment(v, false, action))
                    return fail(L"--set-text needs ID=TEXT");
            } else if (a == L"--wait-file" || a == L"--touch" || a == L"--screenshot") {
                action.kind = a == L"--wait-file" ? ActionKind::WaitFile
                              : a == L"--touch"   ? ActionKind::Touch
                                                  : ActionKind::Screenshot;
                if (!value(action.text) || action.text.empty()) return fail(a + L" needs a path");
            } else if (a == L"--sleep") {
                action.kind = ActionKind::Sleep;
                if (!number(action.milliseconds)) return fail(L"--sleep needs milliseconds");
            } else if (a == L"--snapshot") {
                action.kind = ActionKind::Snapshot;
            } else if (a == L"--close") {
                action.kind = ActionKind::Close;
            } else if (a == L"--command" || a == L"--drop" || a == L"--closeup") {
                action.kind = a == L"--command" ? ActionKind::Command
                              : a == L"--drop"  ? ActionKind::DropDown
                                                : ActionKind::CloseUp;
                if (!value(v) || !ParseControlId(v, action.controlId) || action.controlId == 0)
                    return fail(a + L" needs a control id");
            } else if (a == L"--key") {
                action.kind = ActionKind::Key;
                if (!value(v) || (action.virtualKey = ParseKeyName(v)) == 0)
                    return fail(L"--key needs escape, enter, space, tab, f1, up or down");
            } else if (a == L"--help-request") {
                action.kind = ActionKind::HelpRequest;
            } else if (a == L"--wait-alone") {
                action.kind = ActionKind::WaitAlone;
            } else {
                return fail(L"unknown option: " + a);
            }
            o.rules.back().actions.push_back(action);
        }
    }

    if (o.logPath.empty()) return fail(L"--log is required");
    if (o.commandLine.empty()) return fail(L"no program to start (-- PROGRAM ARGS or --cmdline)");
    result.ok = true;
    return result;
}

std::wstring UsageText() {
    return L"usage: ui-driver --log FILE [options] [rules] -- PROGRAM [ARGS...]\n"
           L"options:\n"
           L"  --log FILE             JSON lines: every window shown, every action, the exit\n"
           L"  --exit-code-file FILE  also write the program's exit code there\n"
           L"  --timeout SECONDS      hard limit (default 120); then the program is killed\n"
           L"  --poll MS              window polling interval (default 50)\n"
           L"  --settle MS            time a new window gets to paint (default 150)\n"
           L"  --detached             start the program without a console to attach to\n"
           L"  --quiet                write the log lines only to the file, not to stdout\n"
           L"  --cwd DIR              working folder of the program\n"
           L"  --shots DIR            a PNG of every window and snapshot, named after its seq\n"
           L"  --cmdline TEXT         the whole command line instead of -- PROGRAM ARGS\n"
           L"  --default press|close|leave   unmatched windows (default: press default button)\n"
           L"rules (a rule applies once, to the first window meeting all its conditions):\n"
           L"  --on COND  --if COND   COND: any | FIELD=VALUE | FIELD~SUBSTRING,\n"
           L"                         FIELD: caption text class kind icon\n"
           L"  --repeat               the rule applies to every matching window\n"
           L"actions, done in order:\n"
           L"  --press IDOK|IDYES|...|id=N|default|TEXT\n"
           L"  --select ID=ITEMTEXT | ID#INDEX     --check ID  --uncheck ID  --set-text ID=TEXT\n"
           L"  --wait-file PATH  --touch PATH  --sleep MS  --screenshot PATH.png|PATH.bmp\n"
           L"  --snapshot  --close  --command ID (WM_COMMAND, no button needed)\n"
           L"  --key escape|enter|space|tab|f1|up|down   (to the focused control)\n"
           L"  --drop ID  --closeup ID  (a combo box's list)  --help-request (WM_HELP, as F1)\n"
           L"  --wait-alone           until the box the step before brought up is answered\n"
           L"exit code: the program's (low byte under Wine), 124 timeout, 125 usage, 126 start\n";
}

}  // namespace quorix::uidriver
