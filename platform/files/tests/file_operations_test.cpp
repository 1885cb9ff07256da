#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/files/files.h"
#include "platform/files/tests/temp_device_root.h"
#include "platform/kernel/kernel.h"

namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

class FileOperationsTest : public ::testing::Test {
protected:
    bool IsExecutable(const std::string& relative) const {
        struct stat info {};
        return ::stat((m_device.Fs() / relative).c_str(), &info) == 0 && (info.st_mode & S_IXUSR);
    }
    bool Exists(const std::string& relative) const { return std::filesystem::exists(m_device.Fs() / relative); }
    platform::testing::TempDeviceRoot m_device;
};

TEST_F(FileOperationsTest, DeleteFile) {
    m_device.WriteHostFile("NAND/Gone.txt", "x");
    EXPECT_TRUE(DeleteFile("\\nand\\gone.TXT"));
    EXPECT_FALSE(Exists("NAND/Gone.txt"));
    SetLastError(kSentinel);
    EXPECT_FALSE(DeleteFile("\\NAND\\gone.txt"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    SetLastError(kSentinel);
    EXPECT_FALSE(DeleteFile("\\NAND\\nodir\\gone.txt"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    SetLastError(kSentinel);
    EXPECT_FALSE(DeleteFile("\\NAND"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(FileOperationsTest, DeleteRefusesReadOnlyAndOpenFiles) {
    m_device.WriteHostFile("NAND/ro.txt", "x");
    ASSERT_TRUE(SetFileAttributes("\\NAND\\ro.txt", FILE_ATTRIBUTE_READONLY));
    SetLastError(kSentinel);
    EXPECT_FALSE(DeleteFile("\\NAND\\ro.txt"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    ASSERT_TRUE(SetFileAttributes("\\NAND\\ro.txt", FILE_ATTRIBUTE_NORMAL));
    HANDLE open = CreateFile("\\NAND\\ro.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    SetLastError(kSentinel);
    EXPECT_FALSE(DeleteFile("\\NAND\\ro.txt"));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    CloseHandle(open);
    EXPECT_TRUE(DeleteFile("\\NAND\\ro.txt"));
}

TEST_F(FileOperationsTest, MoveFile) {
    m_device.WriteHostFile("NAND/a.txt", "A");
    m_device.WriteHostFile("NAND/b.txt", "B");
    SetLastError(kSentinel);
    EXPECT_FALSE(MoveFile("\\NAND\\a.txt", "\\NAND\\B.TXT"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    SetLastError(kSentinel);
    EXPECT_FALSE(MoveFile("\\NAND\\none.txt", "\\NAND\\c.txt"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    SetLastError(kSentinel);
    EXPECT_FALSE(MoveFile("\\NAND\\a.txt", "\\NAND\\nodir\\c.txt"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    EXPECT_TRUE(MoveFile("\\nand\\A.TXT", "\\NAND\\New Name.txt"));
    EXPECT_FALSE(Exists("NAND/a.txt"));
    EXPECT_EQ(m_device.ReadHostFile("NAND/New Name.txt"), "A");
    // Only the case changes.
    EXPECT_TRUE(MoveFile("\\NAND\\new name.txt", "\\NAND\\NEW NAME.TXT"));
    EXPECT_EQ(m_device.ReadHostFile("NAND/NEW NAME.TXT"), "A");
    EXPECT_FALSE(Exists("NAND/New Name.txt"));
    // A program file moved into place becomes executable; directories move too.
    EXPECT_TRUE(MoveFile("\\NAND\\b.txt", "\\NAND\\UPDATE.EXE"));
    EXPECT_TRUE(IsExecutable("NAND/UPDATE.EXE"));
    ASSERT_TRUE(CreateDirectory("\\NAND\\Dir"));
    EXPECT_TRUE(MoveFile("\\NAND\\DIR", "\\NAND\\Moved"));
    EXPECT_EQ(GetFileAttributes("\\NAND\\moved"), FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FileOperationsTest, CopyFile) {
    m_device.WriteHostFile("NAND/src.bin", std::string(200000, 'z'));
    m_device.WriteHostFile("NAND/dst.bin", "old");
    SetLastError(kSentinel);
    EXPECT_FALSE(CopyFile("\\NAND\\SRC.BIN", "\\NAND\\DST.BIN", TRUE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(m_device.ReadHostFile("NAND/dst.bin"), "old");
    EXPECT_TRUE(CopyFile("\\NAND\\SRC.BIN", "\\NAND\\DST.BIN", FALSE));
    EXPECT_EQ(m_device.ReadHostFile("NAND/dst.bin"), std::string(200000, 'z'));
    EXPECT_TRUE(CopyFile("\\NAND\\src.bin", "\\NAND\\Copy.Exe", TRUE));
    EXPECT_TRUE(IsExecutable("NAND/Copy.Exe"));
    SetLastError(kSentinel);
    EXPECT_FALSE(CopyFile("\\NAND\\none.bin", "\\NAND\\x.bin", FALSE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    SetLastError(kSentinel);
    EXPECT_FALSE(CopyFile("\\NAND\\src.bin", "\\NAND\\src.bin", FALSE));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(m_device.ReadHostFile("NAND/src.bin").size(), 200000u);
}

TEST_F(FileOperationsTest, Attributes) {
    m_device.WriteHostFile("NAND/f.txt", "x");
    EXPECT_EQ(GetFileAttributes("\\NAND\\F.TXT"), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(GetFileAttributes("\\NAND"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributes("\\"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(SetFileAttributes("\\NAND\\f.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(GetFileAttributes("\\NAND\\f.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_TRUE(SetFileAttributes("\\NAND\\f.txt", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributes("\\NAND\\f.txt"), FILE_ATTRIBUTE_ARCHIVE);
    SetLastError(kSentinel);
    EXPECT_EQ(GetFileAttributes("\\NAND\\none"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    SetLastError(kSentinel);
    EXPECT_FALSE(SetFileAttributes("\\NAND\\none", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FileOperationsTest, Directories) {
    EXPECT_TRUE(CreateDirectory("\\nand\\Music"));
    EXPECT_TRUE(std::filesystem::is_directory(m_device.Fs() / "NAND" / "Music"));
    SetLastError(kSentinel);
    EXPECT_FALSE(CreateDirectory("\\NAND\\MUSIC"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    SetLastError(kSentinel);
    EXPECT_FALSE(CreateDirectory("\\NAND\\a\\b"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    m_device.WriteHostFile("NAND/Music/song.mp3", "x");
    SetLastError(kSentinel);
    EXPECT_FALSE(RemoveDirectory("\\NAND\\music"));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    SetLastError(kSentinel);
    EXPECT_FALSE(RemoveDirectory("\\NAND\\music\\song.mp3"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(DeleteFile("\\NAND\\music\\song.mp3"));
    EXPECT_TRUE(RemoveDirectory("\\NAND\\music"));
    SetLastError(kSentinel);
    EXPECT_FALSE(RemoveDirectory("\\NAND\\music"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    SetLastError(kSentinel);
    EXPECT_FALSE(RemoveDirectory("\\"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(FileOperationsTest, DiskFreeSpace) {
    std::uint64_t available = 0, total = 0, free = 0;
    ASSERT_TRUE(GetDiskFreeSpaceEx("\\nand", &available, &total, &free));
    EXPECT_GT(total, 0u);
    EXPECT_LE(available, free);
    EXPECT_LE(free, total);
    EXPECT_TRUE(GetDiskFreeSpaceEx("\\NAND\\", nullptr, nullptr, nullptr));
    SetLastError(kSentinel);
    EXPECT_FALSE(GetDiskFreeSpaceEx("\\STORAGE CARD", &available, &total, &free));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FileOperationsTest, AStorageCardOfAConfiguredSizeHasWhatItsFilesLeaveFree) {
    m_device.WriteConfig("storage_card_size = 2048000000\n");
    m_device.WriteHostFile("STORAGE CARD/a.mp3", std::string(1000, 'a'));
    m_device.WriteHostFile("STORAGE CARD/Music/Deep/b.mp3", std::string(2345, 'b'));
    std::uint64_t available = 0, total = 0, free = 0;
    ASSERT_TRUE(GetDiskFreeSpaceEx("\\Storage Card\\", &available, &total, &free));
    EXPECT_EQ(total, 2048000000u);
    EXPECT_EQ(free, 2048000000u - 3345u);
    EXPECT_EQ(available, free);
    ASSERT_TRUE(GetDiskFreeSpaceEx("\\STORAGE CARD\\MUSIC", &available, &total, &free)) << "any folder of the card";
    EXPECT_EQ(total, 2048000000u);

    // Files larger than the card leave nothing free, never a wrapped count.
    m_device.WriteConfig("storage_card_size = 3000\n");
    ASSERT_TRUE(GetDiskFreeSpaceEx("\\STORAGE CARD\\", &available, &total, &free));
    EXPECT_EQ(total, 3000u);
    EXPECT_EQ(free, 0u);
    // \NAND keeps the host's numbers.
    ASSERT_TRUE(GetDiskFreeSpaceEx("\\NAND", &available, &total, &free));
    EXPECT_NE(total, 3000u);

    std::filesystem::remove_all(m_device.Fs() / "STORAGE CARD");
    SetLastError(kSentinel);
    EXPECT_FALSE(GetDiskFreeSpaceEx("\\STORAGE CARD\\", &available, &total, &free)) << "the card is out";
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

}  // namespace
