#include "tools/gpssim/sky_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace gpssim {

namespace {

constexpr int kPlanes = 4;
constexpr int kSlotsPerPlane = 8;
// A satellite is above the horizon while the sine of its orbit angle exceeds this; it gives each
// plane of eight two or three satellites in view.
constexpr double kHorizonSine = 0.4;
// How strong a signal has to be before the receiver tracks it and how strong it becomes.
constexpr int kFirstTrackedSnr = 6;
constexpr int kTrackChancePercent = 30;

}  // namespace

SkyModel::SkyModel(std::uint64_t seed, int search_cycles) : m_random(seed ^ 0x5EED5A7E11173ull) {
    for (int plane = 0; plane < kPlanes; ++plane) {
        m_plane_phase[plane] = m_random.Between(0.0, 2 * std::numbers::pi / kSlotsPerPlane);
        m_plane_speed[plane] = m_random.Between(0.0030, 0.0050);  // radians per cycle
        m_plane_azimuth[plane] = plane * 90.0 + m_random.Between(0.0, 60.0);
        m_plane_direction[plane] = m_random.Below(2) == 0 ? 1 : -1;
    }
    // PRNs go to the planes' slots in a shuffled order, as on the real constellation.
    std::array<int, kSatellites> prns{};
    for (int i = 0; i < kSatellites; ++i) prns[i] = i + 1;
    for (int i = kSatellites - 1; i > 0; --i) std::swap(prns[i], prns[m_random.Below(static_cast<std::uint32_t>(i) + 1)]);
    for (int i = 0; i < kSatellites; ++i) {
        Satellite& satellite = m_satellites[i];
        satellite.prn = prns[i];
        satellite.plane = i / kSlotsPerPlane;
        satellite.slot = i % kSlotsPerPlane;
        satellite.peak_elevation = m_random.Between(45.0, 88.0);
        satellite.snr_offset = m_random.Between(-4, 4);
        satellite.found_at = m_random.Between(1, std::max(1, search_cycles));
    }
    // The receiver starts with the four highest satellites of its first sky.
    std::array<int, kSatellites> order{};
    for (int i = 0; i < kSatellites; ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        return Elevation(m_satellites[a]) > Elevation(m_satellites[b]);
    });
    for (int i = 0; i < kMinInView; ++i) m_satellites[order[i]].found_at = 0;
    Refresh();
}

double SkyModel::Angle(const Satellite& satellite) const {
    const double angle = m_plane_phase[satellite.plane] + satellite.slot * 2 * std::numbers::pi / kSlotsPerPlane +
                         m_plane_speed[satellite.plane] * static_cast<double>(m_cycle);
    return std::fmod(angle, 2 * std::numbers::pi);
}

int SkyModel::Elevation(const Satellite& satellite) const {
    const double above = (std::sin(Angle(satellite)) - kHorizonSine) / (1 - kHorizonSine);
    return above <= 0 ? 0 : std::clamp(static_cast<int>(std::lround(above * satellite.peak_elevation)), 0, 90);
}

int SkyModel::Azimuth(const Satellite& satellite) const {
    // Across its pass a satellite sweeps about 120 degrees of azimuth around its plane's bearing.
    const double sweep = (Angle(satellite) - std::numbers::pi / 2) * 180 / std::numbers::pi * 0.9;
    const double azimuth = m_plane_azimuth[satellite.plane] + m_plane_direction[satellite.plane] * sweep;
    const int degrees = static_cast<int>(std::lround(azimuth)) % 360;
    return degrees < 0 ? degrees + 360 : degrees;
}

int SkyModel::TargetSnr(int elevation, const Satellite& satellite) const {
    return std::clamp(16 + static_cast<int>(std::lround(elevation * 0.36)) + satellite.snr_offset, 8, kMaxSnr);
}

void SkyModel::Advance() {
    ++m_cycle;
    Refresh();
}

void SkyModel::Refresh() {
    struct Candidate {
        Satellite* satellite;
        int elevation;
    };
    std::vector<Candidate> listed;
    std::vector<Candidate> unfound;
    for (Satellite& satellite : m_satellites) {
        const int elevation = Elevation(satellite);
        if (elevation < 1) {
            satellite.snr = 0;  // set: found again with a fresh search when it rises
            continue;
        }
        (m_cycle >= satellite.found_at ? listed : unfound).push_back({&satellite, elevation});
    }
    auto highest_first = [](const Candidate& a, const Candidate& b) { return a.elevation > b.elevation; };
    // Fewer than four found in view (the first ones set before the rest were found): the highest
    // of the others are found now.
    std::sort(unfound.begin(), unfound.end(), highest_first);
    for (std::size_t i = 0; listed.size() < static_cast<std::size_t>(kMinInView) && i < unfound.size(); ++i) {
        unfound[i].satellite->found_at = m_cycle;
        listed.push_back(unfound[i]);
    }
    if (listed.size() > static_cast<std::size_t>(kMaxInView)) {
        std::sort(listed.begin(), listed.end(), highest_first);
        for (std::size_t i = kMaxInView; i < listed.size(); ++i) listed[i].satellite->snr = 0;
        listed.resize(kMaxInView);
    }

    m_in_view.clear();
    for (const Candidate& candidate : listed) {
        Satellite& satellite = *candidate.satellite;
        const int target = TargetSnr(candidate.elevation, satellite);
        if (satellite.snr == 0) {
            if (m_random.Percent(kTrackChancePercent)) satellite.snr = std::max(kFirstTrackedSnr, target - 10);
        } else if (satellite.snr < target) {
            satellite.snr += m_random.Between(0, 2);
        } else if (satellite.snr > target) {
            satellite.snr -= m_random.Between(0, 1);
        } else {
            satellite.snr += m_random.Between(-1, 1);
        }
        satellite.snr = std::clamp(satellite.snr, satellite.snr == 0 ? 0 : 1, kMaxSnr);
        m_in_view.push_back({satellite.prn, candidate.elevation, Azimuth(satellite), satellite.snr});
    }
    std::sort(m_in_view.begin(), m_in_view.end(), [](const SatelliteView& a, const SatelliteView& b) { return a.prn < b.prn; });
}

void SkyModel::EnsureTracked(int count) {
    int tracked = 0;
    for (const SatelliteView& view : m_in_view) tracked += view.snr > 0 ? 1 : 0;
    // Untracked ones, highest first, until enough are tracked.
    std::vector<SatelliteView*> untracked;
    for (SatelliteView& view : m_in_view)
        if (view.snr == 0) untracked.push_back(&view);
    std::sort(untracked.begin(), untracked.end(), [](const SatelliteView* a, const SatelliteView* b) {
        return a->elevation > b->elevation;
    });
    for (SatelliteView* view : untracked) {
        if (tracked >= count) break;
        for (Satellite& satellite : m_satellites) {
            if (satellite.prn != view->prn) continue;
            satellite.snr = std::max(kFirstTrackedSnr, TargetSnr(view->elevation, satellite) - 6);
            view->snr = satellite.snr;
        }
        ++tracked;
    }
}

}  // namespace gpssim
