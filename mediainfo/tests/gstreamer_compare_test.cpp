// Files written by GStreamer's encoders and muxers, probed and compared field by field with
// what gst-discoverer-1.0 reports for the same files. The files are generated into the build
// tree on first use. A format is skipped only when one of its GStreamer elements is missing.
//
// Deliberate differences, checked with a tolerance rather than exactly:
// - Play time: the record keeps whole seconds, and MPEG audio without a frame count works it
//   out from the file size and the bit rate (tags and all), so it may be a second off.
// - Bit rates: the MP4 and ADTS readers average over the samples or frames they walk, and
//   FLAC's is the file's average, where GStreamer may give a nominal or a parsed rate.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "mediainfo/media_probe.h"
#include "mediainfo/tests/fixtures.h"
#include "mediainfo/host_file.h"

namespace mediainfo::testing {
namespace {

namespace fs = std::filesystem;

const fs::path kOutputDir = MEDIAINFO_GST_DIR;
const char* const kTags = "taginject 'tags=\"title=\\\"Probe Title\\\",artist=\\\"Probe Artist\\\","
                          "album=\\\"Probe Album\\\",track-number=(uint)7,genre=Rock\"'";

std::string RunCommand(const std::string& command, int& exit_code)
{
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        exit_code = -1;
        return output;
    }
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    const int status = pclose(pipe);
    exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
}

bool HasProgram(const char* name)
{
    int code = 0;
    RunCommand(std::string("command -v ") + name, code);
    return code == 0;
}

bool HasElement(const std::string& element)
{
    int code = 0;
    RunCommand("gst-inspect-1.0 --exists " + element, code);
    return code == 0;
}

// What gst-discoverer-1.0 -v says about one file.
struct DiscoveredStream {
    std::string caps;
    std::map<std::string, std::string> fields;  // first value of each "Key: value" line
};

struct Discovered {
    double duration = 0;
    std::vector<DiscoveredStream> audio, video;
    std::map<std::string, std::string> tags;  // first value of each tag anywhere

    std::optional<long long> Number(const std::vector<DiscoveredStream>& streams, const std::string& key) const
    {
        if (streams.empty() || !streams[0].fields.count(key))
            return std::nullopt;
        return std::atoll(streams[0].fields.at(key).c_str());
    }
};

Discovered Discover(const fs::path& file)
{
    Discovered found;
    int code = 0;
    const std::string output = RunCommand("timeout 120 gst-discoverer-1.0 -v '" + file.string() + "'", code);
    DiscoveredStream* current = nullptr;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos)
            end = output.size();
        std::string line = output.substr(start, end - start);
        start = end + 1;
        line.erase(0, line.find_first_not_of(' '));
        const std::size_t colon = line.find(": ");
        if (colon == std::string::npos || colon == 0)
            continue;
        const std::string key = line.substr(0, colon), value = line.substr(colon + 2);
        int hours = 0, minutes = 0, seconds = 0;
        char fraction[16] = {};
        const bool is_stream = key.rfind("audio #", 0) == 0 || key.rfind("video #", 0) == 0 ||
                               key.rfind("video(image) #", 0) == 0;
        if (key == "Duration" && found.duration == 0 &&
            std::sscanf(value.c_str(), "%d:%d:%d.%15[0-9]", &hours, &minutes, &seconds, fraction) == 4) {
            found.duration = hours * 3600.0 + minutes * 60.0 + seconds + std::atof((std::string("0.") + fraction).c_str());
        } else if (is_stream) {
            auto& list = key[0] == 'a' ? found.audio : found.video;
            list.push_back({value, {}});
            current = list.size() == 1 ? &list.back() : nullptr;  // the first stream of each type
        } else if (key.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz ") == std::string::npos) {
            if (current && !current->fields.count(key))
                current->fields[key] = value;
            if (!found.tags.count(key))
                found.tags[key] = value;
        }
    }
    return found;
}

std::string Utf8(const TextField& field)
{
    std::string text;
    for (char16_t unit : Text(field))
        text += unit < 0x80 ? static_cast<char>(unit) : '?';
    return text;
}

struct FormatCase {
    const char* name;
    const char* file;
    std::vector<std::string> elements;
    std::string pipeline;  // gst-launch-1.0 arguments; OUT stands for the output file
    MediaKind kind;
    std::uint32_t audio_format;
    std::uint32_t video_fourcc;
    bool tags;
    double audio_bit_rate_tolerance;  // relative; < 0: not compared
    double video_bit_rate_tolerance;
    std::uint32_t picture_width = 0;   // pictures: the size the pipeline asks for
    std::uint32_t picture_height = 0;
};

void PrintTo(const FormatCase& test, std::ostream* out)
{
    *out << test.name;
}

