#include "mediainfo/asf_parser.h"

#include <gtest/gtest.h>

#include <cstring>

#include "mediainfo/file_source.h"
#include "mediainfo/media_probe.h"
#include "mediainfo/text_field.h"
#include "mediainfo/tests/asf_builder.h"

namespace mediainfo {
namespace {

using namespace mediainfo::testing;

constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005u);

struct Parsed {
    HRESULT result;
    MediaInfo info;
};

// The header object followed by the start of a data object.
Parsed Parse(const Bytes& header, std::size_t data_bytes = 50)
{
    Bytes file = header;
    file.resize(file.size() + data_bytes, 0);
    MemorySource source(file.data(), file.size());
    Parsed parsed{0, {}};
    const std::uint32_t header_size = header.size() >= 20 ? static_cast<std::uint32_t>(header[16] | (header[17] << 8) |
                                                                                       (header[18] << 16) | (header[19] << 24))
                                                          : 0;
    parsed.result = ReadAsfFile(source, parsed.info, header_size);
    return parsed;
}

std::u16string Text(const TextField& field)
{
    return std::u16string(field, TextLength(field));
}

Bytes Dword(std::uint32_t value)
{
    Bytes out;
    PutU32Le(out, value);
    return out;
}

TEST(AsfParser, AudioFileGetsFormatAndTags)
{
    const Parsed parsed = Parse(MakeAsfHeader({
        MakeFileProperties(2345000000ull),   // 234.5 s
        MakeAudioStream(1, 353, 2, 44100, 16000),
        MakeContentDescription(u"Song", u"Singer"),
        MakeExtendedContentDescription({{u"WM/AlbumTitle", 0, Utf16Z(u"Album")},
                                        {u"WM/Genre", 0, Utf16Z(u"Jazz")},
                                        {u"WM/Composer", 0, Utf16Z(u"Writer")},
                                        {u"WM/Year", 0, Utf16Z(u"1999")},
                                        {u"WM/Lyrics", 0, Utf16Z(u"la la")}}),
    }));
    ASSERT_EQ(parsed.result, 0);
    const MediaInfo& info = parsed.info;
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.kind, MediaKind::Asf);
    EXPECT_EQ(info.durationSec, 234u);
    EXPECT_EQ(info.audioFormat, 353u);
    EXPECT_EQ(info.audioChannels, 2u);
    EXPECT_EQ(info.audioSampleRate, 44100u);
    EXPECT_EQ(info.audioBitRate, 128000u);
    EXPECT_EQ(info.videoFourCC, 0u);
    EXPECT_EQ(Text(info.title), u"Song");
    EXPECT_EQ(Text(info.artist), u"Singer");
    EXPECT_EQ(Text(info.album), u"Album");
    EXPECT_EQ(Text(info.genre), u"Jazz");
    EXPECT_EQ(Text(info.composer), u"Writer");
    EXPECT_EQ(Text(info.year), u"1999");
    EXPECT_EQ(Text(info.track), u"");
    EXPECT_EQ(info.hasTitle, 1);
    EXPECT_EQ(info.hasArtist, 1);
    EXPECT_EQ(info.hasAlbum, 1);
    EXPECT_EQ(info.hasGenre, 1);
    EXPECT_EQ(info.hasComposer, 1);
    EXPECT_EQ(info.hasYear, 1);
    EXPECT_EQ(info.hasTrack, 0);
}

TEST(AsfParser, VideoFileGetsVideoFieldsAndNoTags)
{
    const Parsed parsed = Parse(MakeAsfHeader({
        MakeFileProperties(600000000ull),
        MakeHeaderExtension(Cat({MakeExtendedStreamProperties(1, 64000, 0), MakeExtendedStreamProperties(2, 1500000, 333667)})),
        MakeAudioStream(1, 353, 2, 48000, 8000),
        MakeVideoStream(2, "WMV3", 640, 360),
        MakeContentDescription(u"Movie", u"Studio"),
    }));
    ASSERT_EQ(parsed.result, 0);
    const MediaInfo& info = parsed.info;
    EXPECT_EQ(info.durationSec, 60u);
    EXPECT_EQ(info.videoFourCC, FourCC("WMV3"));
    EXPECT_EQ(info.videoWidth, 640u);
    EXPECT_EQ(info.videoHeight, 360u);
    EXPECT_EQ(info.frameDurationUs, 33366u);
    EXPECT_EQ(info.videoBitRate, 1500000u);
    EXPECT_EQ(info.audioFormat, 353u);
    EXPECT_EQ(info.audioBitRate, 64000u);
    EXPECT_EQ(info.hasTitle, 0);
    EXPECT_EQ(info.hasArtist, 0);
    EXPECT_EQ(Text(info.title), u"");
}

