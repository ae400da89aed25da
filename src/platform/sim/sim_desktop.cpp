#include "platform/sim/sim_desktop.h"

#include "common/result_codes.h"

namespace quorix::sim {

SimDesktop::SimDesktop(Core& core) : core_(core) {
    // A logged-on desktop: Explorer runs and owns the "Progman" window.
    OpenWindow(L"Progman");
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

}  // namespace quorix::sim
