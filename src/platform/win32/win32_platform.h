// The real Windows behind the seam: each call translates to the Win32 API and decides nothing.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_com.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_installer.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_resources.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_task_scheduler.h"

namespace quorix::win32 {

class Win32System : public platform::System {
public:
    std::uint32_t GetLastError() override;
    void SetLastError(std::uint32_t error) override;
    platform::NativeHandle CreateNamedMutex(bool initialOwner, const std::wstring& name) override;
    bool CloseHandle(platform::NativeHandle handle) override;
    bool GetCommandLineArguments(std::vector<std::wstring>* argv) override;
    bool FormatSystemMessage(std::uint32_t code, std::wstring* text) override;
    platform::NativeHandle OpenProcessToken(std::uint32_t access) override;
    bool AdjustTokenPrivilege(platform::NativeHandle token, const std::wstring& name,
                              std::uint32_t attributes) override;
    bool RequestExitWindows(std::uint32_t flags, std::uint32_t reason) override;
    // win32_folder_security.cpp
    bool GetTokenStanding(platform::TokenStanding* standing) override;
    std::uint16_t GetUserDefaultUiLanguage() override;
    bool GetLocaleInfoText(std::uint32_t locale, std::uint32_t type, std::size_t capacity,
                           std::wstring* text) override;
    // win32_system_info.cpp
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
    std::uint32_t GetTickCount() override;
    bool QueryHighResolutionCounter(std::uint64_t* counter, std::uint64_t* frequency) override;
    void Sleep(std::uint32_t milliseconds) override;
    [[noreturn]] void ExitProcess(std::uint32_t exitCode) override;
};

class Win32Files : public platform::Files {
public:
    platform::NativeHandle CreateFileHandle(const std::wstring& path, std::uint32_t access,
                                            std::uint32_t share, std::uint32_t disposition,
                                            std::uint32_t attributes) override;
    platform::NativeHandle CreateReadOnlyMapping(platform::NativeHandle file) override;
    const std::uint8_t* MapReadOnlyView(platform::NativeHandle mapping) override;
    bool UnmapView(const std::uint8_t* view) override;
    bool GetFileSize(platform::NativeHandle file, std::uint64_t* size) override;
    bool QueryRegionSize(const std::uint8_t* address, std::size_t* regionSize) override;
    bool ReadFromFile(platform::NativeHandle file, std::uint8_t* buffer, std::uint32_t count,
                      std::uint32_t* read) override;
    bool WriteToFile(platform::NativeHandle file, const std::uint8_t* data, std::uint32_t count,
                     std::uint32_t* written) override;
    bool DeleteFileAt(const std::wstring& path) override;
    std::uint32_t GetTempFolder(std::uint32_t capacity, std::wstring* path) override;
    std::uint32_t MakeTempFileName(const std::wstring& folder, const std::wstring& prefix,
                                   std::uint32_t unique, std::wstring* name) override;
    bool CreateFolder(const std::wstring& path) override;
    bool CreateFolderWithAccess(const std::wstring& path, platform::Trustee owner,
                                const std::vector<platform::AccessEntry>& entries) override;
    bool GetFolderSecurity(const std::wstring& path, platform::FolderSecurity* security) override;
    bool GetFinalPath(platform::NativeHandle file, std::wstring* path) override;
    bool DeleteOnClose(platform::NativeHandle file) override;
    bool SetAttributes(const std::wstring& path, std::uint32_t attributes) override;
    std::uint32_t GetAttributes(const std::wstring& path) override;
    // win32_file_details.cpp
    bool GetAttributesEx(const std::wstring& path, platform::FileAttributeData* data) override;
    std::uint32_t ReadProfileString(const std::wstring& path, const std::wstring& section,
                                    const std::wstring& key, const std::wstring& fallback,
                                    std::uint32_t capacity, std::wstring* text) override;
    std::int32_t GetSpecialFolder(int csidl, std::wstring* path) override;
    std::uint32_t GetOwnModulePath(std::uint32_t capacity, std::wstring* path) override;
    std::uint32_t GetWindowsFolder(std::uint32_t capacity, std::wstring* path) override;
    bool SetCurrentFolder(const std::wstring& path) override;
};

class Win32Console : public platform::Console {
public:
    bool AttachToParent() override;
    bool ReopenStdoutOnConsole() override;
    void Write(const std::wstring& text) override;
    bool Free() override;
    void SendKey(std::uint16_t virtualKey, std::uint32_t flags) override;
};

class Win32Ui : public platform::Ui {
public:
    bool InitCommonControls(std::uint32_t classes) override;
    int ShowMessageBox(const wchar_t* caption, const std::wstring& text,
                       std::uint32_t style) override;
    int ShowOwnedMessageBox(platform::NativeHandle owner, const wchar_t* caption,
                            const std::wstring& text, std::uint32_t style) override;
    // win32_window_classes.cpp
    std::uint16_t RegisterWindowClass(const platform::WindowClass& windowClass) override;
    bool UnregisterWindowClass(const std::wstring& name) override;
    platform::NativeHandle CreateWindowHandle(const platform::WindowSpec& spec) override;
    bool DestroyWindowHandle(platform::NativeHandle window) override;
};

// The whole real platform, one per process.
class Win32Platform {
public:
    Win32Platform()
        : platform_{system_, files_, console_,  ui_,    registry_, installer_, resources_,
                    shell_,  com_,   services_, tasks_, desktop_,  dialogs_} {}
    platform::Platform& Os() { return platform_; }

private:
    Win32System system_;
    Win32Files files_;
    Win32Console console_;
    Win32Ui ui_;
    Win32Registry registry_;
    Win32Installer installer_;
    Win32Resources resources_;
    Win32Shell shell_;
    Win32Com com_;
    Win32Services services_;
    Win32TaskScheduler tasks_;
    Win32Desktop desktop_;
    Win32Dialogs dialogs_;
    platform::Platform platform_;
};

}  // namespace quorix::win32
