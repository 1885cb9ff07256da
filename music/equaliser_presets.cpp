#include "music/equaliser_presets.h"

#include <array>

namespace music {
namespace {

struct Preset {
    std::int32_t enable;
    std::array<std::int32_t, 5> frequency, width, kind, gain;
};

constexpr std::array<Preset, kEqualiserPresets> kPresets = {{
    {0, {62, 250, 1000, 4000, 16000}, {9, 9, 9, 9, 9}, {1, 1, 1, 1, 1}, {0, 0, 0, 0, 0}},
    {1, {100, 600, 3000, 12000, 16000}, {9, 4, 7, 9, 9}, {0, 1, 1, 1, 1}, {6, -4, 4, 4, 0}},
    {1, {80, 220, 3000, 13000, 16000}, {4, 9, 9, 9, 9}, {1, 1, 1, 1, 1}, {5, 1, 3, 4, 0}},
    {1, {80, 320, 3000, 13000, 16000}, {9, 9, 6, 6, 9}, {0, 1, 1, 1, 1}, {2, 2, -1, -3, 0}},
    {1, {100, 700, 5000, 14000, 16000}, {9, 4, 9, 9, 9}, {0, 1, 1, 2, 1}, {-1, 4, -1, -2, 0}},
}};

}  // namespace

platform::vendor::DeqRecord EqualiserPreset(int preset) {
    const Preset& source = kPresets[preset >= 0 && preset < kEqualiserPresets ? preset : 0];
    platform::vendor::DeqRecord record;
    record.enable = source.enable;
    for (std::size_t band = 0; band < source.frequency.size(); ++band) {
        record.frequency[band] = source.frequency[band];
        record.width[band] = source.width[band];
        record.kind[band] = source.kind[band];
        record.gain[band] = source.gain[band];
    }
    return record;
}

int NextEqualiserPreset(int preset) {
    return preset >= 0 && preset < kEqualiserPresets - 1 ? preset + 1 : 0;
}

}  // namespace music
