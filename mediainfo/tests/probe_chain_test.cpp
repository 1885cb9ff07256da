// The probe chain: size minimums, the order of the tests, and the picture and WAVE readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "mediainfo/readers.h"
#include "mediainfo/tests/fixtures.h"

namespace mediainfo::testing {
namespace {

Bytes Jpeg(std::size_t size)
{
    Bytes jpeg;
    jpeg.Raw({0xFF, 0xD8});
    jpeg.Raw({0xFF, 0xE0}).Be16(16).Text("JFIF").Fill(10);      // APP0, 16 bytes with its length
    jpeg.Raw({0xFF, 0xDB}).Be16(4).Raw({0, 0});                 // a short quantisation table
    jpeg.Raw({0xFF, 0xC0}).Be16(17).U8(8).Be16(480).Be16(640).U8(3).Fill(9);  // SOF0
    return jpeg.PadTo(size, 0x00);
}

TEST(ProbePictures, JpegNeedsSixtyFourBytes)
{
    const Probed at_64 = Probe(Jpeg(64));
    EXPECT_EQ(at_64.result, 1);
    EXPECT_EQ(at_64.info.kind, MediaKind::Jpeg);
    EXPECT_EQ(at_64.info.status, 0);
    EXPECT_EQ(at_64.info.pictureWidth, 640u);
    EXPECT_EQ(at_64.info.pictureHeight, 480u);
    EXPECT_EQ(at_64.info.pictureBits, 24u);
    EXPECT_EQ(at_64.info.fileSize, 64u);

    std::vector<std::uint8_t> short_jpeg = Jpeg(64);
    short_jpeg.pop_back();
    const Probed at_63 = Probe(short_jpeg);
    EXPECT_EQ(at_63.result, 0);
    EXPECT_EQ(at_63.info.kind, MediaKind::Unknown);
    EXPECT_EQ(at_63.info.status, 1);
}

TEST(ProbePictures, JpegWalkFailureKeepsItsCodeAndDeclines)
{
    Bytes broken;
    broken.Raw({0xFF, 0xD8, 0xFF, 0xE0}).Be16(4).Raw({0, 0}).Raw({0x12, 0x34});  // no FF where a marker must be
    const Probed probed = Probe(broken.PadTo(64));
    EXPECT_EQ(probed.result, 0);
    EXPECT_EQ(probed.info.status, kResultFail);
    EXPECT_EQ(probed.info.kind, MediaKind::Unknown);

    // A segment length that runs off the end of the file ends the walk too.
    Bytes runs_off;
    runs_off.Raw({0xFF, 0xD8, 0xFF, 0xE1}).Be16(0xFFF0);
    EXPECT_EQ(Probe(runs_off.PadTo(64, 0xFF)).info.status, kResultFail);
}

TEST(ProbePictures, JpegWithTheSizeRightAfterTheStartOfImage)
{
    Bytes jpeg;
    jpeg.Raw({0xFF, 0xD8}).Be16(320).Be16(200).U8(1);
    const Probed probed = Probe(jpeg.PadTo(64));
    EXPECT_EQ(probed.info.kind, MediaKind::Jpeg);
    EXPECT_EQ(probed.info.pictureWidth, 320u);
    EXPECT_EQ(probed.info.pictureHeight, 200u);
    EXPECT_EQ(probed.info.pictureBits, 8u);
}

TEST(ProbePictures, EmptySegmentsCannotKeepTheWalkGoing)
{
    Bytes jpeg;
    jpeg.Raw({0xFF, 0xD8});
    for (int i = 0; i < 10000; ++i)
        jpeg.Raw({0xFF, 0xE2}).Be16(2);  // segments that hold nothing but their length
    const Probed probed = Probe(jpeg);
    EXPECT_EQ(probed.result, 0);
    EXPECT_EQ(probed.info.status, kResultFail);
}

TEST(ProbePictures, GifBmpPng)
{
    struct Case {
        const char* name;
        Bytes bytes;
        MediaKind kind;
        std::uint32_t width, height, bits;
    };
    Bytes gif, bmp, png;
    gif.Text("GIF89a").Le16(300).Le16(150).U8(0xF7);
    bmp.Text("BM").Le32(1000).Le32(0).Le32(54).Le32(40).Le32(800).Le32(static_cast<std::uint32_t>(-600)).Le16(1).Le16(24);
    png.Raw({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}).Be32(13).Text("IHDR").Be32(1920).Be32(1080).U8(8);
    const Case cases[] = {
        {"GIF", gif, MediaKind::Gif, 300, 150, 8},
        {"BMP stored top-down", bmp, MediaKind::Bmp, 800, 600, 24},
        {"PNG", png, MediaKind::Png, 1920, 1080, 8},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        Bytes file = test.bytes;
        const Probed probed = Probe(file.PadTo(64));
        EXPECT_EQ(probed.result, 1);
        EXPECT_EQ(probed.info.status, 0);
        EXPECT_EQ(probed.info.kind, test.kind);
        EXPECT_EQ(probed.info.pictureWidth, test.width);
        EXPECT_EQ(probed.info.pictureHeight, test.height);
        EXPECT_EQ(probed.info.pictureBits, test.bits);
    }
}

// A 255-byte file with the magic of any test that needs 256 bytes is not recognised.
TEST(ProbeChain, TwoHundredFiftyFiveBytesPassNoTestThatNeedsMore)
{
    const std::vector<std::pair<const char*, Bytes>> magics = {
        {"AVI", Bytes().Text("RIFF").Le32(247).Text("AVI LIST")},
        {"WAVE", Bytes().Text("RIFF").Le32(247).Text("WAVEfmt ")},
        {"MP4", Bytes().Be32(24).Text("ftypisom").Be32(0).Text("isommp42")},
        {"ASF", Bytes().Raw({0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE,
                             0x6C}).Le32(200)},
        {"Ogg", Bytes().Text("OggS")},
        {"program stream", Bytes().Raw({0x00, 0x00, 0x01, 0xBA, 0x44})},
        {"FLAC", Bytes().Text("fLaC").Raw({0x80, 0x00, 0x00, 0x22})},
        {"Monkey's Audio", Bytes().Text("MAC ").Le16(3990)},
    };
    for (const auto& [name, magic] : magics) {
        SCOPED_TRACE(name);
        Bytes file = magic;
        const Probed probed = Probe(file.PadTo(255));
        EXPECT_EQ(probed.result, 0);
        EXPECT_EQ(probed.info.kind, MediaKind::Unknown);
        EXPECT_EQ(probed.info.status, 1);
        EXPECT_EQ(probed.info.fileSize, 0u) << "a declined file leaves the record untouched";
    }
}

TEST(ProbeChain, ProgramStreamNeedsAQuarterMegabyte)
{
    Bytes stream;
    stream.Raw({0x00, 0x00, 0x01, 0xBA});
    Bytes small = stream;
    EXPECT_EQ(Probe(small.PadTo(0x40000 - 1)).result, 0);
    Bytes large = stream;
    EXPECT_EQ(Probe(large.PadTo(0x40000)).result, 1);
}

TEST(ProbeChain, CdxaIsSearchedOverItsFirstTwoMegabytes)
{
    Bytes within;
    within.Text("RIFF").Le32(0).Text("CDXAfmt ").PadTo(0x1FFFF0).Raw({0x00, 0x00, 0x01, 0xBA}).PadTo(0x300000);
    const Probed found = Probe(within);
    EXPECT_EQ(found.result, 1);
    EXPECT_EQ(found.info.fileSize, 0x300000u);

    Bytes beyond;
    beyond.Text("RIFF").Le32(0).Text("CDXAfmt ").PadTo(0x200000).Raw({0x00, 0x00, 0x01, 0xBA}).PadTo(0x300000);
    EXPECT_EQ(Probe(beyond).result, 0);

    // Without the CD-XA form only the first 256 bytes are searched.
    Bytes plain;
    plain.Text("RIFF").Le32(0).Text("XXXX").PadTo(300).Raw({0x00, 0x00, 0x01, 0xBA}).PadTo(0x300000);
    EXPECT_EQ(Probe(plain).result, 0);
}

TEST(ProbeChain, FtypBrands)
{
    struct Case {
        const char* name;
        Bytes ftyp;
        int brand;
    };
    const Case cases[] = {
        {"mp41", Bytes().Be32(16).Text("ftypmp41").Be32(0), 0},
        {"M4A", Bytes().Be32(16).Text("ftypM4A ").Be32(0), 3},
        {"MSNV", Bytes().Be32(16).Text("ftypMSNV").Be32(0), 4},
        {"3gp6", Bytes().Be32(16).Text("ftyp3gp6").Be32(0), 5},
        {"3gp7 is not listed", Bytes().Be32(16).Text("ftyp3gp7").Be32(0), -1},
        {"unknown major, mp42 compatible", Bytes().Be32(28).Text("ftypqt  ").Be32(0).Text("abcdmp42isom"), 1},
        {"unknown major, nothing compatible", Bytes().Be32(24).Text("ftypqt  ").Be32(0).Text("abcdqt  "), -1},
        {"a known brand outside the box", Bytes().Be32(20).Text("ftypqt  ").Be32(0).Text("abcdmp42"), -1},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        Bytes file = test.ftyp;
        file.PadTo(256);
        EXPECT_EQ(FtypBrandCode(file.Data().data(), file.Size()), test.brand);
        EXPECT_EQ(Probe(file).result, test.brand >= 0 ? 1 : 0);
    }
    // A box size below its header does not make the scan read before the brands.
    Bytes tiny;
    tiny.Be32(3).Text("ftypqt  ").Be32(0).Text("mp42").PadTo(256);
    EXPECT_EQ(FtypBrandCode(tiny.Data().data(), tiny.Size()), -1);
}

Bytes Wave(std::size_t size, std::uint32_t byte_rate = 176400)
{
    Bytes wave;
    wave.Text("RIFF").Le32(static_cast<std::uint32_t>(size - 8)).Text("WAVE");
    wave.Text("fmt ").Le32(16).Le16(1).Le16(2).Le32(44100).Le32(byte_rate).Le16(4).Le16(16);
    wave.Text("data").Le32(static_cast<std::uint32_t>(size - 44));
    return wave.PadTo(size);
}

TEST(ProbeChain, WaveIsReadAndPassedOn)
{
    const Probed probed = Probe(Wave(176400 * 3 + 44));
    EXPECT_EQ(probed.result, 0) << "no test claims a WAVE file";
    EXPECT_EQ(probed.info.status, 0);
    EXPECT_EQ(probed.info.kind, MediaKind::Wave);
    EXPECT_EQ(probed.info.audioFormat, 1u);
    EXPECT_EQ(probed.info.audioChannels, 2u);
    EXPECT_EQ(probed.info.audioSampleRate, 44100u);
    EXPECT_EQ(probed.info.audioBitRate, 1411200u);
    EXPECT_EQ(probed.info.durationSec, 3u);

    // A later test may still claim it: a pack start code within the first 256 bytes of a
    // large enough WAVE file hands it to the program stream reader.
    Bytes carrier = Wave(0x40000);
    std::vector<std::uint8_t> bytes = carrier.Data();
    bytes[100] = 0x00, bytes[101] = 0x00, bytes[102] = 0x01, bytes[103] = 0xBA;
    EXPECT_EQ(Probe(bytes).result, 1);
}

TEST(ProbeChain, WaveFailures)
{
    EXPECT_EQ(Probe(Wave(2047)).info.status, kResultFail) << "shorter than 2048 bytes";
    EXPECT_EQ(Probe(Wave(2048)).info.status, 0);

    Bytes no_format;
    no_format.Text("RIFF").Le32(4000).Text("WAVE").Text("data").Le32(4000);
    EXPECT_EQ(Probe(no_format.PadTo(4000, 0x11)).info.status, kResultFail);

    // "fmt " at file offset 2024 is beyond the search.
    Bytes late;
    late.Text("RIFF").Le32(8000).Text("WAVE").PadTo(2024, 0x11).Text("fmt ").Le32(16).Le16(1).Le16(1).Le32(8000).Le32(8000);
    EXPECT_EQ(Probe(late.PadTo(8000, 0x11)).info.status, kResultFail);

    // A zero byte rate leaves the play time unknown instead of dividing by zero.
    const Probed zero_rate = Probe(Wave(4096, 0));
    EXPECT_EQ(zero_rate.info.status, 0);
    EXPECT_EQ(zero_rate.info.durationSec, 0u);
}

TEST(ProbeChain, FlvAndMonkeysAudio)
{
    Bytes flv;
    flv.Text("FLV").U8(1).U8(0x05).Be32(9).Be32(0);
    // onMetaData script tag: duration 12.5, width 640, height 360.
    Bytes script;
    script.U8(2).Be16(10).Text("onMetaData").U8(8).Be32(3);
    auto number = [&](std::string_view key, double value) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        script.Be16(static_cast<std::uint32_t>(key.size())).Text(key).U8(0).Be32(bits >> 32).Be32(static_cast<std::uint32_t>(bits));
    };
    number("duration", 12.5);
    number("width", 640);
    number("height", -360);  // a lying value is not converted
    script.Be24(9);
    flv.U8(18).Be24(static_cast<std::uint32_t>(script.Size())).Be24(0).U8(0).Be24(0).Append(script).Be32(0);
    flv.U8(8).Be24(1).Be24(0).U8(0).Be24(0).U8(0x2F).Be32(12);  // MP3, 44 kHz, stereo
    flv.U8(9).Be24(1).Be24(0).U8(0).Be24(0).U8(0x17).Be32(12);  // AVC key frame
    const Probed probed = Probe(flv);
    EXPECT_EQ(probed.info.kind, MediaKind::Flv);
    EXPECT_EQ(probed.info.durationSec, 12u);
    EXPECT_EQ(probed.info.videoWidth, 640u);
    EXPECT_EQ(probed.info.videoHeight, 0u);
    EXPECT_EQ(probed.info.audioFormat, 85u);
    EXPECT_EQ(probed.info.audioSampleRate, 44100u);
    EXPECT_EQ(probed.info.audioChannels, 2u);
    EXPECT_EQ(probed.info.videoFourCC, FourCC("AVC1"));

