#include "mediainfo/avi_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "mediainfo/codec_names.h"
#include "mediainfo/file_source.h"
#include "mediainfo/media_probe.h"
#include "mediainfo/tests/avi_builder.h"

namespace mediainfo {
namespace {

using namespace mediainfo::testing;

constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005u);

AviStream Video(const std::string& compression = "XVID", std::uint32_t width = 640, std::uint32_t height = 480)
{
    AviStream stream;
    stream.type = "vids";
    stream.compression = compression;
    stream.width = width;
    stream.height = height;
    return stream;
}

AviStream Audio(std::uint16_t format_tag = 85)
{
    AviStream stream;
    stream.type = "auds";
    stream.handler = std::string(4, '\0');
    stream.formatTag = format_tag;
    return stream;
}

// 50 video chunks of 100 bytes at 40 ms (2 s), interleaved with audio chunks of 50 bytes; the
// first video frame carries first_frame.
AviFile Movie(Bytes first_frame, const std::string& compression = "XVID")
{
    AviFile file;
    file.header = MakeAviHeader({40000, {Video(compression), Audio()}});
    first_frame.resize(100, 0);
    file.chunks.push_back({"00dc", first_frame});
    for (int i = 1; i < 50; ++i) {
        file.chunks.push_back({"01wb", Bytes(50, 0x22), 0});
        file.chunks.push_back({"00dc", Bytes(100, 0x33), 0});
    }
    return file;
}

struct Parsed {
    HRESULT result;
    MediaInfo info;
};

Parsed Parse(const Bytes& file)
{
    MemorySource source(file.data(), file.size());
    Parsed parsed{0, {}};
    parsed.result = ReadAviFile(source, parsed.info);
    return parsed;
}

TEST(AviParser, ReadsFormatsDurationAndAspect)
{
    const Parsed parsed = Parse(MakeAviFile(Movie(MakeMpeg4VideoObjectLayer(2))));
    ASSERT_EQ(parsed.result, 0);
    const MediaInfo& info = parsed.info;
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.kind, MediaKind::Avi);
    EXPECT_EQ(info.durationSec, 2u);                // 40000 us × 50 chunks
    EXPECT_EQ(info.videoFourCC, FourCC("XVID"));
    EXPECT_EQ(info.videoWidth, 640u);
    EXPECT_EQ(info.videoHeight, 480u);
    EXPECT_EQ(info.frameDurationUs, 40000u);
    EXPECT_EQ(info.videoBitRate, 20000u);           // (5000 bytes × 8 / 2000 ms) × 1000
    EXPECT_EQ(info.aspectX, 12u);
    EXPECT_EQ(info.aspectY, 11u);
    EXPECT_EQ(info.audioFormat, 85u);
    EXPECT_EQ(info.audioSampleRate, 44100u);
    EXPECT_EQ(info.audioChannels, 2u);
    EXPECT_EQ(info.audioBitRate, 128000u);
}

TEST(AviParser, VideoFourCCKeepsItsSpelling)
{
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"DIVX", 0x44495658u}, {"divx", 0x64697678u}, {"DX50", FourCC("DX50")}, {"H264", FourCC("H264")}};
    for (auto [compression, four_cc] : cases) {
        SCOPED_TRACE(compression);
        const Parsed parsed = Parse(MakeAviFile(Movie({}, compression)));
        ASSERT_EQ(parsed.result, 0);
        EXPECT_EQ(parsed.info.videoFourCC, four_cc);
    }
}

TEST(AviParser, H264FrameGivesAspectFromSequenceParameterSet)
{
    for (const char* compression : {"H264", "h264"}) {
        SCOPED_TRACE(compression);
        const Bytes frame = Cat({{0, 0, 0, 1, 0x09, 0x10, 0, 0, 0, 1}, MakeAvcSequenceParameterSet(255, 64, 45)});
        const Parsed parsed = Parse(MakeAviFile(Movie(frame, compression)));
        ASSERT_EQ(parsed.result, 0);
        EXPECT_EQ(parsed.info.aspectX, 64u);
        EXPECT_EQ(parsed.info.aspectY, 45u);
    }
    // Under another compression the same frame is scanned for MPEG-4 video object layers only.
    const Bytes frame = Cat({{0, 0, 0, 1}, MakeAvcSequenceParameterSet(255, 64, 45)});
    const Parsed other = Parse(MakeAviFile(Movie(frame, "avc1")));
    ASSERT_EQ(other.result, 0);
    EXPECT_EQ(other.info.aspectX, 0u);
}

