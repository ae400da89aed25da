// ui-driver: starts a program, records every top-level window it shows as one JSON line, acts
// on them as the script says, and ends with the program's exit code. See UsageText().
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver_options.h"
#include "window_actions.h"
#include "window_inspector.h"
#include "window_record.h"

namespace quorix::uidriver {
namespace {

constexpr int kExitTimeout = 124;
constexpr int kExitUsage = 125;
constexpr int kExitCannotStart = 126;
// How long a message box may stay unpainted before its icon is given up as "unknown".
constexpr DWORD kIconPatienceMs = 1500;
constexpr DWORD kPendingPollMs = 5;
constexpr DWORD kHiddenPatienceMs = 3000;
// How long --wait-alone waits for the box that the step before it should bring up.
constexpr DWORD kBoxPatienceMs = 3000;

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                        nullptr);
    return out;
}

class LogFile {
public:
    ~LogFile() {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    }
    bool Open(const std::wstring& path, bool echo) {
        echo_ = echo;
        file_ = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        return file_ != INVALID_HANDLE_VALUE;
    }
    // Every line goes out at once, so a scenario reading the log while the program is held on
    // a box sees everything up to that box.
    void Write(const std::string& line) {
        DWORD written = 0;
        if (file_ != INVALID_HANDLE_VALUE)
            WriteFile(file_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        if (!echo_) return;
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
    }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool echo_ = true;
};

struct TrackedWindow {
    HWND hwnd = nullptr;
    WindowRecord record;
    DWORD observed = 0;   // when the driver first saw it, visible or not
    DWORD firstSeen = 0;  // when it was first seen visible (0: not yet)
    bool wasVisible = false;
    bool logged = false;
    int rule = -1;  // index into the rules; kDefaultRule for the default action
    size_t nextAction = 0;
    DWORD actionStarted = 0;  // Sleep and WaitAlone: when the action began
    int windowsBefore = 0;    // WaitAlone: windows seen when it began
    bool waitingLogged = false;
    bool finished = false;
};

constexpr int kDefaultRule = -2;

// A window that went away before it was shown is worth a record only if it was a dialog or a
// message box (gone before it could be answered); hidden helper windows are not.
bool IsDialogKind(const WindowRecord& record) {
    return record.kind == L"messagebox" || record.kind == L"dialog";
}

// The drop-down list of a combo box is a top-level window of its own, but part of the control.
bool IsPartOfAControl(HWND hwnd) {
    wchar_t name[16] = {};
    GetClassNameW(hwnd, name, 16);
    return lstrcmpiW(name, L"ComboLBox") == 0;
}

class Driver {
public:
    explicit Driver(DriverOptions options)
        : options_(std::move(options)), ruleUsed_(options_.rules.size(), false) {}
    ~Driver();

    int Run();
    void OnWindowShown(HWND hwnd);
    void NoteWindow(HWND hwnd) {
        for (HWND known : noted_) {
            if (known == hwnd) return;
        }
        if (noted_.size() < 256) noted_.push_back(hwnd);
    }

private:
    long long Now() const { return static_cast<long long>(GetTickCount() - start_); }
    JsonLine Event(const char* name);
    bool Start();
    void RefreshProcesses();
    bool IsWatched(DWORD pid) const;
    void Scan();
    void Observe(HWND hwnd);
    void Step(TrackedWindow& w);
    void LogWindow(TrackedWindow& w);
    void ChooseRule(TrackedWindow& w);
    bool RunAction(TrackedWindow& w, const Action& action);  // false: come back next tick
    void LogAction(const TrackedWindow& w, const char* action, const ActionResult& result,
                   JsonLine details = JsonLine());
    void DefaultAction(TrackedWindow& w);
    void Forget();
    // With --shots: saves the window as DIR\<seq>-<event>.png and notes the file in the record.
    void Shoot(TrackedWindow& w, long long sequence, const char* event);
    void Finish(DWORD exitCode, bool timedOut);

