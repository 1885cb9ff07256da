// What the device played during a stretch of time, put together from the samples every audio
// output hands over: 16-bit stereo frames, silent until something is added, each output's
// samples added where their play time puts them, with saturation (a sum beyond 16 bits stays
// at the loudest value of its sign, it never wraps round).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_map>

namespace server {

class AudioMixdown {
public:
    static constexpr std::uint32_t kChannels = 2;
    // A block that starts this close to where the same source's previous block ended is taken
    // to follow it: the play times a program computes jitter by a few samples, and a block
    // placed one frame off would leave a click of silence or a doubled frame.
    static constexpr double kJoinSeconds = 0.005;

    // samples: the frames to mix into, kChannels interleaved, all zero; they start at from_ns
    // (CLOCK_MONOTONIC) and are `rate` a second.
    AudioMixdown(std::uint64_t from_ns, std::uint32_t rate, std::span<std::int16_t> samples);

    std::uint64_t Frames() const { return m_samples.size() / kChannels; }
    std::uint64_t FromNs() const { return m_from_ns; }
    // Where the recording ends: the play time of the frame after the last.
    std::uint64_t ToNs() const;

    // Adds a block of interleaved 16-bit little-endian stereo frames that `source` plays from
    // play_ns on. What lies outside the recording is left out; a trailing part frame is dropped.
    void Add(std::uint64_t source, std::uint64_t play_ns, const std::uint8_t* bytes, std::size_t size);

private:
    std::int64_t FrameAt(std::uint64_t play_ns) const;

    const std::uint64_t m_from_ns;
    const std::uint32_t m_rate;
    const std::span<std::int16_t> m_samples;
    // Where each source's last block ended, in frames from the start (may lie outside).
    std::unordered_map<std::uint64_t, std::int64_t> m_next_frame;
};

// a + b held to the 16-bit range.
std::int16_t SaturatingAdd(std::int16_t a, std::int16_t b);

}  // namespace server
