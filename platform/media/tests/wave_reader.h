// What the audio tests read back from a capture: a 16-bit PCM WAV file's samples, and the
// level and peak of one channel over a stretch of it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "playback_fixture.h"

namespace platform::testing {

// A 16-bit PCM WAV file as a reader of it sees it; valid only when its chunks agree with
// its length.
struct WaveFile {
    bool valid = false;
    int rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;

    double Seconds() const { return valid ? static_cast<double>(samples.size()) / channels / rate : 0.0; }
    // The level of one channel over [from, to) seconds, in dB of full scale; -inf for silence.
    double LevelDb(int channel, double from, double to) const
    {
        const auto first = static_cast<size_t>(from * rate);
        const auto last = std::min(static_cast<size_t>(to * rate), samples.size() / channels);
        double sum = 0;
        for (size_t frame = first; frame < last; ++frame) {
            const double sample = samples[frame * channels + channel] / 32768.0;
            sum += sample * sample;
        }
        return 10 * std::log10(sum / static_cast<double>(std::max<size_t>(last - first, 1)));
    }
    int Peak(int channel, double from, double to) const
    {
        int peak = 0;
        const auto last = std::min(static_cast<size_t>(to * rate), samples.size() / channels);
        for (auto frame = static_cast<size_t>(from * rate); frame < last; ++frame)
            peak = std::max(peak, std::abs(static_cast<int>(samples[frame * channels + channel])));
        return peak;
    }
};

inline std::uint32_t U32(const std::string& bytes, size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

inline WaveFile ReadWave(const fs::path& path)
{
    const std::string bytes = ReadFile(path);
    WaveFile wave;
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return wave;
    if (U32(bytes, 4) != bytes.size() - 8) return wave;
    bool format = false;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const std::uint32_t size = U32(bytes, at + 4);
        if (size > bytes.size() - at - 8) return wave;
        if (id == "fmt " && size >= 16) {
            format = (U32(bytes, at + 8) & 0xFFFF) == 1 && U32(bytes, at + 20) >> 16 == 16;
            wave.channels = static_cast<int>(U32(bytes, at + 8) >> 16);
            wave.rate = static_cast<int>(U32(bytes, at + 12));
        } else if (id == "data" && format && wave.channels > 0 && wave.rate > 0) {
            wave.samples.resize(size / 2);
            if (!wave.samples.empty()) std::memcpy(wave.samples.data(), bytes.data() + at + 8, wave.samples.size() * 2);
            wave.valid = true;
        }
        at += 8 + size + (size & 1);
    }
    return wave;
}

}  // namespace platform::testing
