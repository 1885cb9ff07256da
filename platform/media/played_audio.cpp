#include "platform/media/played_audio.h"

#include <algorithm>
#include <cmath>

namespace platform::media {

float PeakOf(const float* samples, std::size_t count)
{
    float peak = 0;
    for (std::size_t i = 0; i < count; ++i) peak = std::max(peak, std::fabs(samples[i]));
    return peak;
}

void PlayedAudio::Add(std::uint64_t play_ns, int rate, int channels, std::vector<float> samples, std::uint64_t came_ns)
{
    if (rate <= 0 || channels <= 0) return;
    const std::size_t frames = samples.size() / static_cast<std::size_t>(channels);
    if (frames == 0) return;
    PlayedBlock block;
    block.play_ns = play_ns;
    const auto duration = static_cast<std::uint64_t>(std::llround(static_cast<double>(frames) * 1e9 / rate));
    block.end_ns = play_ns + duration;
    block.heard_ns = std::max(play_ns, came_ns);
    block.heard_end_ns = block.heard_ns + duration;
    block.rate = rate;
    block.channels = channels;
    samples.resize(frames * static_cast<std::size_t>(channels));
    block.samples = std::move(samples);
    block.peak = PeakOf(block.samples.data(), block.samples.size());

    std::lock_guard lock(m_mutex);
    block.number = m_next_number++;
    const std::uint64_t keep_from = play_ns > kKeepNs ? play_ns - kKeepNs : 0;
    while (!m_blocks.empty() && m_blocks.front().end_ns < keep_from) m_blocks.pop_front();
    m_blocks.push_back(std::move(block));
}

std::optional<float> PlayedAudio::Peak(std::uint64_t from_ns, std::uint64_t to_ns) const
{
    std::lock_guard lock(m_mutex);
    std::optional<float> peak;
    for (const PlayedBlock& block : m_blocks) {
        if (block.heard_ns < to_ns && block.heard_end_ns > from_ns) peak = std::max(peak.value_or(0.0f), block.peak);
    }
    return peak;
}

std::vector<PlayedBlock> PlayedAudio::After(std::uint64_t after) const
{
    std::lock_guard lock(m_mutex);
    std::vector<PlayedBlock> blocks;
    for (const PlayedBlock& block : m_blocks) {
        if (block.number > after) blocks.push_back(block);
    }
    return blocks;
}

void PlayedAudio::Clear()
{
    std::lock_guard lock(m_mutex);
    m_blocks.clear();
}

}  // namespace platform::media