    DriverOptions options_;
    std::vector<bool> ruleUsed_;
    LogFile log_;
    DWORD start_ = GetTickCount();
    long long sequence_ = 0;
    int errors_ = 0;
    HANDLE process_ = nullptr;
    HANDLE job_ = nullptr;
    DWORD processId_ = 0;
    std::vector<DWORD> processes_;
    std::vector<TrackedWindow> windows_;
    std::vector<HWND> noted_;  // announced by the hook, not looked at yet
    int windowsSeen_ = 0;
};

Driver* g_driver = nullptr;

// Out-of-context WinEvent hook: delivered through this thread's message queue, so a window
// that is shown and destroyed between two polls is still seen. Wine sends no
// EVENT_OBJECT_SHOW (and the focus event of a message box only when it goes away), but it
// does send EVENT_OBJECT_CREATE: from then on the new window is watched closely until it is
// shown and read.
// The callback only notes the window: under Wine the program's thread waits for the hook to
// return, so asking that thread for texts from inside it would stall both.
void CALLBACK WindowEventHook(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG, LONG, DWORD, DWORD) {
    if (g_driver == nullptr || hwnd == nullptr) return;
    if (event != EVENT_OBJECT_CREATE && event != EVENT_OBJECT_SHOW) return;
    HWND root = GetAncestor(hwnd, GA_ROOT);
    if (root != nullptr) g_driver->NoteWindow(root);
}

BOOL CALLBACK ScanWindow(HWND hwnd, LPARAM) {
    if (g_driver != nullptr && IsWindowVisible(hwnd)) g_driver->OnWindowShown(hwnd);
    return TRUE;
}

Driver::~Driver() {
    if (job_ != nullptr) CloseHandle(job_);
    if (process_ != nullptr) CloseHandle(process_);
}

JsonLine Driver::Event(const char* name) {
    JsonLine line;
    line.Field("event", name).Field("seq", ++sequence_).Field("t_ms", Now());
    return line;
}

bool Driver::Start() {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::vector<wchar_t> commandLine(options_.commandLine.begin(), options_.commandLine.end());
    commandLine.push_back(L'\0');
    DWORD flags = CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT;
    if (options_.detached) flags |= DETACHED_PROCESS;
    if (!CreateProcessW(
            nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
            options_.workingDirectory.empty() ? nullptr : options_.workingDirectory.c_str(),
            &startup, &info)) {
        const DWORD error = GetLastError();
        log_.Write(Event("error")
                       .Field("what", "CreateProcessW failed")
                       .Field("code", static_cast<long long>(error))
                       .Finish());
        return false;
    }
    // The job gathers the program's own child processes too, and kills them all on a timeout.
    job_ = CreateJobObjectW(nullptr, nullptr);
    if (job_ != nullptr) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        if (!AssignProcessToJobObject(job_, info.hProcess)) {
            CloseHandle(job_);
            job_ = nullptr;
        }
    }
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    log_.Write(Event("started")
                   .Field("pid", static_cast<long long>(processId_))
                   .Field("cmdline", options_.commandLine)
                   .Bool("job", job_ != nullptr)
                   .Finish());
    return true;
}

void Driver::RefreshProcesses() {
    processes_.assign(1, processId_);
    if (job_ == nullptr) return;
    struct {
        JOBOBJECT_BASIC_PROCESS_ID_LIST list;
        ULONG_PTR more[255];
    } ids = {};
    if (!QueryInformationJobObject(job_, JobObjectBasicProcessIdList, &ids, sizeof ids, nullptr))
        return;
    const DWORD n = ids.list.NumberOfProcessIdsInList;
    for (DWORD i = 0; i < n && i < 256; ++i) {
        const DWORD pid = static_cast<DWORD>(ids.list.ProcessIdList[i]);
        if (pid != processId_) processes_.push_back(pid);
    }
}

bool Driver::IsWatched(DWORD pid) const {
    for (DWORD p : processes_) {
        if (p == pid) return true;
    }
    return false;
}

void Driver::OnWindowShown(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (IsWatched(pid)) Observe(hwnd);
}

