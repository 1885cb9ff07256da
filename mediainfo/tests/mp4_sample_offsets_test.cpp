#include "mediainfo/mp4_sample_offsets.h"

#include <gtest/gtest.h>

#include <vector>

#include "mediainfo/mp4_pixel_ratio.h"
#include "mediainfo/mp4_audio_config.h"
#include "mediainfo/tests/mp4_builder.h"

namespace mediainfo {
namespace {

using namespace mediainfo::testing;

Mp4SampleTables MakeTables(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& runs,
                           const std::vector<std::uint32_t>& chunks, std::uint32_t constant_size, std::uint32_t count)
{
    Mp4SampleTables tables;
    tables.sampleToChunk.emplace();
    EXPECT_TRUE(tables.sampleToChunk->Allocate(runs.size()));
    for (std::size_t i = 0; i < runs.size(); ++i)
        (*tables.sampleToChunk)[i] = {runs[i].first, runs[i].second};
    tables.chunkOffsets.emplace();
    EXPECT_TRUE(tables.chunkOffsets->Allocate(chunks.size()));
    for (std::size_t i = 0; i < chunks.size(); ++i)
        (*tables.chunkOffsets)[i] = chunks[i];
    tables.sampleSizes.emplace();
    tables.sampleSizes->constantSize = constant_size;
    tables.sampleSizes->sampleCount = count;
    return tables;
}

struct Layout {
    ReadStatus status;
    std::vector<std::uint64_t> offsets;
};

Layout Lay(const Mp4SampleTables& tables, std::uint32_t count)
{
    Mp4Table<std::uint64_t> offsets;
    Layout layout{SetSampleOffset(tables, count, offsets), {}};
    if (layout.status == ReadStatus::Ok) {
        EXPECT_EQ(offsets.Count(), std::size_t{count} + 1);
        for (std::uint32_t i = 0; i < count; ++i)
            layout.offsets.push_back(offsets[i]);
    }
    return layout;
}

TEST(Mp4SampleOffsets, LaysOutChunksFromTheSampleToChunkTable)
{
    struct Case {
        const char* name;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> runs;
        std::vector<std::uint32_t> chunks;
        std::uint32_t count;
        std::vector<std::uint64_t> expected;
    };
    const Case cases[] = {
        // Chunks 1-2 hold two samples, the last entry three: its chunk 3 is laid out first,
        // then the rest go on at three per chunk into chunk 4.
        {"last entry covering several chunks", {{1, 2}, {3, 3}}, {100, 200, 300, 400}, 9,
         {100, 110, 200, 210, 300, 310, 320, 400, 410}},
        {"one sample per chunk", {{1, 1}}, {100, 200, 300}, 3, {100, 200, 300}},
        {"chunk numbers beyond the offset table take its last entry", {{1, 1}}, {100, 200}, 4, {100, 200, 200, 200}},
        {"no chunk offsets", {{1, 2}}, {}, 2, {8, 18}},
        {"a run without samples places nothing", {{1, 0}, {0x7FFFFFFF, 2}}, {100}, 2, {100, 110}},
        {"no samples", {}, {}, 0, {}},
        // A file cut short keeps the tables of the whole one: its later samples lie past the
        // cut, and their offsets are worked out all the same.
        {"samples beyond any file size", {{1, 3}}, {0xFFFFFFF0u}, 3, {0xFFFFFFF0u, 0x100000000ull - 6, 0x100000000ull + 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Layout layout = Lay(MakeTables(c.runs, c.chunks, 10, c.count), c.count);
        ASSERT_EQ(layout.status, ReadStatus::Ok);
        EXPECT_EQ(layout.offsets, c.expected);
    }
}

TEST(Mp4SampleOffsets, RefusesLayoutsThatDoNotFit)
{
    struct Case {
        const char* name;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> runs;
        std::uint32_t count;
        ReadStatus expected;
    };
    const Case cases[] = {
        {"more samples than the sample count", {{1, 4}, {2, 1}}, 3, ReadStatus::Malformed},
        {"samples left and no entry to place them", {}, 3, ReadStatus::Malformed},
        {"samples left and the last entry holds none", {{1, 1}, {2, 0}}, 3, ReadStatus::Malformed},
        {"chunk 0", {{0, 3}}, 3, ReadStatus::Malformed},
        {"more samples than any file", {{1, 1}}, kMaxMp4SampleCount + 1, ReadStatus::OutOfMemory},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Lay(MakeTables(c.runs, {100, 200}, 10, c.count), c.count).status, c.expected);
    }
    Mp4SampleTables without_chunks = MakeTables({{1, 1}}, {100}, 10, 1);
    without_chunks.chunkOffsets.reset();
    EXPECT_EQ(Lay(without_chunks, 1).status, ReadStatus::Malformed);
}

TEST(Mp4AudioConfig, ReadsRateFromTheConfiguration)
{
    struct Case {
        const char* name;
        Bytes config;
        std::optional<std::uint32_t> rate;
        std::uint32_t objectType;
    };
    const Case cases[] = {
        {"AAC LC 44100", {0x12, 0x10}, 44100, 2},
        {"explicit rate", BitWriter().Bits(5, 2).Bits(4, 15).Bits(24, 37800).Bits(4, 1).Finish(false), 37800, 2},
        {"SBR", BitWriter().Bits(5, 5).Bits(4, 6).Bits(4, 2).Bits(4, 3).Bits(5, 2).Finish(false), 48000, 2},
        {"SBR with an explicit extension rate",
         BitWriter().Bits(5, 5).Bits(4, 8).Bits(4, 1).Bits(4, 15).Bits(24, 32000).Bits(5, 2).Finish(false), 32000, 2},
        {"reserved index", BitWriter().Bits(5, 2).Bits(4, 14).Bits(4, 2).Finish(false), std::nullopt, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<Mp4AudioConfig> config = ReadMp4AudioConfig(c.config.data(), c.config.size());
        ASSERT_TRUE(config.has_value());
        EXPECT_EQ(config->sampleRate, c.rate);
        EXPECT_EQ(config->objectType, c.objectType);
    }
    const Bytes cut = {0x17};
    EXPECT_FALSE(ReadMp4AudioConfig(cut.data(), cut.size()).has_value());
    EXPECT_FALSE(ReadMp4AudioConfig(nullptr, 0).has_value());
}

TEST(Mp4AspectRatio, ReadsSequenceParameterSetAndVideoObjectLayer)
{
    const std::pair<int, PixelAspect> avc[] = {{1, {1, 1}}, {2, {12, 11}}, {14, {4, 3}}, {16, {2, 1}}};
    for (auto [idc, aspect] : avc) {
        const Bytes sps = MakeAvcSequenceParameterSet(idc);
        EXPECT_EQ(ReadAvcPixelAspect(sps.data(), sps.size()), aspect) << "idc " << idc;
    }
    for (int idc : {-1, 0, 17, 254}) {
        const Bytes sps = MakeAvcSequenceParameterSet(idc);
        EXPECT_FALSE(ReadAvcPixelAspect(sps.data(), sps.size()).has_value()) << "idc " << idc;
    }
    // An explicit 0:1 ratio puts 00 00 into the unit, so the stream carries an emulation
    // prevention byte that the reader must drop.
    Bytes escaped = MakeAvcSequenceParameterSet(255, 0, 1);
    const Bytes plain = escaped;
    for (std::size_t i = 2; i < escaped.size(); ++i) {
        if (escaped[i - 2] == 0 && escaped[i - 1] == 0 && escaped[i] <= 3) {
            escaped.insert(escaped.begin() + static_cast<std::ptrdiff_t>(i), 3);
            ++i;
        }
    }
    ASSERT_NE(escaped.size(), plain.size());
    EXPECT_EQ(ReadAvcPixelAspect(escaped.data(), escaped.size()), (PixelAspect{0, 1}));
    // A cut unit never reads past its end.
    for (std::size_t length = 0; length < plain.size(); ++length)
        (void)ReadAvcPixelAspect(plain.data(), length);

    // In a frame, the first parameter set after a start code counts.
    const Bytes frame = Cat({{0, 0, 0, 1, 0x09, 0xF0, 0, 0, 1}, MakeAvcSequenceParameterSet(4), {0, 0, 1},
                             MakeAvcSequenceParameterSet(5)});
    EXPECT_EQ(FindAvcPixelAspect(frame.data(), frame.size()), (PixelAspect{16, 11}));

    // Video object layers: codes 6..14 are passed over; the last valid one wins.
    const Bytes layers = Cat({MakeMpeg4VideoObjectLayer(2), MakeMpeg4VideoObjectLayer(7), MakeMpeg4VideoObjectLayer(5)});
    EXPECT_EQ(FindMpeg4VideoPixelAspect(layers.data(), layers.size()), (PixelAspect{40, 33}));
    const Bytes passed_over = MakeMpeg4VideoObjectLayer(9);
    EXPECT_FALSE(FindMpeg4VideoPixelAspect(passed_over.data(), passed_over.size()).has_value());
}

}  // namespace
}  // namespace mediainfo
