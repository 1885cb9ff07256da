// Where the car with the receiver drives: a loop of about 9 km through Seoul's Gangnam district
// (around 37.51 N 127.04 E), driven at city speeds with stops at traffic lights. Positions are
// in degrees (north and east positive), speed in km/h, course in degrees true.
#pragma once

#include <cstdint>

#include "tools/gpssim/seeded_random.h"

namespace gpssim {

struct RoadPosition {
    double latitude = 0;
    double longitude = 0;
    double altitude = 0;  // metres above mean sea level
    double speed_kmh = 0;
    double course = 0;
    bool operator==(const RoadPosition&) const = default;
};

class RoadModel {
public:
    static constexpr double kMaxSpeedKmh = 60;

    explicit RoadModel(std::uint64_t seed);

    // One second later.
    void Advance();
    const RoadPosition& Position() const { return m_position; }
    // The length of the loop in metres.
    static double LoopLength();

private:
    void Place();

    SeededRandom m_random;
    double m_distance = 0;  // metres along the loop
    double m_target_kmh = 40;
    int m_stop_cycles = 0;
    RoadPosition m_position;
};

}  // namespace gpssim