void Driver::Observe(HWND hwnd) {
    for (const TrackedWindow& w : windows_) {
        if (w.hwnd == hwnd) return;
    }
    if (IsPartOfAControl(hwnd)) return;
    TrackedWindow w;
    w.hwnd = hwnd;
    w.observed = GetTickCount();
    if (IsWindowVisible(hwnd)) {
        w.wasVisible = true;
        w.firstSeen = GetTickCount();
    }
    ReadWindow(hwnd, w.record);  // read at once: it may be gone by the time it is judged
    windows_.push_back(w);
    ++windowsSeen_;
}

void Driver::Scan() {
    RefreshProcesses();
    std::vector<HWND> noted;
    noted.swap(noted_);
    for (HWND hwnd : noted) OnWindowShown(hwnd);
    EnumWindows(ScanWindow, 0);
    for (TrackedWindow& w : windows_) Step(w);
    Forget();
}

void Driver::LogWindow(TrackedWindow& w) {
    const std::wstring firstIcon = w.record.icon;
    WindowRecord fresh;
    if (ReadWindow(w.hwnd, fresh)) {
        fresh.icon = firstIcon;
        w.record = fresh;
    } else {
        w.record.vanished = true;
    }
    const long long sequence = ++sequence_;
    if (!w.record.vanished) Shoot(w, sequence, "window");
    log_.Write(WindowToJson(w.record, "window", sequence, Now()));
    w.logged = true;
}

void Driver::Shoot(TrackedWindow& w, long long sequence, const char* event) {
    w.record.screenshot.clear();
    if (options_.shotsFolder.empty()) return;
    std::wstring number = std::to_wstring(sequence);
    if (number.size() < 4) number.insert(0, 4 - number.size(), L'0');
    const std::wstring path = options_.shotsFolder + L"\\" + number + L"-" +
                              std::wstring(event, event + std::strlen(event)) + L".png";
    ActionResult result = SaveScreenshot(w.hwnd, path);
    if (result.ok) {
        w.record.screenshot = path;
    } else {
        JsonLine details;
        details.Field("file", path);
        LogAction(w, "screenshot", result, details);
    }
}

void Driver::ChooseRule(TrackedWindow& w) {
    for (size_t i = 0; i < options_.rules.size(); ++i) {
        if ((!ruleUsed_[i] || options_.rules[i].repeat) &&
            RuleMatches(options_.rules[i], w.record)) {
            ruleUsed_[i] = true;
            w.rule = static_cast<int>(i);
            log_.Write(Event("match")
                           .Field("hwnd", HandleText(w.record.handle).c_str())
                           .Field("rule", static_cast<long long>(i))
                           .Finish());
            return;
        }
    }
    w.rule = kDefaultRule;
    log_.Write(Event("unexpected").Field("hwnd", HandleText(w.record.handle).c_str()).Finish());
}

void Driver::LogAction(const TrackedWindow& w, const char* action, const ActionResult& result,
                       JsonLine details) {
    JsonLine line = Event("action");
    line.Field("hwnd", HandleText(w.record.handle).c_str()).Field("action", action);
    if (w.rule == kDefaultRule) {
        line.Field("rule", "default");
    } else {
        line.Field("rule", static_cast<long long>(w.rule));
    }
    if (result.buttonId != 0) {
        line.Field("button_id", result.buttonId).Field("button", result.buttonText);
    }
    line.Bool("ok", result.ok);
    if (!result.ok) line.Field("error", result.error);
    std::string extra = details.Finish();
    std::string text = line.Finish();
    if (extra.size() > 3) {  // splice the details' fields in before the closing brace
        text = text.substr(0, text.size() - 2) + "," + extra.substr(1);
    }
    log_.Write(text);
    if (!result.ok) ++errors_;
}

