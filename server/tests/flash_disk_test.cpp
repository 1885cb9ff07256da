// The flash disk as the server keeps it: a sparse image, sector ranges checked whole before
// anything moves, and a boot loader installed all or nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/devices/flash_disk.h"
#include "platform/protocol/messages.h"
#include "server/drivers/flash_disk.h"

namespace {

namespace fs = std::filesystem;

class FlashDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/flash_disk_test.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_root = pattern;
        fs::create_directories(m_root / "fs" / "NAND");
        fs::create_directories(m_root / "state");
    }
    void TearDown() override { fs::remove_all(m_root); }

    server::FlashDisk MakeDisk(std::uint64_t sectors) {
        return server::FlashDisk(m_root / "state", m_root / "fs", sectors,
                                 [this](const std::string& line) { m_lines.push_back(line); });
    }
    std::string WriteFsFile(const std::string& name, const std::string& bytes) {
        const fs::path path = m_root / "fs" / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    std::string ReadState(const std::string& name) {
        std::ifstream in(m_root / "state" / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // A chunk of a caller's request as the platform sends it.
    static std::vector<std::uint8_t> Chunk(std::uint32_t first, std::uint32_t count, std::uint32_t whole_first,
                                           std::uint32_t whole_count, std::uint8_t fill = 0, bool with_data = false) {
        std::vector<std::uint8_t> bytes(protocol::kFlashChunkHeaderSize);
        const std::uint32_t words[] = {first, count, whole_first, whole_count};
        std::memcpy(bytes.data(), words, sizeof(words));
        if (with_data) bytes.resize(bytes.size() + std::size_t{count} * 512, fill);
        return bytes;
    }

    fs::path m_root;
    std::vector<std::string> m_lines;
};

TEST_F(FlashDiskTest, ALargeDiskIsMadeSparseAndReadsAsZeros) {
    auto disk = MakeDisk(server::FlashDisk::kDefaultSectors);
    EXPECT_EQ(disk.BytesInUse(), 0u) << "no image before the first open";
    ASSERT_EQ(disk.Open(7), 0u);
    struct stat info {};
    ASSERT_EQ(::stat((m_root / "state" / "flash.img").c_str(), &info), 0);
    EXPECT_EQ(static_cast<std::uint64_t>(info.st_size), 524288ull * 512);
    EXPECT_LT(static_cast<std::uint64_t>(info.st_blocks) * 512, 1024u * 1024u) << "zeros were written";
    std::vector<std::uint8_t> out;
    ASSERT_EQ(disk.Read(524287, 1, out), 0u);
    EXPECT_EQ(out, std::vector<std::uint8_t>(512, 0));
    EXPECT_EQ(m_lines, std::vector<std::string>{"DSK1: open"});
}

TEST_F(FlashDiskTest, ARangeOffTheDiskIsRefusedWholeAndChangesNothing) {
    auto disk = MakeDisk(100);
    ASSERT_EQ(disk.Open(1), 0u);
    std::vector<std::uint8_t> output;
    ASSERT_EQ(disk.IoControl(platform::kIoctlDiskWrite, Chunk(90, 10, 90, 10, 0xAB, true), 0, output), 0u);

    // The first chunk of a request that runs one sector off the end moves nothing.
    EXPECT_EQ(disk.IoControl(platform::kIoctlDiskWrite, Chunk(90, 10, 90, 11, 0xCD, true), 0, output),
              ERROR_SECTOR_NOT_FOUND);
    EXPECT_EQ(disk.IoControl(platform::kIoctlDiskRead, Chunk(100, 1, 100, 1), 512, output), ERROR_SECTOR_NOT_FOUND);
    EXPECT_EQ(disk.IoControl(platform::kIoctlDiskRead, Chunk(0xFFFFFFFF, 1, 0xFFFFFFFF, 1), 512, output),
              ERROR_SECTOR_NOT_FOUND);
    EXPECT_EQ(disk.IoControl(platform::kIoctlDiskRead, Chunk(1, 1, 1, 0xFFFFFFFF), 512, output),
              ERROR_SECTOR_NOT_FOUND) << "first + count must not wrap";
    std::vector<std::uint8_t> sectors;
    ASSERT_EQ(disk.Read(90, 10, sectors), 0u);
    EXPECT_EQ(sectors, std::vector<std::uint8_t>(5120, 0xAB));

    // The last sector itself, and a count of 0 at the very end, are on the disk.
    EXPECT_EQ(disk.IoControl(platform::kIoctlDiskRead, Chunk(99, 1, 99, 1), 512, output), 0u);
    EXPECT_EQ(disk.IoControl(platform::kIoctlDiskRead, Chunk(100, 0, 100, 0), 0, output), 0u);

    // Chunks that do not match what they carry, or stray outside their request, are refused.
    EXPECT_EQ(disk.IoControl(platform::kIoctlDiskWrite, Chunk(0, 2, 0, 2, 1, true), 0, output), 0u);
    auto short_data = Chunk(0, 2, 0, 2, 1, true);
    short_data.pop_back();
    EXPECT_EQ(disk.IoControl(platform::kIoctlDiskWrite, short_data, 0, output), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(disk.IoControl(platform::kIoctlDiskRead, Chunk(0, 2, 0, 2), 512, output), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(disk.IoControl(platform::kIoctlDiskRead, Chunk(5, 2, 0, 6), 1024, output), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(disk.IoControl(platform::kIoctlDiskRead, {1, 2, 3}, 512, output), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(disk.IoControl(0x222810, {}, 0, output), ERROR_NOT_SUPPORTED);
}

TEST_F(FlashDiskTest, TheBootLoaderIsTheFilesFirstBytesAndARefusedOneKeepsTheOld) {
    auto disk = MakeDisk(16);
    EXPECT_FALSE(disk.BootLoaderSize());
    const std::string rom = WriteFsFile("UPDATE.ROM", "BOOTLOADER-IMAGE-AND-TRAILER");
    ASSERT_EQ(disk.InstallBootLoader(rom, 16), 0u);
    EXPECT_EQ(ReadState("bootloader.img"), "BOOTLOADER-IMAGE");
    EXPECT_EQ(disk.BootLoaderSize(), 16u);

    const std::string short_rom = WriteFsFile("SHORT.ROM", "tiny");
    EXPECT_EQ(disk.InstallBootLoader(short_rom, 5), ERROR_HANDLE_EOF);
    EXPECT_EQ(disk.InstallBootLoader(short_rom, 0), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(disk.InstallBootLoader((m_root / "fs" / "MISSING.ROM").string(), 4), ERROR_FILE_NOT_FOUND);
    // Only files of the device's own file system are taken.
    std::ofstream(m_root / "outside.rom", std::ios::binary) << "OUTSIDE-OF-THE-DEVICE";
    EXPECT_EQ(disk.InstallBootLoader((m_root / "outside.rom").string(), 4), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(disk.InstallBootLoader((m_root / "fs" / ".." / "outside.rom").string(), 4), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(ReadState("bootloader.img"), "BOOTLOADER-IMAGE") << "a refused install left the old one";
    EXPECT_FALSE(fs::exists(m_root / "state" / "bootloader.img.tmp"));
}

TEST_F(FlashDiskTest, OpensAreCountedPerProgramAndAGoneProgramClosesItsOwn) {
    auto disk = MakeDisk(8);
    ASSERT_EQ(disk.Open(1), 0u);
    ASSERT_EQ(disk.Open(1), 0u);
    ASSERT_EQ(disk.Open(2), 0u);
    disk.Close(3);  // never opened: nothing to close
    disk.ProgramGone(1);
    disk.Close(2);
    disk.Close(2);
    EXPECT_EQ(m_lines.size(), 3u);
    // The disk still works after every open is gone.
    std::vector<std::uint8_t> data(512, 0x5A), out;
    EXPECT_EQ(disk.Write(7, 1, data.data()), 0u);
    EXPECT_EQ(disk.Read(7, 1, out), 0u);
    EXPECT_EQ(out, data);
}

}  // namespace
