// The blocks an audio output has played (or is about to play) over the last half second, each
// with its play time: the output's level is read from them, and when a recording is asked for,
// the blocks it covers are handed over from here, including those played before the output
// learnt of it. Safe to use from the streaming thread and the output's reporting thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace platform::media {

struct PlayedBlock {
    std::uint64_t number = 0;   // counts from 1 in the order the blocks were added
    std::uint64_t play_ns = 0;  // CLOCK_MONOTONIC time of the first frame
    std::uint64_t end_ns = 0;   // that of the frame after the last
    // When the level counts it: its play time, or, for a block handed over after that time
    // had passed (a live stream behind its clock, a loaded machine), when it came; the sink
    // plays such a block as soon as it gets it. A recording keeps the play time.
    std::uint64_t heard_ns = 0;
    std::uint64_t heard_end_ns = 0;
    int rate = 0;
    int channels = 0;
    float peak = 0;             // largest magnitude of any sample, 1 is full scale
    std::vector<float> samples; // interleaved
};

class PlayedAudio {
public:
    // How long a block is kept after it has played.
    static constexpr std::uint64_t kKeepNs = 500'000'000;

    // Adds a block of interleaved samples that plays from play_ns on and was handed over at
    // came_ns; blocks that finished playing more than kKeepNs before it are dropped. A block of
    // no whole frame, or of a rate or channel count of 0, is not kept; a trailing part frame is
    // dropped.
    void Add(std::uint64_t play_ns, int rate, int channels, std::vector<float> samples, std::uint64_t came_ns = 0);
    // The largest peak of the blocks heard during [from_ns, to_ns); none when nothing is.
    std::optional<float> Peak(std::uint64_t from_ns, std::uint64_t to_ns) const;
    // Copies of the kept blocks numbered above `after`, oldest first.
    std::vector<PlayedBlock> After(std::uint64_t after) const;
    // Forgets every block (the output stopped playing).
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::deque<PlayedBlock> m_blocks;
    std::uint64_t m_next_number = 1;
};

// The peak of interleaved float samples.
float PeakOf(const float* samples, std::size_t count);

}  // namespace platform::media