void Driver::DefaultAction(TrackedWindow& w) {
    w.finished = true;
    switch (options_.defaultAction) {
        case DefaultAction::Leave:
            return;
        case DefaultAction::PressDefault: {
            ButtonSpec button;
            button.useDefault = true;
            ActionResult result = PressButton(w.hwnd, w.record, button);
            if (result.ok) {
                LogAction(w, "press", result);
                return;
            }
            break;  // no default button: close it instead
        }
        case DefaultAction::Close:
            break;
    }
    LogAction(w, "close", PostCloseRequest(w.hwnd));
}

bool Driver::RunAction(TrackedWindow& w, const Action& action) {
    const DWORD now = GetTickCount();
    switch (action.kind) {
        case ActionKind::Press: {
            ActionResult result = PressButton(w.hwnd, w.record, action.button);
            LogAction(w, "press", result);
            return result.ok;
        }
        case ActionKind::Select: {
            JsonLine details;
            details.Field("control", action.controlId);
            if (action.itemIndex >= 0) {
                details.Field("index", action.itemIndex);
            } else {
                details.Field("item", action.text);
            }
            ActionResult result = SelectItem(w.hwnd, action);
            LogAction(w, "select", result, details);
            return result.ok;
        }
        case ActionKind::Check:
        case ActionKind::Uncheck: {
            const bool check = action.kind == ActionKind::Check;
            ActionResult result = SetCheckState(w.hwnd, action.controlId, check);
            JsonLine details;
            details.Field("control", action.controlId);
            LogAction(w, check ? "check" : "uncheck", result, details);
            return result.ok;
        }
        case ActionKind::SetText: {
            ActionResult result = SetControlText(w.hwnd, action.controlId, action.text);
            JsonLine details;
            details.Field("control", action.controlId).Field("value", action.text);
            LogAction(w, "set-text", result, details);
            return result.ok;
        }
        case ActionKind::WaitFile:
            if (!FileExists(action.text)) {
                if (!w.waitingLogged) {
                    log_.Write(Event("waiting")
                                   .Field("hwnd", HandleText(w.record.handle).c_str())
                                   .Field("file", action.text)
                                   .Finish());
                    w.waitingLogged = true;
                }
                return false;
            }
            w.waitingLogged = false;
            {
                JsonLine details;
                details.Field("file", action.text);
                LogAction(w, "wait-file", ActionResult{true, L"", 0, L""}, details);
            }
            return true;
        case ActionKind::Touch: {
            ActionResult result;
            result.ok = TouchFile(action.text);
            if (!result.ok) result.error = L"cannot create the file";
            JsonLine details;
            details.Field("file", action.text);
            LogAction(w, "touch", result, details);
            return result.ok;
        }
        case ActionKind::Sleep:
            if (w.actionStarted == 0) w.actionStarted = now == 0 ? 1 : now;
            if (now - w.actionStarted < action.milliseconds) return false;
            w.actionStarted = 0;
            return true;
        case ActionKind::Screenshot: {
            ActionResult result = SaveScreenshot(w.hwnd, action.text);
            JsonLine details;
            details.Field("file", action.text);
            LogAction(w, "screenshot", result, details);
            return result.ok;
        }
        case ActionKind::Snapshot: {
            WindowRecord fresh;
            if (ReadWindow(w.hwnd, fresh)) {
                fresh.icon = w.record.icon;
                w.record = fresh;
                const long long sequence = ++sequence_;
                Shoot(w, sequence, "snapshot");
                log_.Write(WindowToJson(w.record, "snapshot", sequence, Now()));
                return true;
            }
            LogAction(w, "snapshot", ActionResult{false, L"the window is gone", 0, L""});
            return false;
        }
        case ActionKind::Close: {
            ActionResult result = PostCloseRequest(w.hwnd);
            LogAction(w, "close", result);
            return result.ok;
        }
        case ActionKind::Command: {
            ActionResult result = PostCommand(w.hwnd, action.controlId);
            JsonLine details;
            details.Field("control", action.controlId);
            LogAction(w, "command", result, details);
            return result.ok;
        }
        case ActionKind::Key: {
            ActionResult result = PressKey(w.hwnd, action.virtualKey);
            JsonLine details;
            details.Field("key", static_cast<long long>(action.virtualKey));
            LogAction(w, "key", result, details);
            return result.ok;
        }
        case ActionKind::DropDown:
        case ActionKind::CloseUp: {
            const bool show = action.kind == ActionKind::DropDown;
            ActionResult result = ShowDropDown(w.hwnd, action.controlId, show);
            JsonLine details;
            details.Field("control", action.controlId);
            LogAction(w, show ? "drop" : "closeup", result, details);
            return result.ok;
        }
        case ActionKind::WaitAlone: {
            // A step sent while a box is up would reach this window's controls past the box's
            // own message loop and be lost. The box asked for by the step before may take a
            // moment to come up: wait for a new window a while, then until none is up.
            if (w.actionStarted == 0) {
                w.actionStarted = now == 0 ? 1 : now;
                w.windowsBefore = windowsSeen_;
            }
            if (windowsSeen_ == w.windowsBefore && now - w.actionStarted < kBoxPatienceMs)
                return false;
            for (const TrackedWindow& other : windows_) {
                if (other.hwnd != w.hwnd && IsDialogKind(other.record) && IsWindow(other.hwnd) &&
                    IsWindowVisible(other.hwnd)) {
                    return false;
                }
            }
            w.actionStarted = 0;
            return true;
        }
        case ActionKind::HelpRequest: {
            ActionResult result = SendHelpRequest(w.hwnd);
            LogAction(w, "help-request", result);
            return result.ok;
        }
    }
    return true;
}

