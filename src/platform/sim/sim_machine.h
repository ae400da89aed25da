// The simulated Windows: enough of the machine for a whole run to execute in a unit test.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_com.h"
#include "platform/sim/sim_core.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_dialogs.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_installer.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_resources.h"
#include "platform/sim/sim_services.h"
#include "platform/sim/sim_shell.h"
#include "platform/sim/sim_task_scheduler.h"

namespace quorix::sim {

class SimSystem : public platform::System {
public:
    explicit SimSystem(Core& core) : core_(core) { SetMachineDefaults(); }

    std::uint32_t GetLastError() override { return core_.lastError; }
    void SetLastError(std::uint32_t error) override { core_.lastError = error; }
    platform::NativeHandle CreateNamedMutex(bool initialOwner, const std::wstring& name) override;
    bool CloseHandle(platform::NativeHandle handle) override;
    bool GetCommandLineArguments(std::vector<std::wstring>* argv) override;
    bool FormatSystemMessage(std::uint32_t code, std::wstring* text) override;
    platform::NativeHandle OpenProcessToken(std::uint32_t access) override;
    bool AdjustTokenPrivilege(platform::NativeHandle token, const std::wstring& name,
                              std::uint32_t attributes) override;
    bool GetTokenStanding(platform::TokenStanding* standing) override;
    bool RequestExitWindows(std::uint32_t flags, std::uint32_t reason) override;
    std::uint16_t GetUserDefaultUiLanguage() override;
    bool GetLocaleInfoText(std::uint32_t locale, std::uint32_t type, std::size_t capacity,
                           std::wstring* text) override;
    bool GetVersionInfo(platform::OsVersionInfo* info) override;
    std::uint32_t GetVersionWord() override;
    std::uint16_t GetNativeProcessorArchitecture() override;
    int GetSystemMetric(int index) override;
    bool GetOsProductType(std::uint32_t major, std::uint32_t minor, std::uint32_t servicePackMajor,
                          std::uint32_t servicePackMinor, std::uint32_t* type) override;
    std::uint32_t GetSystemDefaultLocale() override;
    std::uint32_t GetUserDefaultLocale() override;
    bool GetUserGeoId(std::uint32_t geoClass, std::int32_t* id) override;
    bool GetGeoInfoText(std::int32_t id, std::uint32_t type, std::size_t capacity,
                        std::uint16_t language, std::wstring* text) override;
    void GetSystemTimeUtc(platform::SystemTime* time) override;
    void GetLocalTimeNow(platform::SystemTime* time) override;
    bool ConvertFileTime(std::uint64_t fileTime, platform::SystemTime* time) override;
    bool ConvertSystemTime(const platform::SystemTime& time, std::uint64_t* fileTime) override;
    std::uint32_t ExpandEnvironment(const std::wstring& source, std::uint32_t capacity,
                                    std::wstring* text) override;
    bool GetFileVersionNumbers(const std::wstring& path, std::uint32_t* ms,
                               std::uint32_t* ls) override;
    std::uint32_t GetTickCount() override { return static_cast<std::uint32_t>(core_.clockMs); }
    // The virtual clock in 100 ns counts.
    bool QueryHighResolutionCounter(std::uint64_t* counter, std::uint64_t* frequency) override;
    void Sleep(std::uint32_t milliseconds) override;
    [[noreturn]] void ExitProcess(std::uint32_t exitCode) override;

    // --- the test's side ---
    // The process's token: by default a standard user's (Windows XP without administrator
    // rights, or a filtered token); the manifest's elevated administrator and a run as
    // LocalSystem set these.
    platform::TokenStanding token;
    std::vector<std::wstring> argv;          // what CommandLineToArgvW gives
    std::set<std::wstring> existingMutexes;  // names another process holds
    // Mutexes of this process: alive while a handle to them is open, and whether the creator
    // asked to own it.
    bool MutexExists(const std::wstring& name) const;
    bool MutexOwned(const std::wstring& name) const;
    void CloseMutexHandle(platform::NativeHandle handle);
    // What the end of the process does to a handle still open: closed, no call made.
    void CloseAtProcessEnd(platform::NativeHandle handle);
    std::map<std::uint32_t, std::wstring> messageTexts;  // FormatMessageW's table
    std::map<std::wstring, std::uint32_t> enabledPrivileges;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> exitWindowsCalls;
    std::vector<std::uint32_t> sleeps;
    // Locale identifier -> ISO 639 language and ISO 3166 country names.
    std::map<std::uint32_t, std::pair<std::wstring, std::wstring>> locales;
    // The machine (sim_system_info.cpp sets the defaults: Windows 7 SP1, 32-bit, en-US, US).
    platform::OsVersionInfo osVersion;
    // GetVersion's answer: Windows 7 SP1 (6.1.7601).
    std::uint32_t versionWord = 0x1DB10106u;
    static constexpr std::uint32_t VersionWordOf(std::uint32_t major, std::uint32_t minor,
                                                 std::uint32_t build) {
        return major | (minor << 8) | (build << 16);
    }
    std::uint16_t processorArchitecture;
    std::map<int, int> systemMetrics;  // missing: 0
    bool hasGetProductInfo;            // false: kernel32 before Windows Vista
    std::uint32_t osProductType;
    std::uint32_t systemLocale;
    std::uint32_t userLocale;
    bool hasGeoFunctions;
    std::int32_t userGeoId;
    std::map<std::int32_t, std::wstring> geoIso2Names;  // geo id -> GEO_ISO2 text
    std::uint64_t utcAtBoot;                  // FILETIME of the moment the virtual clock reads 0
    std::int64_t localMinutesAheadOfUtc = 0;  // the time zone GetLocalTime answers in
    void SetUtcNow(const platform::SystemTime& now);
    // Folded path -> (dwFileVersionMS, dwFileVersionLS); other files have no version resource.
    std::map<std::wstring, std::pair<std::uint32_t, std::uint32_t>> fileVersions;
    void SetFileVersion(const std::wstring& path, std::uint32_t ms, std::uint32_t ls);
    // Variables by folded name: SystemRoot and windir are C:\Windows.
    std::map<std::wstring, std::wstring> environment;
    void SetVariable(const std::wstring& name, const std::wstring& value);

private:
    void SetMachineDefaults();