    Bytes lying;
    lying.Text("FLV").U8(1).U8(5).Be32(0x7FFFFFFF).Be32(0);
    // A header running past the end of the file is read as far as it goes: an FLV file with
    // no tag.
    const Probed cut = Probe(lying);
    EXPECT_EQ(cut.info.status, 0);
    EXPECT_EQ(cut.info.kind, MediaKind::Flv);
    EXPECT_EQ(cut.info.audioFormat, 0u);
    EXPECT_EQ(cut.info.videoFourCC, 0u);
    Bytes small;
    small.Text("FLV").U8(1).U8(5).Be32(8).Be32(0);
    EXPECT_EQ(Probe(small).info.status, kResultFail) << "a header size below the header";

    Bytes ape;
    ape.Text("MAC ").Le16(3990).Le16(0).Le32(52).Le32(24).Le32(0).Le32(0).Le32(0).Le32(0).Le32(0).Fill(16);
    ape.Le16(2000).Le16(0).Le32(73728 * 4).Le32(44100).Le32(3).Le16(16).Le16(2).Le32(44100);
    const Probed monkey = Probe(ape.PadTo(1000));
    EXPECT_EQ(monkey.info.kind, MediaKind::MonkeysAudio);
    EXPECT_EQ(monkey.info.status, 0);
    EXPECT_EQ(monkey.info.audioSampleRate, 44100u);
    EXPECT_EQ(monkey.info.audioChannels, 2u);
    EXPECT_EQ(monkey.info.durationSec, (2u * 73728 * 4 + 44100) / 44100);
}

}  // namespace
}  // namespace mediainfo::testing

