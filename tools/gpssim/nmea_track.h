// The synthetic track of the simulated receiver: one cycle per second of what a GPS receiver
// sends, GPGGA, GPGSA, GPGSV x k (k = ceil(in view / 4), four satellites per message), GPRMC and
// GPVTG in that order, optionally with UBX frames between them. Over the cycles satellites rise
// and set, the fix goes from none to 2D to 3D, the car drives its loop near Seoul and the UTC
// clock advances one second per cycle. The same options give the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/gpssim/road_model.h"
#include "tools/gpssim/sentence_frames.h"
#include "tools/gpssim/sky_model.h"
#include "tools/gpssim/utc_time.h"

namespace gpssim {

// GSA's fix type numbers.
enum class FixKind { None = 1, TwoD = 2, ThreeD = 3 };

enum class UbxFrames {
    Off,
    // A NAV-POSLLH frame after every GGA, and on every fourth cycle (the first included) an
    // ACK-ACK for CFG-NAV5 after the GSA, whose payload holds the byte 0x24, a "$".
    Interleaved,
};

struct TrackOptions {
    std::uint64_t seed = 1;
    int fix_after_cycles = 8;      // cycles without a fix before the 2D fix
    int three_d_after_cycles = 3;  // cycles of 2D fix before the 3D fix
    UtcTime start;
    UbxFrames ubx = UbxFrames::Off;
};

// What the receiver knows in one cycle; its sentences are written from it.
struct ReceiverState {
    std::uint64_t cycle = 0;
    UtcTime time;
    FixKind fix = FixKind::None;
    RoadPosition position;
    std::vector<SatelliteView> in_view;  // by PRN, at most 12
    std::vector<int> used;               // PRNs in the solution, at most 12
    double pdop = 99.9;
    double hdop = 99.9;
    double vdop = 99.9;
};

constexpr int kSatellitesPerGsv = 4;
constexpr double kGeoidSeparation = 25.0;  // metres, the geoid above the ellipsoid near Seoul

// Sentence bodies: the text between "$" and "*".
std::string GgaBody(const ReceiverState& state);
std::string GsaBody(const ReceiverState& state);
std::vector<std::string> GsvBodies(const ReceiverState& state);
std::string RmcBody(const ReceiverState& state);
std::string VtgBody(const ReceiverState& state);
// UBX NAV-POSLLH (0x01 0x02) of the state: position and heights, zero without a fix.
std::string NavPosllhFrame(const ReceiverState& state);
// UBX ACK-ACK (0x05 0x01) of a message.
std::string AckFrame(std::uint8_t acknowledged_class, std::uint8_t acknowledged_id);
// The whole cycle of a state.
std::vector<Piece> CycleOf(const ReceiverState& state, UbxFrames ubx);

// "ddmm.mmmm" and "dddmm.mmmm" of a latitude or longitude's magnitude.
std::string NmeaLatitude(double degrees);
std::string NmeaLongitude(double degrees);

class NmeaTrack {
public:
    explicit NmeaTrack(const TrackOptions& options);

    // The next cycle as pieces; the first call gives cycle 0 at the start time.
    std::vector<Piece> NextCycle();
    // The next cycle as the bytes on the line.
    std::string NextCycleBytes();
    // The receiver lost its fix (it was reset): the next `cycles_to_2d` cycles have no fix,
    // and the first 3D fix comes `cycles_to_3d` cycles from now (a 2D fix in between). Time,
    // position and satellites go on as before.
    void RestartFix(std::int64_t cycles_to_2d, std::int64_t cycles_to_3d);
    // The state of the cycle last returned.
    const ReceiverState& State() const { return m_state; }
    const TrackOptions& Options() const { return m_options; }

private:
    void Step();

    TrackOptions m_options;
    SkyModel m_sky;
    RoadModel m_road;
    SeededRandom m_random;
    ReceiverState m_state;
    bool m_started = false;
    std::int64_t m_two_d_from = 0;    // the first cycle with a 2D fix
    std::int64_t m_three_d_from = 0;  // the first cycle with a 3D fix
};

}  // namespace gpssim
