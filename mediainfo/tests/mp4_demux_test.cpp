#include "mediainfo/mp4_demux.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "mediainfo/file_source.h"
#include "mediainfo/media_probe.h"
#include "mediainfo/mp4_pixel_ratio.h"
#include "mediainfo/tests/mp4_builder.h"

namespace mediainfo {
namespace {

using namespace mediainfo::testing;

constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT kOutOfMemory = static_cast<HRESULT>(0x8007000Eu);
constexpr std::uint32_t kFtypBytes = 20;   // MakeFtyp() with one compatible brand
constexpr std::uint32_t kVideoBytes = 10000;
constexpr std::uint32_t kAudioBytes = 300;

// A video track of four samples (1000, 2000, 3000, 4000 bytes, 250 ms each) in two chunks, and
// an AAC track of three 100-byte samples in one chunk, with their media data at data_offset.
std::vector<Mp4Track> AvTracks(std::uint32_t data_offset, Bytes video_entry, Bytes audio_entry)
{
    Mp4Track video;
    video.handler = "vide";
    video.timeScale = 1000;
    video.sampleEntry = std::move(video_entry);
    video.timeToSample = {{4, 250}};
    video.sampleToChunk = {{1, 2}};
    video.chunkOffsets = {data_offset, data_offset + 3000};
    video.sampleSizes = {1000, 2000, 3000, 4000};
    Mp4Track audio;
    audio.handler = "soun";
    audio.timeScale = 44100;
    audio.sampleEntry = std::move(audio_entry);
    audio.timeToSample = {{3, 1024}};
    audio.sampleToChunk = {{1, 3}};
    audio.chunkOffsets = {data_offset + kVideoBytes};
    audio.sampleSizes = {100, 100, 100};
    return {video, audio};
}

Bytes AvcEntry() { return MakeVisualEntry("avc1", 640, 480, MakeAvcC(MakeAvcSequenceParameterSet(255, 32, 27))); }
Bytes AacEntry(Bytes config = {0x12, 0x10}, std::uint32_t object_type = 0x40, std::uint32_t rate = 44100)
{
    return MakeAudioEntry("mp4a", 2, rate, MakeEsds(object_type, 128000, config));
}

Bytes MediaData(std::size_t bytes) { return Box("mdat", Bytes(bytes, 0xA5)); }

// ftyp, mdat, moov: the media data starts right after the ftyp box and the mdat header.
Bytes MoovLast(const std::vector<Mp4Track>& tracks, std::size_t media_bytes)
{
    return Cat({MakeFtyp(), MediaData(media_bytes), MakeMoov(tracks)});
}

// ftyp, moov, mdat: the chunk offsets depend on the size of the movie box itself.
template <class MakeTracks>
Bytes MoovFirst(MakeTracks make_tracks, std::size_t media_bytes)
{
    const std::size_t moov_bytes = MakeMoov(make_tracks(0)).size();
    const auto data_offset = static_cast<std::uint32_t>(kFtypBytes + moov_bytes + 8);
    return Cat({MakeFtyp(), MakeMoov(make_tracks(data_offset)), MediaData(media_bytes)});
}

struct Parsed {
    HRESULT result = 0;
    MediaInfo info;
    std::vector<std::uint64_t> videoOffsets;
    std::vector<std::uint64_t> audioOffsets;
};

Parsed Parse(const Bytes& file)
{
    MemorySource source(file.data(), file.size());
    MP4Demux demux(source, 2);
    Parsed parsed;
    parsed.result = demux.Parse(parsed.info);
    for (std::uint32_t i = 0; parsed.result == 0 && i < demux.VideoSampleCount(); ++i)
        parsed.videoOffsets.push_back(demux.VideoOffsets()[i]);
    for (std::uint32_t i = 0; parsed.result == 0 && i < demux.AudioSampleCount(); ++i)
        parsed.audioOffsets.push_back(demux.AudioOffsets()[i]);
    return parsed;
}

TEST(Mp4Demux, ReadsVideoAndAudioTracks)
{
    const std::uint32_t data = kFtypBytes + 8;
    const Parsed parsed = Parse(MoovLast(AvTracks(data, AvcEntry(), AacEntry()), kVideoBytes + kAudioBytes));
    ASSERT_EQ(parsed.result, 0);
    const MediaInfo& info = parsed.info;
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.kind, MediaKind::Mp4);
    EXPECT_EQ(info.durationSec, 1u);             // max(1000 ms video, 69 ms audio)
    EXPECT_EQ(info.videoFourCC, FourCC("AVC1"));
    EXPECT_EQ(info.videoWidth, 640u);
    EXPECT_EQ(info.videoHeight, 480u);
    EXPECT_EQ(info.frameDurationUs, 250000u);    // 1000 ms × 1000 / 4 samples
    EXPECT_EQ(info.videoBitRate, 80000u);        // (10000 bytes × 8 / 1000 ms) × 1000
    EXPECT_EQ(info.aspectX, 32u);
    EXPECT_EQ(info.aspectY, 27u);
    EXPECT_EQ(info.audioFormat, 255u);
    EXPECT_EQ(info.audioBitRate, 128000u);
    EXPECT_EQ(info.audioSampleRate, 44100u);     // a two-byte configuration leaves the entry's rate
    EXPECT_EQ(info.audioChannels, 2u);
    EXPECT_EQ(parsed.videoOffsets, (std::vector<std::uint64_t>{data, data + 1000, data + 3000, data + 6000}));
    EXPECT_EQ(parsed.audioOffsets,
              (std::vector<std::uint64_t>{data + kVideoBytes, data + kVideoBytes + 100, data + kVideoBytes + 200}));
}

TEST(Mp4Demux, MovieBoxAfterMediaDataReadsLikeMovieBoxFirst)
{
    const Parsed last = Parse(MoovLast(AvTracks(kFtypBytes + 8, AvcEntry(), AacEntry()), kVideoBytes + kAudioBytes));
    const Bytes first_file = MoovFirst([](std::uint32_t data) { return AvTracks(data, AvcEntry(), AacEntry()); },
                                       kVideoBytes + kAudioBytes);
    const Parsed first = Parse(first_file);
    ASSERT_EQ(last.result, 0);
    ASSERT_EQ(first.result, 0);
    EXPECT_EQ(std::memcmp(&first.info, &last.info, sizeof(MediaInfo)), 0);
    ASSERT_EQ(first.videoOffsets.size(), 4u);
    // Same layout, shifted by where the media data starts.
    const std::uint64_t shift = first.videoOffsets[0] - last.videoOffsets[0];
    EXPECT_EQ(first.videoOffsets[0], first_file.size() - kVideoBytes - kAudioBytes);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(first.videoOffsets[i] - shift, last.videoOffsets[i]);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(first.audioOffsets[i] - shift, last.audioOffsets[i]);
}

// The later track supplies the tables (sampling rate, samples); the play time takes the later
// track's time-to-sample entries with the first audio track's time scale.
TEST(Mp4Demux, TwoAudioTracksTakeTablesFromTheLaterOne)
{
    const std::uint32_t data = kFtypBytes + 8;
    Mp4Track first;
    first.handler = "soun";
    first.timeScale = 1000;
    first.sampleEntry = AacEntry({}, 0x40, 48000);
    first.timeToSample = {{10, 100}};
    first.sampleToChunk = {{1, 10}};
    first.chunkOffsets = {data};
    first.constantSize = 10;
    first.constantCount = 10;
    Mp4Track second = first;
    second.timeScale = 44100;
    second.sampleEntry = AacEntry({}, 0x40, 22050);
    second.timeToSample = {{100, 1024}};
    second.sampleToChunk = {{1, 100}};
    second.constantCount = 100;

    const Bytes file = MoovLast({first, second}, 1000);
    MemorySource source(file.data(), file.size());
    MP4Demux demux(source, 2);
    MediaInfo info;
    ASSERT_EQ(demux.Parse(info), 0);
    EXPECT_EQ(info.audioSampleRate, 22050u);
    EXPECT_EQ(demux.AudioSampleCount(), 100u);
    EXPECT_EQ(info.durationSec, 102u);   // 100 × 1024 ticks at 1000 per second, not at 44100
    EXPECT_EQ(info.videoFourCC, 0u);
    EXPECT_EQ(info.frameDurationUs, 0u);
}

TEST(Mp4Demux, VideoWithoutAvcConfigIsMpeg4Video)
{
    struct Case {
        const char* name;
        Bytes entry;
        std::uint32_t aspectX, aspectY;
    };
    const Case cases[] = {
        {"avc1 without avcC", MakeVisualEntry("avc1", 320, 240, {}), 0, 0},
        {"s263", MakeVisualEntry("s263", 176, 144, {}), 0, 0},
        {"mp4v with a video object layer", MakeVisualEntry("mp4v", 352, 288, MakeEsds(0x20, 0, MakeMpeg4VideoObjectLayer(3))), 10, 11},
        {"mp4v with an explicit ratio", MakeVisualEntry("mp4v", 352, 288, MakeEsds(0x20, 0, MakeMpeg4VideoObjectLayer(15, 8, 9))), 8, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Parsed parsed = Parse(MoovLast(AvTracks(kFtypBytes + 8, c.entry, AacEntry()), kVideoBytes + kAudioBytes));
        ASSERT_EQ(parsed.result, 0);
        EXPECT_EQ(parsed.info.videoFourCC, FourCC("MP4V"));
        EXPECT_EQ(parsed.info.aspectX, c.aspectX);
        EXPECT_EQ(parsed.info.aspectY, c.aspectY);
    }
}

TEST(Mp4Demux, AudioFormatFollowsTheObjectType)
{
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {{0x40, 255}, {0x67, 255}, {0x69, 85}, {0x6B, 85}};
    for (auto [object_type, format] : cases) {
        SCOPED_TRACE(object_type);
        const Parsed parsed = Parse(MoovLast(AvTracks(kFtypBytes + 8, AvcEntry(), AacEntry({}, object_type)),
                                             kVideoBytes + kAudioBytes));
        ASSERT_EQ(parsed.result, 0);
        EXPECT_EQ(parsed.info.audioFormat, format);
    }
}

// Explicit rate (index 15) and SBR in a three-byte or longer configuration replace the rate of
// the sample entry (8000 here).
TEST(Mp4Demux, AudioConfigurationSetsTheSamplingRate)
{
    const Bytes explicit_rate = BitWriter().Bits(5, 2).Bits(4, 15).Bits(24, 44100).Bits(4, 2).Bits(3, 0).Finish(false);
    const Bytes sbr = BitWriter().Bits(5, 5).Bits(4, 6).Bits(4, 2).Bits(4, 3).Bits(5, 2).Bits(3, 0).Finish(false);
    const Bytes reserved_index = BitWriter().Bits(5, 2).Bits(4, 13).Bits(4, 2).Bits(11, 0).Finish(false);
    const std::pair<Bytes, std::uint32_t> cases[] = {{explicit_rate, 44100}, {sbr, 48000}, {reserved_index, 8000}};
    for (const auto& [config, rate] : cases) {
        SCOPED_TRACE(rate);
        ASSERT_GE(config.size(), 3u);
        const Parsed parsed =
            Parse(MoovLast(AvTracks(kFtypBytes + 8, AvcEntry(), AacEntry(config, 0x40, 8000)), kVideoBytes + kAudioBytes));
        ASSERT_EQ(parsed.result, 0);
        EXPECT_EQ(parsed.info.audioSampleRate, rate);
    }
}

TEST(Mp4Demux, VideoOnlyFileHasNoAudioFormat)
{
    std::vector<Mp4Track> tracks = AvTracks(kFtypBytes + 8, AvcEntry(), {});
    tracks.pop_back();
    const Parsed parsed = Parse(MoovLast(tracks, kVideoBytes));
    ASSERT_EQ(parsed.result, 0);
    EXPECT_EQ(parsed.info.audioFormat, 0u);
    EXPECT_EQ(parsed.info.videoFourCC, FourCC("AVC1"));
}

// Sizes that lie, tables larger than their boxes, and layouts that place samples wrongly end
// with a failure code and never with an allocation the file could not back.
TEST(Mp4Demux, BadInputFailsCleanly)
{
    const std::uint32_t data = kFtypBytes + 8;
    auto with = [&](auto change) {
        std::vector<Mp4Track> tracks = AvTracks(data, AvcEntry(), AacEntry());
        change(tracks);
        return MoovLast(tracks, kVideoBytes + kAudioBytes);
    };
    Bytes box_past_end = MoovLast(AvTracks(data, AvcEntry(), AacEntry()), kVideoBytes + kAudioBytes);
    box_past_end[kFtypBytes + 2] = 0x7F;   // mdat size far beyond the file
    Bytes tiny_box = box_past_end;
    tiny_box[kFtypBytes] = tiny_box[kFtypBytes + 1] = tiny_box[kFtypBytes + 2] = 0;
    tiny_box[kFtypBytes + 3] = 4;
    Bytes zero_box = tiny_box;
    zero_box[kFtypBytes + 3] = 0;

    const std::string no_movie_line = "MP4: no movie box before the end of the file at " + std::to_string(box_past_end.size()) + "\n";
    struct Case {
        const char* name;
        Bytes file;
        const char* line;
    };
    const Case cases[] = {
        {"box larger than the file before the movie box", box_past_end, no_movie_line.c_str()},
        {"box smaller than its header", tiny_box, nullptr},
        {"box of size 0", zero_box, nullptr},
        {"no movie box", Cat({MakeFtyp(), MediaData(100)}), nullptr},
        {"more samples than chunks hold", with([](auto& t) { t[0].sampleToChunk = {{1, 2}, {2, 3}}; }), "[ERROR] MP4Demux SetSampleOffset-VIDEO\n"},
        {"chunk 0", with([](auto& t) { t[1].sampleToChunk = {{0, 3}}; }), "[ERROR] MP4Demux SetSampleOffset-AUDIO\n"},
        {"no samples per chunk", with([](auto& t) { t[1].sampleToChunk = {{1, 0}}; }), "[ERROR] MP4Demux SetSampleOffset-AUDIO\n"},
        {"no sample-to-chunk", with([](auto& t) { t[1].sampleToChunk.clear(); t[1].sampleToChunk = {}; }), "[ERROR] MP4Demux SetSampleOffset-AUDIO\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DebugCapture log;
        const Parsed parsed = Parse(c.file);
        EXPECT_EQ(parsed.result, kFail);
        EXPECT_EQ(parsed.info.status, kFail);
        EXPECT_EQ(parsed.info.kind, MediaKind::Unknown);
        if (c.line) {
            EXPECT_TRUE(log.Saw(c.line));
        }
    }

    // Samples of a constant size carry no table; a count no device could hold offsets for
    // fails as the allocation would, without making it.
    DebugCapture log;
    const Parsed huge = Parse(with([](auto& t) { t[0].sampleSizes.clear(); t[0].constantSize = 1; t[0].constantCount = 0xFFFFFFFF; }));
    EXPECT_EQ(huge.result, kOutOfMemory);
    EXPECT_TRUE(log.Saw("[ERROR] MP4Demux SetSampleOffset-VIDEO\n"));
}

// Tables whose entry counts exceed their box: patch the count field of the named table.
TEST(Mp4Demux, TableCountBeyondItsBoxFails)
{
    for (const char* table : {"stts", "stsc", "stco", "stsz"}) {
        SCOPED_TRACE(table);
        Bytes file = MoovLast(AvTracks(kFtypBytes + 8, AvcEntry(), AacEntry()), kVideoBytes + kAudioBytes);
        const std::string name(table);
        const auto at = std::search(file.begin(), file.end(), name.begin(), name.end());
        ASSERT_NE(at, file.end());
        // version/flags follow the type; stsz has its constant size before the count.
        const std::size_t count = static_cast<std::size_t>(at - file.begin()) + 8 + (name == "stsz" ? 4 : 0);
        file[count] = 0x40;
        EXPECT_EQ(Parse(file).result, kFail);
    }
}

// A movie box larger than the reader loads at once fails as an allocation would, without
// allocating it.
TEST(Mp4Demux, HugeMovieBoxIsAnAllocationFailure)
{
    class LargeFile final : public FileSource {
    public:
        std::uint64_t Size() const override { return 0x10000000; }
        bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& bytes_read) override
        {
            const Bytes head = Cat({MakeFtyp(), Box("moov", {})});
            std::memset(buffer, 0, count);
            for (std::size_t i = 0; i < count && offset + i < head.size(); ++i)
                static_cast<std::uint8_t*>(buffer)[i] = head[offset + i];
            if (offset <= kFtypBytes && offset + count >= kFtypBytes + 4)
                std::memcpy(static_cast<std::uint8_t*>(buffer) + (kFtypBytes - offset), "\x0F\x00\x00\x00", 4);
            bytes_read = count;
            return true;
        }
    } file;
    DebugCapture log;
    MediaInfo info;
    EXPECT_EQ(ReadMp4File(file, info, 2), kOutOfMemory);
    EXPECT_EQ(info.status, kOutOfMemory);
    EXPECT_TRUE(log.Saw("[ERROR] MP4 Parse memory alloc fail\n"));
}

// More tracks than the table holds, a handler box after the sample tables of a fifth track,
// and a media time scale of 0 are read without overrunning anything or dividing by zero.
TEST(Mp4Demux, OddTrackLayoutsStayInBounds)
{
    std::vector<Mp4Track> tracks = AvTracks(kFtypBytes + 8, AvcEntry(), AacEntry());
    tracks[1].timeScale = 0;
    for (int i = 0; i < 23; ++i) {
        Mp4Track extra = tracks[1];
        extra.handler = "text";
        extra.handlerLast = true;
        tracks.push_back(extra);
    }
    const Parsed parsed = Parse(MoovLast(tracks, kVideoBytes + kAudioBytes));
    ASSERT_EQ(parsed.result, 0);
    EXPECT_EQ(parsed.info.durationSec, 1u);
    EXPECT_EQ(parsed.info.audioSampleRate, 44100u);
}

// Through the probe chain: an ftyp box whose major brand is unknown is read as MP4 when a
// compatible brand is known, and not at all otherwise.
TEST(Mp4Demux, ProbeTakesCompatibleBrands)
{
    const auto probe = [](const Bytes& ftyp) {
        const auto data = static_cast<std::uint32_t>(ftyp.size() + 8);
        const Bytes file = Cat({ftyp, MediaData(kVideoBytes + kAudioBytes), MakeMoov(AvTracks(data, AvcEntry(), AacEntry()))});
        MemorySource source(file.data(), file.size());
        MediaInfo info;
        (void)ProbeFile(source, info);
        return info;
    };
    const MediaInfo compatible = probe(MakeFtyp("qt  ", {"abcd", "mp42", "isom"}));
    EXPECT_EQ(compatible.status, 0);
    EXPECT_EQ(compatible.kind, MediaKind::Mp4);
    EXPECT_EQ(compatible.videoFourCC, FourCC("AVC1"));
    EXPECT_EQ(compatible.durationSec, 1u);
    const MediaInfo unknown = probe(MakeFtyp("qt  ", {"abcd", "qt  "}));
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.kind, MediaKind::Unknown);
}

// A file cut anywhere: a cut before the end of the movie box fails; with the movie box whole,
// the file reads exactly as the whole one, its sample offsets past the cut included.
TEST(Mp4Demux, CutFilesReadTheirMovieBox)
{
    const auto tracks = [](std::uint32_t data) { return AvTracks(data, AvcEntry(), AacEntry()); };
    const std::size_t moov_bytes = MakeMoov(tracks(0)).size();
    const struct {
        const char* name;
        Bytes file;
        std::size_t movieEnd;
    } files[] = {
        {"movie box last", MoovLast(tracks(kFtypBytes + 8), kVideoBytes + kAudioBytes), kFtypBytes + 8 + kVideoBytes + kAudioBytes + moov_bytes},
        {"movie box first", MoovFirst(tracks, kVideoBytes + kAudioBytes), kFtypBytes + moov_bytes},
    };
    for (const auto& [name, file, movie_end] : files) {
        SCOPED_TRACE(name);
        const Parsed whole = Parse(file);
        ASSERT_EQ(whole.result, 0);
        ASSERT_EQ(movie_end <= file.size(), true);
        for (std::size_t length = 0; length < file.size(); ++length) {
            const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
            const Parsed parsed = Parse(prefix);
            SCOPED_TRACE(::testing::Message() << "prefix of " << length << " bytes");
            if (length < movie_end) {
                ASSERT_EQ(parsed.result, kFail);
                ASSERT_EQ(parsed.info.kind, MediaKind::Unknown);
                continue;
            }
            ASSERT_EQ(parsed.result, 0);
            ASSERT_EQ(std::memcmp(&parsed.info, &whole.info, sizeof(MediaInfo)), 0);
            ASSERT_EQ(parsed.videoOffsets, whole.videoOffsets);
            ASSERT_EQ(parsed.audioOffsets, whole.audioOffsets);
        }
    }
}

}  // namespace
}  // namespace mediainfo
