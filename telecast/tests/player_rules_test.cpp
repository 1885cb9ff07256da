#include "telecast/player_rules.h"

#include <gtest/gtest.h>

#include <cstring>

namespace telecast {
namespace {

TEST(GraphVolume, FollowsTheSettingMuteAndDucking)
{
    EXPECT_EQ(GraphVolumeStep(7, false, false), 10) << "any setting above 0 plays at full graph volume";
    EXPECT_EQ(GraphVolumeStep(1, false, false), 10);
    EXPECT_EQ(GraphVolumeStep(0, false, false), 0);
    EXPECT_EQ(GraphVolumeStep(7, true, false), 0);
    EXPECT_EQ(GraphVolumeStep(7, false, true), 3);
    EXPECT_EQ(GraphVolumeStep(2, false, true), 2);
    EXPECT_EQ(GraphVolumeStep(7, true, true), 0);

    EXPECT_EQ(VolumeOfStep(0), -10000);
    EXPECT_EQ(VolumeOfStep(10), 0);
    EXPECT_EQ(VolumeOfStep(3), -3350);
    EXPECT_EQ(VolumeOfStep(-4), -10000);
    EXPECT_EQ(VolumeOfStep(40), 0);
    // Reading back: the first step whose volume is not below the graph's.
    for (int step = 0; step <= kMaxVolumeStep; ++step) EXPECT_EQ(StepOfVolume(VolumeOfStep(step)), step);
    EXPECT_EQ(StepOfVolume(-3000), 4);
    EXPECT_EQ(StepOfVolume(-20000), 0);
    EXPECT_EQ(StepOfVolume(300), 10);
}

TEST(SignalMonitor, TwoBadSecondsRaiseTheNoSignalPictureAndTwoGoodOnesTakeItDown)
{
    SignalMonitor monitor;
    EXPECT_EQ(monitor.Tick(10000), SignalMonitor::Action::None) << "10000 still gives a picture";
    EXPECT_EQ(monitor.Tick(10001), SignalMonitor::Action::None);
    EXPECT_EQ(monitor.Tick(10001), SignalMonitor::Action::ShowNoSignal);
    EXPECT_EQ(monitor.Tick(90000), SignalMonitor::Action::None) << "raised once";
    EXPECT_EQ(monitor.Tick(0), SignalMonitor::Action::None);
    EXPECT_EQ(monitor.Tick(20000), SignalMonitor::Action::None) << "one good second is not enough";
    EXPECT_EQ(monitor.Tick(0), SignalMonitor::Action::None);
    EXPECT_EQ(monitor.Tick(0), SignalMonitor::Action::HideNoSignal);
    EXPECT_EQ(monitor.Tick(0), SignalMonitor::Action::None);
    // A second loss shows it again.
    EXPECT_EQ(monitor.Tick(10001), SignalMonitor::Action::None);
    EXPECT_EQ(monitor.Tick(10001), SignalMonitor::Action::ShowNoSignal);

    // Once the picture went down another way, the monitor no longer holds it: the next loss
    // raises it again, where a held flag would leave the screen without it.
    monitor.PictureHidden();
    EXPECT_EQ(monitor.Tick(10001), SignalMonitor::Action::ShowNoSignal);
    monitor.Restart();
    EXPECT_FALSE(monitor.Raised());
    EXPECT_EQ(monitor.Tick(0), SignalMonitor::Action::None);
    EXPECT_EQ(monitor.Tick(0), SignalMonitor::Action::None) << "nothing raised, nothing to take down";
}

TEST(AudioChange, TakesThreeChangesAfterAChannelStartTheHandlerDidNotMake)
{
    AudioChangeGate gate;
    const AudioValues bsac{22, 2, 48000};
    const AudioValues he_aac{0, 2, 48000};
    EXPECT_FALSE(gate.Take(bsac, bsac)) << "nothing differs";
    EXPECT_TRUE(gate.Take(bsac, he_aac));
    gate.ChannelStarted(true);  // the handler's own restart
    EXPECT_TRUE(gate.Take(he_aac, bsac));
    gate.ChannelStarted(true);
    EXPECT_TRUE(gate.Take(bsac, AudioValues{0, 2, 44100}));
    gate.ChannelStarted(true);
    EXPECT_FALSE(gate.Take(AudioValues{0, 2, 44100}, bsac)) << "a fourth change is ignored";
    EXPECT_EQ(gate.Changes(), 3);
    gate.ChannelStarted(false);  // the user's
    EXPECT_TRUE(gate.Take(bsac, he_aac));
}

TEST(ScanProgress, RunsToAHundredAndNeverDividesByZero)
{
    EXPECT_EQ(ScanProgress(0, 0, 21), 4);
    EXPECT_EQ(ScanProgress(10, 0, 21), 52);
    EXPECT_EQ(ScanProgress(20, 0, 21), 100);
    EXPECT_EQ(ScanProgress(30, 0, 21), 100);
    EXPECT_EQ(ScanProgress(2, 2, 4), 50);
    EXPECT_EQ(ScanProgress(0, 0, 0), 100);
    EXPECT_EQ(ScanProgress(5, 7, 3), 100);
}

std::vector<std::uint32_t> Entries(const std::vector<std::uint32_t>& types)
{
    std::vector<std::uint32_t> words;
    for (std::size_t i = 0; i < types.size(); ++i) {
        std::uint32_t entry[kScanEntryWords] = {7, 175280, 0x100 + static_cast<std::uint32_t>(i)};
        std::memcpy(&entry[3], "Name", 4);
        entry[8] = static_cast<std::uint32_t>(i);
        entry[9] = types[i];
        entry[10] = 99;
        words.insert(words.end(), entry, entry + kScanEntryWords);
    }
    return words;
}

TEST(ScanStep, TakesAtMostTenEntriesWithTheAudioAScanAssumes)
{
    const std::vector<std::uint32_t> words = Entries({2, 1, 3});
    std::vector<ChannelRecord> records = ScanStepRecords(words, 3, kKoreaRegionCode);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].tuner_value_0, 7);
    EXPECT_EQ(records[0].frequency, 175280);
    EXPECT_EQ(records[0].service_id, 0x100u);
    EXPECT_EQ(std::string(records[0].name.data(), 4), "Name");
    EXPECT_EQ(records[1].sub_channel_id, 1);
    EXPECT_EQ(records[1].tuner_value_10, 99);
    EXPECT_EQ((AudioValues{records[0].audio_coding, records[0].audio_a, records[0].audio_b}),
              (AudioValues{22, 2, 48000}));
    EXPECT_EQ((AudioValues{records[1].audio_coding, records[1].audio_a, records[1].audio_b}), AudioValues{});
    EXPECT_EQ((AudioValues{records[2].audio_coding, records[2].audio_a, records[2].audio_b}), AudioValues{});
    EXPECT_EQ(ScanStepRecords(words, 3, 44)[0].audio_coding, 0) << "outside Korea a TV service is HE-AAC";

