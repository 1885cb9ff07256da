#include "tools/gpssim/utc_time.h"

#include <cstdio>

namespace gpssim {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kGpsMinusUtcSeconds = 18;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The inverse of DaysFromCivil.
void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t day_of_era = days - era * 146097;
    const std::int64_t year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const std::int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const std::int64_t month_index = (5 * day_of_year + 2) / 153;
    day = static_cast<int>(day_of_year - (153 * month_index + 2) / 5 + 1);
    month = static_cast<int>(month_index < 10 ? month_index + 3 : month_index - 9);
    year = static_cast<int>(year_of_era + era * 400 + (month <= 2 ? 1 : 0));
}

std::int64_t SecondsSinceEpoch(const UtcTime& time) {
    return DaysFromCivil(time.year, time.month, time.day) * kSecondsPerDay + time.hour * 3600 + time.minute * 60 +
           time.second;
}

}  // namespace

std::int64_t DaysFromCivil(int year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t year_of_era = year - era * 400;
    const std::int64_t day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

UtcTime AddSeconds(const UtcTime& time, std::int64_t seconds) {
    const std::int64_t total = SecondsSinceEpoch(time) + seconds;
    std::int64_t days = total / kSecondsPerDay;
    std::int64_t rest = total % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    UtcTime out;
    CivilFromDays(days, out.year, out.month, out.day);
    out.hour = static_cast<int>(rest / 3600);
    out.minute = static_cast<int>(rest / 60 % 60);
    out.second = static_cast<int>(rest % 60);
    return out;
}

std::uint32_t GpsTimeOfWeekMs(const UtcTime& time) {
    constexpr std::int64_t kSecondsPerWeek = 7 * kSecondsPerDay;
    // 1970-01-01 was a Thursday: four days after the Sunday that starts its week.
    std::int64_t of_week = (SecondsSinceEpoch(time) + kGpsMinusUtcSeconds + 4 * kSecondsPerDay) % kSecondsPerWeek;
    if (of_week < 0) of_week += kSecondsPerWeek;
    return static_cast<std::uint32_t>(of_week * 1000);
}

std::string NmeaTimeField(const UtcTime& time) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d%02d%02d.00", time.hour, time.minute, time.second);
    return text;
}

std::string NmeaDateField(const UtcTime& time) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d%02d%02d", time.day, time.month, time.year % 100);
    return text;
}

std::optional<UtcTime> ParseUtcTime(std::string_view text) {
    // Exactly "YYYY-MM-DD?HH:MM:SS" with digits where digits belong.
    constexpr std::string_view kShape = "dddd-dd-dd?dd:dd:dd";
    if (text.size() != kShape.size()) return std::nullopt;
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const char c = text[i];
        const bool ok = kShape[i] == 'd' ? (c >= '0' && c <= '9') : kShape[i] == '?' ? (c == 'T' || c == ' ') : c == kShape[i];
        if (!ok) return std::nullopt;
    }
    auto number = [&](std::size_t at, std::size_t count) {
        int value = 0;
        for (std::size_t i = at; i < at + count; ++i) value = value * 10 + (text[i] - '0');
        return value;
    };
    UtcTime time{number(0, 4), number(5, 2), number(8, 2), number(11, 2), number(14, 2), number(17, 2)};
    if (time.year < 2000 || time.year > 2099 || time.month < 1 || time.month > 12 || time.day < 1 ||
        time.day > DaysInMonth(time.year, time.month) || time.hour > 23 || time.minute > 59 || time.second > 59)
        return std::nullopt;
    return time;
}

}  // namespace gpssim
