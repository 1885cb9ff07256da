#include "satscope/log_text.h"

#include <cstdio>

namespace satscope {
namespace {

char Hemisphere(char c)
{
    return c > ' ' && c < 0x7F ? c : ' ';
}

}  // namespace

std::string LogTimeText(const LogTime& time, const WallClock& clock)
{
    char text[128];
    if (time.valid) {
        std::snprintf(text, sizeof text, "UTC_TIME: 20%02u-%u-%u  %u:%u:%u", static_cast<unsigned>(time.year),
                      static_cast<unsigned>(time.month), static_cast<unsigned>(time.day),
                      static_cast<unsigned>(time.hour), static_cast<unsigned>(time.minute),
                      static_cast<unsigned>(time.second));
    } else {
        static const char* const kDays[] = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
        const char* day = clock.weekday >= 0 && clock.weekday < 7 ? kDays[clock.weekday] : "???";
        std::snprintf(text, sizeof text, "SYSTEM_TIME: %s %u/%u/%u  %u:%u:%u:%u", day, static_cast<unsigned>(clock.year),
                      static_cast<unsigned>(clock.month), static_cast<unsigned>(clock.day),
                      static_cast<unsigned>(clock.hour), static_cast<unsigned>(clock.minute),
                      static_cast<unsigned>(clock.second), static_cast<unsigned>(clock.millisecond));
    }
    return text;
}

std::string LogHeader(const FixState& fix, const WallClock& clock)
{
    std::string header = " \n\n\n---- WRITE LOG START ----\n";
    header += "---- TIME [" + LogTimeText(fix.log_time, clock) + "] ----\n";
    char position[160];
    std::snprintf(position, sizeof position, "---- POSITION [LATI: %0.6f(%c) LONGI:%0.6f(%c)]  ----\n\n", fix.latitude,
                  Hemisphere(fix.latitude_hemisphere), fix.longitude, Hemisphere(fix.longitude_hemisphere));
    return header + position;
}

}  // namespace satscope
