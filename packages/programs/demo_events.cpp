#include "demo_events.h"

#include <cstddef>
#include <vector>

namespace quorix::demo {
namespace {

// The log is for tests, not for ever: past these bounds the oldest lines make room, and a
// value that has grown beyond any size we write is started afresh instead of being read.
constexpr std::size_t kMaxLines = 256;
constexpr std::size_t kMaxLineChars = 512;
constexpr DWORD kMaxLogBytes = 256 * 1024;

// The service writes from its own process while the setup's process holds the COM object or
// waits for the helper: one writer at a time, or a line read-modified-written by two is lost.
constexpr wchar_t kLogMutexName[] = L"VeloraQuorixDemoEventLog";
constexpr DWORD kLogMutexWaitMs = 5000;

class LogLock {
public:
    LogLock() : mutex_(CreateMutexW(nullptr, FALSE, kLogMutexName)) {
        if (mutex_ == nullptr) return;
        const DWORD waited = WaitForSingleObject(mutex_, kLogMutexWaitMs);
        // An abandoned mutex is still ours: its last owner died, the log is as it left it.
        held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    LogLock(const LogLock&) = delete;
    LogLock& operator=(const LogLock&) = delete;
    ~LogLock() {
        if (held_) ReleaseMutex(mutex_);
        if (mutex_ != nullptr) CloseHandle(mutex_);
    }

private:
    HANDLE mutex_;
    bool held_ = false;
};

// The lines of a REG_MULTI_SZ value of `chars` characters. The data need not end in the two
// terminators it should have: whatever follows the last null is a line too.
std::vector<std::wstring> SplitLines(const wchar_t* data, std::size_t chars) {
    std::vector<std::wstring> lines;
    std::wstring current;
    for (std::size_t i = 0; i < chars; ++i) {
        if (data[i] != L'\0') {
            current.push_back(data[i]);
        } else if (!current.empty()) {
            lines.push_back(current);
            current.clear();
        }
    }
    if (!current.empty()) lines.push_back(current);
    return lines;
}

std::vector<std::wstring> ReadLines(HKEY key) {
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key, kEventsValue, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ || bytes < sizeof(wchar_t) || bytes > kMaxLogBytes) {
        return {};
    }
    std::vector<wchar_t> data(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD read = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key, kEventsValue, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &read) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ) {
        return {};
    }
    return SplitLines(data.data(), read / sizeof(wchar_t));
}

bool WriteLines(HKEY key, const std::vector<std::wstring>& lines) {
    std::vector<wchar_t> data;
    for (const std::wstring& line : lines) {
        data.insert(data.end(), line.begin(), line.end());
        data.push_back(L'\0');
    }
    data.push_back(L'\0');
    return RegSetValueExW(key, kEventsValue, 0, REG_MULTI_SZ,
                          reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace

bool RecordEvent(const std::wstring& line) {
    std::wstring text = line.substr(0, kMaxLineChars);
    // A null would split the line in two, and an empty line would vanish from the value.
    for (wchar_t& c : text) {
        if (c == L'\0') c = L' ';
    }
    if (text.empty()) text = L"(empty)";

    LogLock lock;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kEventsKey, 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    std::vector<std::wstring> lines = ReadLines(key);
    lines.push_back(text);
    if (lines.size() > kMaxLines) lines.erase(lines.begin(), lines.end() - kMaxLines);
    const bool written = WriteLines(key, lines);
    RegCloseKey(key);
    return written;
}

bool ReadSetting(const wchar_t* name, DWORD* value) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0;
    DWORD data = 0;
    DWORD bytes = sizeof(data);
    const LONG result =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &bytes);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_DWORD || bytes != sizeof(data)) return false;
    *value = data;
    return true;
}

std::wstring ModuleFolder(HMODULE module) {
    // Program Files paths are short; a path that does not fit is reported as unknown rather
    // than cut at a place that would name another folder.
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return std::wstring();
    std::wstring folder(path, length);
    const std::size_t slash = folder.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return std::wstring();
    folder.resize(slash + 1);
    return folder;
}

std::wstring FolderForLog(const std::wstring& folder) {
    if (folder.empty()) return L"(unknown folder)";
    if (folder.back() == L'\\') return folder.substr(0, folder.size() - 1);
    return folder;
}

std::wstring DecimalText(long value) {
    // Built by hand: no format string, and LONG_MIN has no positive counterpart.
    const bool negative = value < 0;
    unsigned long magnitude =
        negative ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) digits.insert(digits.begin(), L'-');
    return digits;
}

}  // namespace quorix::demo