TEST(AviParser, WithoutIndexFormatsAreFilledButNoDuration)
{
    AviFile file = Movie(MakeMpeg4VideoObjectLayer(2));
    file.withIndex = false;
    const Parsed parsed = Parse(MakeAviFile(file));
    ASSERT_EQ(parsed.result, 0);
    EXPECT_EQ(parsed.info.durationSec, 0u);
    EXPECT_EQ(parsed.info.frameDurationUs, 0u);
    EXPECT_EQ(parsed.info.videoBitRate, 0u);
    EXPECT_EQ(parsed.info.aspectX, 0u);
    EXPECT_EQ(parsed.info.aspectY, 0u);
    EXPECT_EQ(parsed.info.videoFourCC, FourCC("XVID"));
    EXPECT_EQ(parsed.info.videoWidth, 640u);
    EXPECT_EQ(parsed.info.audioFormat, 85u);
}

TEST(AviParser, FirstStreamOfEachTypeWins)
{
    AviFile file = Movie(MakeMpeg4VideoObjectLayer(1));
    file.header = MakeAviHeader({40000, {Video("DIVX", 720, 576), Audio(0x55), Video("WMV3", 320, 240), Audio(1)}});
    const Bytes bytes = MakeAviFile(file);
    MemorySource source(bytes.data(), bytes.size());
    AviParser parser(source);
    MediaInfo info;
    ASSERT_EQ(parser.Parse(info), 0);
    EXPECT_EQ(info.videoFourCC, FourCC("DIVX"));
    EXPECT_EQ(info.videoWidth, 720u);
    EXPECT_EQ(info.videoHeight, 576u);
    EXPECT_EQ(info.audioFormat, 0x55u);
    ASSERT_NE(parser.Headers(), nullptr);
    EXPECT_EQ(parser.Headers()->videoStream.handler, FourCC("xvid"));
    EXPECT_EQ(parser.Headers()->videoStream.frame[2], 720);
    EXPECT_EQ(parser.Headers()->main.streams, 4u);
}

TEST(AviParser, AbsoluteIndexOffsetsStillFindTheFirstFrame)
{
    AviFile file = Movie(MakeMpeg4VideoObjectLayer(4));
    file.absoluteOffsets = true;
    const Parsed parsed = Parse(MakeAviFile(file));
    ASSERT_EQ(parsed.result, 0);
    EXPECT_EQ(parsed.info.aspectX, 16u);
    EXPECT_EQ(parsed.info.aspectY, 11u);
}

// Each zero identifier moves the walk by 9 bytes (header and one byte); 4096 in a row are
// stepped over, the 4097th ends the walk.
TEST(AviParser, ZeroIdentifiersAreBounded)
{
    for (std::size_t run : {4096u, 4097u}) {
        SCOPED_TRACE(run);
        AviFile file = Movie(MakeMpeg4VideoObjectLayer(1));
        file.beforeMovie = Bytes(run * 9, 0);
        DebugCapture log;
        const Parsed parsed = Parse(MakeAviFile(file));
        EXPECT_EQ(parsed.result, run == 4096 ? 0 : kFail);
        if (run == 4096) {
            EXPECT_EQ(parsed.info.durationSec, 2u);
        }
    }
}

TEST(AviParser, IndexCountsStreamsZeroAndOne)
{
    AviFile file;
    file.header = MakeAviHeader({40000, {Video(), Audio()}});
    file.chunks = {{"00dc", Bytes(10, 1), 0x10}, {"01wb", Bytes(7, 2), 0}, {"01dc", Bytes(20, 3), 0},
                   {"00wb", Bytes(5, 4), 0},     {"00db", Bytes(30, 5), 0}, {"01db", Bytes(40, 6), 0x10},
                   {"02dc", Bytes(50, 7), 0x10}, {"02wb", Bytes(60, 8), 0}, {"00pc", Bytes(4, 9), 0}};
    const Bytes bytes = MakeAviFile(file);
    MemorySource source(bytes.data(), bytes.size());
    AviParser parser(source);
    MediaInfo info;
    ASSERT_EQ(parser.Parse(info), 0);
    const AviIndex* index = parser.Index();
    ASSERT_NE(index, nullptr);
    EXPECT_EQ(index->videoCount, 4u);
    EXPECT_EQ(index->audioCount, 2u);
    EXPECT_EQ(index->videoBytes, 100u);
    EXPECT_EQ(index->audioBytes, 12u);
    EXPECT_EQ(index->audioBytePositions[0], 0u);
    EXPECT_EQ(index->audioBytePositions[1], 7u);
    EXPECT_EQ(index->videoKeyFrames[0], 1);
    EXPECT_EQ(index->videoKeyFrames[1], 0);
    EXPECT_EQ(index->videoKeyFrames[3], 1);
    EXPECT_EQ(index->videoOffsets[0], 4u);
    EXPECT_EQ(index->offsetBase, 12 + MakeAviHeader({40000, {Video(), Audio()}}).size() + 8);
    EXPECT_EQ(info.frameDurationUs, 40000u);
}

