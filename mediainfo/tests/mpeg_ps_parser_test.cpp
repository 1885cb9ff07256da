#include "mediainfo/mpeg_ps_parser.h"

#include <gtest/gtest.h>

#include <vector>

#include "mediainfo/file_source.h"
#include "mediainfo/media_probe.h"
#include "mediainfo/mpeg_ps_scan.h"
#include "mediainfo/tests/mpeg_ps_builder.h"

namespace mediainfo {
namespace {

using namespace mediainfo::testing;

constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005u);
constexpr std::uint64_t k90kHz = 90000;

struct Stream {
    bool mpeg1 = false;
    std::uint64_t firstScr = 10 * k90kHz;
    std::uint64_t lastScr = 20 * k90kHz;
    Bytes video = MakeSequenceHeader(720, 576, 2, 3, 15000);
    std::uint32_t audioId = 0x1C0;
    Bytes audio = MakeMpegAudioHeader(3, 2, 10, 1, 0);   // MPEG-1 Layer II, 192 kbit/s, 48 kHz, stereo
    bool withAudio = true;
    bool withEndCode = true;
};

// Pack, system header, video packet, pack, audio packet, padding, and a last pack; the stream
// search needs 1024 bytes behind the packets it reads.
Bytes MakeStream(const Stream& stream)
{
    Bytes out = MakePackHeader(stream.firstScr, stream.mpeg1);
    PutBytes(out, MakeSystemHeader());
    PutBytes(out, MakePes(0x1E0, Cat({{0x00, 0x00, 0x01, 0xB5, 0x14}, stream.video, Bytes(40, 0x11)}), stream.mpeg1));
    PutBytes(out, MakePackHeader(stream.firstScr + 3600, stream.mpeg1));
    if (stream.withAudio)
        PutBytes(out, MakePes(stream.audioId, Cat({Bytes(3, 0x00), stream.audio, Bytes(60, 0x55)}), stream.mpeg1));
    PutBytes(out, MakePadding(1500));
    PutBytes(out, MakePackHeader(stream.lastScr, stream.mpeg1));
    if (stream.withEndCode)
        PutBytes(out, {0x00, 0x00, 0x01, 0xB9});
    return out;
}

struct Parsed {
    HRESULT result;
    MediaInfo info;
};

Parsed Parse(const Bytes& file, std::uint64_t first_pack = 0, bool cdxa = false)
{
    MemorySource source(file.data(), file.size());
    Parsed parsed{0, {}};
    parsed.result = ReadMpegPsFile(source, parsed.info, first_pack, cdxa);
    return parsed;
}

TEST(MpegPsParser, ReadsMpeg2ProgramStream)
{
    const Parsed parsed = Parse(MakeStream({}));
    ASSERT_EQ(parsed.result, 0);
    const MediaInfo& info = parsed.info;
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.kind, MediaKind::MpegProgram2);
    EXPECT_EQ(info.videoFourCC, FourCC("MPG2"));
    EXPECT_EQ(info.durationSec, 10u);
    EXPECT_EQ(info.videoWidth, 720u);
    EXPECT_EQ(info.videoHeight, 576u);
    EXPECT_EQ(info.frameDurationUs, 40000u);          // frame rate code 3
    EXPECT_EQ(info.videoBitRate, 6000000u);           // 15000 × 400
    EXPECT_EQ(info.aspectX, 576u * 4);                // code 2: 4:3 display
    EXPECT_EQ(info.aspectY, 720u * 3);
    EXPECT_EQ(info.audioFormat, 80u);
    EXPECT_EQ(info.audioSampleRate, 48000u);
    EXPECT_EQ(info.audioChannels, 2u);
    EXPECT_EQ(info.audioBitRate, 192000u);
}

TEST(MpegPsParser, Mpeg1StreamWithLayerThreeAudio)
{
    Stream stream;
    stream.mpeg1 = true;
    stream.video = MakeSequenceHeader(352, 288, 1, 3, 2875);
    stream.audio = MakeMpegAudioHeader(3, 1, 9, 0, 3);    // Layer III, 128 kbit/s, 44.1 kHz, mono
    const Parsed parsed = Parse(MakeStream(stream));
    ASSERT_EQ(parsed.result, 0);
    EXPECT_EQ(parsed.info.kind, MediaKind::MpegProgram1);
    EXPECT_EQ(parsed.info.videoFourCC, FourCC("MPG1"));
    EXPECT_EQ(parsed.info.audioFormat, 80u);
    EXPECT_EQ(parsed.info.audioBitRate, 128000u);
    EXPECT_EQ(parsed.info.audioSampleRate, 44100u);
    EXPECT_EQ(parsed.info.audioChannels, 1u);
    EXPECT_EQ(parsed.info.aspectX, 1u);
    EXPECT_EQ(parsed.info.aspectY, 1u);
    EXPECT_EQ(parsed.info.durationSec, 10u);
}

