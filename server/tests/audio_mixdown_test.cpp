// The mix a recording is made of: each block lands where its play time says, blocks of one
// output join up despite jittery play times, and sums saturate rather than wrap.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "server/audio/audio_mixdown.h"

namespace server {
namespace {

constexpr std::uint64_t kStart = 5'000'000'000;  // the recording's first frame, in ns
constexpr std::uint32_t kRate = 1000;            // one frame a millisecond keeps times readable

// Frames of constant value, as the wire carries them (16-bit little-endian, two channels).
std::vector<std::uint8_t> Frames(std::size_t count, std::int16_t left, std::int16_t right)
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < count; ++i) {
        for (std::int16_t value : {left, right}) {
            bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(value) >> 8));
        }
    }
    return bytes;
}

std::uint64_t AtMs(std::int64_t ms) { return static_cast<std::uint64_t>(static_cast<std::int64_t>(kStart) + ms * 1'000'000); }

struct Mix {
    explicit Mix(std::size_t frames) : samples(frames * 2), mix(kStart, kRate, samples) {}
    void Add(std::uint64_t source, std::uint64_t play_ns, const std::vector<std::uint8_t>& bytes)
    {
        mix.Add(source, play_ns, bytes.data(), bytes.size());
    }
    std::int16_t Left(std::size_t frame) const { return samples[frame * 2]; }
    std::int16_t Right(std::size_t frame) const { return samples[frame * 2 + 1]; }
    std::vector<std::int16_t> samples;
    AudioMixdown mix;
};

TEST(AudioMixdown, BlocksLandAtTheirPlayTimeAndWhatLiesOutsideIsLeftOut)
{
    Mix mix(100);
    EXPECT_EQ(mix.mix.Frames(), 100u);
    EXPECT_EQ(mix.mix.ToNs(), AtMs(100));
    mix.Add(1, AtMs(10), Frames(5, 100, -100));
    mix.Add(2, AtMs(-3), Frames(5, 7, 7));   // begins before the recording
    mix.Add(3, AtMs(97), Frames(10, 9, 9));  // ends after it
    mix.Add(4, AtMs(500), Frames(10, 1, 1));
    EXPECT_EQ(mix.Left(9), 0);
    for (std::size_t frame = 10; frame < 15; ++frame) {
        EXPECT_EQ(mix.Left(frame), 100);
        EXPECT_EQ(mix.Right(frame), -100);
    }
    EXPECT_EQ(mix.Left(15), 0);
    EXPECT_EQ(mix.Left(0), 7);
    EXPECT_EQ(mix.Left(1), 7);
    EXPECT_EQ(mix.Left(2), 0);
    EXPECT_EQ(mix.Left(96), 0);
    EXPECT_EQ(mix.Left(97), 9);
    EXPECT_EQ(mix.Right(99), 9);
}

TEST(AudioMixdown, SumsSaturateInsteadOfWrapping)
{
    EXPECT_EQ(SaturatingAdd(30000, 30000), 32767);
    EXPECT_EQ(SaturatingAdd(-30000, -30000), -32768);
    EXPECT_EQ(SaturatingAdd(32767, -32768), -1);
    Mix mix(10);
    mix.Add(1, AtMs(0), Frames(10, 20000, -20000));
    mix.Add(2, AtMs(0), Frames(10, 20000, -20000));
    mix.Add(3, AtMs(0), Frames(10, -1000, 1000));
    EXPECT_EQ(mix.Left(5), 32767 - 1000);
    EXPECT_EQ(mix.Right(5), -32768 + 1000);
}

TEST(AudioMixdown, BlocksOfOneOutputJoinUpDespiteJitteryPlayTimes)
{
    Mix mix(100);
    // The second block's play time is 1.4 ms early, the third's 1.6 ms late: still one run.
    mix.Add(1, AtMs(10), Frames(10, 1, 1));
    mix.Add(1, AtMs(20) - 1'400'000, Frames(10, 2, 2));
    mix.Add(1, AtMs(30) + 1'600'000, Frames(10, 3, 3));
    EXPECT_EQ(mix.Left(9), 0);
    for (std::size_t frame = 10; frame < 40; ++frame)
        EXPECT_EQ(mix.Left(frame), static_cast<std::int16_t>(frame / 10)) << "a gap or a doubled frame at " << frame;
    EXPECT_EQ(mix.Left(40), 0);
    // Another output with the same times does not join the first one's run, and a block far
    // from where an output's run ended (after a pause) starts where its time says.
    mix.Add(2, AtMs(21), Frames(1, 100, 100));
    EXPECT_EQ(mix.Left(21), 102);
    mix.Add(1, AtMs(60), Frames(2, 5, 5));
    EXPECT_EQ(mix.Left(59), 0);
    EXPECT_EQ(mix.Left(60), 5);
}

TEST(AudioMixdown, PartFramesAndEmptyBlocksAddNothing)
{
    Mix mix(10);
    std::vector<std::uint8_t> bytes = Frames(2, 50, 50);
    bytes.push_back(0x7F);  // half a sample
    mix.Add(1, AtMs(0), bytes);
    mix.Add(1, AtMs(5), {});
    EXPECT_EQ(mix.Left(1), 50);
    EXPECT_EQ(mix.Left(2), 0);
    Mix empty(0);
    empty.Add(1, AtMs(0), Frames(3, 1, 1));
    EXPECT_EQ(empty.mix.Frames(), 0u);
}

}  // namespace
}  // namespace server
