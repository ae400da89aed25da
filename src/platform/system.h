// Process, error and machine-level services: kernel32/advapi32 calls the program makes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace quorix::platform {

class System {
public:
    virtual ~System() = default;

    virtual std::uint32_t GetLastError() = 0;
    virtual void SetLastError(std::uint32_t error) = 0;

    // CreateMutexW(no security attributes, initialOwner, name). kNullHandle on failure; the
    // last error is ERROR_ALREADY_EXISTS (183) when the mutex existed (a handle still comes back).
    virtual NativeHandle CreateNamedMutex(bool initialOwner, const std::wstring& name) = 0;
    virtual bool CloseHandle(NativeHandle handle) = 0;

    // GetCommandLineW split by CommandLineToArgvW (argv freed before returning). False when
    // the split failed; argv is then left empty.
    virtual bool GetCommandLineArguments(std::vector<std::wstring>* argv) = 0;

    // FormatMessageW(FROM_SYSTEM | ALLOCATE_BUFFER, no source, code, language 0), the buffer
    // freed with LocalFree after copying. False when FormatMessageW returned 0.
    virtual bool FormatSystemMessage(std::uint32_t code, std::wstring* text) = 0;

    // OpenProcessToken(current process, access). kNullHandle on failure.
    virtual NativeHandle OpenProcessToken(std::uint32_t access) = 0;
    // LookupPrivilegeValueW(local system, name) and AdjustTokenPrivileges with that one
    // privilege set to `attributes`, no previous state. False if either call failed.
    virtual bool AdjustTokenPrivilege(NativeHandle token, const std::wstring& name,
                                      std::uint32_t attributes) = 0;
    // ExitWindowsEx(flags, reason).
    virtual bool RequestExitWindows(std::uint32_t flags, std::uint32_t reason) = 0;

    // GetUserDefaultUILanguage: the language identifier of the user's UI language.
    virtual std::uint16_t GetUserDefaultUiLanguage() = 0;
    // GetLocaleInfoW(locale, type) into a buffer of `capacity` characters. False when it
    // returned 0 (unknown locale, or the text does not fit).
    virtual bool GetLocaleInfoText(std::uint32_t locale, std::uint32_t type, std::size_t capacity,
                                   std::wstring* text) = 0;

    virtual std::uint32_t GetTickCount() = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;

    // Ends the process with the code. Never returns.
    [[noreturn]] virtual void ExitProcess(std::uint32_t exitCode) = 0;
};

inline constexpr std::uint32_t kTokenAdjustPrivileges = 0x0020;
inline constexpr std::uint32_t kTokenQuery = 0x0008;
inline constexpr std::uint32_t kSePrivilegeEnabled = 0x00000002;
inline constexpr std::uint32_t kEwxReboot = 0x00000002;
inline constexpr std::uint32_t kLocaleSIso639LangName = 0x59;
inline constexpr std::uint32_t kLocaleSIso3166CtryName = 0x5A;

}  // namespace quorix::platform