TEST(MpegPsParser, ClockResetGivesNoPlayTime)
{
    Stream stream;
    stream.firstScr = 3600 * k90kHz;
    stream.lastScr = 5 * k90kHz;
    const Parsed parsed = Parse(MakeStream(stream));
    ASSERT_EQ(parsed.result, 0);
    EXPECT_EQ(parsed.info.durationSec, 0u);
    EXPECT_EQ(parsed.info.videoWidth, 720u);
}

TEST(MpegPsParser, FrameRateCodes)
{
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {
        {1, 41708}, {2, 41666}, {3, 40000}, {4, 33366}, {5, 33333}, {6, 20000}, {7, 16683}, {8, 16666}, {9, 0}, {15, 0}};
    for (auto [code, duration] : cases) {
        SCOPED_TRACE(code);
        Stream stream;
        stream.video = MakeSequenceHeader(720, 480, 3, code, 20000);
        const Parsed parsed = Parse(MakeStream(stream));
        ASSERT_EQ(parsed.result, 0);
        EXPECT_EQ(parsed.info.frameDurationUs, duration);
        EXPECT_EQ(parsed.info.aspectX, 480u * 16);
        EXPECT_EQ(parsed.info.aspectY, 720u * 9);
    }
    // Frame rate code 0 refuses the sequence header, so the stream has no video.
    Stream refused;
    refused.video = MakeSequenceHeader(720, 480, 3, 0, 20000);
    EXPECT_EQ(Parse(MakeStream(refused)).result, kFail);
}

TEST(MpegPsParser, MissingStreamsAreRefused)
{
    Stream no_audio;
    no_audio.withAudio = false;
    EXPECT_EQ(Parse(MakeStream(no_audio)).result, kFail);
    Stream no_video;
    no_video.video = Bytes(12, 0x22);
    EXPECT_EQ(Parse(MakeStream(no_video)).result, kFail);
    Stream unknown_private;
    unknown_private.audioId = 0x1BD;
    unknown_private.audio = {0x20, 0x00, 0x00, 0x00};   // a subpicture substream is not audio
    const Parsed parsed = Parse(MakeStream(unknown_private));
    EXPECT_EQ(parsed.result, kFail);
    EXPECT_EQ(parsed.info.status, kFail);
    EXPECT_EQ(parsed.info.kind, MediaKind::Unknown);
}

