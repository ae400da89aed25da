// The calendar of the simulated Windows: FILETIMEs (100 ns units since 1601-01-01, UTC) and
// SYSTEMTIMEs, converted the way kernel32 converts them.
#pragma once

#include <cstdint>

#include "platform/system.h"

namespace quorix::sim {

inline constexpr std::uint64_t kFileTimeUnitsPerMillisecond = 10000;

// FileTimeToSystemTime: false for a value at or beyond 2^63, which Windows refuses.
bool FileTimeToSystemTime(std::uint64_t fileTime, platform::SystemTime* time);

// SystemTimeToFileTime for a valid date (the test's side only; the day of the week is ignored).
std::uint64_t SystemTimeToFileTime(const platform::SystemTime& time);

// A SYSTEMTIME from its fields, for tests.
platform::SystemTime MakeSystemTime(int year, int month, int day, int hour, int minute, int second,
                                    int milliseconds = 0);

}  // namespace quorix::sim