TEST(AsfParser, LaterArtistWins)
{
    const Bytes description = MakeContentDescription(u"T", u"Author");
    const Bytes extended = MakeExtendedContentDescription({{u"WM/AlbumArtist", 0, Utf16Z(u"Album Artist")}});
    const Parsed extended_last = Parse(MakeAsfHeader({MakeAudioStream(1, 353, 2, 44100, 16000), description, extended}));
    ASSERT_EQ(extended_last.result, 0);
    EXPECT_EQ(Text(extended_last.info.artist), u"Album Artist");
    const Parsed description_last = Parse(MakeAsfHeader({MakeAudioStream(1, 353, 2, 44100, 16000), extended, description}));
    ASSERT_EQ(description_last.result, 0);
    EXPECT_EQ(Text(description_last.info.artist), u"Author");
}

TEST(AsfParser, TrackNumberValues)
{
    Bytes qword;
    PutU64Le(qword, 12);
    const Bytes word = {3, 0};
    const Bytes odd_dword = {7, 0, 0};
    const struct {
        const char* name;
        AsfAttribute attribute;
        std::u16string track;
    } cases[] = {
        {"32-bit value", {u"WM/TrackNumber", 3, Dword(7)}, u"7"},
        {"64-bit value", {u"WM/TrackNumber", 4, qword}, u"12"},
        {"16-bit value", {u"WM/TrackNumber", 5, word}, u"3"},
        {"text", {u"WM/TrackNumber", 0, Utf16Z(u"05")}, u"05"},
        {"32-bit type with a 3-byte value is copied", {u"WM/TrackNumber", 3, odd_dword}, u"\u0007"},
        {"largest 32-bit value", {u"WM/TrackNumber", 3, Dword(0xFFFFFFFF)}, u"4294967295"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Parsed parsed = Parse(MakeAsfHeader({MakeAudioStream(1, 353, 2, 44100, 16000),
                                                   MakeExtendedContentDescription({c.attribute})}));
        ASSERT_EQ(parsed.result, 0);
        EXPECT_EQ(Text(parsed.info.track), c.track);
        EXPECT_EQ(parsed.info.hasTrack, 1);
    }
}

// The lowest stream number of each type wins, whatever the order of the objects.
TEST(AsfParser, LowestStreamNumbersAreChosen)
{
    const Bytes header = MakeAsfHeader({
        MakeHeaderExtension(MakeExtendedStreamProperties(1, 800000, 400000)),
        MakeAudioStream(2, 353, 2, 44100, 16000),
        MakeVideoStream(1, "WMV2", 320, 240),
        MakeAudioStream(3, 10, 1, 22050, 2000),
    });
    const Bytes bytes = Cat({header, Bytes(50, 0)});
    MemorySource source(bytes.data(), bytes.size());
    AsfParser parser(source, static_cast<std::uint32_t>(header.size()));
    MediaInfo info;
    ASSERT_EQ(parser.Parse(info), 0);
    EXPECT_EQ(parser.AudioStream(), 2u);
    EXPECT_EQ(parser.VideoStream(), 1u);
    EXPECT_EQ(info.audioFormat, 353u);
    EXPECT_EQ(info.audioSampleRate, 44100u);
    EXPECT_EQ(info.videoFourCC, FourCC("WMV2"));
    EXPECT_EQ(info.frameDurationUs, 40000u);
    EXPECT_EQ(info.videoBitRate, 800000u);

    const Parsed reversed = Parse(MakeAsfHeader({MakeAudioStream(3, 10, 1, 22050, 2000), MakeAudioStream(2, 353, 2, 44100, 16000)}));
    ASSERT_EQ(reversed.result, 0);
    EXPECT_EQ(reversed.info.audioFormat, 353u);
}

TEST(AsfParser, TextLimits)
{
    const std::u16string long_title(300, u'x');
    const std::u16string long_name = u"WM/AlbumArtist/Extra";   // 42 bytes with its zero: skipped
    const Parsed parsed = Parse(MakeAsfHeader({
        MakeAudioStream(1, 353, 2, 44100, 16000),
        MakeContentDescription(long_title, u""),
        MakeExtendedContentDescription({{long_name, 0, Utf16Z(u"Nobody")}, {u"WM/Genre", 0, Utf16Z(u"")}}),
    }));
    ASSERT_EQ(parsed.result, 0);
    EXPECT_EQ(Text(parsed.info.title), std::u16string(127, u'x'));
    EXPECT_EQ(parsed.info.title[127], 0);
    EXPECT_EQ(parsed.info.hasTitle, 1);
    EXPECT_EQ(parsed.info.hasArtist, 0);   // an empty author and a skipped long name
    EXPECT_EQ(parsed.info.hasGenre, 0);    // only a terminating zero
}

// An object running past the header ends the walk; what came before it is used.
TEST(AsfParser, ObjectPastTheHeaderEndsTheWalk)
{
    Bytes lying = MakeContentDescription(u"Never", u"Read");
    lying[16] = 0xF0;
    lying[17] = 0xFF;
    const Parsed parsed = Parse(MakeAsfHeader({MakeFileProperties(100000000ull), MakeAudioStream(1, 353, 2, 44100, 16000),
                                               lying, MakeExtendedContentDescription({{u"WM/Year", 0, Utf16Z(u"2001")}})}));
    ASSERT_EQ(parsed.result, 0);
    EXPECT_EQ(parsed.info.durationSec, 10u);
    EXPECT_EQ(parsed.info.audioFormat, 353u);
    EXPECT_EQ(parsed.info.hasTitle, 0);
    EXPECT_EQ(parsed.info.hasYear, 0);

    // Inner lengths that lie (a text longer than its object) leave that text out.
    Bytes long_text = MakeContentDescription(u"Title", u"Author");
    long_text[24] = 0xFF;
    const Parsed inner = Parse(MakeAsfHeader({MakeAudioStream(1, 353, 2, 44100, 16000), long_text}));
    ASSERT_EQ(inner.result, 0);
    EXPECT_EQ(inner.info.hasTitle, 0);
}

TEST(AsfParser, HeaderSizeBeyondTheFileFails)
{
    const Bytes header = MakeAsfHeader({MakeAudioStream(1, 353, 2, 44100, 16000)});
    MemorySource source(header.data(), header.size());
    MediaInfo info;
    EXPECT_EQ(ReadAsfFile(source, info, static_cast<std::uint32_t>(header.size() + 1)), kFail);
    EXPECT_EQ(info.status, kFail);
    EXPECT_EQ(info.kind, MediaKind::Unknown);
    EXPECT_EQ(ReadAsfFile(source, info, 0xFFFFFFFF), kFail);
    EXPECT_EQ(ReadAsfFile(source, info, 29), kFail);   // too small for the header object's own fields
    EXPECT_EQ(ReadAsfFile(source, info, 0), kFail);
}

// A file cut anywhere: a cut inside the header object fails, as its size runs past the end of the
// file; a cut inside the data object that follows reads exactly as the whole file.
TEST(AsfParser, CutInsideTheDataReadsTheWholeHeader)
{
    const Bytes header = MakeAsfHeader({
        MakeFileProperties(600000000ull),
        MakeAudioStream(1, 353, 2, 48000, 8000),
        MakeVideoStream(2, "WMV3", 640, 360),
    });
    const AsfGuid data_object = {0x75B22636, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
    const Bytes file = Cat({header, AsfObject(data_object, Bytes(400, 0x82))});
    const auto header_size = static_cast<std::uint32_t>(header.size());
    MemorySource whole_source(file.data(), file.size());
    MediaInfo whole;
    ASSERT_EQ(ReadAsfFile(whole_source, whole, header_size), 0);
    EXPECT_EQ(whole.videoFourCC, FourCC("WMV3"));
    for (std::size_t length = 0; length < file.size(); ++length) {
        const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
        MemorySource source(prefix.data(), prefix.size());
        MediaInfo info;
        const HRESULT result = ReadAsfFile(source, info, header_size);
        if (length < header.size()) {
            ASSERT_EQ(result, kFail) << "prefix of " << length << " bytes";
        } else {
            ASSERT_EQ(result, 0) << "prefix of " << length << " bytes";
            ASSERT_EQ(std::memcmp(&info, &whole, sizeof(MediaInfo)), 0) << "prefix of " << length << " bytes";
        }
    }
}

TEST(AsfParser, EveryPrefixFailsCleanly)
{
    const Bytes header = MakeAsfHeader({
        MakeFileProperties(600000000ull),
        MakeHeaderExtension(MakeExtendedStreamProperties(2, 1500000, 333667)),
        MakeAudioStream(1, 353, 2, 48000, 8000),
        MakeVideoStream(2, "WMV3", 640, 360),
        MakeContentDescription(u"Movie", u"Studio"),
        MakeExtendedContentDescription({{u"WM/TrackNumber", 3, Dword(7)}}),
    });
    const auto header_size = static_cast<std::uint32_t>(header.size());
    {
        MemorySource source(header.data(), header.size());
        MediaInfo info;
        ASSERT_EQ(ReadAsfFile(source, info, header_size), 0);
    }
    for (std::size_t length = 0; length < header.size(); ++length) {
        const Bytes prefix(header.begin(), header.begin() + static_cast<std::ptrdiff_t>(length));
        MemorySource source(prefix.data(), prefix.size());
        MediaInfo info;
        ASSERT_EQ(ReadAsfFile(source, info, header_size), kFail) << "prefix of " << length << " bytes";
        // The same prefix taken as a whole header (its size field made to match) is read as far
        // as its objects go, never further.
        MediaInfo cut;
        const HRESULT result = ReadAsfFile(source, cut, static_cast<std::uint32_t>(length));
        ASSERT_TRUE(result == 0 || result == kFail);
    }
}

}  // namespace
}  // namespace mediainfo
