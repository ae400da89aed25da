// What the real machine tells about itself: version, processor, locales, country, time and
// the version resources of files.
#include <windows.h>
#include <winver.h>

#include <vector>

#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_system_library.h"

namespace quorix::win32 {

namespace {

using GetProductInfoFn = BOOL(WINAPI*)(DWORD major, DWORD minor, DWORD spMajor, DWORD spMinor,
                                       DWORD* type);
using GetNativeSystemInfoFn = void(WINAPI*)(SYSTEM_INFO* info);
using GetUserGeoIdFn = LONG(WINAPI*)(DWORD geoClass);
using GetGeoInfoFn = int(WINAPI*)(LONG id, DWORD type, LPWSTR data, int capacity, LANGID language);
using GetFileVersionInfoSizeFn = DWORD(WINAPI*)(LPCWSTR path, DWORD* handle);
using GetFileVersionInfoFn = BOOL(WINAPI*)(LPCWSTR path, DWORD handle, DWORD size, void* data);
using VerQueryValueFn = BOOL(WINAPI*)(const void* block, LPCWSTR subBlock, void** buffer,
                                      UINT* length);

// Looked up once per process: kernel32 stays loaded, version.dll is kept once loaded.
struct GeoFunctions {
    void* getUserGeoId = nullptr;
    void* getGeoInfo = nullptr;
    // Both or neither: the country is only asked for where both exist.
    bool Present() const { return getUserGeoId != nullptr && getGeoInfo != nullptr; }
};

const GeoFunctions& Geo() {
    static const GeoFunctions functions{FindKernel32Function("GetUserGeoID"),
                                        FindKernel32Function("GetGeoInfoW")};
    return functions;
}

struct VersionFunctions {
    std::uint32_t loadError = 0;
    void* getSize = nullptr;
    void* getInfo = nullptr;
    void* query = nullptr;
    bool Present() const { return getSize != nullptr && getInfo != nullptr && query != nullptr; }
};

VersionFunctions LoadVersionFunctions() {
    VersionFunctions functions;
    HMODULE module =
        reinterpret_cast<HMODULE>(LoadSystemLibrary(L"version.dll", &functions.loadError));
    if (module == nullptr) return functions;
    functions.getSize =
        reinterpret_cast<void*>(::GetProcAddress(module, "GetFileVersionInfoSizeW"));
    functions.getInfo = reinterpret_cast<void*>(::GetProcAddress(module, "GetFileVersionInfoW"));
    functions.query = reinterpret_cast<void*>(::GetProcAddress(module, "VerQueryValueW"));
    if (!functions.Present()) functions.loadError = ERROR_PROC_NOT_FOUND;
    return functions;
}

const VersionFunctions& Version() {
    static const VersionFunctions functions = LoadVersionFunctions();
    return functions;
}

SYSTEMTIME ToSystemTime(const platform::SystemTime& time) {
    SYSTEMTIME out = {};
    out.wYear = time.year;
    out.wMonth = time.month;
    out.wDayOfWeek = time.dayOfWeek;
    out.wDay = time.day;
    out.wHour = time.hour;
    out.wMinute = time.minute;
    out.wSecond = time.second;
    out.wMilliseconds = time.milliseconds;
    return out;
}

platform::SystemTime FromSystemTime(const SYSTEMTIME& time) {
    platform::SystemTime out;
    out.year = time.wYear;
    out.month = time.wMonth;
    out.dayOfWeek = time.wDayOfWeek;
    out.day = time.wDay;
    out.hour = time.wHour;
    out.minute = time.wMinute;
    out.second = time.wSecond;
    out.milliseconds = time.wMilliseconds;
    return out;
}

}  // namespace

bool Win32System::GetVersionInfo(platform::OsVersionInfo* info) {
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    static_assert(sizeof(OSVERSIONINFOEXW) == 284, "OSVERSIONINFOEXW is 284 bytes");
    if (!::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version))) return false;
    info->majorVersion = version.dwMajorVersion;
    info->minorVersion = version.dwMinorVersion;
    info->buildNumber = version.dwBuildNumber;
    info->platformId = version.dwPlatformId;
    version.szCSDVersion[127] = L'\0';
    info->servicePackText = version.szCSDVersion;
    info->servicePackMajor = version.wServicePackMajor;
    info->servicePackMinor = version.wServicePackMinor;
    info->suiteMask = version.wSuiteMask;
    info->productType = version.wProductType;
    return true;
}

