#include "platform/sim/sim_machine.h"

#include "common/result_codes.h"
#include "common/text.h"

namespace quorix::sim {

// ---------------------------------------------------------------- System

platform::NativeHandle SimSystem::CreateNamedMutex(bool initialOwner, const std::wstring& name) {
    if (core_.Failing("CreateMutexW")) return platform::kNullHandle;
    const platform::NativeHandle handle = core_.ledger.Open("mutex", NarrowAscii(name));
    // Object names compare case-sensitively. An existing name gives a handle to the same mutex
    // and ERROR_ALREADY_EXISTS; the initial-owner request is then ignored.
    if (existingMutexes.count(name) != 0) {
        core_.lastError = kErrorAlreadyExists;
        return handle;
    }
    auto it = mutexes_.find(name);
    if (it != mutexes_.end()) {
        it->second.handles.insert(handle);
        core_.lastError = kErrorAlreadyExists;
    } else {
        mutexes_[name] = NamedMutex{{handle}, initialOwner};
        core_.lastError = 0;
    }
    mutexNames_[handle] = name;
    return handle;
}

void SimSystem::CloseMutexHandle(platform::NativeHandle handle) {
    auto name = mutexNames_.find(handle);
    if (name == mutexNames_.end()) return;
    auto it = mutexes_.find(name->second);
    // The name lives exactly as long as a handle to the mutex does.
    if (it != mutexes_.end()) {
        it->second.handles.erase(handle);
        if (it->second.handles.empty()) mutexes_.erase(it);
    }
    mutexNames_.erase(name);
}

void SimSystem::CloseAtProcessEnd(platform::NativeHandle handle) {
    const std::string kind = core_.ledger.KindOf(handle);
    if (!core_.ledger.Close(handle)) return;
    auto closer = core_.onClose.find(kind);
    if (closer != core_.onClose.end()) closer->second(handle);
}

bool SimSystem::MutexExists(const std::wstring& name) const { return mutexes_.count(name) != 0; }

bool SimSystem::MutexOwned(const std::wstring& name) const {
    auto it = mutexes_.find(name);
    return it != mutexes_.end() && it->second.owned;
}

bool SimSystem::CloseHandle(platform::NativeHandle handle) {
    if (core_.Failing("CloseHandle")) return false;
    const std::string kind = core_.ledger.KindOf(handle);
    if (!core_.ledger.Close(handle)) {
        core_.lastError = kErrorInvalidHandle;
        return false;
    }
    auto closer = core_.onClose.find(kind);
    if (closer != core_.onClose.end()) closer->second(handle);
    return true;
}

bool SimSystem::GetCommandLineArguments(std::vector<std::wstring>* out) {
    out->clear();
    if (core_.Failing("CommandLineToArgvW")) return false;
    *out = argv;
    return true;
}

bool SimSystem::FormatSystemMessage(std::uint32_t code, std::wstring* text) {
    if (core_.Failing("FormatMessageW")) return false;
    auto it = messageTexts.find(code);
    if (it == messageTexts.end()) {
        core_.lastError = 317;  // ERROR_MR_MID_NOT_FOUND
        return false;
    }
    *text = it->second;
    return true;
}

platform::NativeHandle SimSystem::OpenProcessToken(std::uint32_t access) {
    if (core_.Failing("OpenProcessToken")) return platform::kNullHandle;
    return core_.ledger.Open("token", "process token");
}

bool SimSystem::GetTokenStanding(platform::TokenStanding* standing) {
    if (core_.Failing("GetTokenInformation")) return false;
    *standing = token;
    return true;
}

bool SimSystem::AdjustTokenPrivilege(platform::NativeHandle token, const std::wstring& name,
                                     std::uint32_t attributes) {
    if (core_.Failing("AdjustTokenPrivileges")) return false;
    if (!core_.ledger.IsOpen(token)) {
        core_.lastError = kErrorInvalidHandle;
        return false;
    }
    enabledPrivileges[name] = attributes;
    return true;
}

bool SimSystem::RequestExitWindows(std::uint32_t flags, std::uint32_t reason) {
    if (core_.Failing("ExitWindowsEx")) return false;
    exitWindowsCalls.emplace_back(flags, reason);
    return true;
}

std::uint16_t SimSystem::GetUserDefaultUiLanguage() {
    core_.faults.Check("GetUserDefaultUILanguage");
    return core_.uiLanguage;
}

bool SimSystem::GetLocaleInfoText(std::uint32_t locale, std::uint32_t type, std::size_t capacity,
                                  std::wstring* text) {
    if (core_.Failing("GetLocaleInfoW")) return false;
    auto it = locales.find(locale);
    if (it == locales.end() ||
        (type != platform::kLocaleSIso639LangName && type != platform::kLocaleSIso3166CtryName)) {
        core_.lastError = kErrorInvalidParameter;
        return false;
    }
    const std::wstring& value =
        type == platform::kLocaleSIso639LangName ? it->second.first : it->second.second;
    if (value.size() + 1 > capacity) {
        core_.lastError = 122;  // ERROR_INSUFFICIENT_BUFFER
        return false;
    }
    *text = value;
    return true;
}

void SimSystem::Sleep(std::uint32_t milliseconds) {
    core_.faults.Check("Sleep");
    sleeps.push_back(milliseconds);
    core_.clockMs += milliseconds;
}

void SimSystem::ExitProcess(std::uint32_t exitCode) { throw ProcessExit{exitCode}; }

// ---------------------------------------------------------------- Console

bool SimConsole::AttachToParent() {
    if (!hasAttachConsole) {
        core_.lastError = kErrorProcNotFound;
        return false;
    }
    if (core_.Failing("AttachConsole")) return false;
    if (attached) {
        core_.lastError = kErrorAccessDenied;  // a process has at most one console
        return false;
    }
    if (!parentHasConsole) {
        core_.lastError = attachError;
        return false;
    }
    attached = true;
    return true;
}

bool SimConsole::ReopenStdoutOnConsole() {
    if (core_.Failing("freopen")) return false;
    stdoutOnConsole = attached && consoleIsDevice;
    return stdoutOnConsole;
}

void SimConsole::Write(const std::wstring& text) {
    core_.faults.Check("fputws");
    (attached && stdoutOnConsole ? output : lostOutput) += text;
}

bool SimConsole::Free() {
    if (core_.Failing("FreeConsole")) return false;
    attached = false;
    stdoutOnConsole = false;
    return true;
}

void SimConsole::SendKey(std::uint16_t virtualKey, std::uint32_t flags) {
    core_.faults.Check("SendInput");
    keys.emplace_back(virtualKey, flags);
}

// ---------------------------------------------------------------- Ui

bool SimUi::InitCommonControls(std::uint32_t classes) {
    if (core_.Failing("InitCommonControlsEx")) return false;
    commonControls |= classes;
    return true;
}

int SimUi::ShowMessageBox(const wchar_t* caption, const std::wstring& text, std::uint32_t style) {
    return ShowOwnedMessageBox(platform::kNullHandle, caption, text, style);
}

int SimUi::ShowOwnedMessageBox(platform::NativeHandle owner, const wchar_t* caption,
                               const std::wstring& text, std::uint32_t style) {
    if (core_.Failing("MessageBoxW")) return 0;
    boxes.push_back(MessageBoxRecord{caption ? std::optional<std::wstring>(caption) : std::nullopt,
                                     text, style, owner});
    if (whileBoxOpen) whileBoxOpen(boxes.back());
    // The box's own message loop runs while it is open: each Help press reaches the owner.
    while (nextAnswer_ < answers.size() && answers[nextAnswer_] == kPressHelp) {
        ++nextAnswer_;
        if ((style & platform::kMbHelp) != 0 && LiveWindow(owner) != nullptr) {
            Deliver(owner, platform::kWmHelp);
        }
    }
    if (nextAnswer_ < answers.size()) return answers[nextAnswer_++];
    switch (style & 0x0F) {
        case 0x04:  // MB_YESNO
        case 0x03:  // MB_YESNOCANCEL
            return platform::kIdYes;
        default:
            return platform::kIdOk;
    }
}

std::uint16_t SimUi::RegisterWindowClass(const platform::WindowClass& windowClass) {
    if (core_.Failing("RegisterClassExW")) return 0;
    const std::wstring key = FoldKey(windowClass.name);
    if (windowClass.name.empty() || windowClass.handler == nullptr) {
        core_.lastError = kErrorInvalidParameter;
        return 0;
    }
    if (classes_.count(key) != 0) {
        core_.lastError = 1410;  // ERROR_CLASS_ALREADY_EXISTS
        return 0;
    }
    const platform::NativeHandle entry =
        core_.ledger.Open("window class", NarrowAscii(windowClass.name));
    classes_[key] = {windowClass, entry};
    registeredClasses.push_back(windowClass);
    return nextAtom_++;
}

bool SimUi::UnregisterWindowClass(const std::wstring& name) {
    if (core_.Failing("UnregisterClassW")) return false;
    auto it = classes_.find(FoldKey(name));
    if (it == classes_.end()) {
        core_.lastError = 1411;  // ERROR_CLASS_DOES_NOT_EXIST
        return false;
    }
    for (const SimWindowRecord& window : windows) {
        if (!window.destroyed && FoldKey(window.spec.className) == it->first) {
            core_.lastError = 1412;  // ERROR_CLASS_HAS_WINDOWS
            return false;
        }
    }
    core_.ledger.Close(it->second.second);
    classes_.erase(it);
    return true;
}

platform::NativeHandle SimUi::CreateWindowHandle(const platform::WindowSpec& spec) {
    if (core_.Failing("CreateWindowExW")) return platform::kNullHandle;
    if (classes_.count(FoldKey(spec.className)) == 0) {
        core_.lastError = 1407;  // ERROR_CANNOT_FIND_WND_CLASS
        return platform::kNullHandle;
    }
    if (spec.parent != platform::kNullHandle && LiveWindow(spec.parent) == nullptr) {
        core_.lastError = 1400;  // ERROR_INVALID_WINDOW_HANDLE
        return platform::kNullHandle;
    }
    SimWindowRecord record;
    record.handle = core_.ledger.Open("window", NarrowAscii(spec.title));
    record.spec = spec;
    windows.push_back(record);
    Deliver(record.handle, platform::kWmCreate);
    return record.handle;
}

bool SimUi::DestroyWindowHandle(platform::NativeHandle window) {
    if (core_.Failing("DestroyWindow")) return false;
    SimWindowRecord* record = LiveWindow(window);
    if (record == nullptr) {
        core_.lastError = 1400;  // ERROR_INVALID_WINDOW_HANDLE
        return false;
    }
    Deliver(window, platform::kWmDestroy);
    // Delivering may have grown `windows`; look the record up again.
    record = LiveWindow(window);
    record->destroyed = true;
    core_.ledger.Close(window);
    return true;
}

std::vector<std::uint32_t> SimUi::MessagesTo(platform::NativeHandle window) const {
    std::vector<std::uint32_t> messages;
    for (const DeliveredMessage& m : delivered) {
        if (m.window == window) messages.push_back(m.message);
    }
    return messages;
}

SimWindowRecord* SimUi::LiveWindow(platform::NativeHandle window) {
    if (window == platform::kNullHandle) return nullptr;
    for (SimWindowRecord& record : windows) {
        if (record.handle == window && !record.destroyed) return &record;
    }
    return nullptr;
}

void SimUi::Deliver(platform::NativeHandle window, std::uint32_t message) {
    SimWindowRecord* record = LiveWindow(window);
    if (record == nullptr) return;
    auto it = classes_.find(FoldKey(record->spec.className));
    if (it == classes_.end()) return;
    delivered.push_back(DeliveredMessage{window, message});
    // Copied: the handler may create windows of its own, which moves the records.
    platform::WindowHandler* handler = it->second.first.handler;
    // Caught at the edge as the real window procedure does: Windows' dispatch code knows
    // nothing of C++ exceptions. Only the simulated end of the process passes.
    try {
        handler->OnMessage(window, message, 0, 0);
    } catch (const ProcessExit&) {
        throw;
    } catch (...) {
        ++core_.handlerExceptions;
    }
}

// ---------------------------------------------------------------- the machine

SimMachine::SimMachine()
    : platform_{system, files, console,  ui,    registry, installer, resources,
                shell,  com,   services, tasks, desktop,  dialogs} {
    installer.ReadFilesFrom(&files);
    core.onClose["file"] = [this](platform::NativeHandle h) { files.CloseFileObject(h); };
    core.onClose["mapping"] = [this](platform::NativeHandle h) { files.CloseFileObject(h); };
    core.onClose["mutex"] = [this](platform::NativeHandle h) { system.CloseMutexHandle(h); };
    system.locales = {
        {0x0406, {L"da", L"DK"}}, {0x0407, {L"de", L"DE"}}, {0x0c07, {L"de", L"AT"}},
        {0x0809, {L"en", L"GB"}}, {0x0409, {L"en", L"US"}}, {0x0c09, {L"en", L"AU"}},
        {0x0c0a, {L"es", L"ES"}}, {0x040c, {L"fr", L"FR"}}, {0x0410, {L"it", L"IT"}},
        {0x0411, {L"ja", L"JP"}}, {0x0412, {L"ko", L"KR"}}, {0x0413, {L"nl", L"NL"}},
        {0x0415, {L"pl", L"PL"}}, {0x0416, {L"pt", L"BR"}}, {0x0419, {L"ru", L"RU"}},
        {0x0804, {L"zh", L"CN"}}, {0x0404, {L"zh", L"TW"}},
    };
    system.messageTexts = {
        {0, L"The operation completed successfully.\r\n"},
        {2, L"File not found.\r\n"},
        {5, L"Access denied.\r\n"},
        {32,
         L"The process cannot access the file because it is being used by another process.\r\n"},
        // A text with inserts: it comes back with them as they stand, since nothing is ever
        // passed to fill them.
        {34,
         L"The wrong diskette is in the drive.\r\nInsert %2 (Volume Serial Number: %3) into "
         L"drive %1.\r\n"},
        {193, L"%1 is not a valid Win32 application.\r\n"},
        {1618,
         L"Another installation is already in progress. Complete that installation before "
         L"proceeding with this install.\r\n"},
        {1602, L"User cancelled installation.\r\n"},
        {1603, L"Fatal error during installation.\r\n"},
        {3010,
         L"The requested operation is successful. Changes will not be effective until the system "
         L"is rebooted.\r\n"},
    };
}

}  // namespace quorix::sim
