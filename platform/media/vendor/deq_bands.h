// The bands an equaliser parameter record asks for, in the terms a filter takes them: centre
// frequency and bandwidth in Hz, gain in dB and the band's shape. The record comes from
// callers as raw numbers, so every value is brought into the range the equaliser can play:
//   frequency   an entry with frequency 0 is no band; others are kept within
//               [kLowestBandFrequency, the Nyquist frequency of the stream's rate]
//   width       within [kNarrowestWidth, kWidestWidth]; 0 is the narrowest band. The
//               bandwidth is the (kept) centre frequency × width / 9, at most
//               kWidestBandwidthShare of the Nyquist frequency: a band spanning the whole
//               spectrum puts the filter's poles on the unit circle
//   gain        within [kLowestGainDb, kHighestGainDb]
//   kind        0 low shelf, 1 peak, 2 high shelf; any other kind is a peak
// A record whose enable flag is 0 has no bands: the audio passes unchanged.
#pragma once

#include <vector>

#include "platform/media/vendor/deq_record.h"

namespace platform::vendor {

enum class DeqShape { LowShelf, Peak, HighShelf };

struct DeqBand {
    double frequency = 0;  // Hz
    double bandwidth = 0;  // Hz
    double gain_db = 0;
    DeqShape shape = DeqShape::Peak;
};

constexpr double kLowestBandFrequency = 1.0;
constexpr int kNarrowestWidth = 1;
constexpr int kWidestWidth = 18;
constexpr double kWidestBandwidthShare = 0.9;
// The gains the equaliser can give: a cut of up to 24 dB and a boost of up to 12 dB.
constexpr double kLowestGainDb = -24.0;
constexpr double kHighestGainDb = 12.0;
// The rate bands are kept under while the stream's own is not known yet.
constexpr int kAssumedRate = 48000;

// The record's bands in its order, for a stream at `rate` samples a second (0: not known).
std::vector<DeqBand> DeqBandsOf(const DeqRecord& record, int rate);

}  // namespace platform::vendor
