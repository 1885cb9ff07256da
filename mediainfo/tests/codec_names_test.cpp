// The three lookups and the information dump Movie prints.
#include "mediainfo/codec_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mediainfo {
namespace {

std::vector<std::string> Dump(const MediaInfo& info, bool* accepted = nullptr)
{
    std::vector<std::string> lines;
    const bool result = DumpMediaInfo(
        info, [](std::string_view line, void* context) { static_cast<std::vector<std::string>*>(context)->emplace_back(line); },
        &lines);
    if (accepted)
        *accepted = result;
    return lines;
}

TEST(CodecNames, Containers)
{
    const std::pair<MediaKind, const char*> supported[] = {
        {MediaKind::Avi, "AVI\n"}, {MediaKind::Mp4, "MP4\n"}, {MediaKind::Asf, "ASF\n"},
        {MediaKind::MpegProgram1, "MPG1\n"}, {MediaKind::MpegProgram2, "MPG2\n"}};
    for (const auto& [kind, name] : supported) {
        EXPECT_EQ(ContainerName(kind).name, name);
        EXPECT_EQ(ContainerName(kind).support, Support::Yes);
    }
    for (MediaKind kind : {MediaKind::Unknown, MediaKind::Ogg, MediaKind::MpegAudio, MediaKind::Wave, MediaKind::Flac,
                           MediaKind::MonkeysAudio, MediaKind::Flv, MediaKind::Jpeg}) {
        EXPECT_EQ(ContainerName(kind).name, "UNKNOWN\n");
        EXPECT_EQ(ContainerName(kind).support, Support::No);
    }
}

TEST(CodecNames, VideoFourCCsInBothCases)
{
    EXPECT_NE(FourCC("DIVX"), FourCC("divx"));
    EXPECT_EQ(VideoCodecName(0x44495658u).name, "DIVX\n");
    EXPECT_EQ(VideoCodecName(0x64697678u).name, "DIVX\n");
    EXPECT_EQ(VideoCodecName(FourCC("h264")).name, "H.264\n");
    EXPECT_EQ(VideoCodecName(FourCC("WMV1")).name, "WMV7\n");
    EXPECT_EQ(VideoCodecName(FourCC("wmv3")).name, "WMV9\n");
    EXPECT_EQ(VideoCodecName(FourCC("MPG2")).name, "MPEG-2\n");
    EXPECT_EQ(VideoCodecName(FourCC("mpg2")).support, Support::No) << "MPEG-1/2 are listed upper case only";
    EXPECT_EQ(VideoCodecName(FourCC("DivX")).name, "UNKNOWN\n");
    EXPECT_EQ(VideoCodecName(0).support, Support::No);
}

TEST(CodecNames, AudioFormats)
{
    const std::tuple<std::uint32_t, const char*, Support> formats[] = {
        {1, "PCM\n", Support::Yes},      {3, "FLOAT\n", Support::No},      {85, "MP3\n", Support::Yes},
        {255, "AAC\n", Support::Yes},    {353, "WMA2\n", Support::Yes},    {8192, "AC3\n", Support::No},
        {22127, "OGG\n", Support::No},   {61868, "FLAC\n", Support::No},   {0, "Unknown\n", Support::No},
        {12345, "Unknown\n", Support::No}};
    for (const auto& [tag, name, support] : formats) {
        EXPECT_EQ(AudioCodecName(tag).name, name) << tag;
        EXPECT_EQ(AudioCodecName(tag).support, support) << tag;
    }
}

TEST(InformationDump, AcceptedFileGivesEveryLine)
{
    MediaInfo info;
    info.kind = MediaKind::Avi;
    info.videoFourCC = FourCC("XVID");
    info.videoWidth = 720, info.videoHeight = 480;
    info.frameDurationUs = 33366;
    info.videoBitRate = 1005123;
    info.aspectX = 10, info.aspectY = 11;
    info.audioFormat = 85;
    info.audioBitRate = 128000;
    info.audioChannels = 2;
    info.audioSampleRate = 44100;
    bool accepted = false;
    const std::vector<std::string> expected = {"AVI\n",      "XVID\n",      "  720x480\n", "  33ms\n",
                                               "  1005.123Kbps\n", "  10x11\n", "MP3\n",
                                               "  128.0Kbps\n", "  2\n",     "  44.100KHz\n"};
    EXPECT_EQ(Dump(info, &accepted), expected);
    EXPECT_TRUE(accepted);
}

TEST(InformationDump, StopsAtTheFirstUnsupportedLookup)
{
    MediaInfo info;
    info.kind = MediaKind::MpegAudio;
    bool accepted = true;
    EXPECT_EQ(Dump(info, &accepted), std::vector<std::string>{"UNKNOWN\n"});
    EXPECT_FALSE(accepted);

    info.kind = MediaKind::Mp4;
    info.videoFourCC = FourCC("VP80");
    EXPECT_EQ(Dump(info, &accepted), (std::vector<std::string>{"MP4\n", "UNKNOWN\n"}));
    EXPECT_FALSE(accepted);

    info.videoFourCC = FourCC("AVC1");
    info.audioFormat = 0;  // no audio
    const std::vector<std::string> lines = Dump(info, &accepted);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines.back(), "Unknown\n");
    EXPECT_FALSE(accepted);
}

}  // namespace
}  // namespace mediainfo