const std::string kVideo = "videotestsrc num-buffers=100 ! video/x-raw,width=320,height=240,framerate=25/1,format=I420";
const std::string kAudio = "audiotestsrc num-buffers=172 ! audio/x-raw,rate=44100,channels=2";  // 4 s

std::vector<FormatCase> Cases()
{
    return {
        {"Mp4H264Aac", "h264_aac.mp4", {"openh264enc", "h264parse", "voaacenc", "aacparse", "mp4mux"},
         kVideo + " ! openh264enc bitrate=400000 ! h264parse ! mp4mux name=m ! filesink location=OUT " + kAudio +
             " ! voaacenc ! aacparse ! m.",
         MediaKind::Mp4, 255, FourCC("AVC1"), false, 0.15, 0.15},
        {"Mp4FastStart", "faststart.mp4", {"openh264enc", "h264parse", "voaacenc", "aacparse", "mp4mux"},
         kVideo + " ! openh264enc bitrate=400000 ! h264parse ! mp4mux faststart=true name=m ! filesink location=OUT " +
             kAudio + " ! voaacenc ! aacparse ! m.",
         MediaKind::Mp4, 255, FourCC("AVC1"), false, 0.15, 0.15},
        {"M4aAac", "aac.m4a", {"voaacenc", "aacparse", "mp4mux"},
         kAudio + " ! voaacenc bitrate=96000 ! aacparse ! mp4mux ! filesink location=OUT", MediaKind::Mp4, 255, 0, false,
         0.15, -1},
        {"AviMpeg4Mp3", "mpeg4_mp3.avi", {"avenc_mpeg4", "lamemp3enc", "avimux"},
         kVideo + " ! avenc_mpeg4 ! avimux name=m ! filesink location=OUT " + kAudio +
             " ! lamemp3enc target=bitrate bitrate=128 cbr=true ! m.",
         MediaKind::Avi, 85, FourCC("DIVX"), false, 0.02, 0.05},
        {"MpegProgramStream", "mpeg2_mp2.mpg", {"mpeg2enc", "mpegvideoparse", "avenc_mp2", "mpegaudioparse", "mpegpsmux"},
         "videotestsrc num-buffers=100 ! video/x-raw,width=352,height=288,framerate=25/1,format=I420 ! mpeg2enc format=3 "
         "bitrate=2000 ! mpegvideoparse ! mpegpsmux name=m ! filesink location=OUT " +
             kAudio + " ! avenc_mp2 ! mpegaudioparse ! m.",
         MediaKind::MpegProgram2, 80, FourCC("MPG2"), false, 0.02, -1},
        {"Mp3Id3", "tagged.mp3", {"lamemp3enc", "taginject", "id3v2mux"},
         kAudio + " ! lamemp3enc target=bitrate bitrate=128 cbr=true ! " + kTags + " ! id3v2mux ! filesink location=OUT",
         MediaKind::MpegAudio, 85, 0, true, 0.0, -1},
        {"Mp3VbrXing", "vbr.mp3", {"lamemp3enc", "xingmux", "id3v2mux"},
         kAudio + " ! lamemp3enc target=quality quality=4 ! xingmux ! " + kTags + " ! id3v2mux ! filesink location=OUT",
         MediaKind::MpegAudio, 85, 0, true, -1, -1},
        {"AacAdts", "adts.aac", {"voaacenc", "aacparse"},
         kAudio + " ! voaacenc bitrate=128000 ! aacparse ! audio/mpeg,stream-format=adts ! filesink location=OUT",
         MediaKind::MpegAudio, 255, 0, false, 0.15, -1},
        {"OggVorbis", "vorbis.ogg", {"vorbisenc", "oggmux", "taginject"},
         kAudio + " ! " + kTags + " ! vorbisenc bitrate=112000 ! oggmux ! filesink location=OUT", MediaKind::Ogg, 22127, 0,
         true, 0.0, -1},
        {"Flac", "tagged.flac", {"flacenc", "taginject"},
         kAudio + ",format=S16LE ! " + kTags + " ! flacenc ! filesink location=OUT", MediaKind::Flac, 61868, 0, true, -1,
         -1},
        {"Wave", "pcm.wav", {"wavenc"}, "audiotestsrc num-buffers=172 ! audio/x-raw,rate=22050,channels=1,format=S16LE ! "
                                        "wavenc ! filesink location=OUT",
         MediaKind::Wave, 1, 0, false, 0.0, -1},
        {"Jpeg", "picture.jpg", {"jpegenc"},
         "videotestsrc num-buffers=1 ! video/x-raw,width=200,height=150 ! jpegenc ! filesink location=OUT",
         MediaKind::Jpeg, 0, 0, false, -1, -1, 200, 150},
        {"Png", "picture.png", {"pngenc"},
         "videotestsrc num-buffers=1 ! video/x-raw,width=210,height=140 ! pngenc ! filesink location=OUT",
         MediaKind::Png, 0, 0, false, -1, -1, 210, 140},
        {"Bmp", "picture.bmp", {"avenc_bmp"},
         "videotestsrc num-buffers=1 ! video/x-raw,width=180,height=120,format=BGR ! avenc_bmp ! filesink location=OUT",
         MediaKind::Bmp, 0, 0, false, -1, -1, 180, 120},
    };
}

