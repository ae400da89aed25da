// Process, error and machine-level services: kernel32/advapi32 calls the program makes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace quorix::platform {

// What GetVersionExW fills into an OSVERSIONINFOEXW.
struct OsVersionInfo {
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t platformId = 0;
    std::wstring servicePackText;  // szCSDVersion, e.g. "Service Pack 2"
    std::uint16_t servicePackMajor = 0;
    std::uint16_t servicePackMinor = 0;
    std::uint16_t suiteMask = 0;
    std::uint8_t productType = 0;  // 1 workstation, 2 domain controller, 3 server
};

// A SYSTEMTIME.
struct SystemTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t dayOfWeek = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;
};

// What the process's token may do beyond a standard user.
struct TokenStanding {
    bool elevated = false;
    bool localSystem = false;
};

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

    // FormatMessageW(FROM_SYSTEM | ALLOCATE_BUFFER | IGNORE_INSERTS, no source, code,
    // language 0), the buffer freed with LocalFree after copying. Inserts ("%1") come back as
    // they stand: there are never arguments to fill them. False when FormatMessageW returned 0.
    virtual bool FormatSystemMessage(std::uint32_t code, std::wstring* text) = 0;

    // OpenProcessToken(current process, access). kNullHandle on failure.
    virtual NativeHandle OpenProcessToken(std::uint32_t access) = 0;
    // LookupPrivilegeValueW(local system, name) and AdjustTokenPrivileges with that one
    // privilege set to `attributes`, no previous state. False if either call failed.
    virtual bool AdjustTokenPrivilege(NativeHandle token, const std::wstring& name,
                                      std::uint32_t attributes) = 0;
    // Whether the process's token is elevated (GetTokenInformation(TokenElevation) where the
    // system knows it, Vista and later; before it, CheckTokenMembership in the Administrators
    // group) and whether its user is LocalSystem (TokenUser). False when either cannot be told.
    virtual bool GetTokenStanding(TokenStanding* standing) = 0;
    // ExitWindowsEx(flags, reason).
    virtual bool RequestExitWindows(std::uint32_t flags, std::uint32_t reason) = 0;

    // GetUserDefaultUILanguage: the language identifier of the user's UI language.
    virtual std::uint16_t GetUserDefaultUiLanguage() = 0;
    // GetLocaleInfoW(locale, type) into a buffer of `capacity` characters. False when it
    // returned 0 (unknown locale, or the text does not fit).
    virtual bool GetLocaleInfoText(std::uint32_t locale, std::uint32_t type, std::size_t capacity,
                                   std::wstring* text) = 0;

    // GetVersionExW with an OSVERSIONINFOEXW (size field 284). False when it failed.
    virtual bool GetVersionInfo(OsVersionInfo* info) = 0;
    // GetVersion: the major version in the low byte, the minor in the next, the build in the
    // high word.
    virtual std::uint32_t GetVersionWord() = 0;
    // GetNativeSystemInfo: wProcessorArchitecture of the machine (9 is AMD64), not of this
    // 32-bit process. Looked up in kernel32 at run time; where it is missing (Windows 2000,
    // which has no 64-bit edition) GetSystemInfo answers instead.
    virtual std::uint16_t GetNativeProcessorArchitecture() = 0;
    // GetSystemMetrics(index).
    virtual int GetSystemMetric(int index) = 0;
    // GetProductInfo(major, minor, spMajor, spMinor, &type), looked up in kernel32 by name at
    // run time (Windows Vista and later). False when it is missing (ERROR_PROC_NOT_FOUND) or
    // returned 0.
    virtual bool GetOsProductType(std::uint32_t major, std::uint32_t minor,
                                  std::uint32_t servicePackMajor, std::uint32_t servicePackMinor,
                                  std::uint32_t* type) = 0;
    // GetSystemDefaultLCID and GetUserDefaultLCID.
    virtual std::uint32_t GetSystemDefaultLocale() = 0;
    virtual std::uint32_t GetUserDefaultLocale() = 0;
    // GetUserGeoID(geoClass) and GetGeoInfoW(id, type, buffer of `capacity` characters,
    // capacity, language). Both are looked up in kernel32 by name at run time, together: when
    // either is missing, both fail with ERROR_PROC_NOT_FOUND. GetUserGeoId is true when the
    // function could be called (*id may then be GEOID_NOT_AVAILABLE, -1); GetGeoInfoText is
    // false when the function is missing or returned 0.
    virtual bool GetUserGeoId(std::uint32_t geoClass, std::int32_t* id) = 0;
    virtual bool GetGeoInfoText(std::int32_t id, std::uint32_t type, std::size_t capacity,
                                std::uint16_t language, std::wstring* text) = 0;

    // GetSystemTime: now, in UTC.
    virtual void GetSystemTimeUtc(SystemTime* time) = 0;
    // GetLocalTime: now, in the machine's time zone.
    virtual void GetLocalTimeNow(SystemTime* time) = 0;
    // FileTimeToSystemTime of a FILETIME (100 ns units since 1601, UTC). False on failure.
    virtual bool ConvertFileTime(std::uint64_t fileTime, SystemTime* time) = 0;
    // SystemTimeToFileTime: 100 ns units since 1601, UTC. False for a time that is no date.
    virtual bool ConvertSystemTime(const SystemTime& time, std::uint64_t* fileTime) = 0;

    // ExpandEnvironmentStringsW(source, buffer of `capacity` characters, capacity). Returns
    // what it returns: the characters stored with the terminator when the result fits (*text
    // is then set, without the terminator), the size needed with the terminator when it does
    // not (*text untouched), 0 on failure.
    virtual std::uint32_t ExpandEnvironment(const std::wstring& source, std::uint32_t capacity,
                                            std::wstring* text) = 0;

    // The file version of a file's version resource: GetFileVersionInfoSizeW,
    // GetFileVersionInfoW and VerQueryValueW(root block "\") of version.dll, which is loaded
    // at run time from the system folder by its full path. False when the file has no version
    // resource (or it cannot be read); *ms and *ls are dwFileVersionMS and dwFileVersionLS.
    virtual bool GetFileVersionNumbers(const std::wstring& path, std::uint32_t* ms,
                                       std::uint32_t* ls) = 0;

    virtual std::uint32_t GetTickCount() = 0;
    // QueryPerformanceFrequency and QueryPerformanceCounter: counts per second and the count
    // now. False when either failed (a machine without the counter); then neither is set.
    virtual bool QueryHighResolutionCounter(std::uint64_t* counter, std::uint64_t* frequency) = 0;
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
inline constexpr std::uint16_t kProcessorArchitectureAmd64 = 9;
inline constexpr std::uint8_t kVerNtWorkstation = 1;
inline constexpr std::uint16_t kVerSuiteEmbeddedNt = 0x0040;
inline constexpr std::uint16_t kVerSuitePersonal = 0x0200;
inline constexpr int kSmTabletPc = 86;
inline constexpr int kSmMediaCenter = 87;
inline constexpr int kSmStarter = 88;
inline constexpr std::uint32_t kGeoClassNation = 16;
inline constexpr std::uint32_t kGeoIso2 = 4;
inline constexpr std::int32_t kGeoIdNotAvailable = -1;

}  // namespace quorix::platform
