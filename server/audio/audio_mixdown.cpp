#include "server/audio/audio_mixdown.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace server {
namespace {

constexpr double kNanosecondsPerSecond = 1e9;
// Play times further out than this from the recording are far outside it; the frame counts
// are held here so that no arithmetic on them can overflow.
constexpr double kFarFrames = 1e15;

}  // namespace

std::int16_t SaturatingAdd(std::int16_t a, std::int16_t b) {
    const int sum = static_cast<int>(a) + static_cast<int>(b);
    return static_cast<std::int16_t>(std::clamp(sum, static_cast<int>(std::numeric_limits<std::int16_t>::min()),
                                                static_cast<int>(std::numeric_limits<std::int16_t>::max())));
}

AudioMixdown::AudioMixdown(std::uint64_t from_ns, std::uint32_t rate, std::span<std::int16_t> samples)
    : m_from_ns(from_ns), m_rate(rate), m_samples(samples.first(samples.size() - samples.size() % kChannels)) {}

std::uint64_t AudioMixdown::ToNs() const {
    if (m_rate == 0) return m_from_ns;
    return m_from_ns + static_cast<std::uint64_t>(std::llround(static_cast<double>(Frames()) * kNanosecondsPerSecond /
                                                              static_cast<double>(m_rate)));
}

std::int64_t AudioMixdown::FrameAt(std::uint64_t play_ns) const {
    // The difference is taken in floating point: a play time may lie before the start.
    const double seconds = (static_cast<double>(play_ns) - static_cast<double>(m_from_ns)) / kNanosecondsPerSecond;
    return static_cast<std::int64_t>(std::clamp(std::round(seconds * m_rate), -kFarFrames, kFarFrames));
}

void AudioMixdown::Add(std::uint64_t source, std::uint64_t play_ns, const std::uint8_t* bytes, std::size_t size) {
    constexpr std::size_t kFrameBytes = kChannels * 2;
    const auto frames = static_cast<std::int64_t>(size / kFrameBytes);
    if (frames == 0 || m_rate == 0) return;
    std::int64_t first = FrameAt(play_ns);
    auto next = m_next_frame.find(source);
    const auto join_frames = static_cast<std::int64_t>(kJoinSeconds * m_rate);
    if (next != m_next_frame.end() && std::abs(first - next->second) <= join_frames) first = next->second;
    m_next_frame[source] = first + frames;

    const auto total = static_cast<std::int64_t>(Frames());
    const std::int64_t from = std::max<std::int64_t>(first, 0);
    const std::int64_t to = std::min<std::int64_t>(first + frames, total);
    for (std::int64_t frame = from; frame < to; ++frame) {
        const std::uint8_t* in = bytes + static_cast<std::size_t>(frame - first) * kFrameBytes;
        std::int16_t* out = m_samples.data() + static_cast<std::size_t>(frame) * kChannels;
        for (std::uint32_t channel = 0; channel < kChannels; ++channel) {
            const auto sample = static_cast<std::int16_t>(static_cast<std::uint16_t>(in[2 * channel] | in[2 * channel + 1] << 8));
            out[channel] = SaturatingAdd(out[channel], sample);
        }
    }
}

}  // namespace server