namespace mediainfo::testing {
namespace {

// Reads of a file in memory, with the largest single read: the readers allocate exactly what
// they read, so this bounds what a lying size can make them allocate.
class WatchedSource final : public FileSource {
public:
    explicit WatchedSource(const std::vector<std::uint8_t>& bytes) : m_file(bytes.data(), bytes.size()) {}
    std::uint64_t Size() const override { return m_file.Size(); }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& bytes_read) override
    {
        m_largest = std::max(m_largest, count);
        ++m_reads;
        return m_file.ReadAt(offset, buffer, count, bytes_read);
    }
    std::size_t Largest() const { return m_largest; }
    int Reads() const { return m_reads; }

private:
    MemorySource m_file;
    std::size_t m_largest = 0;
    int m_reads = 0;
};

TEST(ProbeChain, LyingSizesNeverReadMoreThanTheFileHolds)
{
    const std::vector<std::pair<const char*, Bytes>> files = {
        {"ID3v2 tag of 256 MB", Bytes().Text("ID3").U8(3).U8(0).U8(0).Raw({0x7F, 0x7F, 0x7F, 0x7F}).Append(Mp3Frames(5))},
        {"FLV header size of 2 GB", Bytes().Text("FLV").U8(1).U8(5).Be32(0x7FFFFFFF).PadTo(600)},
        {"FLV tag of 16 MB", Bytes().Text("FLV").U8(1).U8(5).Be32(9).Be32(0).U8(18).Be24(0xFFFFFF).Be24(0).Be32(0).PadTo(600)},
        {"FLAC block of 16 MB", Bytes().Text("fLaC").U8(0x04).Be24(0xFFFFFF).Le32(0xFFFFFFF0).PadTo(600)},
        {"Ogg page with 255 segments", Bytes().Text("OggS").U8(0).U8(2).Le64(0).Le32(1).Le32(0).Le32(0).U8(255).Fill(255, 255).PadTo(700)},
        {"Monkey's Audio descriptor beyond the header", Bytes().Text("MAC ").Le16(3990).Le16(0).Le32(0xFFFFFFF0).PadTo(600)},
    };
    for (const auto& [name, file] : files) {
        SCOPED_TRACE(name);
        WatchedSource source(file);
        MediaInfo info;
        (void)ProbeFile(source, info);
        EXPECT_LE(source.Largest(), file.Size());
        EXPECT_LT(source.Reads(), 40) << "a probe reads a few headers, not the file";
        EXPECT_TRUE(info.status == 1 || info.status == 0 || info.status == kResultFail) << info.status;
    }
}

}  // namespace
}  // namespace mediainfo::testing
