// What SatScope knows of the receiver's fix: position, time, dilutions, fix type, and the
// satellites of the last GSV cycle, with the copy last drawn as bars.
#pragma once

#include <array>
#include <cstdint>

namespace satscope {

constexpr int kSatelliteSlots = 30;
constexpr std::int32_t kUsedInFix = 3;

struct SatelliteSlot {
    std::int32_t prn = 0;
    std::int32_t snr = 0;   // dB-Hz as received
    std::int32_t used = 0;  // kUsedInFix when the satellite is used in the fix, else 0
    bool operator==(const SatelliteSlot&) const = default;
};

// The time written into the log's header: the latest RMC's date and time.
struct LogTime {
    bool valid = false;
    int year = 0;  // two digits
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

struct FixState {
    double latitude = 0;   // degrees
    char latitude_hemisphere = 0;
    double longitude = 0;
    char longitude_hemisphere = 0;
    double altitude = 0;
    char altitude_unit = 0;
    double utc_time = 0;  // raw hhmmss.ss
    double date = 0;      // raw ddmmyy
    double hdop = 0;
    double pdop = 0;
    double vdop = 0;
    std::int32_t fix_type = 0;     // GSA: 1 none, 2 2D, 3 3D
    std::int32_t fix_quality = 0;  // GGA: 2 differential
    std::int32_t satellites_used = 0;
    std::int32_t satellites_in_view = 0;
    LogTime log_time;

    std::array<SatelliteSlot, kSatelliteSlots> slots{};
    std::int32_t write_position = 0;  // the slot the next GSV entry goes to
    bool gsv_skip = false;            // this cycle had a GSV whose checksum failed
    std::array<SatelliteSlot, kSatelliteSlots> drawn{};
    std::int32_t drawn_count = 0;

    std::int32_t time_to_fix = 0;  // seconds since the last reset command
    bool time_to_fix_running = false;
    bool paused = false;
};

}  // namespace satscope
