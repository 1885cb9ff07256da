// MediaProbe over the platform's file calls: device paths, the error code of a missing file,
// the debug dump, and code-page tags.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "mediainfo/codec_names.h"
#include "mediainfo/media_probe.h"
#include "mediainfo/tests/fixtures.h"
#include "platform/files/tests/temp_device_root.h"
#include "platform/kernel/debug_output.h"

namespace mediainfo::testing {
namespace {

std::string AsString(const std::vector<std::uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

class MediaProbeFileTest : public ::testing::Test {
protected:
    platform::testing::TempDeviceRoot m_device;
};

TEST_F(MediaProbeFileTest, OpensADevicePathAndReadsTheFile)
{
    Bytes file = Mp3Frames(20);
    // ID3v1 title in code page 949: "음악".
    Bytes v1;
    v1.Text("TAG").Text("\xC0\xBD\xBE\xC7").PadTo(128);
    file.Append(v1);
    m_device.WriteHostFile("Storage Card/Music/Song.mp3", AsString(file));

    MediaProbe probe;
    EXPECT_EQ(probe.Open("\\STORAGE CARD\\MUSIC\\SONG.MP3"), kResultOk);
    EXPECT_EQ(probe.Info().status, kResultOk);
    EXPECT_EQ(probe.Info().kind, MediaKind::MpegAudio);
    EXPECT_EQ(probe.Info().fileSize, file.Size());
    EXPECT_EQ(Text(probe.Info().title), u"\uC74C\uC545") << "ID3v1 text comes through the system code page";
}

TEST_F(MediaProbeFileTest, MissingFileGivesTheSystemErrorAndLeavesTheRecord)
{
    MediaProbe probe;
    EXPECT_EQ(probe.Open("\\NAND\\none.avi"), static_cast<HRESULT>(0x80070002u)) << "ERROR_FILE_NOT_FOUND";
    EXPECT_EQ(probe.Info().status, 1);
    EXPECT_EQ(probe.Info().kind, MediaKind::Unknown);
}

TEST_F(MediaProbeFileTest, UnrecognisedFileStillOpensWithStatusOne)
{
    m_device.WriteHostFile("NAND/notes.txt", std::string(5000, 'x'));
    MediaProbe probe;
    EXPECT_EQ(probe.Open("\\NAND\\notes.txt"), kResultOk);
    EXPECT_EQ(probe.Info().status, 1);
    EXPECT_EQ(probe.Info().kind, MediaKind::Unknown);
}

TEST_F(MediaProbeFileTest, DumpGoesToTheProgramsDebugLog)
{
    platform::SetProgramName("MOVIE");
    MediaProbe probe;  // installs the kernel debug print as the readers' sink
    MediaInfo info;
    info.kind = MediaKind::Mp4;
    info.videoFourCC = FourCC("mp4v");
    EXPECT_FALSE(DumpMediaInfo(info));
    std::ifstream log(platform::LogPathFor("MOVIE"));
    const std::string text((std::istreambuf_iterator<char>(log)), {});
    EXPECT_NE(text.find("MP4"), std::string::npos) << text;
    EXPECT_NE(text.find("MP4V"), std::string::npos) << text;
    EXPECT_NE(text.find("Unknown"), std::string::npos) << "no audio: the dump stops at the audio lookup";
}

}  // namespace
}  // namespace mediainfo::testing
