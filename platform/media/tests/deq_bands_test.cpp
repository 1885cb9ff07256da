// How an equaliser record becomes bands: which entries are bands, the record's kind
// numbering, the width rule, and every value a caller can get wrong kept playable.
#include "platform/media/vendor/deq_bands.h"

#include <gtest/gtest.h>

namespace platform::vendor {
namespace {

struct Entry {
    std::int32_t frequency, width, kind, gain;
};

DeqRecord RecordOf(std::initializer_list<Entry> entries, std::int32_t enable = 1)
{
    DeqRecord record;
    record.enable = enable;
    int i = 0;
    for (const Entry& entry : entries) {
        record.frequency[i] = entry.frequency;
        record.width[i] = entry.width;
        record.kind[i] = entry.kind;
        record.gain[i] = entry.gain;
        ++i;
    }
    return record;
}

TEST(DeqBands, AnEqualiserThatIsOffHasNoBands)
{
    EXPECT_TRUE(DeqBandsOf(RecordOf({{1000, 9, 1, 6}}, 0), 44100).empty());
    EXPECT_TRUE(DeqBandsOf(DeqRecord{}, 44100).empty());
    EXPECT_EQ(DeqBandsOf(RecordOf({{1000, 9, 1, 6}}, -1), 44100).size(), 1u) << "any flag but 0 is on";
}

TEST(DeqBands, EntriesWithAFrequencyAreBandsInTheRecordsOrder)
{
    DeqRecord record = RecordOf({{100, 9, 0, 6}, {0, 9, 1, 12}, {3000, 7, 1, 4}});
    record.frequency[kDeqBands - 1] = 16000;
    const std::vector<DeqBand> bands = DeqBandsOf(record, 44100);
    ASSERT_EQ(bands.size(), 3u);
    EXPECT_EQ(bands[0].frequency, 100);
    EXPECT_EQ(bands[1].frequency, 3000);
    EXPECT_EQ(bands[2].frequency, 16000);
}

TEST(DeqBands, KindsAreTheRecordsNumberingAndUnknownKindsArePeaks)
{
    const std::vector<DeqBand> bands =
        DeqBandsOf(RecordOf({{100, 9, 0, 1}, {200, 9, 1, 1}, {300, 9, 2, 1}, {400, 9, 3, 1}, {500, 9, -1, 1}}), 44100);
    ASSERT_EQ(bands.size(), 5u);
    EXPECT_EQ(bands[0].shape, DeqShape::LowShelf);
    EXPECT_EQ(bands[1].shape, DeqShape::Peak);
    EXPECT_EQ(bands[2].shape, DeqShape::HighShelf);
    EXPECT_EQ(bands[3].shape, DeqShape::Peak);
    EXPECT_EQ(bands[4].shape, DeqShape::Peak);
}

TEST(DeqBands, BandwidthIsTheCentreTimesTheWidthOverNine)
{
    const std::vector<DeqBand> bands = DeqBandsOf(RecordOf({{600, 4, 1, -4}, {3000, 7, 1, 4}, {900, 9, 1, 0}}), 44100);
    ASSERT_EQ(bands.size(), 3u);
    EXPECT_NEAR(bands[0].bandwidth, 600 * 4 / 9.0, 1e-9);
    EXPECT_NEAR(bands[1].bandwidth, 3000 * 7 / 9.0, 1e-9);
    EXPECT_NEAR(bands[2].bandwidth, 900, 1e-9);
}

TEST(DeqBands, ValuesOutOfRangeAreKeptPlayable)
{
    const std::vector<DeqBand> bands = DeqBandsOf(
        RecordOf({{30000, 9, 1, 100}, {600, 0, 1, -100}, {600, -5, 1, 0}, {600, 1000, 1, 0}, {-50, 9, 1, 0}}), 44100);
    ASSERT_EQ(bands.size(), 5u);
    EXPECT_EQ(bands[0].frequency, 22050) << "a centre above Nyquist";
    EXPECT_NEAR(bands[0].bandwidth, 22050 * kWidestBandwidthShare, 1e-9) << "a band over the whole spectrum";
    EXPECT_EQ(bands[0].gain_db, kHighestGainDb);
    EXPECT_EQ(bands[1].gain_db, kLowestGainDb);
    EXPECT_NEAR(bands[1].bandwidth, 600 * kNarrowestWidth / 9.0, 1e-9) << "width 0 is the narrowest";
    EXPECT_NEAR(bands[2].bandwidth, 600 * kNarrowestWidth / 9.0, 1e-9);
    EXPECT_NEAR(bands[3].bandwidth, 600 * kWidestWidth / 9.0, 1e-9);
    EXPECT_EQ(bands[4].frequency, kLowestBandFrequency);
}

TEST(DeqBands, NyquistFollowsTheStreamsRate)
{
    const DeqRecord record = RecordOf({{16000, 9, 2, 3}});
    EXPECT_EQ(DeqBandsOf(record, 22050)[0].frequency, 11025);
    EXPECT_EQ(DeqBandsOf(record, 0)[0].frequency, 16000) << "unknown rate: kept under the assumed one's";
    EXPECT_EQ(DeqBandsOf(RecordOf({{30000, 9, 2, 3}}), 0)[0].frequency, kAssumedRate / 2);
    EXPECT_EQ(DeqBandsOf(record, 1)[0].frequency, kLowestBandFrequency) << "no range to keep it in";
}

}  // namespace
}  // namespace platform::vendor
