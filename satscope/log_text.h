// The texts of SatScope's log, log.txt beside the program: the header written at each start of
// logging, the pause marks, and each sentence on its own line.
#pragma once

#include <string>

#include "satscope/fix_state.h"

namespace satscope {

// The device's clock when logging starts (used before any RMC gave a date).
struct WallClock {
    int weekday = 0;  // 0 Sunday
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// "UTC_TIME: ..." from the fix's log time when an RMC gave one, else "SYSTEM_TIME: ...".
std::string LogTimeText(const LogTime& time, const WallClock& clock);
// The block that opens each start of logging: marker, time, position.
std::string LogHeader(const FixState& fix, const WallClock& clock);

constexpr const char* kLogPauseStart = "\n_pause_start_\n";
constexpr const char* kLogPauseEnd = "\n_pause_end_\n";

}  // namespace satscope