void Driver::Step(TrackedWindow& w) {
    if (w.finished || !IsWindow(w.hwnd)) return;
    const DWORD now = GetTickCount();
    if (!w.logged) {
        // Until it is judged, keep the latest reading: a window seen through the focus event
        // is read before its texts are set, and it may be gone by the end of the settling.
        WindowRecord fresh;
        if (ReadWindow(w.hwnd, fresh)) w.record = fresh;
        if (!w.wasVisible) {
            if (!IsWindowVisible(w.hwnd)) return;
            w.wasVisible = true;
            w.firstSeen = now;
        }
        if (now - w.firstSeen < options_.settleMilliseconds) return;
        if (w.record.kind == L"messagebox" && w.record.icon == L"unknown") {
            std::wstring icon = ClassifyMessageBoxIcon(w.hwnd);
            if (icon.empty() && now - w.firstSeen < options_.settleMilliseconds + kIconPatienceMs)
                return;
            if (!icon.empty()) w.record.icon = icon;
        }
        LogWindow(w);
        ChooseRule(w);
    }
    if (w.rule == kDefaultRule) {
        DefaultAction(w);
        return;
    }
    const std::vector<Action>& actions = options_.rules[static_cast<size_t>(w.rule)].actions;
    while (w.nextAction < actions.size()) {
        const Action& action = actions[w.nextAction];
        const size_t before = static_cast<size_t>(errors_);
        if (!RunAction(w, action)) {
            if (static_cast<size_t>(errors_) == before) return;  // waiting: come back next tick
            // A failed step would leave the program hanging on the window until the timeout:
            // let the default action move it on, the error stays in the log.
            DefaultAction(w);
            return;
        }
        ++w.nextAction;
        // The window needs a turn of its message loop before the next action sees the change.
        if (action.kind == ActionKind::Press || action.kind == ActionKind::Close ||
            action.kind == ActionKind::Select || action.kind == ActionKind::Check ||
            action.kind == ActionKind::Uncheck || action.kind == ActionKind::Command ||
            action.kind == ActionKind::Key || action.kind == ActionKind::DropDown ||
            action.kind == ActionKind::CloseUp || action.kind == ActionKind::HelpRequest) {
            return;
        }
    }
    w.finished = true;
}

