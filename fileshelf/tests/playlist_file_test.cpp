#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <vector>

#include "fileshelf/playlist_file.h"
#include "platform/device_root.h"
#include "platform/files/files.h"
#include "platform/files/tests/temp_device_root.h"
#include "platform/kernel/debug_output.h"

namespace {

using fileshelf::PlaylistAccess;
using fileshelf::PlaylistFile;

struct Entry {
    std::string path;
    std::string title;
    std::int32_t duration_ms;
    bool operator==(const Entry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Entry& entry) {
    return out << "{\"" << entry.path << "\", \"" << entry.title << "\", " << entry.duration_ms << "}";
}

// "음악" (music) and "노래 제목" (song title): UTF-8 and code page 949.
const std::string kMusicUtf8 = "\xEC\x9D\x8C\xEC\x95\x85";
const std::string kMusic949 = "\xC0\xBD\xBE\xC7";
const std::string kTitleUtf8 = "\xEB\x85\xB8\xEB\x9E\x98 \xEC\xA0\x9C\xEB\xAA\xA9";
const std::string kTitle949 = "\xB3\xEB\xB7\xA1 \xC1\xA6\xB8\xF1";

class PlaylistFileTest : public ::testing::Test {
protected:
    void SetUp() override { platform::SetProgramName("FILESHELF.EXE"); }

    std::vector<Entry> ReadAll(const std::string& path) {
        std::vector<Entry> entries;
        PlaylistFile playlist;
        if (!playlist.Open(path, PlaylistAccess::Read)) return entries;
        Entry entry;
        while (playlist.ReadEntry(entry.path, entry.title, entry.duration_ms) == 1) entries.push_back(entry);
        // At the end it stays at the end, with everything cleared.
        entry = {"x", "y", 5};
        EXPECT_EQ(playlist.ReadEntry(entry.path, entry.title, entry.duration_ms), 0);
        EXPECT_EQ(entry, (Entry{"", "", 0}));
        return entries;
    }

