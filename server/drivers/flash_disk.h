// The board's flash disk "DSK1:" as the device server keeps it: a sparse image file of
// `sector_count` sectors (state/flash.img) and the installed boot loader (state/bootloader.img).
// The image is made at the first open by setting its length, never by writing zeros, so a large
// disk takes only the room its written sectors take. The image is flushed to the host's disk
// when the last open of the device is closed (or its program goes), and when the server ends.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace server {

class FlashDisk {
public:
    using Log = std::function<void(const std::string&)>;
    static constexpr std::uint64_t kDefaultSectors = 524288;
    static constexpr std::uint32_t kSectorSize = 512;

    // `state_dir` holds the images; `fs_dir` is the device's file system, the only place a boot
    // loader is installed from.
    FlashDisk(std::filesystem::path state_dir, std::filesystem::path fs_dir, std::uint64_t sector_count, Log log);
    ~FlashDisk();
    FlashDisk(const FlashDisk&) = delete;
    FlashDisk& operator=(const FlashDisk&) = delete;

    static bool IsFlashDiskName(const std::string& device_name);

    // An open by the program `pid`: makes the image when it is missing. 0 or the device's error.
    std::uint32_t Open(std::uint32_t pid);
    // A close by the program; the last close of the device flushes the image.
    void Close(std::uint32_t pid);
    // The program is gone: its opens are closed.
    void ProgramGone(std::uint32_t pid);

    // A DriverIoControl request to the device (see protocol::kFlashChunkHeaderSize for the input).
    std::uint32_t IoControl(std::uint32_t code, const std::vector<std::uint8_t>& input, std::uint32_t output_size,
                            std::vector<std::uint8_t>& output);

    std::uint32_t Read(std::uint64_t first, std::uint64_t count, std::vector<std::uint8_t>& out);
    std::uint32_t Write(std::uint64_t first, std::uint64_t count, const std::uint8_t* data);
    // Whether [first, first + count) lies on the disk.
    bool InRange(std::uint64_t first, std::uint64_t count) const;
    // Copies the first `length` bytes of a file of the device's file system to the boot loader
    // image, all or nothing.
    std::uint32_t InstallBootLoader(const std::string& host_path, std::uint32_t length);

    std::uint64_t SectorCount() const { return m_sectors; }
    // The image, once made: handed to each program that opens the disk, which moves sectors
    // with it directly (a round trip per 4 KB through the server would cost many times the
    // copy itself); -1 before the first open.
    int ImageFd() const { return m_fd; }
    // Bytes the image takes on the host's disk (0 before it is made).
    std::uint64_t BytesInUse() const;
    // The installed boot loader's size; nothing when none is installed.
    std::optional<std::uint64_t> BootLoaderSize() const;

private:
    std::uint32_t EnsureImage();
    void Flush();
    std::size_t OpenCount() const;

    std::filesystem::path m_state_dir;
    std::filesystem::path m_fs_dir;
    std::uint64_t m_sectors;
    Log m_log;
    int m_fd = -1;
    std::map<std::uint32_t, std::size_t> m_opens;  // per program
};

}  // namespace server