std::uint16_t Win32System::GetNativeProcessorArchitecture() {
    // Windows 2000 has no GetNativeSystemInfo, and no 64-bit edition either: what GetSystemInfo
    // tells this process is then the machine.
    static void* const entry = FindKernel32Function("GetNativeSystemInfo");
    SYSTEM_INFO system = {};
    if (entry != nullptr) {
        As<GetNativeSystemInfoFn>(entry)(&system);
    } else {
        ::GetSystemInfo(&system);
    }
    return system.wProcessorArchitecture;
}

int Win32System::GetSystemMetric(int index) { return ::GetSystemMetrics(index); }

bool Win32System::GetOsProductType(std::uint32_t major, std::uint32_t minor,
                                   std::uint32_t servicePackMajor, std::uint32_t servicePackMinor,
                                   std::uint32_t* type) {
    static void* const entry = FindKernel32Function("GetProductInfo");
    if (entry == nullptr) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    DWORD product = 0;
    if (!As<GetProductInfoFn>(entry)(major, minor, servicePackMajor, servicePackMinor, &product)) {
        return false;
    }
    *type = product;
    return true;
}

std::uint32_t Win32System::GetSystemDefaultLocale() { return ::GetSystemDefaultLCID(); }
std::uint32_t Win32System::GetUserDefaultLocale() { return ::GetUserDefaultLCID(); }

bool Win32System::GetUserGeoId(std::uint32_t geoClass, std::int32_t* id) {
    if (!Geo().Present()) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    *id = As<GetUserGeoIdFn>(Geo().getUserGeoId)(geoClass);
    return true;
}

bool Win32System::GetGeoInfoText(std::int32_t id, std::uint32_t type, std::size_t capacity,
                                 std::uint16_t language, std::wstring* text) {
    if (!Geo().Present()) {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return false;
    }
    std::vector<wchar_t> buffer(capacity + 1, L'\0');
    const int length = As<GetGeoInfoFn>(Geo().getGeoInfo)(id, type, buffer.data(),
                                                          static_cast<int>(capacity), language);
    if (length <= 0) return false;
    text->assign(buffer.data());
    return true;
}

void Win32System::GetSystemTimeUtc(platform::SystemTime* time) {
    SYSTEMTIME now = {};
    ::GetSystemTime(&now);
    *time = FromSystemTime(now);
}

void Win32System::GetLocalTimeNow(platform::SystemTime* time) {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    *time = FromSystemTime(now);
}

bool Win32System::ConvertFileTime(std::uint64_t fileTime, platform::SystemTime* time) {
    FILETIME file = {};
    file.dwLowDateTime = static_cast<DWORD>(fileTime);
    file.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
    SYSTEMTIME converted = {};
    if (!::FileTimeToSystemTime(&file, &converted)) return false;
    *time = FromSystemTime(converted);
    return true;
}

bool Win32System::ConvertSystemTime(const platform::SystemTime& time, std::uint64_t* fileTime) {
    const SYSTEMTIME system = ToSystemTime(time);
    FILETIME file = {};
    if (!::SystemTimeToFileTime(&system, &file)) return false;
    *fileTime = (static_cast<std::uint64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
    return true;
}

std::uint32_t Win32System::ExpandEnvironment(const std::wstring& source, std::uint32_t capacity,
                                             std::wstring* text) {
    std::vector<wchar_t> buffer(capacity == 0 ? 1 : capacity, L'\0');
    const DWORD result = ::ExpandEnvironmentStringsW(source.c_str(), buffer.data(), capacity);
    if (result != 0 && result <= capacity) {
        std::size_t length = 0;
        while (length < capacity && buffer[length] != L'\0') ++length;
        text->assign(buffer.data(), length);
    }
    return result;
}

std::uint32_t Win32System::GetVersionWord() { return ::GetVersion(); }

bool Win32System::GetFileVersionNumbers(const std::wstring& path, std::uint32_t* ms,
                                        std::uint32_t* ls) {
    const VersionFunctions& version = Version();
    if (!version.Present()) {
        ::SetLastError(version.loadError);
        return false;
    }
    DWORD ignored = 0;
    const DWORD size = As<GetFileVersionInfoSizeFn>(version.getSize)(path.c_str(), &ignored);
    if (size == 0) return false;
    std::vector<std::uint8_t> block(size, 0);
    if (!As<GetFileVersionInfoFn>(version.getInfo)(path.c_str(), 0, size, block.data())) {
        return false;
    }
    void* fixed = nullptr;
    UINT length = 0;
    if (!As<VerQueryValueFn>(version.query)(block.data(), L"\\", &fixed, &length) ||
        fixed == nullptr || length < sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    // A block without the signature is no fixed file information, whatever its length.
    if (info->dwSignature != 0xFEEF04BDu) return false;
    *ms = info->dwFileVersionMS;
    *ls = info->dwFileVersionLS;
    return true;
}

}  // namespace quorix::win32
