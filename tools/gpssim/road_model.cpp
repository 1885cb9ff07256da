#include "tools/gpssim/road_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace gpssim {

namespace {

struct Waypoint {
    double latitude;
    double longitude;
};

// Gangnam-daero north, Dosan-daero east, Yeongdong-daero south, Teheran-ro back west.
constexpr Waypoint kLoop[] = {
    {37.4979, 127.0276}, {37.5045, 127.0245}, {37.5163, 127.0203}, {37.5211, 127.0227}, {37.5240, 127.0390},
    {37.5245, 127.0530}, {37.5153, 127.0593}, {37.5088, 127.0632}, {37.5045, 127.0490}, {37.5006, 127.0365},
};
constexpr std::size_t kWaypoints = sizeof kLoop / sizeof kLoop[0];
constexpr double kMetresPerDegree = 111320.0;
constexpr double kReferenceLatitude = 37.51;

double EastMetresPerDegree() { return kMetresPerDegree * std::cos(kReferenceLatitude * std::numbers::pi / 180); }

double SegmentLength(std::size_t index) {
    const Waypoint& from = kLoop[index];
    const Waypoint& to = kLoop[(index + 1) % kWaypoints];
    return std::hypot((to.latitude - from.latitude) * kMetresPerDegree, (to.longitude - from.longitude) * EastMetresPerDegree());
}

// Stops at lights and changes of pace, per cycle.
constexpr int kStopChancePercent = 2;
constexpr int kNewPaceChancePercent = 4;
constexpr double kAccelerationKmhPerSecond = 5;
constexpr double kBrakingKmhPerSecond = 9;

}  // namespace

double RoadModel::LoopLength() {
    double length = 0;
    for (std::size_t i = 0; i < kWaypoints; ++i) length += SegmentLength(i);
    return length;
}

RoadModel::RoadModel(std::uint64_t seed) : m_random(seed ^ 0x60AD5EED0FF5E7ull) {
    m_distance = m_random.Between(0.0, LoopLength());
    m_target_kmh = m_random.Between(25.0, kMaxSpeedKmh);
    m_stop_cycles = m_random.Between(3, 12);  // waiting at a light when the receiver starts
    Place();
}

void RoadModel::Advance() {
    if (m_stop_cycles > 0) {
        --m_stop_cycles;
        m_position.speed_kmh = std::max(0.0, m_position.speed_kmh - kBrakingKmhPerSecond);
    } else {
        if (m_random.Percent(kStopChancePercent)) m_stop_cycles = m_random.Between(10, 40);
        if (m_random.Percent(kNewPaceChancePercent)) m_target_kmh = m_random.Between(20.0, kMaxSpeedKmh);
        const double speed = m_position.speed_kmh;
        m_position.speed_kmh = speed < m_target_kmh ? std::min(m_target_kmh, speed + kAccelerationKmhPerSecond)
                                                    : std::max(m_target_kmh, speed - kBrakingKmhPerSecond);
    }
    m_distance = std::fmod(m_distance + m_position.speed_kmh / 3.6, LoopLength());
    Place();
}

void RoadModel::Place() {
    double along = m_distance;
    std::size_t segment = 0;
    while (segment + 1 < kWaypoints && along >= SegmentLength(segment)) along -= SegmentLength(segment++);
    const Waypoint& from = kLoop[segment];
    const Waypoint& to = kLoop[(segment + 1) % kWaypoints];
    const double fraction = std::clamp(along / SegmentLength(segment), 0.0, 1.0);
    m_position.latitude = from.latitude + (to.latitude - from.latitude) * fraction;
    m_position.longitude = from.longitude + (to.longitude - from.longitude) * fraction;
    const double north = (to.latitude - from.latitude) * kMetresPerDegree;
    const double east = (to.longitude - from.longitude) * EastMetresPerDegree();
    double course = std::atan2(east, north) * 180 / std::numbers::pi;
    if (course < 0) course += 360;
    m_position.course = course;
    // The district rises gently towards the river and back.
    m_position.altitude = 32 + 9 * std::sin(m_distance / LoopLength() * 2 * std::numbers::pi);
}

}  // namespace gpssim
