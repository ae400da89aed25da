#include "platform/sim/sim_time.h"

namespace quorix::sim {

namespace {

constexpr std::int64_t kDaysFrom1601To1970 = 134774;
constexpr std::uint64_t kUnitsPerSecond = 10000000;
constexpr std::uint64_t kUnitsPerDay = kUnitsPerSecond * 86400;

// Days since 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's algorithms).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t* year, unsigned* month, unsigned* day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *day = doy - (153 * mp + 2) / 5 + 1;
    *month = mp < 10 ? mp + 3 : mp - 9;
    *year = static_cast<std::int64_t>(yoe) + era * 400 + (*month <= 2);
}

}  // namespace

bool FileTimeToSystemTime(std::uint64_t fileTime, platform::SystemTime* time) {
    if (fileTime >= (std::uint64_t{1} << 63)) return false;
    const std::uint64_t days = fileTime / kUnitsPerDay;
    const std::uint64_t rest = fileTime % kUnitsPerDay;
    std::int64_t year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(static_cast<std::int64_t>(days) - kDaysFrom1601To1970, &year, &month, &day);
    time->year = static_cast<std::uint16_t>(year);
    time->month = static_cast<std::uint16_t>(month);
    time->day = static_cast<std::uint16_t>(day);
    time->dayOfWeek = static_cast<std::uint16_t>((days + 1) % 7);  // 1601-01-01 was a Monday
    time->hour = static_cast<std::uint16_t>(rest / (kUnitsPerSecond * 3600));
    time->minute = static_cast<std::uint16_t>(rest / (kUnitsPerSecond * 60) % 60);
    time->second = static_cast<std::uint16_t>(rest / kUnitsPerSecond % 60);
    time->milliseconds = static_cast<std::uint16_t>(rest / kFileTimeUnitsPerMillisecond % 1000);
    return true;
}

std::uint64_t SystemTimeToFileTime(const platform::SystemTime& time) {
    const std::int64_t days = DaysFromCivil(time.year, time.month, time.day) + kDaysFrom1601To1970;
    return static_cast<std::uint64_t>(days) * kUnitsPerDay +
           (time.hour * 3600u + time.minute * 60u + time.second) * kUnitsPerSecond +
           time.milliseconds * kFileTimeUnitsPerMillisecond;
}

platform::SystemTime MakeSystemTime(int year, int month, int day, int hour, int minute, int second,
                                    int milliseconds) {
    platform::SystemTime time;
    time.year = static_cast<std::uint16_t>(year);
    time.month = static_cast<std::uint16_t>(month);
    time.day = static_cast<std::uint16_t>(day);
    time.hour = static_cast<std::uint16_t>(hour);
    time.minute = static_cast<std::uint16_t>(minute);
    time.second = static_cast<std::uint16_t>(second);
    time.milliseconds = static_cast<std::uint16_t>(milliseconds);
    FileTimeToSystemTime(SystemTimeToFileTime(time), &time);  // fills the day of the week
    return time;
}

}  // namespace quorix::sim
