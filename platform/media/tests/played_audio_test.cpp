// The half second of played blocks an audio output keeps: the level read from it over a
// stretch of time, the blocks handed to a recording, and what is let go.
#include <gtest/gtest.h>

#include <vector>

#include "platform/media/played_audio.h"

namespace platform::media {
namespace {

constexpr std::uint64_t kMs = 1'000'000;
constexpr std::uint64_t kStart = 1000 * kMs;

// 10 ms of stereo at 1 kHz whose loudest sample is `peak`, on the right channel.
std::vector<float> Block(float peak)
{
    std::vector<float> samples(20, peak / 4);
    samples[7] = -peak;
    return samples;
}

TEST(PlayedAudio, LevelIsThePeakOfWhatPlaysInTheStretchAsked)
{
    PlayedAudio played;
    EXPECT_FALSE(played.Peak(0, kStart * 2)) << "nothing played";
    played.Add(kStart, 1000, 2, Block(0.5f));
    played.Add(kStart + 10 * kMs, 1000, 2, Block(0.25f));
    played.Add(kStart + 20 * kMs, 1000, 2, Block(0.0f));
    EXPECT_FLOAT_EQ(played.Peak(kStart, kStart + 30 * kMs).value_or(-1), 0.5f);
    EXPECT_FLOAT_EQ(played.Peak(kStart + 10 * kMs, kStart + 30 * kMs).value_or(-1), 0.25f) << "the first ended";
    EXPECT_FLOAT_EQ(played.Peak(kStart + 25 * kMs, kStart + 26 * kMs).value_or(-1), 0.0f) << "silence played";
    EXPECT_FALSE(played.Peak(kStart + 30 * kMs, kStart + 90 * kMs)) << "after the last block";
}

TEST(PlayedAudio, ABlockHandedOverLateCountsInTheLevelWhenItCameAndKeepsItsPlayTime)
{
    PlayedAudio played;
    // Due at kStart, handed over 600 ms later.
    played.Add(kStart, 1000, 2, Block(0.5f), kStart + 600 * kMs);
    EXPECT_FALSE(played.Peak(kStart, kStart + 100 * kMs)) << "not heard before it came";
    EXPECT_FLOAT_EQ(played.Peak(kStart + 500 * kMs, kStart + 605 * kMs).value_or(-1), 0.5f);
    const auto blocks = played.After(0);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].play_ns, kStart) << "a recording places it at its play time";
    // One handed over ahead of its time is heard at its time.
    played.Add(kStart + 900 * kMs, 1000, 2, Block(0.25f), kStart + 700 * kMs);
    EXPECT_FALSE(played.Peak(kStart + 700 * kMs, kStart + 890 * kMs));
    EXPECT_FLOAT_EQ(played.Peak(kStart + 900 * kMs, kStart + 905 * kMs).value_or(-1), 0.25f);
}

TEST(PlayedAudio, BlocksAreNumberedInOrderAndLetGoHalfASecondAfterTheyPlayed)
{
    PlayedAudio played;
    played.Add(kStart, 1000, 2, Block(0.1f));
    played.Add(kStart + 10 * kMs, 1000, 2, Block(0.2f));
    const std::vector<PlayedBlock> all = played.After(0);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].number, 1u);
    EXPECT_EQ(all[1].number, 2u);
    EXPECT_EQ(all[1].play_ns, kStart + 10 * kMs);
    EXPECT_EQ(all[1].end_ns, kStart + 20 * kMs);
    EXPECT_EQ(played.After(1).size(), 1u);
    EXPECT_TRUE(played.After(2).empty());

    // The first ended at 10 ms: a block at 510 ms keeps it, one at 511 ms lets it go.
    played.Add(kStart + 510 * kMs, 1000, 2, Block(0.3f));
    EXPECT_EQ(played.After(0).front().number, 1u);
    played.Add(kStart + 511 * kMs, 1000, 2, Block(0.3f));
    EXPECT_EQ(played.After(0).front().number, 2u);
    played.Clear();
    EXPECT_TRUE(played.After(0).empty());
}

TEST(PlayedAudio, PartFramesAndFormatsWithoutFramesAreNotKept)
{
    PlayedAudio played;
    played.Add(kStart, 1000, 2, {0.5f, 0.5f, 0.9f});  // one frame and half of another
    played.Add(kStart, 0, 2, Block(0.5f));
    played.Add(kStart, 1000, 0, Block(0.5f));
    played.Add(kStart, 1000, 2, {0.7f});
    const std::vector<PlayedBlock> kept = played.After(0);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].samples.size(), 2u);
    EXPECT_FLOAT_EQ(kept[0].peak, 0.5f) << "the dropped half frame does not count";
    EXPECT_EQ(kept[0].end_ns, kStart + kMs);
}

}  // namespace
}  // namespace platform::media
