// The receiver's UTC clock: a calendar date and time of day that the track advances one second
// per cycle, across midnight, month ends and leap days.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gpssim {

struct UtcTime {
    int year = 2024;
    int month = 3;  // 1..12
    int day = 15;   // 1..31
    int hour = 2;
    int minute = 30;
    int second = 0;
    bool operator==(const UtcTime&) const = default;
};

// Days since 1970-01-01 of a civil date (proleptic Gregorian calendar).
std::int64_t DaysFromCivil(int year, int month, int day);
UtcTime AddSeconds(const UtcTime& time, std::int64_t seconds);
// The GPS time of week in milliseconds (weeks start on Sunday; GPS time runs 18 s ahead of UTC).
std::uint32_t GpsTimeOfWeekMs(const UtcTime& time);

// "hhmmss.00", the time field of GGA and RMC.
std::string NmeaTimeField(const UtcTime& time);
// "ddmmyy", the date field of RMC.
std::string NmeaDateField(const UtcTime& time);

// "YYYY-MM-DDTHH:MM:SS" (a blank instead of "T" is accepted); nothing when it is not a valid
// date and time between the years 2000 and 2099, the years RMC's two-digit year can carry.
std::optional<UtcTime> ParseUtcTime(std::string_view text);

}  // namespace gpssim
