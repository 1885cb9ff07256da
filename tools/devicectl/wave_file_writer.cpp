#include "tools/devicectl/wave_file_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace devicectl {
namespace {

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutTag(std::vector<std::uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
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

std::unique_ptr<WaveFileWriter> WaveFileWriter::Begin(const std::filesystem::path& path, std::string& error) {
    if (path.filename().empty()) {
        error = "no file name in " + path.string();
        return nullptr;
    }
    std::string pattern = path.string() + ".XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        error = "cannot create a file beside " + path.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    // The temporary file is made private; the finished one gets what a new file would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    return std::unique_ptr<WaveFileWriter>(new WaveFileWriter(fd, pattern, path));
}

WaveFileWriter::~WaveFileWriter() {
    if (m_fd >= 0) ::close(m_fd);
    if (!m_done) ::unlink(m_temporary.c_str());
}

bool WaveFileWriter::Finish(std::uint32_t rate, std::uint16_t channels, const std::uint8_t* data, std::size_t bytes,
                            std::string& error) {
    const std::uint32_t frame_bytes = channels * 2u;
    if (m_done || m_fd < 0 || rate == 0 || channels == 0 || bytes % frame_bytes != 0 || bytes > kMaxDataBytes) {
        error = "not a recording a WAV file can hold";
        return false;
    }
    std::vector<std::uint8_t> header;
    PutTag(header, "RIFF");
    PutU32(header, static_cast<std::uint32_t>(36 + bytes));
    PutTag(header, "WAVE");
    PutTag(header, "fmt ");
    PutU32(header, 16);
    PutU16(header, 1);  // PCM
    PutU16(header, channels);
    PutU32(header, rate);
    PutU32(header, rate * frame_bytes);
    PutU16(header, static_cast<std::uint16_t>(frame_bytes));
    PutU16(header, 16);
    PutTag(header, "data");
    PutU32(header, static_cast<std::uint32_t>(bytes));
    const bool written = WriteAll(m_fd, header.data(), header.size()) && WriteAll(m_fd, data, bytes) &&
                         ::fsync(m_fd) == 0;
    const int write_error = errno;
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    if (!written || !closed) {
        error = "cannot write " + m_temporary.string() + ": " + std::strerror(written ? errno : write_error);
        return false;
    }
    if (::rename(m_temporary.c_str(), m_path.c_str()) != 0) {
        error = "cannot put the file in place as " + m_path.string() + ": " + std::strerror(errno);
        return false;
    }
    m_done = true;
    return true;
}

}  // namespace devicectl