TEST(AviParser, FormatExtraBytes)
{
    struct Case {
        const char* name;
        AviStream video;
        AviStream audio;
        std::size_t videoExtra;
        std::size_t audioExtra;
    };
    AviStream video_with_extra = Video();
    video_with_extra.videoExtra = {1, 2, 3, 4};
    AviStream audio_with_extra = Audio(255);
    audio_with_extra.audioExtra = Bytes{0x12, 0x10};
    AviStream odd_audio = Audio(1);
    odd_audio.oddAudioFormat = true;
    AviStream empty_extra = Audio(1);
    empty_extra.audioExtra = Bytes{};
    const Case cases[] = {
        {"40-byte bitmap header, 16-byte wave format", Video(), Audio(1), 0, 0},
        {"44-byte bitmap header, wave format with two extra bytes", video_with_extra, audio_with_extra, 4, 2},
        {"17-byte wave format", Video(), odd_audio, 0, 0},
        {"wave format with extra size 0", Video(), empty_extra, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AviFile file = Movie({});
        file.header = MakeAviHeader({40000, {c.video, c.audio}});
        const Bytes bytes = MakeAviFile(file);
        MemorySource source(bytes.data(), bytes.size());
        AviParser parser(source);
        MediaInfo info;
        ASSERT_EQ(parser.Parse(info), 0);
        const AviStreamHeaders& headers = *parser.Headers();
        EXPECT_EQ(headers.videoExtraCopied, c.videoExtra != 0);
        EXPECT_EQ(headers.audioExtraCopied, c.audioExtra != 0);
        if (c.videoExtra) {
            EXPECT_EQ(headers.videoExtra.Size(), c.videoExtra);
            EXPECT_EQ(headers.videoExtra.Data()[3], 4);
        }
        if (c.audioExtra) {
            EXPECT_EQ(headers.audioExtra.Size(), c.audioExtra);
            EXPECT_EQ(headers.audioExtra.Data()[0], 0x12);
        }
    }
}

TEST(AviParser, DebugLinesForUnexpectedChunks)
{
    AviFile file = Movie({});
    Bytes strl_without_strh = List("strl", Chunk("strx", Bytes(4, 0)));
    Bytes header_body = Cat({Chunk("avih", Bytes(56, 0)), MakeStrl(Video()), List("strl", Cat({Chunk("strh", Bytes(56, 0x41))})),
                             strl_without_strh, Chunk("vprp", Bytes(8, 0))});
    file.header = List("hdrl", header_body);
    file.beforeMovie = Cat({Chunk("abcd", Bytes(4, 0)), List("zzzz", Bytes(4, 0))});
    DebugCapture log;
    const Parsed parsed = Parse(MakeAviFile(file));
    ASSERT_EQ(parsed.result, 0);
    EXPECT_TRUE(log.Saw("ERROR: Unknown Chunk ID =61626364 \n"));
    EXPECT_TRUE(log.Saw("ERROR: Unknown Chunk FourCC =7A7A7A7A \n"));
    EXPECT_TRUE(log.Saw("ERROR: fcc_type is not valid=41414141\n"));
    EXPECT_TRUE(log.Saw("ERROR: not strh\n"));
    EXPECT_TRUE(log.Saw("ERROR: neither avih nor LIST(strl)=76707270\n"));
    EXPECT_EQ(parsed.info.videoFourCC, FourCC("XVID"));
}

TEST(AviParser, BadInputFailsCleanly)
{
    const Bytes good = MakeAviFile(Movie(MakeMpeg4VideoObjectLayer(1)));
    auto patched = [&](std::size_t at, std::uint32_t value) {
        Bytes bytes = good;
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        return bytes;
    };
    AviFile cut_main = Movie({});
    cut_main.header = List("hdrl", Chunk("avih", Bytes(20, 0)));
    AviStream lying_bitmap = Video();
    lying_bitmap.bitmapSizeField = 4000;
    AviFile lying_extra = Movie({});
    lying_extra.header = MakeAviHeader({40000, {lying_bitmap, Audio()}});
    AviFile no_header = Movie({});
    no_header.header = List("INFO", Bytes(4, 0));
    struct Case {
        const char* name;
        Bytes file;
    };
    const Case cases[] = {
        {"hdrl larger than the file", patched(16, 0x7FFFFFF0)},
        {"main header cut short", MakeAviFile(cut_main)},
        {"bitmap extra beyond its chunk", MakeAviFile(lying_extra)},
        {"no header list", MakeAviFile(no_header)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Parsed parsed = Parse(c.file);
        EXPECT_EQ(parsed.result, kFail);
        EXPECT_EQ(parsed.info.status, kFail);
        EXPECT_EQ(parsed.info.kind, MediaKind::Unknown);
    }
}

// A file cut anywhere, with the RIFF size of the whole file or one made to match: a cut inside
// the header list fails; every later cut reads the same formats as the whole file, and the
// index counts only its whole entries.
TEST(AviParser, CutFilesReadWhatTheirHeadersHold)
{
    const Bytes file = MakeAviFile(Movie(MakeMpeg4VideoObjectLayer(2)));
    const Parsed whole = Parse(file);
    ASSERT_EQ(whole.result, 0);
    const std::size_t header_end = 12 + MakeAviHeader({40000, {Video(), Audio()}}).size();
    const std::size_t index_data = file.size() - 99 * 16;   // 50 video and 49 audio entries
    for (std::size_t length = 0; length < file.size(); ++length) {
        for (bool matching_riff_size : {false, true}) {
            Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
            if (matching_riff_size && length >= 8) {
                const auto riff_size = static_cast<std::uint32_t>(length - 8);
                for (int i = 0; i < 4; ++i)
                    prefix[4 + i] = static_cast<std::uint8_t>(riff_size >> (8 * i));
            }
            const Parsed parsed = Parse(prefix);
            const MediaInfo& info = parsed.info;
            SCOPED_TRACE(::testing::Message() << "prefix of " << length << " bytes, RIFF size "
                                              << (matching_riff_size ? "made to match" : "of the whole file"));
            if (length < header_end) {
                ASSERT_EQ(parsed.result, kFail);
                ASSERT_EQ(info.kind, MediaKind::Unknown);
                continue;
            }
            ASSERT_EQ(parsed.result, 0);
            ASSERT_EQ(info.kind, MediaKind::Avi);
            ASSERT_EQ(info.videoFourCC, whole.info.videoFourCC);
            ASSERT_EQ(info.videoWidth, whole.info.videoWidth);
            ASSERT_EQ(info.videoHeight, whole.info.videoHeight);
            ASSERT_EQ(info.audioFormat, whole.info.audioFormat);
            ASSERT_EQ(info.audioSampleRate, whole.info.audioSampleRate);
            ASSERT_EQ(info.audioChannels, whole.info.audioChannels);
            ASSERT_EQ(info.audioBitRate, whole.info.audioBitRate);
            // Entries alternate 00dc, 01wb, 00dc, ...: n whole entries hold (n + 1) / 2 frames.
            const std::size_t entries = length > index_data ? (length - index_data) / 16 : 0;
            const std::uint32_t frames = static_cast<std::uint32_t>((entries + 1) / 2);
            ASSERT_EQ(info.durationSec, frames * 40 / 1000);
            ASSERT_EQ(info.frameDurationUs, frames ? 40000u : 0u);
            ASSERT_EQ(info.aspectX, frames ? 12u : 0u);
            ASSERT_EQ(info.aspectY, frames ? 11u : 0u);
        }
    }
}

// RIFF "AVI " as a recorder leaves it while it records: RIFF and movi sizes of 0xFFFFFFFF and
// no index yet.
Bytes StreamedAvi()
{
    AviFile movie = Movie(MakeMpeg4VideoObjectLayer(2), "DIVX");
    movie.withIndex = false;
    Bytes file = MakeAviFile(movie);
    const std::size_t movi_size = 12 + movie.header.size() + 4;
    for (std::size_t at : {std::size_t{4}, movi_size})
        for (int i = 0; i < 4; ++i)
            file[at + static_cast<std::size_t>(i)] = 0xFF;
    return file;
}

TEST(AviParser, StreamedFileHasItsFormatsAndNoDuration)
{
    const Bytes file = StreamedAvi();
    MemorySource source(file.data(), file.size());
    MediaInfo info;
    DebugCapture log;
    EXPECT_NE(ProbeFile(source, info), 0);
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.kind, MediaKind::Avi);
    EXPECT_EQ(info.videoFourCC, FourCC("DIVX"));
    EXPECT_EQ(info.videoWidth, 640u);
    EXPECT_EQ(info.videoHeight, 480u);
    EXPECT_EQ(info.audioFormat, 85u);
    EXPECT_EQ(info.audioSampleRate, 44100u);
    EXPECT_EQ(info.audioChannels, 2u);
    EXPECT_EQ(info.durationSec, 0u);
    EXPECT_EQ(info.frameDurationUs, 0u);
    EXPECT_EQ(info.aspectX, 0u) << "the first frame is looked for only through the index";
    EXPECT_TRUE(log.Saw("AVI: chunk 4C495354 at " + std::to_string(12 + MakeAviHeader({40000, {Video(), Audio()}}).size()) +
                        " of 4294967295 bytes is cut by the end of the file\n"));

    // Movie plays it: an AVI with DivX video and MP3 audio.
    std::vector<std::string> lines;
    const bool accepted = DumpMediaInfo(
        info, [](std::string_view line, void* context) { static_cast<std::vector<std::string>*>(context)->emplace_back(line); },
        &lines);
    EXPECT_TRUE(accepted);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "AVI\n");
    EXPECT_EQ(lines[1], "DIVX\n");
    EXPECT_EQ(lines[2], "  640x480\n");
    EXPECT_EQ(lines.back(), "  44.100KHz\n");
}

