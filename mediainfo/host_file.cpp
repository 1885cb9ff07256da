#include "mediainfo/host_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mediainfo {

HostFile::HostFile(const std::string& path) : m_descriptor(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (m_descriptor < 0) {
        m_open_error = errno;
        return;
    }
    struct stat status {};
    if (fstat(m_descriptor, &status) == 0) {
        m_regular = S_ISREG(status.st_mode);
        m_size = static_cast<std::uint64_t>(status.st_size);
    }
}

HostFile::~HostFile() {
    if (m_descriptor >= 0) close(m_descriptor);
}

bool HostFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& bytes_read) {
    ++m_reads;
    bytes_read = 0;
    while (count > 0) {
        const ssize_t got =
            pread(m_descriptor, static_cast<char*>(buffer) + bytes_read, count, static_cast<off_t>(offset + bytes_read));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        bytes_read += static_cast<std::size_t>(got);
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace mediainfo
