#include "platform/media/wave_capture_file.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform::media {
namespace {

constexpr std::size_t kHeaderBytes = 44;
constexpr off_t kRiffSizeOffset = 4;
constexpr off_t kDataSizeOffset = 40;
constexpr int kBytesPerSample = 2;
constexpr int kMaxChannels = 8;
constexpr int kMaxRate = 384000;
// How far past `first_number` a free name is looked for.
constexpr unsigned kNamesToTry = 10000;

void PutU16(std::uint8_t* at, std::uint32_t value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::uint8_t* at, std::uint32_t value)
{
    PutU16(at, value & 0xFFFFu);
    PutU16(at + 2, value >> 16);
}

std::array<std::uint8_t, kHeaderBytes> HeaderOf(int rate, int channels)
{
    std::array<std::uint8_t, kHeaderBytes> header{};
    std::uint8_t* at = header.data();
    std::memcpy(at, "RIFF", 4);
    PutU32(at + 4, kHeaderBytes - 8);
    std::memcpy(at + 8, "WAVEfmt ", 8);
    PutU32(at + 16, 16);  // the PCM format chunk
    PutU16(at + 20, 1);   // integer PCM
    PutU16(at + 22, static_cast<std::uint32_t>(channels));
    PutU32(at + 24, static_cast<std::uint32_t>(rate));
    PutU32(at + 28, static_cast<std::uint32_t>(rate * channels * kBytesPerSample));
    PutU16(at + 32, static_cast<std::uint32_t>(channels * kBytesPerSample));
    PutU16(at + 34, kBytesPerSample * 8);
    std::memcpy(at + 36, "data", 4);
    PutU32(at + 40, 0);
    return header;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

std::unique_ptr<WaveCaptureFile> WaveCaptureFile::Create(const std::filesystem::path& folder, const std::string& stem,
                                                         unsigned first_number, int rate, int channels,
                                                         std::string& error)
{
    if (rate <= 0 || rate > kMaxRate || channels <= 0 || channels > kMaxChannels) {
        error = "unsupported format: " + std::to_string(rate) + " Hz, " + std::to_string(channels) + " channels";
        return nullptr;
    }
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    if (made) {
        error = "cannot make " + folder.string() + ": " + made.message();
        return nullptr;
    }
    for (unsigned number = first_number; number - first_number < kNamesToTry; ++number) {
        const std::filesystem::path path = folder / (stem + "-" + std::to_string(number) + ".wav");
        // O_EXCL takes the name atomically, so two programs of one name never share a file.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) {
            error = "cannot create " + path.string() + ": " + std::strerror(errno);
            return nullptr;
        }
        const auto header = HeaderOf(rate, channels);
        if (!WriteAll(fd, header.data(), header.size())) {
            error = "cannot write " + path.string() + ": " + std::strerror(errno);
            ::close(fd);
            std::filesystem::remove(path, made);
            return nullptr;
        }
        return std::unique_ptr<WaveCaptureFile>(new WaveCaptureFile(fd, path, number, rate, channels));
    }
    error = "no free name for " + stem + " in " + folder.string();
    return nullptr;
}

WaveCaptureFile::WaveCaptureFile(int fd, std::filesystem::path path, unsigned number, int rate, int channels)
    : m_fd(fd), m_path(std::move(path)), m_number(number), m_rate(rate), m_channels(channels)
{
}

WaveCaptureFile::~WaveCaptureFile() { ::close(m_fd); }

bool WaveCaptureFile::Append(const std::uint8_t* data, std::size_t size)
{
    if (m_failed) return false;
    const std::size_t frame = static_cast<std::size_t>(m_channels) * kBytesPerSample;
    size -= size % frame;
    const std::uint64_t room = kMaxDataBytes - kMaxDataBytes % frame - m_data_bytes;
    const bool fits = size <= room;
    if (!fits) size = static_cast<std::size_t>(room);
    // The header is written after the samples: a reader never sees sizes past the data.
    if (!WriteAll(m_fd, data, size)) {
        m_failed = true;
        return false;
    }
    m_data_bytes += size;
    m_failed = !WriteSizes() || !fits;
    return !m_failed;
}

bool WaveCaptureFile::WriteSizes()
{
    std::uint8_t size[4];
    PutU32(size, static_cast<std::uint32_t>(m_data_bytes));
    if (::pwrite(m_fd, size, 4, kDataSizeOffset) != 4) return false;
    PutU32(size, static_cast<std::uint32_t>(m_data_bytes + kHeaderBytes - 8));
    return ::pwrite(m_fd, size, 4, kRiffSizeOffset) == 4;
}

}  // namespace platform::media