class GStreamerFiles : public ::testing::TestWithParam<FormatCase> {};

// Why the case cannot run here: GStreamer's tools or one of its elements are missing.
std::optional<std::string> MissingGStreamer(const FormatCase& test)
{
    if (!HasProgram("gst-launch-1.0") || !HasProgram("gst-discoverer-1.0") || !HasProgram("gst-inspect-1.0"))
        return "GStreamer tools are not installed";
    for (const std::string& element : test.elements)
        if (!HasElement(element))
            return "GStreamer element " + element + " is not installed";
    return std::nullopt;
}

// Makes the file unless an earlier run made it; returns its path or skips the test.
std::optional<fs::path> Generate(const FormatCase& test, std::string& failure)
{
    const fs::path path = kOutputDir / test.file;
    if (fs::exists(path) && fs::file_size(path) > 0)
        return path;
    fs::create_directories(kOutputDir);
    std::string pipeline = test.pipeline;
    pipeline.replace(pipeline.find("OUT"), 3, "'" + path.string() + "'");
    int code = 0;
    const std::string output = RunCommand("timeout 300 gst-launch-1.0 -q " + pipeline, code);
    if (code != 0 || !fs::exists(path) || fs::file_size(path) == 0) {
        failure = "gst-launch-1.0 failed (" + std::to_string(code) + "): " + output;
        fs::remove(path);
        return std::nullopt;
    }
    return path;
}

TEST_P(GStreamerFiles, ProbeAgreesWithTheDiscoverer)
{
    const FormatCase& test = GetParam();
    if (const auto missing = MissingGStreamer(test))
        GTEST_SKIP() << *missing;
    std::string failure;
    const std::optional<fs::path> path = Generate(test, failure);
    ASSERT_TRUE(path) << failure;

    HostFile file(path->string());
    ASSERT_TRUE(file.IsOpen());
    MediaInfo info;
    const HRESULT claimed = ProbeFile(file, info);
    const Discovered found = Discover(*path);

    EXPECT_EQ(info.status, kResultOk);
    EXPECT_EQ(info.kind, test.kind);
    EXPECT_EQ(info.fileSize, file.Size());
    EXPECT_EQ(claimed != 0, test.kind != MediaKind::Wave) << "WAVE files are read and passed on";

    if (test.kind == MediaKind::Jpeg || test.kind == MediaKind::Png || test.kind == MediaKind::Bmp) {
        // GStreamer recognises no BMP file on its own; its size is then checked against the
        // size the pipeline asked for.
        const long long width = found.Number(found.video, "Width").value_or(test.picture_width);
        const long long height = found.Number(found.video, "Height").value_or(test.picture_height);
        EXPECT_TRUE(!found.video.empty() || test.kind == MediaKind::Bmp) << "the discoverer found no picture";
        EXPECT_EQ(info.pictureWidth, width);
        EXPECT_EQ(info.pictureHeight, height);
        EXPECT_EQ(info.pictureBits, test.kind == MediaKind::Png ? 8u : 24u);
        return;
    }

    EXPECT_EQ(info.audioVariableRate, std::string(test.name) == "Mp3VbrXing" ? 1u : 0u) << "a Xing frame count";
    EXPECT_NEAR(info.durationSec, found.duration, 1.0) << "whole seconds against " << found.duration;

    ASSERT_EQ(found.audio.size(), 1u);
    EXPECT_EQ(info.audioFormat, test.audio_format) << found.audio[0].caps;
    EXPECT_EQ(info.audioSampleRate, found.Number(found.audio, "Sample rate").value_or(-1));
    EXPECT_EQ(info.audioChannels, found.Number(found.audio, "Channels").value_or(-1));
    const long long audio_rate = found.Number(found.audio, "Bitrate").value_or(0);
    if (test.audio_bit_rate_tolerance >= 0 && audio_rate > 0) {
        EXPECT_NEAR(info.audioBitRate, audio_rate, audio_rate * test.audio_bit_rate_tolerance + 1);
    }

    EXPECT_EQ(info.videoFourCC, test.video_fourcc);
    if (test.video_fourcc != 0) {
        ASSERT_EQ(found.video.size(), 1u);
        EXPECT_EQ(info.videoWidth, found.Number(found.video, "Width").value_or(-1));
        EXPECT_EQ(info.videoHeight, found.Number(found.video, "Height").value_or(-1));
        const std::string frame_rate = found.video[0].fields.count("Frame rate") ? found.video[0].fields.at("Frame rate") : "";
        int numerator = 0, denominator = 0;
        if (std::sscanf(frame_rate.c_str(), "%d/%d", &numerator, &denominator) == 2 && numerator > 0) {
            EXPECT_NEAR(info.frameDurationUs, 1e6 * denominator / numerator, 1.0);
        }
        const long long video_rate = found.Number(found.video, "Bitrate").value_or(0);
        if (test.video_bit_rate_tolerance >= 0 && video_rate > 0) {
            EXPECT_NEAR(info.videoBitRate, video_rate, video_rate * test.video_bit_rate_tolerance);
        }
    } else {
        EXPECT_TRUE(found.video.empty());
    }

    if (test.tags) {
        EXPECT_EQ(Utf8(info.title), found.tags.count("title") ? found.tags.at("title") : "(none)");
        EXPECT_EQ(Utf8(info.artist), found.tags.count("artist") ? found.tags.at("artist") : "(none)");
        EXPECT_EQ(Utf8(info.album), found.tags.count("album") ? found.tags.at("album") : "(none)");
        EXPECT_EQ(Utf8(info.track), found.tags.count("track number") ? found.tags.at("track number") : "(none)");
        EXPECT_EQ(Utf8(info.genre), found.tags.count("genre") ? found.tags.at("genre") : "(none)");
        EXPECT_EQ(info.hasTitle + info.hasArtist + info.hasAlbum + info.hasTrack + info.hasGenre, 5);
    }
}