// Sizes that lie in every way a walk could stand still, move backwards or wrap: the walk always
// moves forward and ends, and what came before the lie is kept.
TEST(AviParser, LyingSizesEndTheWalkMovingForward)
{
    const std::size_t header_end = 12 + MakeAviHeader({40000, {Video(), Audio()}}).size();
    struct Case {
        const char* name;
        Bytes beforeMovie;
        std::uint32_t durationSec;   // 2 when the walk reaches the index
    };
    // A chunk of size 0 moves the walk by its header and one byte.
    Bytes zero_sized;
    for (int i = 0; i < 500; ++i)
        PutBytes(zero_sized, Cat({{'a', 'b', 'c', 'd'}, {0, 0, 0, 0, 'x'}}));
    const Case cases[] = {
        {"JUNK of 0xFFFFFFFF", Chunk("JUNK", {}), 0},
        {"JUNK that wraps a 32-bit position", Chunk("JUNK", {}), 0},
        {"list smaller than its type", Cat({{'L', 'I', 'S', 'T', 2, 0, 0, 0, 'I', 'N'}}), 2},
        {"chunks of size 0", zero_sized, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AviFile movie = Movie(MakeMpeg4VideoObjectLayer(2));
        movie.beforeMovie = c.beforeMovie;
        Bytes file = MakeAviFile(movie);
        if (std::string(c.name).rfind("JUNK", 0) == 0) {
            const std::uint32_t size = std::string(c.name) == "JUNK of 0xFFFFFFFF"
                                           ? 0xFFFFFFFFu
                                           : static_cast<std::uint32_t>(0x100000000ull - header_end - 8);
            for (int i = 0; i < 4; ++i)
                file[header_end + 4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
        }
        const Parsed parsed = Parse(file);
        EXPECT_EQ(parsed.result, 0);
        EXPECT_EQ(parsed.info.videoFourCC, FourCC("XVID"));
        EXPECT_EQ(parsed.info.durationSec, c.durationSec);
    }

    // The first video frame's size runs past the end of the file: the frame is read as far as
    // the file goes, and its video object layer still gives the aspect ratio.
    Bytes first_frame_too_big = MakeAviFile(Movie(MakeMpeg4VideoObjectLayer(2)));
    const std::size_t frame_size = header_end + 12 + 4;   // behind "movi" and the chunk id
    first_frame_too_big[frame_size + 3] = 0x40;
    const Parsed parsed = Parse(first_frame_too_big);
    EXPECT_EQ(parsed.result, 0);
    EXPECT_EQ(parsed.info.aspectX, 12u);
    EXPECT_EQ(parsed.info.aspectY, 11u);
}

}  // namespace
}  // namespace mediainfo
