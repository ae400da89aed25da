// The simulated desktop: top-level windows by class (the shell's "Progman" is there unless a
// test takes it away), the process environment, the version word and the session's names.
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
    std::uint32_t ExpandEnvironment(const std::wstring& source, std::uint32_t capacity,
                                    std::wstring* text) override;
    std::uint32_t GetVersionWord() override;
    bool QueryCurrentSessionText(std::uint32_t infoClass, std::wstring* text) override;
    bool ConvertSystemTime(const platform::SystemTime& time, std::uint64_t* fileTime) override;

    // --- the test's side ---
    // A top-level window of this class appears; its handle.
    platform::NativeHandle OpenWindow(const std::wstring& className);
    // The window goes away.
    void CloseWindow(const std::wstring& className);
    // The window goes away between FindWindowW and IsWindow: found, but no longer a window.
    void CloseWindowAfterFind(const std::wstring& className);
    bool HasWindow(const std::wstring& className) const;

    // Variables by folded name: SystemRoot and windir are C:\Windows.
    std::map<std::wstring, std::wstring> environment;
    void SetVariable(const std::wstring& name, const std::wstring& value);
    // Windows 7 SP1 (6.1.7601).
    std::uint32_t versionWord = 0x1DB10106u;
    static constexpr std::uint32_t VersionWordOf(std::uint32_t major, std::uint32_t minor,
                                                 std::uint32_t build) {
        return major | (minor << 8) | (build << 16);
    }
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
