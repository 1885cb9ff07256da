// A long stretch of receiver output in one call, for benchmarks and tests of a sentence reader:
// the track's cycles, with its UBX frames when the options ask for them and random faults at
// a rate, cut after a number of sentences.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/gpssim/nmea_track.h"

namespace gpssim {

// The pieces up to and including the `sentences`-th sentence (faulty ones count).
std::vector<Piece> MakeMixedPieces(const TrackOptions& track, double fault_percent, std::size_t sentences);
// The same as bytes on the line.
std::string MakeMixedStream(const TrackOptions& track, double fault_percent, std::size_t sentences);

}  // namespace gpssim