void Driver::Forget() {
    for (size_t i = 0; i < windows_.size();) {
        TrackedWindow& w = windows_[i];
        const bool alive = IsWindow(w.hwnd) != FALSE;
        if (alive && (IsWindowVisible(w.hwnd) || !w.wasVisible)) {
            ++i;
            continue;
        }
        if (!w.logged && (w.wasVisible || IsDialogKind(w.record))) {
            w.record.vanished = true;
            log_.Write(WindowToJson(w.record, "window", ++sequence_, Now()));
        }
        log_.Write(Event("closed").Field("hwnd", HandleText(w.record.handle).c_str()).Finish());
        windows_.erase(windows_.begin() + static_cast<long>(i));
    }
}

void Driver::Finish(DWORD exitCode, bool timedOut) {
    for (TrackedWindow& w : windows_) {
        if (!w.logged && (w.wasVisible || IsDialogKind(w.record))) {
            w.record.vanished = !IsWindow(w.hwnd);
            log_.Write(WindowToJson(w.record, "window", ++sequence_, Now()));
            w.logged = true;
        }
    }
    JsonLine line = Event("exit");
    line.Field("code", static_cast<long long>(static_cast<int>(exitCode)))
        .Field("windows", windowsSeen_)
        .Field("errors", errors_)
        .Bool("timed_out", timedOut);
    log_.Write(line.Finish());
    if (!options_.exitCodePath.empty()) {
        HANDLE h = CreateFileW(options_.exitCodePath.c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            char text[32];
            const int n = std::snprintf(text, sizeof text, "%d\n", static_cast<int>(exitCode));
            DWORD written = 0;
            WriteFile(h, text, static_cast<DWORD>(n), &written, nullptr);
            CloseHandle(h);
        }
    }
}

int Driver::Run() {
    if (!log_.Open(options_.logPath, !options_.quiet)) {
        std::fprintf(stderr, "ui-driver: cannot create the log %s\n",
                     Utf8(options_.logPath).c_str());
        return kExitUsage;
    }
    g_driver = this;
    if (!Start()) return kExitCannotStart;
    RefreshProcesses();
    HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr, WindowEventHook, 0, 0,
                        WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);

    const DWORD limit = options_.timeoutSeconds * 1000u;
    bool timedOut = false;
    for (;;) {
        // A window not judged yet may still be initialising, or be answered (and gone) within
        // a few milliseconds of its showing: look again soon.
        // Hidden windows that stay hidden (a program's own helper windows) stop counting after
        // a while, so they do not keep the driver busy.
        bool pendingShow = false;
        for (const TrackedWindow& w : windows_) {
            pendingShow |=
                !w.logged && (w.wasVisible || GetTickCount() - w.observed < kHiddenPatienceMs);
        }
        const DWORD wait = MsgWaitForMultipleObjects(
            1, &process_, FALSE, pendingShow ? kPendingPollMs : options_.pollMilliseconds,
            QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Scan();
        if (wait == WAIT_OBJECT_0 || WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) break;
        if (GetTickCount() - start_ >= limit) {
            timedOut = true;
            log_.Write(Event("timeout").Field("seconds", options_.timeoutSeconds).Finish());
            if (job_ != nullptr) TerminateJobObject(job_, kExitTimeout);
            TerminateProcess(process_, kExitTimeout);
            WaitForSingleObject(process_, 5000);
            break;
        }
    }
    if (hook != nullptr) UnhookWinEvent(hook);

    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process_, &exitCode)) exitCode = kExitCannotStart;
    Finish(exitCode, timedOut);
    g_driver = nullptr;
    return timedOut ? kExitTimeout : static_cast<int>(exitCode);
}

}  // namespace
}  // namespace quorix::uidriver

int wmain(int argc, wchar_t** argv) {
    using namespace quorix::uidriver;
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    ParseResult parsed = ParseDriverArguments(args);
    if (!parsed.ok) {
        std::fprintf(stderr, "ui-driver: %s\n%s", Utf8(parsed.error).c_str(),
                     Utf8(UsageText()).c_str());
        return kExitUsage;
    }
    try {
        Driver driver(std::move(parsed.options));
        return driver.Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ui-driver: %s\n", e.what());
        return kExitCannotStart;
    }
}
