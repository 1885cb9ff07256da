// MPEG audio and ADTS files, with and without ID3 tags.
#include <gtest/gtest.h>

#include "mediainfo/mpeg_audio_frame.h"
#include "mediainfo/tests/fixtures.h"

namespace mediainfo::testing {
namespace {

std::vector<std::uint8_t> Latin(std::string_view text)
{
    Bytes data;
    data.U8(0).Text(text);
    return data;
}

Bytes Id3v1(std::string_view title, std::string_view artist, std::string_view album, std::string_view year, std::uint8_t genre)
{
    Bytes block;
    block.Text("TAG");
    auto field = [&](std::string_view text, std::size_t width) {
        const std::size_t start = block.Size();
        block.Text(text).PadTo(start + width);
    };
    field(title, 30);
    field(artist, 30);
    field(album, 30);
    field(year, 4);
    field("", 30);
    return block.U8(genre);
}

TEST(MpegAudio, ConstantRateWithoutTag)
{
    const Probed probed = Probe(Mp3Frames(100));
    ASSERT_EQ(probed.result, 1);
    EXPECT_EQ(probed.info.status, 0);
    EXPECT_EQ(probed.info.kind, MediaKind::MpegAudio);
    EXPECT_EQ(probed.info.audioFormat, 85u);
    EXPECT_EQ(probed.info.audioSampleRate, 44100u);
    EXPECT_EQ(probed.info.audioChannels, 2u);
    EXPECT_EQ(probed.info.audioBitRate, 128000u);
    EXPECT_EQ(probed.info.audioVariableRate, 0u);
    EXPECT_EQ(probed.info.durationSec, 41700u / 16000u);
    EXPECT_EQ(probed.info.fileSize, 41700u);
}

TEST(MpegAudio, XingFrameCountGivesAverageRateAndPlayTime)
{
    const Probed probed = Probe(Mp3Frames(100, 1000));
    EXPECT_EQ(probed.info.audioVariableRate, 1u);
    EXPECT_EQ(probed.info.durationSec, 1152u * 1000 / 44100);
    EXPECT_EQ(probed.info.audioBitRate, 41700u / 1000 * 44100 / (1152 / 8));
}

TEST(MpegAudio, ThePlainFilesThatAreNotMpegAudio)
{
    Bytes junk_first;
    junk_first.Raw({0x00}).Append(Mp3Frames(10));
    EXPECT_EQ(Probe(junk_first).result, 0) << "a file without a tag must begin with a frame";
    Bytes short_file = Mp3Frames(3);
    EXPECT_EQ(Probe(short_file.Data()).result, 1);
    std::vector<std::uint8_t> bytes = Mp3Frames(3).Data();
    bytes.resize(1023);
    EXPECT_EQ(Probe(bytes).result, 0) << "shorter than 1024 bytes";
}

TEST(MpegAudio, ReservedVersionFails)
{
    Bytes frames = Mp3Frames(4);
    std::vector<std::uint8_t> bytes = frames.Data();
    bytes[1] = 0xEB;  // version bits 01
    const Probed probed = Probe(bytes);
    EXPECT_EQ(probed.result, 1);
    EXPECT_EQ(probed.info.status, kResultFail);
}

TEST(MpegAudio, Id3v23TextInEveryEncodingThenId3v1FillsTheRest)
{
    Bytes utf16_le_mark, utf16_be_mark, utf16_be;
    utf16_le_mark.U8(1).Raw({0xFF, 0xFE}).Le16('R').Le16(0xC74C).Le16(0);
    utf16_be_mark.U8(1).Raw({0xFE, 0xFF}).Be16('A').Be16('B').Be16(0);
    utf16_be.U8(2).Be16('P').Be16('o').Be16('p');
    Bytes frames;
    frames.Append(Id3Frame("TIT2", Latin("Title")));
    frames.Append(Id3Frame("TPE1", utf16_le_mark));
    frames.Append(Id3Frame("TALB", utf16_be_mark));
    frames.Append(Id3Frame("TRCK", Bytes().U8(3).Text("7/12")));
    frames.Append(Id3Frame("TCON", utf16_be));
    frames.Append(Id3Frame("TCOM", Bytes().U8(3).Text("Comp\xC3\xB6ser")));
    frames.Append(Id3Frame("TXXX", Latin("ignored")));
    frames.Append(Id3Frame("TPE2", {}));
    Bytes file = Id3v2Tag(3, frames, 20);
    file.Append(Mp3Frames(10)).Append(Id3v1("v1 title", "v1 artist", "v1 album", "1999", 17));
    const Probed probed = Probe(file);
    ASSERT_EQ(probed.result, 1);
    EXPECT_EQ(probed.info.status, 0);
    EXPECT_EQ(Text(probed.info.title), u"Title");
    EXPECT_EQ(Text(probed.info.artist), u"R\uC74C");
    EXPECT_EQ(Text(probed.info.album), u"AB");
    EXPECT_EQ(Text(probed.info.track), u"7/12");
    EXPECT_EQ(Text(probed.info.genre), u"Pop");
    EXPECT_EQ(Text(probed.info.composer), u"Comp\u00f6ser");
    EXPECT_EQ(Text(probed.info.year), u"1999") << "ID3v1 fills only what ID3v2 left empty";
    EXPECT_EQ(probed.info.hasTitle + probed.info.hasArtist + probed.info.hasAlbum + probed.info.hasTrack, 4);
    EXPECT_EQ(probed.info.hasGenre, 1);
    EXPECT_EQ(probed.info.genreCode, -1) << "the genre came from ID3v2";
    EXPECT_EQ(probed.info.hasComposer, 1);
    EXPECT_EQ(probed.info.hasYear, 1);
    // The audio bytes leave out the ID3v2 tag.
    EXPECT_EQ(probed.info.durationSec, (file.Size() - (frames.Size() + 30)) / 16000);
}

TEST(MpegAudio, Id3v1Alone)
{
    Bytes file = Mp3Frames(10);
    file.Append(Id3v1("Only v1  ", "", "", "", 255));
    const Probed probed = Probe(file);
    EXPECT_EQ(Text(probed.info.title), u"Only v1");
    EXPECT_EQ(probed.info.hasArtist, 0);
    EXPECT_EQ(probed.info.hasGenre, 0) << "255 is no genre";
    EXPECT_EQ(probed.info.genreCode, -1);

    Bytes with_genre = Mp3Frames(10);
    with_genre.Append(Id3v1("", "", "", "", 13));
    EXPECT_EQ(Probe(with_genre).info.genreCode, 13);
}

TEST(MpegAudio, Id3v24SyncsafeFrameSizesKeepTheWalkInStep)
{
    Bytes frames;
    frames.Append(Id3Frame("PRIV", Bytes().Fill(300, 0x41), true));
    frames.Append(Id3Frame("TIT2", Bytes().U8(3).Text("After a big frame"), true));
    Bytes file = Id3v2Tag(4, frames);
    file.Append(Mp3Frames(10));
    EXPECT_EQ(Text(Probe(file).info.title), u"After a big frame");
}

TEST(MpegAudio, LongTextIsCutTo127Characters)
{
    Bytes long_title;
    long_title.U8(1).Raw({0xFF, 0xFE});
    for (int i = 0; i < 200; ++i)
        long_title.Le16('a' + i % 26);
    Bytes frames;
    frames.Append(Id3Frame("TIT2", long_title)).Append(Id3Frame("TPE1", Bytes().U8(0).Fill(400, 'x')));
    Bytes file = Id3v2Tag(3, frames);
    file.Append(Mp3Frames(10));
    const Probed probed = Probe(file);
    EXPECT_EQ(Text(probed.info.title).size(), 127u);
    EXPECT_EQ(Text(probed.info.artist).size(), 127u);
}

TEST(MpegAudio, FramesThatLieAboutTheirSize)
{
    Bytes frames;
    frames.Text("TIT2").Be32(0x7FFFFFF0).Be16(0).U8(0).Text("x");
    Bytes file = Id3v2Tag(3, frames, 10);
    file.Append(Mp3Frames(10));
    const Probed probed = Probe(file);
    EXPECT_EQ(probed.info.status, 0);
    EXPECT_EQ(probed.info.hasTitle, 0) << "a frame that does not lie inside the tag is not used";
}

TEST(MpegAudio, TagLargerThanTheFileIsDeclined)
{
    Bytes file;
    file.Text("ID3").U8(3).U8(0).U8(0).Raw({0x7F, 0x7F, 0x7F, 0x7F});
    file.Append(Mp3Frames(10));
    const Probed probed = Probe(file);
    EXPECT_EQ(probed.result, 0);
    EXPECT_EQ(probed.info.status, 1);
}

TEST(MpegAudio, FrameSearchBehindATagWithUncountedPadding)
{
    Bytes file = Id3v2Tag(3, Id3Frame("TIT2", Latin("Padded")));
    file.Fill(333, 0x00).Append(Mp3Frames(10));
    const Probed probed = Probe(file);
    ASSERT_EQ(probed.result, 1);
    EXPECT_EQ(probed.info.status, 0);
    EXPECT_EQ(probed.info.audioBitRate, 128000u);
    EXPECT_EQ(Text(probed.info.title), u"Padded");

    // No frame that a second one confirms: declined.
    Bytes lonely = Id3v2Tag(3, Id3Frame("TIT2", Latin("x")));
    lonely.Fill(10, 0).Raw({0xFF, 0xFB, 0x90, 0x00}).Fill(2000, 0x00);
    EXPECT_EQ(Probe(lonely).result, 0);
}

TEST(MpegAudio, FrameLengths)
{
    const std::uint8_t layer1[4] = {0xFF, 0xFF, 0x92, 0xC0};    // MPEG-1 Layer I, 288 kbit/s, 44100, padding
    const std::uint8_t mpeg2_l3[4] = {0xFF, 0xF3, 0x80, 0xC0};  // MPEG-2 Layer III, 64 kbit/s, 22050
    const std::uint8_t free_format[4] = {0xFF, 0xFB, 0x00, 0x00};
    EXPECT_EQ(MpegFrameLength(SplitMpegAudioHeader(layer1)), (12u * 288000 / 44100 + 1) * 4);
    EXPECT_EQ(MpegFrameLength(SplitMpegAudioHeader(mpeg2_l3)), 72u * 64000 / 22050);
    EXPECT_EQ(MpegFrameLength(SplitMpegAudioHeader(free_format)), 0u);
    EXPECT_EQ(MpegFrameLength(SplitMpegAudioHeader(kMp3Header128k)), 417u);
}

Bytes AdtsFrames(std::size_t count, std::uint8_t sampling_index, std::uint32_t length = 200)
{
    Bytes frames;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t start = frames.Size();
        // AAC LC, channel configuration 2, one raw data block per frame.
        frames.Raw({0xFF, 0xF1});
        frames.U8((1 << 6) | (sampling_index << 2) | 0);
        frames.U8((2 << 6) | ((length >> 11) & 3));
        frames.U8((length >> 3) & 0xFF);
        frames.U8(((length & 7) << 5) | 0x1F);
        frames.U8(0xFC);
        frames.PadTo(start + length, 0x21);
    }
    return frames;
}

TEST(MpegAudio, AdtsWalkGivesTheAverageRate)
{
    const Probed probed = Probe(AdtsFrames(600, 4));
    ASSERT_EQ(probed.result, 1);
    EXPECT_EQ(probed.info.status, 0);
    EXPECT_EQ(probed.info.audioFormat, 255u);
    EXPECT_EQ(probed.info.audioSampleRate, 44100u);
    EXPECT_EQ(probed.info.audioChannels, 2u);
    // 500 frames of 200 bytes, 1024 samples each.
    EXPECT_EQ(probed.info.audioBitRate, 200u * 8 * 44100 / 1024);
    EXPECT_EQ(probed.info.durationSec, 600u * 200 / (probed.info.audioBitRate / 8));
}

TEST(MpegAudio, AdtsSamplingIndexes)
{
    EXPECT_EQ(Probe(AdtsFrames(10, 0)).info.status, kResultFail) << "index 0 is refused";
    EXPECT_EQ(Probe(AdtsFrames(10, 13)).info.status, kResultFail) << "reserved index, no table entry";
    EXPECT_EQ(Probe(AdtsFrames(10, 11)).info.audioSampleRate, 8000u);
}

TEST(MpegAudio, AdtsFrameLengthBelowElevenEndsTheWalk)
{
    const Probed probed = Probe(AdtsFrames(10, 4, 7).PadTo(2000));
    EXPECT_EQ(probed.info.status, 0);
    EXPECT_EQ(probed.info.audioBitRate, 0u);
    EXPECT_EQ(probed.info.durationSec, 0u);
}

}  // namespace
}  // namespace mediainfo::testing
