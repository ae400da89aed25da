// The simulated desktop: top-level windows by class (the shell's "Progman" is there unless a
// test takes it away) and the session's names.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/sim/sim_core.h"

namespace quorix::sim {

class SimDesktop : public platform::Desktop {
public:
    explicit SimDesktop(Core& core);

    platform::NativeHandle FindTopWindow(const std::wstring& className) override;
    bool IsWindowHandle(platform::NativeHandle window) override;
    bool QueryCurrentSessionText(std::uint32_t infoClass, std::wstring* text) override;

    // --- the test's side ---
    // A top-level window of this class appears; its handle.
    platform::NativeHandle OpenWindow(const std::wstring& className);
    // The window goes away.
    void CloseWindow(const std::wstring& className);
    // The window goes away between FindWindowW and IsWindow: found, but no longer a window.
    void CloseWindowAfterFind(const std::wstring& className);
    bool HasWindow(const std::wstring& className) const;

    // WTS_INFO_CLASS -> text of the current session; a class without a text fails.
    std::map<std::uint32_t, std::wstring> sessionTexts;
    std::vector<std::uint32_t> sessionQueries;

private:
    Core& core_;
    std::map<std::wstring, platform::NativeHandle> windows_;  // folded class -> window
    std::set<platform::NativeHandle> gone_;                   // found, but no longer windows
    platform::NativeHandle nextWindow_ = 0x000A0010;
};

}  // namespace quorix::sim