// The first three fifths of a file, as a copy interrupted or a recording cut by a power loss
// leaves it: inside the media data of every generated file.
std::optional<fs::path> CutCopy(const fs::path& whole)
{
    const fs::path cut = whole.string() + ".cut";
    if (fs::exists(cut) && fs::file_size(cut) > 0)
        return cut;
    std::ifstream in(whole, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    bytes.resize(bytes.size() * 3 / 5);
    const fs::path part = cut.string() + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            return std::nullopt;
    }
    fs::rename(part, cut);
    return cut;
}

// A cut copy reads as GStreamer reads it: where the discoverer still finds the streams, the
// probe reports the same formats as for the whole file; where it finds none (the movie box
// was cut off), the probe fails with a code.
TEST_P(GStreamerFiles, CutCopyAgreesWithTheDiscoverer)
{
    const FormatCase& test = GetParam();
    if (const auto missing = MissingGStreamer(test))
        GTEST_SKIP() << *missing;
    std::string failure;
    const std::optional<fs::path> whole_path = Generate(test, failure);
    ASSERT_TRUE(whole_path) << failure;
    const std::optional<fs::path> path = CutCopy(*whole_path);
    ASSERT_TRUE(path) << "cannot write the cut copy of " << *whole_path;

    HostFile file(path->string());
    ASSERT_TRUE(file.IsOpen());
    MediaInfo info;
    (void)ProbeFile(file, info);
    const Discovered found = Discover(*path);
    EXPECT_EQ(info.fileSize, file.Size());

    // A picture's size stands in its first bytes, which the cut keeps. The discoverer reads a
    // cut JPEG, but neither a cut PNG nor any BMP: their size is the one the pipeline asked for.
    if (test.kind == MediaKind::Jpeg || test.kind == MediaKind::Png || test.kind == MediaKind::Bmp) {
        EXPECT_EQ(info.status, kResultOk);
        EXPECT_EQ(info.kind, test.kind);
        EXPECT_EQ(info.pictureWidth, found.Number(found.video, "Width").value_or(test.picture_width));
        EXPECT_EQ(info.pictureHeight, found.Number(found.video, "Height").value_or(test.picture_height));
        return;
    }
    if (found.audio.empty() && found.video.empty()) {
        EXPECT_EQ(info.status, kResultFail) << "the discoverer finds no stream in the cut copy";
        EXPECT_EQ(info.kind, MediaKind::Unknown);
        return;
    }
    EXPECT_EQ(info.status, kResultOk);
    EXPECT_EQ(info.kind, test.kind);
    ASSERT_EQ(found.audio.size(), 1u);
    EXPECT_EQ(info.audioFormat, test.audio_format) << found.audio[0].caps;
    EXPECT_EQ(info.audioSampleRate, found.Number(found.audio, "Sample rate").value_or(-1));
    EXPECT_EQ(info.audioChannels, found.Number(found.audio, "Channels").value_or(-1));
    EXPECT_EQ(info.videoFourCC, test.video_fourcc);
    if (test.video_fourcc != 0) {
        ASSERT_EQ(found.video.size(), 1u);
        EXPECT_EQ(info.videoWidth, found.Number(found.video, "Width").value_or(-1));
        EXPECT_EQ(info.videoHeight, found.Number(found.video, "Height").value_or(-1));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, GStreamerFiles, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mediainfo::testing