    struct NamedMutex {
        std::set<platform::NativeHandle> handles;
        bool owned = false;
    };
    Core& core_;
    std::map<std::wstring, NamedMutex> mutexes_;
    std::map<platform::NativeHandle, std::wstring> mutexNames_;
};

class SimConsole : public platform::Console {
public:
    explicit SimConsole(Core& core) : core_(core) {}
    bool AttachToParent() override;
    bool ReopenStdoutOnConsole() override;
    void Write(const std::wstring& text) override;
    bool Free() override;
    void SendKey(std::uint16_t virtualKey, std::uint32_t flags) override;

    // --- the test's side ---
    bool parentHasConsole = false;  // started from a console window
    bool hasAttachConsole = true;   // false: the kernel32 of Windows 2000
    std::uint32_t attachError = 6;  // ERROR_INVALID_HANDLE when there is none
    // True when the process has a console from the start: Wine hands a GUI program its parent's
    // console when a console program starts it (AttachConsole then fails with 5).
    bool attached = false;
    bool consoleIsDevice = true;  // false: standard output is a pipe, "CON" cannot be opened
    bool stdoutOnConsole = false;
    std::wstring output;      // what reached the console
    std::wstring lostOutput;  // written while no console was there
    std::vector<std::pair<std::uint16_t, std::uint32_t>> keys;

private:
    Core& core_;
};

struct MessageBoxRecord {
    std::optional<std::wstring> caption;  // none: Windows' default caption
    std::wstring text;
    std::uint32_t style;
    platform::NativeHandle owner = platform::kNullHandle;
};

// A window of ours on the simulated desktop, kept after it is destroyed.
struct SimWindowRecord {
    platform::NativeHandle handle = platform::kNullHandle;
    platform::WindowSpec spec;
    bool destroyed = false;
};

// One message the simulation delivered to a handler of ours (and then, as Windows does, to
// DefWindowProcW).
struct DeliveredMessage {
    platform::NativeHandle window;
    std::uint32_t message;
};

class SimUi : public platform::Ui {
public:
    explicit SimUi(Core& core) : core_(core) {}
    bool InitCommonControls(std::uint32_t classes) override;
    int ShowMessageBox(const wchar_t* caption, const std::wstring& text,
                       std::uint32_t style) override;
    int ShowOwnedMessageBox(platform::NativeHandle owner, const wchar_t* caption,
                            const std::wstring& text, std::uint32_t style) override;
    std::uint16_t RegisterWindowClass(const platform::WindowClass& windowClass) override;
    bool UnregisterWindowClass(const std::wstring& name) override;
    platform::NativeHandle CreateWindowHandle(const platform::WindowSpec& spec) override;
    bool DestroyWindowHandle(platform::NativeHandle window) override;

    // --- the test's side ---
    std::vector<MessageBoxRecord> boxes;
    // Runs while each box is open, before it is answered: what another process could see then.
    std::function<void(const MessageBoxRecord&)> whileBoxOpen;
    std::vector<int> answers;  // answers in order; when they run out, the first button
    // An answer that presses the box's Help button instead of closing it: the owner's handler
    // gets WM_HELP while the box stays open, and the next answer is taken. On a box without
    // Help button, or without an owner window of ours, the press does nothing.
    static constexpr int kPressHelp = -0x53;
    // Every RegisterClassExW that succeeded, in order (unregistering does not remove it here).
    std::vector<platform::WindowClass> registeredClasses;
    std::vector<SimWindowRecord> windows;  // every window created, in order
    std::vector<DeliveredMessage> delivered;
    // The messages delivered to `window`, in order.
    std::vector<std::uint32_t> MessagesTo(platform::NativeHandle window) const;
    std::uint32_t commonControls = 0;

private:
    SimWindowRecord* LiveWindow(platform::NativeHandle window);
    void Deliver(platform::NativeHandle window, std::uint32_t message);

    Core& core_;
    std::size_t nextAnswer_ = 0;
    std::uint16_t nextAtom_ = 0xC000;  // Windows hands out class atoms from here upwards
    // Registered classes by folded name: class names compare case-insensitively.
    std::map<std::wstring, std::pair<platform::WindowClass, platform::NativeHandle>> classes_;
};

// One simulated machine with one process of ours on it.
class SimMachine {
public:
    SimMachine();
    platform::Platform& Os() { return platform_; }

    Core core;
    SimSystem system{core};
    SimFiles files{core, system};
    SimConsole console{core};
    SimUi ui{core};
    SimRegistry registry{core};
    SimInstaller installer{core};
    SimResources resources{core};
    SimShell shell{core, files};
    SimCom com{core};
    SimServices services{core};
    SimTaskScheduler tasks{core, com};
    SimDesktop desktop{core};
    SimDialogs dialogs{core, ui.commonControls};

private:
    platform::Platform platform_;
};

}  // namespace quorix::sim
