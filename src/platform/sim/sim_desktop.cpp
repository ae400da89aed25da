#include "platform/sim/sim_desktop.h"

#include "common/result_codes.h"
#include "platform/sim/sim_time.h"

namespace quorix::sim {

SimDesktop::SimDesktop(Core& core) : core_(core) {
    // A logged-on desktop: Explorer runs and owns the "Progman" window.
    OpenWindow(L"Progman");
    SetVariable(L"SystemRoot", L"C:\\Windows");
    SetVariable(L"windir", L"C:\\Windows");
    SetVariable(L"SystemDrive", L"C:");
    SetVariable(L"USERNAME", L"tester");
    sessionTexts = {{platform::kWtsUserName, L"tester"}, {platform::kWtsDomainName, L"TESTPC"}};
}

// ---------------------------------------------------------------- the test's side

platform::NativeHandle SimDesktop::OpenWindow(const std::wstring& className) {
    const platform::NativeHandle window = nextWindow_;
    nextWindow_ += 0x10;
    windows_[FoldKey(className)] = window;
    return window;
}

void SimDesktop::CloseWindow(const std::wstring& className) { windows_.erase(FoldKey(className)); }

void SimDesktop::CloseWindowAfterFind(const std::wstring& className) {
    auto it = windows_.find(FoldKey(className));
    if (it != windows_.end()) gone_.insert(it->second);
}

bool SimDesktop::HasWindow(const std::wstring& className) const {
    auto it = windows_.find(FoldKey(className));
    return it != windows_.end() && gone_.count(it->second) == 0;
}

void SimDesktop::SetVariable(const std::wstring& name, const std::wstring& value) {
    environment[FoldKey(name)] = value;
}

// ---------------------------------------------------------------- the calls

platform::NativeHandle SimDesktop::FindTopWindow(const std::wstring& className) {
    if (core_.Failing("FindWindowW")) return platform::kNullHandle;
    auto it = windows_.find(FoldKey(className));
    if (it == windows_.end()) {
        core_.lastError = 1400;  // ERROR_INVALID_WINDOW_HANDLE, as user32 leaves it
        return platform::kNullHandle;
    }
    return it->second;
}

bool SimDesktop::IsWindowHandle(platform::NativeHandle window) {
    if (core_.Failing("IsWindow")) return false;
    if (window == platform::kNullHandle || gone_.count(window) != 0) return false;
    for (const auto& [name, handle] : windows_) {
        if (handle == window) return true;
    }
    return false;
}

std::uint32_t SimDesktop::ExpandEnvironment(const std::wstring& source, std::uint32_t capacity,
                                            std::wstring* text) {
    if (core_.Failing("ExpandEnvironmentStringsW")) return 0;
    // A name between two "%" that is not defined stays as it was written, "%" signs included.
    std::wstring expanded;
    std::size_t at = 0;
    while (at < source.size()) {
        const std::size_t open = source.find(L'%', at);
        if (open == std::wstring::npos) {
            expanded.append(source, at, std::wstring::npos);
            break;
        }
        expanded.append(source, at, open - at);
        const std::size_t close = source.find(L'%', open + 1);
        if (close == std::wstring::npos) {
            expanded.append(source, open, std::wstring::npos);
            break;
        }
        auto variable = environment.find(FoldKey(source.substr(open + 1, close - open - 1)));
        if (variable != environment.end() && close > open + 1) {
            expanded += variable->second;
            at = close + 1;
        } else {
            expanded.append(source, open, close - open + 1);
            at = close + 1;
        }
    }
    const std::uint32_t needed = static_cast<std::uint32_t>(expanded.size() + 1);
    if (needed <= capacity) *text = expanded;
    return needed;
}

std::uint32_t SimDesktop::GetVersionWord() {
    core_.faults.Check("GetVersion");
    return versionWord;
}

bool SimDesktop::QueryCurrentSessionText(std::uint32_t infoClass, std::wstring* text) {
    sessionQueries.push_back(infoClass);
    if (core_.Failing("WTSQuerySessionInformationW")) return false;
    auto it = sessionTexts.find(infoClass);
    if (it == sessionTexts.end()) {
        core_.lastError = kErrorInvalidParameter;
        return false;
    }
    *text = it->second;
    return true;
}

bool SimDesktop::ConvertSystemTime(const platform::SystemTime& time, std::uint64_t* fileTime) {
    if (core_.Failing("SystemTimeToFileTime")) return false;
    static constexpr int kDaysIn[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool valid = time.year >= 1601 && time.year <= 30827 && time.month >= 1 &&
                       time.month <= 12 && time.day >= 1 && time.day <= kDaysIn[time.month - 1] &&
                       time.hour < 24 && time.minute < 60 && time.second < 60 &&
                       time.milliseconds < 1000;
    const bool leap = (time.year % 4 == 0 && time.year % 100 != 0) || time.year % 400 == 0;
    if (!valid || (time.month == 2 && time.day == 29 && !leap)) {
        core_.lastError = kErrorInvalidParameter;
        return false;
    }
    *fileTime = SystemTimeToFileTime(time);
    return true;
}

}  // namespace quorix::sim
