#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/files/files.h"
#include "platform/files/tests/temp_device_root.h"
#include "platform/kernel/kernel.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

class DevicePathTest : public ::testing::Test {
protected:
    platform::testing::TempDeviceRoot m_device;
};

TEST_F(DevicePathTest, LowerCasePathFindsUpperCaseFile) {
    m_device.WriteHostFile("NAND/MUSIC.EXE", "program");
    EXPECT_EQ(platform::HostPathOf("\\nand\\music.exe"), (m_device.Fs() / "NAND" / "MUSIC.EXE").string());
    HANDLE file = CreateFile("\\nand\\music.exe", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char buffer[16] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(file, buffer, sizeof(buffer), &read));
    EXPECT_EQ(std::string(buffer, read), "program");
    EXPECT_TRUE(CloseHandle(file));
}

TEST_F(DevicePathTest, ABigFoldersKeptNamesFollowEveryChangeToIt) {
    // A folder big enough for its names to be kept between lookups, and settled.
    for (int i = 0; i < 300; ++i) m_device.WriteHostFile("NAND/Big/Song " + std::to_string(i) + ".MP3", "x");
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    EXPECT_EQ(GetFileAttributes("\\NAND\\Big\\missing.mp3"), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributes("\\NAND\\big\\song 7.mp3"), INVALID_FILE_ATTRIBUTES);
    // A file made at once after a lookup is found in any spelling; one taken away is gone.
    m_device.WriteHostFile("NAND/Big/Fresh.MP3", "x");
    EXPECT_NE(GetFileAttributes("\\NAND\\Big\\fresh.mp3"), INVALID_FILE_ATTRIBUTES);
    std::filesystem::remove(m_device.Fs() / "NAND" / "Big" / "Song 8.MP3");
    EXPECT_EQ(GetFileAttributes("\\NAND\\Big\\song 8.mp3"), INVALID_FILE_ATTRIBUTES);
    std::filesystem::rename(m_device.Fs() / "NAND" / "Big" / "Song 9.MP3", m_device.Fs() / "NAND" / "Big" / "Renamed.mp3");
    EXPECT_NE(GetFileAttributes("\\NAND\\Big\\RENAMED.MP3"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributes("\\NAND\\Big\\song 9.mp3"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(DevicePathTest, ForwardSlashesAndRepeatedSeparatorsAreAccepted) {
    m_device.WriteHostFile("NAND/Sub Dir/File.txt", "x");
    const auto expected = (m_device.Fs() / "NAND" / "Sub Dir" / "File.txt").string();
    EXPECT_EQ(platform::HostPathOf("/nand/sub dir/FILE.TXT"), expected);
    EXPECT_EQ(platform::HostPathOf("\\NAND\\\\SUB DIR\\.\\file.txt"), expected);
}

TEST_F(DevicePathTest, MissingComponentsKeepTheCallersSpelling) {
    EXPECT_EQ(platform::HostPathOf("\\nand\\New Folder\\Song.mp3"),
              (m_device.Fs() / "NAND" / "New Folder" / "Song.mp3").string());
}

TEST_F(DevicePathTest, ExactSpellingWinsWhenTwoNamesDifferOnlyInCase) {
    m_device.WriteHostFile("NAND/a.txt", "lower");
    m_device.WriteHostFile("NAND/A.TXT", "upper");
    EXPECT_EQ(platform::HostPathOf("\\NAND\\A.TXT"), (m_device.Fs() / "NAND" / "A.TXT").string());
    EXPECT_EQ(platform::HostPathOf("\\NAND\\a.txt"), (m_device.Fs() / "NAND" / "a.txt").string());
}

TEST_F(DevicePathTest, NonDevicePathsAreRefused) {
    EXPECT_EQ(platform::HostPathOf("NAND\\MUSIC.EXE"), "");
    EXPECT_EQ(platform::HostPathOf(""), "");
    SetLastError(kSentinel);
    EXPECT_EQ(CreateFile("NAND\\x", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(DevicePathTest, DotDotIsRejected) {
    m_device.WriteHostFile("NAND/x.txt", "x");
    EXPECT_EQ(platform::HostPathOf("\\NAND\\..\\..\\etc\\passwd"), "");
    EXPECT_EQ(platform::HostPathOf("\\.."), "");
    SetLastError(kSentinel);
    EXPECT_EQ(CreateFile("\\NAND\\..\\NAND\\x.txt", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
    SetLastError(kSentinel);
    EXPECT_EQ(GetFileAttributes("/../device.conf"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
}

TEST_F(DevicePathTest, LinksLeadingOutOfTheFileSystemAreRefused) {
    std::filesystem::create_directory_symlink(m_device.Root(), m_device.Fs() / "NAND" / "out");
    m_device.WriteConfig("codepage = 949\n");
    SetLastError(kSentinel);
    EXPECT_EQ(GetFileAttributes("\\NAND\\out\\device.conf"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(platform::HostPathOf("\\NAND\\OUT\\device.conf"), "");
}

TEST_F(DevicePathTest, LinksInsideTheFileSystemAreFollowed) {
    m_device.WriteHostFile("STORAGE CARD/Movie/a.avi", "x");
    std::filesystem::create_directory_symlink(m_device.Fs() / "STORAGE CARD" / "Movie", m_device.Fs() / "NAND" / "m");
    EXPECT_EQ(GetFileAttributes("\\NAND\\M\\A.AVI"), FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(DevicePathTest, ForbiddenCharactersAreInvalidNames) {
    for (const char* path : {"\\NAND\\a*b", "\\NAND\\a?b", "\\NAND\\a|b", "\\NAND\\a:b", "\\NAND\\a\x01"}) {
        SetLastError(kSentinel);
        EXPECT_EQ(CreateFile(path, GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE) << path;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME) << path;
    }
}

TEST_F(DevicePathTest, MissingDirectoryIsPathNotFoundMissingFileIsFileNotFound) {
    SetLastError(kSentinel);
    EXPECT_EQ(CreateFile("\\NAND\\none.txt", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    SetLastError(kSentinel);
    EXPECT_EQ(CreateFile("\\NAND\\nodir\\none.txt", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    SetLastError(kSentinel);
    EXPECT_EQ(CreateFile("\\NAND\\nodir\\new.txt", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

}  // namespace