    // Fourteen reported: ten taken. Fewer words than reported: what is there.
    const std::vector<std::uint32_t> fourteen = Entries(std::vector<std::uint32_t>(14, 1));
    EXPECT_EQ(ScanStepRecords(fourteen, 14, kKoreaRegionCode).size(), 10u);
    EXPECT_EQ(ScanStepRecords(std::span(words).first(2 * kScanEntryWords + 5), 3, kKoreaRegionCode).size(), 2u);
    EXPECT_TRUE(ScanStepRecords(words, 0, kKoreaRegionCode).empty());
}

TEST(ChannelListPosition, PagesNineRowsWrapsAndPlacesTheThumb)
{
    EXPECT_EQ(ListPosition::At(7).top, 0);
    EXPECT_EQ(ListPosition::At(7).row, 7);
    EXPECT_EQ(ListPosition::At(9).top, 9);
    EXPECT_EQ(ListPosition::At(9).row, 0);
    EXPECT_EQ(ListPosition::At(-3).Line(), 0);

    // Ten lines make two pages; with the top at 9 the thumb stands at the foot of its travel.
    EXPECT_EQ(ListPosition::ThumbY(9, 10), 272);
    EXPECT_EQ(ListPosition::ThumbY(0, 10), 2);
    EXPECT_EQ(ListPosition::ThumbY(0, 9), -1) << "one page, no thumb";
    EXPECT_EQ(ListPosition::ThumbY(9, 27), 2 + 135);

    EXPECT_EQ(ListPosition::At(9).Next(10).Line(), 0) << "next on the last line wraps";
    EXPECT_EQ(ListPosition::At(0).Previous(10).Line(), 9) << "previous on the first goes to the last";
    EXPECT_EQ(ListPosition::At(8).Next(10).top, 9);
    EXPECT_EQ(ListPosition::At(3).PageDown(10).Line(), 9);
    EXPECT_EQ(ListPosition::At(9).PageDown(10).Line(), 9) << "no page below";
    EXPECT_EQ(ListPosition::At(12).PageUp().Line(), 0);
    EXPECT_EQ(ListPosition::At(4).PageUp().Line(), 4);

    EXPECT_EQ(ListPosition::RowAt(1), -1);
    EXPECT_EQ(ListPosition::RowAt(2), 0);
    EXPECT_EQ(ListPosition::RowAt(38), 0);
    EXPECT_EQ(ListPosition::RowAt(39), 1);
    EXPECT_EQ(ListPosition::RowAt(338), 8);
    EXPECT_EQ(ListPosition::RowAt(5000), 8);
}

}  // namespace
}  // namespace telecast
