#include "server/drivers/flash_disk.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/devices/flash_disk.h"
#include "platform/files/positional_io.h"
#include "platform/protocol/messages.h"

namespace server {
namespace fs = std::filesystem;
namespace {

constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorSectorNotFound = 27;
constexpr std::uint32_t kErrorWriteFault = 29;
constexpr std::uint32_t kErrorReadFault = 30;
constexpr std::uint32_t kErrorHandleEof = 38;
constexpr std::uint32_t kErrorNotSupported = 50;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::size_t kCopyBlock = 64 * 1024;

std::uint32_t Word(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    if (offset + 4 <= bytes.size()) std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

// Whether `path` names something inside `folder`, after following links.
bool Inside(const fs::path& path, const fs::path& folder) {
    std::error_code ec;
    const fs::path real = fs::canonical(path, ec);
    if (ec) return false;
    const fs::path base = fs::canonical(folder, ec);
    if (ec) return false;
    auto [base_end, real_at] = std::mismatch(base.begin(), base.end(), real.begin(), real.end());
    return base_end == base.end() && real_at != real.end();
}

}  // namespace

FlashDisk::FlashDisk(fs::path state_dir, fs::path fs_dir, std::uint64_t sector_count, Log log)
    : m_state_dir(std::move(state_dir)), m_fs_dir(std::move(fs_dir)), m_sectors(sector_count), m_log(std::move(log)) {}

FlashDisk::~FlashDisk() {
    Flush();
    if (m_fd >= 0) ::close(m_fd);
}

bool FlashDisk::IsFlashDiskName(const std::string& device_name) {
    return device_name.size() == 5 && (device_name[0] | 0x20) == 'd' && (device_name[1] | 0x20) == 's' &&
           (device_name[2] | 0x20) == 'k' && device_name.compare(3, 2, "1:") == 0;
}

std::uint32_t FlashDisk::EnsureImage() {
    if (m_fd >= 0) return 0;
    std::error_code ec;
    fs::create_directories(m_state_dir, ec);
    const fs::path image = m_state_dir / "flash.img";
    const int fd = ::open(image.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        m_log("DSK1: cannot open " + image.string() + ": " + std::strerror(errno));
        return kErrorAccessDenied;
    }
    struct stat info {};
    // The disk is made by setting the image's length: the host keeps the unwritten sectors as
    // holes, which read as zeros. An image longer than the disk (a smaller flash_sectors since)
    // is left as it is, so nothing written earlier is cut off.
    if (::fstat(fd, &info) != 0 ||
        (static_cast<std::uint64_t>(info.st_size) < m_sectors * kSectorSize &&
         ::ftruncate(fd, static_cast<off_t>(m_sectors * kSectorSize)) != 0)) {
        m_log("DSK1: cannot size " + image.string() + ": " + std::strerror(errno));
        ::close(fd);
        return kErrorWriteFault;
    }
    m_fd = fd;
    return 0;
}

void FlashDisk::Flush() {
    // Programs write the image through their own descriptors too, which this flag does not
    // see: the last close flushes whenever the disk was opened.
    if (m_fd >= 0) {
        ::fsync(m_fd);
    }
}

std::size_t FlashDisk::OpenCount() const {
    std::size_t total = 0;
    for (const auto& [pid, count] : m_opens) total += count;
    return total;
}

std::uint32_t FlashDisk::Open(std::uint32_t pid) {
    const std::uint32_t error = EnsureImage();
    if (error) return error;
    ++m_opens[pid];
    m_log("DSK1: open");
    return 0;
}

void FlashDisk::Close(std::uint32_t pid) {
    auto found = m_opens.find(pid);
    if (found == m_opens.end()) return;
    if (--found->second == 0) m_opens.erase(found);
    if (OpenCount() == 0) Flush();
}

void FlashDisk::ProgramGone(std::uint32_t pid) {
    if (m_opens.erase(pid) && OpenCount() == 0) Flush();
}

bool FlashDisk::InRange(std::uint64_t first, std::uint64_t count) const {
    return first <= m_sectors && count <= m_sectors - first;
}

std::uint32_t FlashDisk::Read(std::uint64_t first, std::uint64_t count, std::vector<std::uint8_t>& out) {
    out.clear();
    if (!InRange(first, count)) return kErrorSectorNotFound;
    if (const std::uint32_t error = EnsureImage()) return error;
    out.resize(count * kSectorSize);
    if (!out.empty() && !platform::ReadFully(m_fd, out.data(), out.size(), first * kSectorSize)) {
        out.clear();
        return kErrorReadFault;
    }
    return 0;
}

std::uint32_t FlashDisk::Write(std::uint64_t first, std::uint64_t count, const std::uint8_t* data) {
    if (!InRange(first, count)) return kErrorSectorNotFound;
    if (const std::uint32_t error = EnsureImage()) return error;
    if (count == 0) return 0;
    if (!platform::WriteFully(m_fd, data, count * kSectorSize, first * kSectorSize)) return kErrorWriteFault;
    return 0;
}

std::uint32_t FlashDisk::InstallBootLoader(const std::string& host_path, std::uint32_t length) {
    if (length == 0) return kErrorInvalidParameter;
    if (!Inside(host_path, m_fs_dir)) {
        m_log("DSK1: boot loader refused: not a file of the device");
        return kErrorFileNotFound;
    }
    const int in = ::open(host_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return kErrorFileNotFound;
    struct stat info {};
    if (::fstat(in, &info) != 0 || !S_ISREG(info.st_mode) || static_cast<std::uint64_t>(info.st_size) < length) {
        ::close(in);
        m_log("DSK1: boot loader refused: the file is shorter than " + std::to_string(length) + " bytes");
        return kErrorHandleEof;
    }
    // Written beside the installed one and renamed over it once it is all on the disk: a power
    // loss leaves the old boot loader or the new one.
    std::error_code ec;
    fs::create_directories(m_state_dir, ec);
    const fs::path target = m_state_dir / "bootloader.img";
    const fs::path temporary = m_state_dir / "bootloader.img.tmp";
    const int out = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) {
        ::close(in);
        return kErrorWriteFault;
    }
    std::vector<std::uint8_t> block(kCopyBlock);
    std::uint32_t error = 0;
    for (std::uint64_t done = 0; done < length && !error;) {
        const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(kCopyBlock, length - done));
        if (!platform::ReadFully(in, block.data(), size, done)) error = kErrorReadFault;
        else if (!platform::WriteFully(out, block.data(), size, done)) error = kErrorWriteFault;
        done += size;
    }
    ::close(in);
    if (!error && ::fsync(out) != 0) error = kErrorWriteFault;
    ::close(out);
    if (!error && ::rename(temporary.c_str(), target.c_str()) != 0) error = kErrorWriteFault;
    if (error) {
        ::unlink(temporary.c_str());
        m_log("DSK1: boot loader install failed");
        return error;
    }
    const int folder = ::open(m_state_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    m_log("DSK1: boot loader installed, " + std::to_string(length) + " bytes");
    return 0;
}

std::uint32_t FlashDisk::IoControl(std::uint32_t code, const std::vector<std::uint8_t>& input,
                                   std::uint32_t output_size, std::vector<std::uint8_t>& output) {
    output.clear();
    if (code == platform::kIoctlInstallBootLoader) {
        if (input.size() < 4) return kErrorInvalidParameter;
        return InstallBootLoader(std::string(input.begin() + 4, input.end()), Word(input, 0));
    }
    if (code != platform::kIoctlDiskRead && code != platform::kIoctlDiskWrite) {
        m_log("DSK1: unknown request 0x" + [&] { char t[16]; std::snprintf(t, sizeof(t), "%X", code); return std::string(t); }());
        return kErrorNotSupported;
    }
    if (input.size() < protocol::kFlashChunkHeaderSize) return kErrorInvalidParameter;
    const std::uint64_t first = Word(input, 0), count = Word(input, 4);
    const std::uint64_t whole_first = Word(input, 8), whole_count = Word(input, 12);
    // The caller's whole request first: one that runs off the disk moves no sector at all.
    if (!InRange(whole_first, whole_count)) return kErrorSectorNotFound;
    if (first < whole_first || first - whole_first > whole_count || count > whole_count - (first - whole_first) ||
        count > protocol::kFlashChunkSectors)
        return kErrorInvalidParameter;
    if (code == platform::kIoctlDiskRead) {
        if (output_size != count * kSectorSize) return kErrorInvalidParameter;
        return Read(first, count, output);
    }
    if (input.size() != protocol::kFlashChunkHeaderSize + count * kSectorSize) return kErrorInvalidParameter;
    return Write(first, count, input.data() + protocol::kFlashChunkHeaderSize);
}

std::uint64_t FlashDisk::BytesInUse() const {
    struct stat info {};
    if (::stat((m_state_dir / "flash.img").c_str(), &info) != 0) return 0;
    return static_cast<std::uint64_t>(info.st_blocks) * 512;
}

std::optional<std::uint64_t> FlashDisk::BootLoaderSize() const {
    std::error_code ec;
    const auto size = fs::file_size(m_state_dir / "bootloader.img", ec);
    if (ec) return std::nullopt;
    return size;
}

}  // namespace server
