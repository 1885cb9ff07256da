#include "platform/kernel/system_time.h"

#include <chrono>
#include <ctime>

namespace {

enum class Zone { Local, Utc };

void Fill(SYSTEMTIME* out, Zone zone) {
    if (!out) return;
    const auto now = std::chrono::system_clock::now();
    const auto since_epoch = now.time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(since_epoch);
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch - seconds).count();
    const std::time_t whole = static_cast<std::time_t>(seconds.count());
    std::tm parts{};
    if (zone == Zone::Local) localtime_r(&whole, &parts);
    else gmtime_r(&whole, &parts);
    out->wYear = static_cast<WORD>(parts.tm_year + 1900);
    out->wMonth = static_cast<WORD>(parts.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(parts.tm_wday);
    out->wDay = static_cast<WORD>(parts.tm_mday);
    out->wHour = static_cast<WORD>(parts.tm_hour);
    out->wMinute = static_cast<WORD>(parts.tm_min);
    // A leap second (tm_sec 60) reads as the last second of its minute, as the device counts.
    out->wSecond = static_cast<WORD>(parts.tm_sec > 59 ? 59 : parts.tm_sec);
    out->wMilliseconds = static_cast<WORD>(milliseconds);
}

}  // namespace

void GetLocalTime(SYSTEMTIME* time) { Fill(time, Zone::Local); }
void GetSystemTime(SYSTEMTIME* time) { Fill(time, Zone::Utc); }
