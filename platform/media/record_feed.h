// An audio output's samples as a recording takes them: whatever the output plays (float,
// one or two channels, any rate) turned into 16-bit stereo at the recording's rate. Blocks
// are converted one after the other, the resampler carrying its state from one to the next;
// a block that does not follow on from the one before starts afresh.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/media/played_audio.h"

namespace platform::media {

class RecordFeed {
public:
    RecordFeed(int rate, int channels);
    ~RecordFeed();
    RecordFeed(const RecordFeed&) = delete;
    RecordFeed& operator=(const RecordFeed&) = delete;

    // The block as interleaved 16-bit little-endian frames; empty when it cannot be converted.
    std::vector<std::uint8_t> Convert(const PlayedBlock& block);

private:
    struct Converter;
    const int m_rate;
    const int m_channels;
    std::unique_ptr<Converter> m_converter;  // for the format of the last block
    int m_in_rate = 0;
    int m_in_channels = 0;
    std::uint64_t m_last_end_ns = 0;
};

}  // namespace platform::media
