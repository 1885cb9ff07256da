// The capture file: a valid WAV of what has been appended at every moment, and never one
// that replaces another.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/media/wave_capture_file.h"

namespace platform::media {
namespace {

namespace fs = std::filesystem;

std::string Bytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t U32At(const std::string& bytes, size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes.at(at + i));
    return value;
}

class CaptureFolder : public ::testing::Test {
protected:
    CaptureFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "headunit-capture-XXXXXX").string();
        m_folder = ::mkdtemp(pattern.data()) ? fs::path(pattern) / "audio" : fs::path();
    }
    ~CaptureFolder() override
    {
        std::error_code error;
        fs::remove_all(m_folder.parent_path(), error);
    }
    fs::path m_folder;
};

TEST_F(CaptureFolder, HeaderDescribesTheSamplesAfterEveryAppend)
{
    std::string error;
    auto file = WaveCaptureFile::Create(m_folder, "MUSIC.EXE", 1, 44100, 2, error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(file->Path(), m_folder / "MUSIC.EXE-1.wav");
    std::string bytes = Bytes(file->Path());
    ASSERT_EQ(bytes.size(), 44u);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(U32At(bytes, 24), 44100u) << "rate";
    EXPECT_EQ(U32At(bytes, 28), 44100u * 4) << "bytes a second";
    EXPECT_EQ(U32At(bytes, 32), 4u | 16u << 16) << "block align 4, 16 bits";
    EXPECT_EQ(U32At(bytes, 40), 0u);

    const std::vector<std::uint8_t> samples = {1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6};
    ASSERT_TRUE(file->Append(samples.data(), 8));
    // A part frame at the end of a block is left out rather than shifting the channels.
    ASSERT_TRUE(file->Append(samples.data(), samples.size()));
    bytes = Bytes(file->Path());
    ASSERT_EQ(bytes.size(), 44u + 16u);
    EXPECT_EQ(U32At(bytes, 4), 36u + 16u) << "RIFF size";
    EXPECT_EQ(U32At(bytes, 40), 16u) << "data size";
    EXPECT_EQ(bytes.substr(44, 8), bytes.substr(52, 8));
    EXPECT_EQ(file->DataBytes(), 16u);
}

TEST_F(CaptureFolder, ANewCaptureTakesTheNextFreeNumberAndLeavesOthersAlone)
{
    fs::create_directories(m_folder);
    std::ofstream(m_folder / "MUSIC.EXE-1.wav") << "an earlier run";
    std::string error;
    auto second = WaveCaptureFile::Create(m_folder, "MUSIC.EXE", 1, 8000, 1, error);
    ASSERT_TRUE(second) << error;
    auto third = WaveCaptureFile::Create(m_folder, "MUSIC.EXE", 1, 8000, 1, error);
    ASSERT_TRUE(third) << error;
    EXPECT_EQ(second->Number(), 2u);
    EXPECT_EQ(third->Number(), 3u);
    EXPECT_EQ(Bytes(m_folder / "MUSIC.EXE-1.wav"), "an earlier run");
    auto other = WaveCaptureFile::Create(m_folder, "MOVIE.EXE", 1, 8000, 1, error);
    ASSERT_TRUE(other) << error;
    EXPECT_EQ(other->Number(), 1u) << "each program counts its own";
}

TEST_F(CaptureFolder, AFormatNoHeaderCanHoldMakesNoFile)
{
    struct Case {
        int rate;
        int channels;
    };
    for (const Case& c : {Case{0, 2}, Case{-44100, 2}, Case{44100, 0}, Case{44100, 200}}) {
        std::string error;
        EXPECT_FALSE(WaveCaptureFile::Create(m_folder, "MUSIC.EXE", 1, c.rate, c.channels, error))
            << c.rate << " Hz, " << c.channels << " channels";
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(fs::exists(m_folder / "MUSIC.EXE-1.wav"));
}

}  // namespace
}  // namespace platform::media
