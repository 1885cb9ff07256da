// The device's clock: GetLocalTime and GetSystemTime give the host's time now, in the device's
// fields (weekday 0 for Sunday, months from 1, milliseconds).
#include "platform/kernel/system_time.h"

#include <ctime>
#include <gtest/gtest.h>

namespace {

// The calendar time a SYSTEMTIME names, read in UTC.
std::time_t UtcSeconds(const SYSTEMTIME& time) {
    std::tm parts{};
    parts.tm_year = time.wYear - 1900;
    parts.tm_mon = time.wMonth - 1;
    parts.tm_mday = time.wDay;
    parts.tm_hour = time.wHour;
    parts.tm_min = time.wMinute;
    parts.tm_sec = time.wSecond;
    return timegm(&parts);
}

// Sakamoto's weekday, 0 for Sunday: computed apart from the C library.
int Weekday(int year, int month, int day) {
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) year -= 1;
    return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

TEST(SystemTime, TheFieldsNameTheTimeNow) {
    const std::time_t before = std::time(nullptr);
    SYSTEMTIME utc;
    GetSystemTime(&utc);
    const std::time_t after = std::time(nullptr);
    const std::time_t read = UtcSeconds(utc);
    EXPECT_GE(read, before);
    EXPECT_LE(read, after);
    EXPECT_LT(utc.wMilliseconds, 1000);
    EXPECT_EQ(utc.wDayOfWeek, Weekday(utc.wYear, utc.wMonth, utc.wDay));
}

TEST(SystemTime, LocalTimeIsTheHostsZone) {
    const std::time_t before = std::time(nullptr);
    SYSTEMTIME local;
    GetLocalTime(&local);
    const std::time_t after = std::time(nullptr);
    // The same moment read back through the host's zone.
    std::tm parts{};
    parts.tm_year = local.wYear - 1900;
    parts.tm_mon = local.wMonth - 1;
    parts.tm_mday = local.wDay;
    parts.tm_hour = local.wHour;
    parts.tm_min = local.wMinute;
    parts.tm_sec = local.wSecond;
    parts.tm_isdst = -1;
    const std::time_t read = std::mktime(&parts);
    EXPECT_GE(read, before);
    EXPECT_LE(read, after);
    EXPECT_EQ(local.wDayOfWeek, Weekday(local.wYear, local.wMonth, local.wDay));
    GetLocalTime(nullptr);  // nothing to fill, nothing done
}

}  // namespace
