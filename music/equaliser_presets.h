// Music's five equaliser presets, each the whole record handed to the equaliser filter.
// Preset 0 is the equaliser off; the others fill the first five bands.
#pragma once

#include "platform/media/vendor/deq_record.h"

namespace music {

constexpr int kEqualiserPresets = 5;

// The record of a preset; a number outside 0..4 (a damaged settings file) gives preset 0.
platform::vendor::DeqRecord EqualiserPreset(int preset);
// The preset after this one: 0 → 1 → 2 → 3 → 4 → 0.
int NextEqualiserPreset(int preset);

}  // namespace music
