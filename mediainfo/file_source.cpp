#include "mediainfo/file_source.h"

#include <cstring>
#include <new>

namespace mediainfo {

MemorySource::MemorySource(const std::uint8_t* data, std::size_t size)
    : m_data(data)
    , m_size(data ? size : 0)
{
}

bool MemorySource::ReadAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& bytes_read)
{
    bytes_read = 0;
    if (offset > m_size)
        return false;
    const std::size_t available = m_size - static_cast<std::size_t>(offset);
    bytes_read = count < available ? count : available;
    if (bytes_read)
        std::memcpy(buffer, m_data + offset, bytes_read);
    return true;
}

bool ByteBuffer::Allocate(std::size_t size)
{
    m_data.reset(new (std::nothrow) std::uint8_t[size ? size : 1]);
    m_size = m_data ? size : 0;
    return m_data != nullptr;
}

ReadStatus ReadUpTo(FileSource& file, std::uint64_t offset, std::size_t count, ByteBuffer& out)
{
    const std::uint64_t size = file.Size();
    if (offset > size)
        return ReadStatus::Truncated;
    if (count > size - offset)
        count = static_cast<std::size_t>(size - offset);
    if (count > kMaxHeaderBytes || !out.Allocate(count))
        return ReadStatus::OutOfMemory;
    std::size_t done = 0;
    while (done < count) {
        std::size_t got = 0;
        if (!file.ReadAt(offset + done, out.Data() + done, count - done, got))
            return ReadStatus::Malformed;
        if (got == 0)
            break;
        done += got;
    }
    out.Shrink(done);
    return ReadStatus::Ok;
}

ReadStatus ReadExact(FileSource& file, std::uint64_t offset, std::size_t count, ByteBuffer& out)
{
    if (offset > file.Size() || count > file.Size() - offset)
        return ReadStatus::Truncated;
    const ReadStatus status = ReadUpTo(file, offset, count, out);
    if (status != ReadStatus::Ok)
        return status;
    return out.Size() == count ? ReadStatus::Ok : ReadStatus::Truncated;
}

}  // namespace mediainfo