TEST(MpegPsParser, PrivateStreamAudio)
{
    struct Case {
        const char* name;
        Bytes payload;
        std::uint32_t format, channels, rate, bitRate;
    };
    const Case cases[] = {
        {"LPCM channel field 1 at 48 kHz", MakeLpcmPayload(0, 1), 1, 2, 48000, 1536000},
        {"LPCM channel field 0 at 96 kHz", MakeLpcmPayload(1, 0), 1, 1, 96000, 1536000},
        {"LPCM channel field 5 at 44.1 kHz", MakeLpcmPayload(2, 5), 1, 2, 44100, 1411200},
        {"AC-3 3/2 with LFE", MakeAc3Payload(0, 30, 7, 1), 8192, 6, 48000, 448000},
        {"AC-3 2/0 with surround mode and LFE", MakeAc3Payload(1, 20, 2, 1), 8192, 3, 44100, 192000},
        {"AC-3 mono", MakeAc3Payload(2, 0, 1, 0), 8192, 1, 32000, 32000},
        {"AC-3 reserved sampling rate", MakeAc3Payload(3, 10, 2, 0), 8192, 0, 0, 0},
        {"AC-3 frame size code 38", MakeAc3Payload(0, 38, 2, 0), 8192, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Stream stream;
        stream.audioId = 0x1BD;
        stream.audio = c.payload;
        // The audio packet's payload must start with the substream byte.
        Bytes file = MakePackHeader(stream.firstScr, false);
        PutBytes(file, MakePes(0x1E0, stream.video));
        PutBytes(file, MakePes(0x1BD, c.payload));
        PutBytes(file, MakePadding(1500));
        PutBytes(file, MakePackHeader(stream.lastScr, false));
        const Parsed parsed = Parse(file);
        ASSERT_EQ(parsed.result, 0);
        EXPECT_EQ(parsed.info.audioFormat, c.format);
        EXPECT_EQ(parsed.info.audioChannels, c.channels);
        EXPECT_EQ(parsed.info.audioSampleRate, c.rate);
        EXPECT_EQ(parsed.info.audioBitRate, c.bitRate);
    }
}

// A packet with PTS_DTS_flags 01 is refused; the next packet of the stream is used.
TEST(MpegPsParser, RefusedPesHeaderIsPassedOver)
{
    Bytes file = MakePackHeader(0, false);
    PutBytes(file, MakePes(0x1E0, MakeSequenceHeader(100, 100, 1, 5, 100), false, 1));
    PutBytes(file, MakePes(0x1E0, MakeSequenceHeader(640, 480, 1, 5, 100)));
    PutBytes(file, MakePes(0x1C0, MakeMpegAudioHeader(2, 1, 8, 1, 0)));   // MPEG-2 Layer III 64 kbit/s 24 kHz
    PutBytes(file, MakePadding(1500));
    PutBytes(file, MakePackHeader(90 * k90kHz, false));
    DebugCapture log;
    const Parsed parsed = Parse(file);
    ASSERT_EQ(parsed.result, 0);
    EXPECT_TRUE(log.Saw("PES Packet Parse ERROR: PTS_DTS_flags =0x01\r\n"));
    EXPECT_EQ(parsed.info.videoWidth, 640u);
    EXPECT_EQ(parsed.info.audioSampleRate, 24000u);
    EXPECT_EQ(parsed.info.audioBitRate, 64000u);
    EXPECT_EQ(parsed.info.durationSec, 90u);
}

TEST(MpegPsParser, ClockReferencesAndStartCodes)
{
    bool mpeg1 = false;
    const Bytes mpeg2_pack = MakePackHeader(0x1ABCDEF01ull, false);
    EXPECT_EQ(ReadMpegPackScr(mpeg2_pack.data() + 4, mpeg2_pack.size() - 4, mpeg1),
              static_cast<std::int64_t>(0x1ABCDEF01ull * 1000 / 9));
    EXPECT_FALSE(mpeg1);
    const Bytes mpeg1_pack = MakePackHeader(0x123456789ull, true);
    EXPECT_EQ(ReadMpegPackScr(mpeg1_pack.data() + 4, mpeg1_pack.size() - 4, mpeg1),
              static_cast<std::int64_t>(0x123456789ull * 1000 / 9));
    EXPECT_TRUE(mpeg1);

    DebugCapture log;
    Bytes bad_marker = mpeg2_pack;
    bad_marker[4 + 2] &= ~0x04;
    mpeg1 = false;
    EXPECT_FALSE(ReadMpegPackScr(bad_marker.data() + 4, bad_marker.size() - 4, mpeg1).has_value());
    EXPECT_TRUE(log.Saw("ERROR: GetSCR ERROR\n"));
    Bytes bad_mpeg1 = mpeg1_pack;
    bad_mpeg1[4] &= ~0x01;
    EXPECT_FALSE(ReadMpegPackScr(bad_mpeg1.data() + 4, bad_mpeg1.size() - 4, mpeg1).has_value());
    EXPECT_TRUE(log.Saw("ERROR: GetSCR ERROR(MPEG1)\n"));
    // Cut headers are never read past their end.
    for (std::size_t available = 0; available < 6; ++available)
        EXPECT_FALSE(ReadMpegPackScr(mpeg2_pack.data() + 4, available, mpeg1).has_value());

    const Bytes codes = {0x00, 0x00, 0x00, 0x01, 0xBA, 0x47, 0x00, 0x00, 0x01, 0xE0, 0x00, 0x00, 0x01};
    std::size_t position = 0;
    EXPECT_EQ(NextMpegStartCode(codes.data(), codes.size(), codes.size(), position), 0x1BAu);
    EXPECT_EQ(position, 5u);
    EXPECT_EQ(NextMpegStartCode(codes.data(), codes.size(), codes.size(), position), 0x1E0u);
    EXPECT_EQ(position, 10u);
    EXPECT_EQ(NextMpegStartCode(codes.data(), codes.size(), codes.size(), position), 0u);
}

// A video-CD track is searched backwards from its end in blocks; a pack more than one block
// from the end is still found, and the first pack may lie past offset 0.
TEST(MpegPsParser, CdxaEndClockFoundBackwards)
{
    Stream open_ended;
    open_ended.withEndCode = false;
    Bytes file(44, 0x00);   // stands for the RIFF CDXA header
    PutBytes(file, MakeStream(open_ended));
    PutBytes(file, MakePackHeader(30 * k90kHz, false));
    file.resize(file.size() + 0x30000, 0x00);
    const Parsed parsed = Parse(file, 44, true);
    ASSERT_EQ(parsed.result, 0);
    EXPECT_EQ(parsed.info.durationSec, 20u);

    // Within a block the scan stops at a program end code once it has a clock reference: the
    // pack behind the end code is not looked at.
    Bytes ended(44, 0x00);
    PutBytes(ended, MakeStream({}));
    PutBytes(ended, MakePackHeader(30 * k90kHz, false));
    ended.resize(ended.size() + 0x30000, 0x00);
    EXPECT_EQ(Parse(ended, 44, true).info.durationSec, 10u);

    // A pack split by a block boundary: the block behind it lends its first bytes.
    Bytes split(44, 0x00);
    PutBytes(split, MakeStream(open_ended));
    const std::size_t pack_at = split.size();
    const std::size_t end = pack_at + 5 + 0x1FFF8;   // the boundary falls 5 bytes into the pack
    PutBytes(split, MakePackHeader(40 * k90kHz, false));
    split.resize(end, 0x00);
    const Parsed across = Parse(split, 44, true);
    ASSERT_EQ(across.result, 0);
    EXPECT_EQ(across.info.durationSec, 30u);
}

TEST(MpegPsParser, CdxaWithoutPackInItsLastBlocksFails)
{
    Bytes file = MakeStream({});
    file.resize(file.size() + 16 * 0x1FFF8, 0x00);
    EXPECT_EQ(Parse(file, 0, true).result, kFail);
}

// A recording cut inside its media data: the formats are those of the whole stream, and the play
// time ends at the last pack before the cut.
TEST(MpegPsParser, CutInsideTheMediaDataEndsAtTheLastPack)
{
    Stream head;
    head.withEndCode = false;
    head.lastScr = head.firstScr + 3600;
    Bytes file = MakeStream(head);
    std::vector<std::size_t> middles;   // the middle of the media data after each pack
    for (std::uint64_t second = 1; second <= 20; ++second) {
        PutBytes(file, MakePackHeader(head.firstScr + second * k90kHz, false));
        PutBytes(file, MakePes(0x1E0, Bytes(700, 0x44)));
        middles.push_back(file.size() - 350);
    }
    const Parsed whole = Parse(file);
    ASSERT_EQ(whole.result, 0);
    ASSERT_EQ(whole.info.durationSec, 20u);
    for (std::size_t i = 0; i < middles.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << "cut after the pack of second " << i + 1);
        const Parsed cut = Parse(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(middles[i])));
        ASSERT_EQ(cut.result, 0);
        EXPECT_EQ(cut.info.durationSec, i + 1);
        EXPECT_EQ(cut.info.kind, whole.info.kind);
        EXPECT_EQ(cut.info.videoWidth, whole.info.videoWidth);
        EXPECT_EQ(cut.info.videoHeight, whole.info.videoHeight);
        EXPECT_EQ(cut.info.audioFormat, whole.info.audioFormat);
        EXPECT_EQ(cut.info.audioSampleRate, whole.info.audioSampleRate);
        EXPECT_EQ(cut.info.audioChannels, whole.info.audioChannels);
    }
}

