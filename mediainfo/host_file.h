// A file of the host's file system read at offsets through pread: what the probe reads when a
// tool or a test hands it a file on disk rather than a device path.
#pragma once

#include <cstdint>
#include <string>

#include "mediainfo/file_source.h"

namespace mediainfo {

class HostFile final : public FileSource {
public:
    explicit HostFile(const std::string& path);
    ~HostFile() override;
    HostFile(const HostFile&) = delete;
    HostFile& operator=(const HostFile&) = delete;

    bool IsOpen() const { return m_descriptor >= 0; }
    bool IsRegular() const { return m_regular; }
    int OpenError() const { return m_open_error; }  // errno of a failed open
    int Reads() const { return m_reads; }
    std::uint64_t Size() const override { return m_size; }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& bytes_read) override;

private:
    int m_descriptor = -1;
    int m_open_error = 0;
    bool m_regular = false;
    std::uint64_t m_size = 0;
    int m_reads = 0;
};

}  // namespace mediainfo
