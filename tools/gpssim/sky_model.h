// The satellites a receiver near Seoul sees: 32 GPS satellites (PRN 1..32) on four orbital
// planes of eight, rising and setting as the planes turn (a pass lasts about ten minutes of
// cycles, so a person watching sees the sky change). Each plane shows two or three satellites
// above the horizon at a time, so the sky holds 8..12; while the receiver is still searching
// after its start it lists only those found so far, at least four. A satellite's signal (SNR,
// dB-Hz) follows its elevation, changes by a few dB per cycle at most, and is 0 until the
// receiver tracks it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "tools/gpssim/seeded_random.h"

namespace gpssim {

struct SatelliteView {
    int prn = 0;
    int elevation = 0;  // degrees, 1..90 while in view
    int azimuth = 0;    // degrees, 0..359
    int snr = 0;        // dB-Hz 1..50 while tracked; 0 while not (sent as an empty field)
    bool operator==(const SatelliteView&) const = default;
};

class SkyModel {
public:
    static constexpr int kSatellites = 32;
    static constexpr int kMinInView = 4;
    static constexpr int kMaxInView = 12;
    static constexpr int kMaxSnr = 50;

    // `search_cycles`: the receiver finds the satellites of the sky during this many cycles
    // after its start (four of them at once).
    SkyModel(std::uint64_t seed, int search_cycles);

    // One second later.
    void Advance();
    // The satellites listed in this cycle, by PRN.
    const std::vector<SatelliteView>& InView() const { return m_in_view; }
    // Makes at least `count` listed satellites tracked (the strongest candidates first), so a
    // fix never claims more satellites than the receiver has.
    void EnsureTracked(int count);

private:
    struct Satellite {
        int prn = 0;
        int plane = 0;
        int slot = 0;
        double peak_elevation = 0;
        int snr_offset = 0;
        std::int64_t found_at = 0;  // cycle from which the receiver lists it
        int snr = 0;
    };
    double Angle(const Satellite& satellite) const;
    int Elevation(const Satellite& satellite) const;
    int Azimuth(const Satellite& satellite) const;
    int TargetSnr(int elevation, const Satellite& satellite) const;
    void Refresh();

    SeededRandom m_random;
    std::int64_t m_cycle = 0;
    std::array<double, 4> m_plane_phase{};
    std::array<double, 4> m_plane_speed{};
    std::array<double, 4> m_plane_azimuth{};
    std::array<int, 4> m_plane_direction{};
    std::array<Satellite, kSatellites> m_satellites{};
    std::vector<SatelliteView> m_in_view;
};

}  // namespace gpssim