// Any cut of the fixture is read without going out of bounds. The fixture is laid out so
// that the audio packet's start code is the last one the stream search may look at: every
// shorter prefix lacks its audio and fails.
TEST(MpegPsParser, EveryPrefixFailsCleanly)
{
    Bytes file = MakePackHeader(10 * k90kHz, false);
    PutBytes(file, MakePes(0x1E0, MakeSequenceHeader(720, 576, 2, 3, 15000)));
    const std::size_t audio_at = file.size();
    PutBytes(file, MakePes(0x1C0, MakeMpegAudioHeader(3, 2, 11, 1, 0)));
    const Bytes last_pack = MakePackHeader(20 * k90kHz, false);
    PutBytes(file, MakePadding(audio_at + 1025 - file.size() - last_pack.size()));
    PutBytes(file, last_pack);
    ASSERT_EQ(file.size(), audio_at + 1025);
    ASSERT_EQ(Parse(file).result, 0);
    for (std::size_t length = 0; length < file.size(); ++length) {
        const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
        for (bool cdxa : {false, true})
            ASSERT_EQ(Parse(prefix, 0, cdxa).result, kFail) << "prefix of " << length << " bytes";
    }
    // First pack offsets at or past the end of the file fail as well.
    EXPECT_EQ(Parse(file, file.size()).result, kFail);
    EXPECT_EQ(Parse(file, file.size() + 100).result, kFail);
}

}  // namespace
}  // namespace mediainfo
