// The five equaliser records, byte for byte as the filter receives them.
#include <gtest/gtest.h>

#include <cstring>

#include "music/equaliser_presets.h"

namespace {

using platform::vendor::DeqRecord;

TEST(EqualiserPresets, EachRecordHoldsItsFiveBandsAndZeroesTheRest) {
    struct Expected {
        int enable;
        int frequency[5], width[5], kind[5], gain[5];
    };
    const Expected expected[] = {
        {0, {62, 250, 1000, 4000, 16000}, {9, 9, 9, 9, 9}, {1, 1, 1, 1, 1}, {0, 0, 0, 0, 0}},
        {1, {100, 600, 3000, 12000, 16000}, {9, 4, 7, 9, 9}, {0, 1, 1, 1, 1}, {6, -4, 4, 4, 0}},
        {1, {80, 220, 3000, 13000, 16000}, {4, 9, 9, 9, 9}, {1, 1, 1, 1, 1}, {5, 1, 3, 4, 0}},
        {1, {80, 320, 3000, 13000, 16000}, {9, 9, 6, 6, 9}, {0, 1, 1, 1, 1}, {2, 2, -1, -3, 0}},
        {1, {100, 700, 5000, 14000, 16000}, {9, 4, 9, 9, 9}, {0, 1, 1, 2, 1}, {-1, 4, -1, -2, 0}},
    };
    for (int preset = 0; preset < music::kEqualiserPresets; ++preset) {
        SCOPED_TRACE(preset);
        const DeqRecord record = music::EqualiserPreset(preset);
        // The record as bytes: the enable word, then the four arrays of twelve in order.
        std::int32_t words[49];
        static_assert(sizeof(words) == sizeof(DeqRecord));
        std::memcpy(words, &record, sizeof(words));
        const Expected& e = expected[preset];
        EXPECT_EQ(words[0], e.enable);
        const int* columns[] = {e.frequency, e.width, e.kind, e.gain};
        for (int column = 0; column < 4; ++column) {
            for (int band = 0; band < platform::vendor::kDeqBands; ++band) {
                const int want = band < 5 ? columns[column][band] : 0;
                EXPECT_EQ(words[1 + column * 12 + band], want) << "column " << column << " band " << band;
            }
        }
    }
}

TEST(EqualiserPresets, TheButtonCyclesAndDamagedNumbersMeanOff) {
    const int order[] = {1, 2, 3, 4, 0};
    for (int preset = 0; preset < music::kEqualiserPresets; ++preset)
        EXPECT_EQ(music::NextEqualiserPreset(preset), order[preset]);
    EXPECT_EQ(music::NextEqualiserPreset(-3), 0);
    EXPECT_EQ(music::NextEqualiserPreset(99), 0);
    for (int damaged : {-1, 5, 1 << 30}) {
        const DeqRecord record = music::EqualiserPreset(damaged);
        EXPECT_EQ(record.enable, 0) << damaged;
        EXPECT_EQ(record.frequency[0], 62) << damaged;
    }
}

}  // namespace
