// What the simulated machine tells about itself: version, processor, locales, country, time
// and the version resources of its files.
#include "common/result_codes.h"
#include "platform/sim/sim_time.h"
#include "platform/sim/sim_machine.h"

namespace quorix::sim {

namespace {
constexpr std::uint32_t kErrorProcNotFound = 127;
constexpr std::uint32_t kErrorInsufficientBuffer = 122;
constexpr std::uint32_t kErrorResourceTypeNotFound = 1813;
}  // namespace

void SimSystem::SetMachineDefaults() {
    // Windows 7 Ultimate SP1 on a 32-bit processor, en-US, in the United States.
    osVersion.majorVersion = 6;
    osVersion.minorVersion = 1;
    osVersion.buildNumber = 7601;
    osVersion.platformId = 2;  // VER_PLATFORM_WIN32_NT
    osVersion.servicePackText = L"Service Pack 1";
    osVersion.servicePackMajor = 1;
    osVersion.servicePackMinor = 0;
    osVersion.suiteMask = 0x0100;  // VER_SUITE_SINGLEUSERTS
    osVersion.productType = platform::kVerNtWorkstation;
    processorArchitecture = 0;  // PROCESSOR_ARCHITECTURE_INTEL
    SetVariable(L"SystemRoot", L"C:\\Windows");
    SetVariable(L"windir", L"C:\\Windows");
    SetVariable(L"SystemDrive", L"C:");
    SetVariable(L"USERNAME", L"tester");
    hasGetProductInfo = true;
    osProductType = 1;  // PRODUCT_ULTIMATE
    systemLocale = 0x0409;
    userLocale = 0x0409;
    hasGeoFunctions = true;
    userGeoId = 244;
    geoIso2Names = {{244, L"US"}, {94, L"DE"},  {14, L"AT"},  {242, L"GB"}, {84, L"FR"},
                    {118, L"IT"}, {217, L"ES"}, {122, L"JP"}, {134, L"KR"}, {176, L"NL"},
                    {191, L"PL"}, {32, L"BR"},  {203, L"RU"}, {45, L"CN"},  {61, L"DK"}};
    SetUtcNow(MakeSystemTime(2011, 1, 31, 12, 5, 9));
}

void SimSystem::SetUtcNow(const platform::SystemTime& now) {
    utcAtBoot = SystemTimeToFileTime(now) - core_.clockMs * kFileTimeUnitsPerMillisecond;
}

void SimSystem::SetFileVersion(const std::wstring& path, std::uint32_t ms, std::uint32_t ls) {
    fileVersions[FoldKey(path)] = {ms, ls};
}

bool SimSystem::GetVersionInfo(platform::OsVersionInfo* info) {
    if (core_.Failing("GetVersionExW")) return false;
    *info = osVersion;
    return true;
}

std::uint16_t SimSystem::GetNativeProcessorArchitecture() {
    core_.faults.Check("GetNativeSystemInfo");
    return processorArchitecture;
}

int SimSystem::GetSystemMetric(int index) {
    if (core_.Failing("GetSystemMetrics")) return 0;
    auto it = systemMetrics.find(index);
    return it == systemMetrics.end() ? 0 : it->second;
}

bool SimSystem::GetOsProductType(std::uint32_t major, std::uint32_t minor,
                                 std::uint32_t servicePackMajor, std::uint32_t servicePackMinor,
                                 std::uint32_t* type) {
    if (!hasGetProductInfo) {
        core_.lastError = kErrorProcNotFound;
        return false;
    }
    if (core_.Failing("GetProductInfo")) return false;
    *type = osProductType;
    return true;
}

std::uint32_t SimSystem::GetSystemDefaultLocale() {
    core_.faults.Check("GetSystemDefaultLCID");
    return systemLocale;
}

std::uint32_t SimSystem::GetUserDefaultLocale() {
    core_.faults.Check("GetUserDefaultLCID");
    return userLocale;
}

bool SimSystem::GetUserGeoId(std::uint32_t geoClass, std::int32_t* id) {
    if (!hasGeoFunctions) {
        core_.lastError = kErrorProcNotFound;
        return false;
    }
    if (core_.Failing("GetUserGeoID")) {
        *id = platform::kGeoIdNotAvailable;
        return true;
    }
    *id = geoClass == platform::kGeoClassNation ? userGeoId : platform::kGeoIdNotAvailable;
    return true;
}

bool SimSystem::GetGeoInfoText(std::int32_t id, std::uint32_t type, std::size_t capacity,
                               std::uint16_t language, std::wstring* text) {
    if (!hasGeoFunctions) {
        core_.lastError = kErrorProcNotFound;
        return false;
    }
    if (core_.Failing("GetGeoInfoW")) return false;
    auto it = geoIso2Names.find(id);
    if (it == geoIso2Names.end() || type != platform::kGeoIso2) {
        core_.lastError = kErrorInvalidParameter;
        return false;
    }
    if (it->second.size() + 1 > capacity) {
        core_.lastError = kErrorInsufficientBuffer;
        return false;
    }
    *text = it->second;
    return true;
}

void SimSystem::GetSystemTimeUtc(platform::SystemTime* time) {
    core_.faults.Check("GetSystemTime");
    FileTimeToSystemTime(utcAtBoot + core_.clockMs * kFileTimeUnitsPerMillisecond, time);
}

void SimSystem::GetLocalTimeNow(platform::SystemTime* time) {
    core_.faults.Check("GetLocalTime");
    const std::int64_t shift = localMinutesAheadOfUtc * 60000 * std::int64_t{10000};
    FileTimeToSystemTime(
        static_cast<std::uint64_t>(
            static_cast<std::int64_t>(utcAtBoot + core_.clockMs * kFileTimeUnitsPerMillisecond) +
            shift),
        time);
}

bool SimSystem::QueryHighResolutionCounter(std::uint64_t* counter, std::uint64_t* frequency) {
    if (core_.Failing("QueryPerformanceCounter")) return false;
    *frequency = 1000 * kFileTimeUnitsPerMillisecond;
    *counter = core_.clockMs * kFileTimeUnitsPerMillisecond;
    return true;
}

bool SimSystem::ConvertFileTime(std::uint64_t fileTime, platform::SystemTime* time) {
    if (core_.Failing("FileTimeToSystemTime")) return false;
    if (!FileTimeToSystemTime(fileTime, time)) {
        core_.lastError = kErrorInvalidParameter;
        return false;
    }
    return true;
}

bool SimSystem::ConvertSystemTime(const platform::SystemTime& time, std::uint64_t* fileTime) {
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

void SimSystem::SetVariable(const std::wstring& name, const std::wstring& value) {
    environment[FoldKey(name)] = value;
}

std::uint32_t SimSystem::ExpandEnvironment(const std::wstring& source, std::uint32_t capacity,
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

std::uint32_t SimSystem::GetVersionWord() {
    core_.faults.Check("GetVersion");
    return versionWord;
}

bool SimSystem::GetFileVersionNumbers(const std::wstring& path, std::uint32_t* ms,
                                      std::uint32_t* ls) {
    if (core_.Failing("GetFileVersionInfoSizeW")) return false;
    auto it = fileVersions.find(FoldKey(path));
    if (it == fileVersions.end()) {
        core_.lastError = kErrorResourceTypeNotFound;
        return false;
    }
    if (core_.Failing("GetFileVersionInfoW") || core_.Failing("VerQueryValueW")) return false;
    *ms = it->second.first;
    *ls = it->second.second;
    return true;
}

}  // namespace quorix::sim