    std::string Log() const {
        std::ifstream in(platform::LogPathFor("FILESHELF.EXE"));
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    platform::testing::TempDeviceRoot m_device;
};

TEST_F(PlaylistFileTest, WritesTheDeviceFormatByteForByte) {
    PlaylistFile playlist;
    ASSERT_TRUE(playlist.Open(fileshelf::kMusicPlaylistPath, PlaylistAccess::Write));
    EXPECT_TRUE(playlist.WriteEntry("\\STORAGE CARD\\a.mp3", "", 0));
    EXPECT_TRUE(playlist.WriteEntry("\\USB DRIVE\\b.mp3", "Title", 215999));
    playlist.Close();
    EXPECT_EQ(m_device.ReadHostFile("NAND/MUSICLIST.M3U"),
              "#EXTM3U\r\n#EXTINF:0\r\n\\STORAGE CARD\\a.mp3\r\n#EXTINF:215,Title\r\n\\USB DRIVE\\b.mp3\r\n");
    EXPECT_EQ(ReadAll("\\nand\\musiclist.m3u"),
              (std::vector<Entry>{{"\\STORAGE CARD\\a.mp3", "", 0}, {"\\USB DRIVE\\b.mp3", "Title", 215000}}));
}

TEST_F(PlaylistFileTest, AnEmptyListIsAnEmptyFileAndReadsAsNoEntries) {
    PlaylistFile playlist;
    ASSERT_TRUE(playlist.Open(fileshelf::kMoviePlaylistPath, PlaylistAccess::Write));
    playlist.Close();
    EXPECT_EQ(m_device.ReadHostFile("NAND/MOVIELIST.M3U"), "");
    EXPECT_TRUE(ReadAll(fileshelf::kMoviePlaylistPath).empty());
    EXPECT_NE(Log().find("CREATEFILEMAPPING ERROR!!!!!!!!!!:\\NAND\\MOVIELIST.M3U\n"), std::string::npos) << Log();
}

TEST_F(PlaylistFileTest, EmptyPathsAreWrittenAsNothing) {
    PlaylistFile playlist;
    ASSERT_TRUE(playlist.Open(fileshelf::kMusicPlaylistPath, PlaylistAccess::Write));
    EXPECT_TRUE(playlist.WriteEntry("", "Title", 1000));
    EXPECT_TRUE(playlist.WriteEntry("", "", 0));
    playlist.Close();
    EXPECT_EQ(m_device.ReadHostFile("NAND/MUSICLIST.M3U"), "");

    ASSERT_TRUE(playlist.Open(fileshelf::kMusicPlaylistPath, PlaylistAccess::Write));
    EXPECT_TRUE(playlist.WriteEntry("", "Skipped", 1000));
    EXPECT_TRUE(playlist.WriteEntry("\\a.mp3", "", 0));
    playlist.Close();
    EXPECT_EQ(m_device.ReadHostFile("NAND/MUSICLIST.M3U"), "#EXTM3U\r\n#EXTINF:0\r\n\\a.mp3\r\n");
}

TEST_F(PlaylistFileTest, KoreanTitlesAndPathsRoundTripThroughCodePage949) {
    const std::string path = "\\STORAGE CARD\\" + kMusicUtf8 + "\\" + kTitleUtf8 + ".mp3";
    PlaylistFile playlist;
    ASSERT_TRUE(playlist.Open(fileshelf::kMusicPlaylistPath, PlaylistAccess::Write));
    playlist.WriteEntry(path, kTitleUtf8, 61000);
    playlist.Close();
    EXPECT_EQ(m_device.ReadHostFile("NAND/MUSICLIST.M3U"),
              "#EXTM3U\r\n#EXTINF:61," + kTitle949 + "\r\n\\STORAGE CARD\\" + kMusic949 + "\\" + kTitle949 + ".mp3\r\n");
    EXPECT_EQ(ReadAll(fileshelf::kMusicPlaylistPath), (std::vector<Entry>{{path, kTitleUtf8, 61000}}));
}

TEST_F(PlaylistFileTest, ReadsFilesFromOutside) {
    m_device.WriteHostFile("NAND/MUSICLIST.M3U",
                           "#EXTM3U\n#extinf:-1,   " + kTitle949 + "\n\t \\STORAGE CARD\\" + kMusic949 + ".mp3 \t\n"
                           "#EXTINF:10,One\n#EXTINF:20,Two\n\\b.mp3\n\\c.mp3\n#EXTINF:30,Dangling\n");
    EXPECT_EQ(ReadAll(fileshelf::kMusicPlaylistPath),
              (std::vector<Entry>{{"\\STORAGE CARD\\" + kMusicUtf8 + ".mp3", kTitleUtf8, -1000},
                                  {"\\b.mp3", "Two", 20000},
                                  {"\\c.mp3", "", 0}}));
}

TEST_F(PlaylistFileTest, LongLinesAreCutNeverOverrun) {
    const std::string long_path(5000, 'p');
    m_device.WriteHostFile("NAND/MUSICLIST.M3U", "\\" + long_path + "\r\n\\" + std::string(300, '\xC0') + "\r\n\\ok.mp3\r\n");
    auto entries = ReadAll(fileshelf::kMusicPlaylistPath);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].path, "\\" + long_path.substr(0, 258));
    EXPECT_EQ(entries[2].path, "\\ok.mp3");
}

TEST_F(PlaylistFileTest, WritingCutsOverlongLinesToTheLineBuffer) {
    PlaylistFile playlist;
    ASSERT_TRUE(playlist.Open(fileshelf::kMusicPlaylistPath, PlaylistAccess::Write));
    playlist.WriteEntry("\\" + std::string(700, 'a'), "", 0);
    playlist.Close();
    const std::string bytes = m_device.ReadHostFile("NAND/MUSICLIST.M3U");
    EXPECT_EQ(bytes, "#EXTM3U\r\n#EXTINF:0\r\n\\" + std::string(509, 'a') + "\r\n");
}

TEST_F(PlaylistFileTest, ZeroLengthAndRandomFiles) {
    // An empty file cannot be mapped: the mapping's debug line, and no entries.
    m_device.WriteHostFile("NAND/EMPTY.M3U", "");
    PlaylistFile playlist;
    EXPECT_FALSE(playlist.Open("\\NAND\\EMPTY.M3U", PlaylistAccess::Read));
    EXPECT_NE(Log().find("CREATEFILEMAPPING ERROR!!!!!!!!!!:\\NAND\\EMPTY.M3U\n"), std::string::npos) << Log();
    std::string path, title;
    std::int32_t duration = 9;
    EXPECT_EQ(playlist.ReadEntry(path, title, duration), 0);
    EXPECT_TRUE(ReadAll("\\NAND\\EMPTY.M3U").empty());

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    for (int round = 0; round < 20; ++round) {
        std::string bytes(random() % 20000, '\0');
        for (auto& byte : bytes) byte = static_cast<char>(random());
        m_device.WriteHostFile("NAND/RANDOM.M3U", bytes);
        // A line that begins with a zero byte reads as an empty path, as a C string would.
        for (const auto& entry : ReadAll("\\NAND\\RANDOM.M3U")) {
            EXPECT_LE(entry.path.size(), 259u * 3u);  // each byte gives at most one character of three UTF-8 bytes
        }
    }
}

TEST_F(PlaylistFileTest, MissingFileFailsWithTheDebugLineAndReadsNothing) {
    PlaylistFile playlist;
    EXPECT_FALSE(playlist.Open(fileshelf::kMusicPlaylistPath, PlaylistAccess::Read));
    EXPECT_FALSE(playlist.IsOpen());
    std::string path, title;
    std::int32_t duration = 7;
    EXPECT_EQ(playlist.ReadEntry(path, title, duration), 0);
    EXPECT_EQ(duration, 0);
    EXPECT_NE(Log().find("OPEN ERROR 2!!!!!!!!!!:\\NAND\\MUSICLIST.M3U"), std::string::npos) << Log();
}

TEST_F(PlaylistFileTest, AFileThatVanishesBetweenListingAndOpening) {
    m_device.WriteHostFile("STORAGE CARD/LIST.M3U", "\\a.mp3\r\n");
    WIN32_FIND_DATA data;
    HANDLE search = FindFirstFile("\\STORAGE CARD\\*.m3u", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    std::filesystem::remove(m_device.Fs() / "STORAGE CARD" / "LIST.M3U");
    PlaylistFile playlist;
    EXPECT_FALSE(playlist.Open("\\STORAGE CARD\\" + data.cFileName, PlaylistAccess::Read));
    std::string path, title;
    std::int32_t duration = 0;
    EXPECT_EQ(playlist.ReadEntry(path, title, duration), 0);
    EXPECT_NE(Log().find("OPEN ERROR 2!!!!!!!!!!:\\STORAGE CARD\\LIST.M3U"), std::string::npos) << Log();
    // Writing into a folder that is gone fails the same way.
    std::filesystem::remove_all(m_device.Fs() / "STORAGE CARD");
    EXPECT_FALSE(playlist.Open("\\STORAGE CARD\\LIST.M3U", PlaylistAccess::Write));
    EXPECT_NE(Log().find("OPEN ERROR 3!!!!!!!!!!:\\STORAGE CARD\\LIST.M3U"), std::string::npos) << Log();
}

TEST_F(PlaylistFileTest, OpenClosesWhatWasOpenAndWritingHoldsTheFileExclusively) {
    PlaylistFile writer;
    ASSERT_TRUE(writer.Open(fileshelf::kMusicPlaylistPath, PlaylistAccess::Write));
    writer.WriteEntry("\\a.mp3", "", 0);
    PlaylistFile reader;
    EXPECT_FALSE(reader.Open(fileshelf::kMusicPlaylistPath, PlaylistAccess::Read)) << "the writer shares nothing";
    EXPECT_NE(Log().find("OPEN ERROR 32!!!!!!!!!!:"), std::string::npos) << Log();
    // Reopening for writing starts a new file with a new header.
    ASSERT_TRUE(writer.Open(fileshelf::kMusicPlaylistPath, PlaylistAccess::Write));
    writer.WriteEntry("\\b.mp3", "", 0);
    ASSERT_TRUE(writer.Open(fileshelf::kMoviePlaylistPath, PlaylistAccess::Write));
    writer.Close();
    EXPECT_EQ(ReadAll(fileshelf::kMusicPlaylistPath), (std::vector<Entry>{{"\\b.mp3", "", 0}}));
    // Two readers at once are fine.
    PlaylistFile first, second;
    EXPECT_TRUE(first.Open(fileshelf::kMusicPlaylistPath, PlaylistAccess::Read));
    EXPECT_TRUE(second.Open(fileshelf::kMusicPlaylistPath, PlaylistAccess::Read));
}

}  // namespace
