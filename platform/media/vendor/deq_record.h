// The equaliser filter's parameter record, as its settings interface takes it: 196 bytes of
// 32-bit signed fields, an enable flag and four arrays of twelve band entries. An entry with
// a frequency of 0 is no band. Kinds: 0 low shelf, 1 peak, 2 high shelf; gains in dB; a
// width w gives a bandwidth of the centre frequency × w / 9.
#pragma once

#include <cstdint>

namespace platform::vendor {

constexpr int kDeqBands = 12;

struct DeqRecord {
    std::int32_t enable = 0;
    std::int32_t frequency[kDeqBands] = {};
    std::int32_t width[kDeqBands] = {};
    std::int32_t kind[kDeqBands] = {};
    std::int32_t gain[kDeqBands] = {};
};
static_assert(sizeof(DeqRecord) == 196, "the record is handed over whole, byte for byte");

}  // namespace platform::vendor
