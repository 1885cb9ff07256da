#include "platform/media/vendor/deq_bands.h"

#include <algorithm>

namespace platform::vendor {
namespace {

DeqShape ShapeOf(std::int32_t kind)
{
    switch (kind) {
    case 0: return DeqShape::LowShelf;
    case 2: return DeqShape::HighShelf;
    default: return DeqShape::Peak;
    }
}

}  // namespace

std::vector<DeqBand> DeqBandsOf(const DeqRecord& record, int rate)
{
    std::vector<DeqBand> bands;
    if (record.enable == 0) return bands;
    const double nyquist = std::max((rate > 0 ? rate : kAssumedRate) / 2.0, kLowestBandFrequency);
    for (int i = 0; i < kDeqBands; ++i) {
        if (record.frequency[i] == 0) continue;
        DeqBand band;
        band.frequency = std::clamp(static_cast<double>(record.frequency[i]), kLowestBandFrequency, nyquist);
        const int width = std::clamp(record.width[i], std::int32_t{kNarrowestWidth}, std::int32_t{kWidestWidth});
        band.bandwidth = std::min(band.frequency * width / 9.0, nyquist * kWidestBandwidthShare);
        band.gain_db = std::clamp(static_cast<double>(record.gain[i]), kLowestGainDb, kHighestGainDb);
        band.shape = ShapeOf(record.kind[i]);
        bands.push_back(band);
    }
    return bands;
}

}  // namespace platform::vendor
