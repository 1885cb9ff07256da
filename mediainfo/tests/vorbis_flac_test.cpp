// Ogg Vorbis and FLAC: format, play time and Vorbis comments.
#include <gtest/gtest.h>

#include "mediainfo/tests/fixtures.h"

namespace mediainfo::testing {
namespace {

Bytes OggPage(std::uint64_t granule, std::uint32_t serial, std::uint32_t sequence, const std::vector<std::uint8_t>& packet,
              bool packet_ends = true)
{
    Bytes page;
    page.Text("OggS").U8(0).U8(sequence == 0 ? 2 : 0).Le64(granule).Le32(serial).Le32(sequence).Le32(0);
    std::vector<std::uint8_t> lacing;
    std::size_t left = packet.size();
    while (left >= 255) {
        lacing.push_back(255);
        left -= 255;
    }
    if (packet_ends)
        lacing.push_back(static_cast<std::uint8_t>(left));
    page.U8(static_cast<std::uint32_t>(lacing.size())).Append(lacing).Append(packet);
    return page;
}

Bytes Comments(std::initializer_list<std::string_view> comments)
{
    Bytes block;
    block.Le32(6).Text("vendor").Le32(static_cast<std::uint32_t>(comments.size()));
    for (std::string_view comment : comments)
        block.Le32(static_cast<std::uint32_t>(comment.size())).Text(comment);
    return block;
}

Bytes OggVorbis(std::uint64_t last_granule)
{
    Bytes identification;
    identification.U8(1).Text("vorbis").Le32(0).U8(2).Le32(44100).Le32(0).Le32(160000).Le32(0).U8(0xB8).U8(1);
    Bytes comments;
    comments.U8(3).Text("vorbis").Append(Comments({"title=Ogg Title", "ARTIST=Ogg Artist", "Album=", "TRACKNUMBER=5",
                                                   "genre=Rock", "NOEQUALS", "DATE=2001"}));
    comments.U8(1);
    Bytes file;
    file.Append(OggPage(0, 7, 0, identification));
    file.Append(OggPage(0, 7, 1, comments));
    file.Append(OggPage(1000, 7, 2, Bytes().Fill(4000, 0x33)));
    file.Append(OggPage(last_granule, 7, 3, Bytes().Fill(100, 0x33)));
    return file;
}

TEST(OggVorbis, FormatTagsAndPlayTime)
{
    const Probed probed = Probe(OggVorbis(44100 * 61 + 5));
    ASSERT_EQ(probed.result, 1);
    EXPECT_EQ(probed.info.status, 0);
    EXPECT_EQ(probed.info.kind, MediaKind::Ogg);
    EXPECT_EQ(probed.info.audioFormat, 22127u);
    EXPECT_EQ(probed.info.audioChannels, 2u);
    EXPECT_EQ(probed.info.audioSampleRate, 44100u);
    EXPECT_EQ(probed.info.audioBitRate, 160000u);
    EXPECT_EQ(probed.info.durationSec, 61u);
    EXPECT_EQ(Text(probed.info.title), u"Ogg Title");
    EXPECT_EQ(Text(probed.info.artist), u"Ogg Artist");
    EXPECT_EQ(probed.info.hasAlbum, 0) << "an empty value sets no flag";
    EXPECT_EQ(Text(probed.info.track), u"5");
    EXPECT_EQ(Text(probed.info.genre), u"Rock");
    EXPECT_EQ(probed.info.hasYear, 0) << "DATE is not one of the keys";
}

TEST(OggVorbis, CommentPacketAcrossPages)
{
    Bytes identification;
    identification.U8(1).Text("vorbis").Le32(0).U8(1).Le32(22050).Le32(0).Le32(64000).Le32(0).U8(0xB8).U8(1);
    std::string long_value = "TITLE=" + std::string(600, 'q');
    Bytes comments;
    comments.U8(3).Text("vorbis").Append(Comments({long_value, "ARTIST=Split"}));
    const std::vector<std::uint8_t>& all = comments.Data();
    const std::vector<std::uint8_t> first(all.begin(), all.begin() + 510), rest(all.begin() + 510, all.end());
    Bytes file;
    file.Append(OggPage(0, 9, 0, identification)).Append(OggPage(0, 9, 1, first, false)).Append(OggPage(0, 9, 2, rest));
    file.Append(OggPage(22050 * 3, 9, 3, Bytes().Fill(300, 1)));
    const Probed probed = Probe(file);
    EXPECT_EQ(Text(probed.info.title).size(), 127u);
    EXPECT_EQ(Text(probed.info.artist), u"Split");
    EXPECT_EQ(probed.info.durationSec, 3u);
}

TEST(OggVorbis, NotVorbisFails)
{
    Bytes file;
    file.Append(OggPage(0, 1, 0, Bytes().Text("OpusHead").Fill(11)));
    const Probed probed = Probe(file.PadTo(400));
    EXPECT_EQ(probed.result, 1);
    EXPECT_EQ(probed.info.status, kResultFail);
}

Bytes StreamInfo(std::uint32_t rate, std::uint32_t channels, std::uint64_t samples, bool last)
{
    Bytes block;
    block.U8(last ? 0x80 : 0x00).Be24(34);
    block.Be16(4096).Be16(4096).Be24(0).Be24(0);
    block.U8(rate >> 12).U8(rate >> 4).U8(((rate & 0xF) << 4) | ((channels - 1) << 1) | 0);
    block.U8((15 << 4) | static_cast<std::uint32_t>((samples >> 32) & 0xF)).Be32(static_cast<std::uint32_t>(samples));
    block.Fill(16);
    return block;
}

TEST(Flac, StreamInfoAndComments)
{
    Bytes file;
    file.Text("fLaC").Append(StreamInfo(48000, 6, 48000ull * 90, false));
    file.U8(0x01).Be24(100).Fill(100);  // padding
    const Bytes comments = Comments({"TITLE=Flac Title", "ALBUM=Flac Album"});
    file.U8(0x84).Be24(static_cast<std::uint32_t>(comments.Size())).Append(comments);
    const std::size_t header_bytes = file.Size();
    file.Fill(90000, 0x5A);
    const Probed probed = Probe(file);
    ASSERT_EQ(probed.result, 1);
    EXPECT_EQ(probed.info.status, 0);
    EXPECT_EQ(probed.info.kind, MediaKind::Flac);
    EXPECT_EQ(probed.info.audioFormat, 61868u);
    EXPECT_EQ(probed.info.audioSampleRate, 48000u);
    EXPECT_EQ(probed.info.audioChannels, 6u);
    EXPECT_EQ(probed.info.durationSec, 90u);
    EXPECT_EQ(probed.info.audioBitRate, ((file.Size() - header_bytes) * 8 / 90) & ~1u);
    EXPECT_EQ(Text(probed.info.title), u"Flac Title");
    EXPECT_EQ(Text(probed.info.album), u"Flac Album");
}

TEST(Flac, BehindAnId3Tag)
{
    Bytes file = Id3v2Tag(3, Id3Frame("TIT2", Bytes().U8(0).Text("id3")), 50);
    file.Text("fLaC").Append(StreamInfo(44100, 2, 44100ull * 5, true)).Fill(1000);
    const Probed probed = Probe(file);
    EXPECT_EQ(probed.info.kind, MediaKind::Flac);
    EXPECT_EQ(probed.info.durationSec, 5u);
}

TEST(Flac, LyingSizes)
{
    // A sampling rate of 0 gives no play time rather than a division by zero.
    Bytes zero_rate;
    zero_rate.Text("fLaC").Append(StreamInfo(0, 2, 1000, true)).Fill(300);
    const Probed zero = Probe(zero_rate);
    EXPECT_EQ(zero.info.status, 0);
    EXPECT_EQ(zero.info.durationSec, 0u);

    // A comment block claiming 16 MB and a comment count of four billion.
    Bytes lying;
    lying.Text("fLaC").Append(StreamInfo(44100, 2, 44100, false));
    lying.U8(0x84).Be24(0xFFFFFF).Le32(0).Le32(0xFFFFFFFF).Le32(0x7FFFFFFF).Fill(300);
    EXPECT_EQ(Probe(lying).info.status, 0);

    Bytes no_stream_info;
    no_stream_info.Text("fLaC").U8(0x81).Be24(10).Fill(300);
    EXPECT_EQ(Probe(no_stream_info).info.status, kResultFail);
}

}  // namespace
}  // namespace mediainfo::testing
