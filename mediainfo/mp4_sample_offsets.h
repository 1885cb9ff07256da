// SetSampleOffset: the file offset of every sample of one track kind, worked out from the
// sample-to-chunk, chunk offset and sample size tables (ISO/IEC 14496-12 8.7.4 to 8.7.5).
#pragma once

#include <cstdint>

#include "mediainfo/media_info.h"
#include "mediainfo/mp4_sample_tables.h"

namespace mediainfo {

// The most samples one kind may have: sixteen million, more than 100 hours of 30 frame/s video
// or of 48 kHz AAC. A larger table fails as an allocation would on the device.
constexpr std::uint32_t kMaxMp4SampleCount = 1u << 24;

// Allocates sample_count + 1 offsets and fills the first sample_count. Needs the kind's
// sample-to-chunk and chunk offset tables (Malformed without). Malformed as well when the
// tables place more samples than sample_count, leave samples unplaced or name chunk 0. An offset
// may lie past the end of the file: a file cut short still lists the samples it lost.
[[nodiscard]] ReadStatus SetSampleOffset(const Mp4SampleTables& tables, std::uint32_t sample_count,
                                         Mp4Table<std::uint64_t>& offsets);

}  // namespace mediainfo
