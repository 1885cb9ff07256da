// A host file read at offsets through pread, for tests that probe files on disk.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "mediainfo/file_source.h"

namespace mediainfo::testing {

class HostFile final : public FileSource {
public:
    explicit HostFile(const std::string& path)
        : m_descriptor(open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {
        struct stat status {};
        if (m_descriptor >= 0 && fstat(m_descriptor, &status) == 0)
            m_size = static_cast<std::uint64_t>(status.st_size);
    }
    ~HostFile() override
    {
        if (m_descriptor >= 0)
            close(m_descriptor);
    }
    HostFile(const HostFile&) = delete;
    HostFile& operator=(const HostFile&) = delete;

    bool IsOpen() const { return m_descriptor >= 0; }
    int Reads() const { return m_reads; }
    std::uint64_t Size() const override { return m_size; }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& bytes_read) override
    {
        ++m_reads;
        bytes_read = 0;
        while (count > 0) {
            const ssize_t got = pread(m_descriptor, static_cast<char*>(buffer) + bytes_read, count,
                                      static_cast<off_t>(offset + bytes_read));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return false;
            if (got == 0)
                break;
            bytes_read += static_cast<std::size_t>(got);
            count -= static_cast<std::size_t>(got);
        }
        return true;
    }

private:
    int m_descriptor = -1;
    std::uint64_t m_size = 0;
    int m_reads = 0;
};

}  // namespace mediainfo::testing
