// How readers reach the file: reads at an offset of the open file, never the whole file. A
// reader asks for the headers it needs; a movie box at the end of a 2 GB file costs a read at
// the end, not a walk through the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "mediainfo/media_info.h"

namespace mediainfo {

class FileSource {
public:
    virtual ~FileSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads up to count bytes at offset into buffer; bytes_read says how many arrived (fewer at
    // the end of the file). False on a read or seek failure.
    [[nodiscard]] virtual bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count,
                                      std::size_t& bytes_read) = 0;
};

// A file held in memory: the seam the tests and the fuzz targets use, and what a caller uses
// for a file it already has in memory. The bytes are not copied; they must outlive the source.
class MemorySource final : public FileSource {
public:
    MemorySource(const std::uint8_t* data, std::size_t size);
    std::uint64_t Size() const override { return m_size; }
    [[nodiscard]] bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count,
                              std::size_t& bytes_read) override;

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

// A byte buffer whose allocation can fail without an exception: the readers map a failure to
// 0x8007000E. Every size a reader asks for must first be checked against the file size and
// kMaxHeaderBytes, so a lying size never allocates more than the file could hold.
class ByteBuffer {
public:
    [[nodiscard]] bool Allocate(std::size_t size);
    std::uint8_t* Data() { return m_data.get(); }
    const std::uint8_t* Data() const { return m_data.get(); }
    std::size_t Size() const { return m_size; }
    void Shrink(std::size_t size) { m_size = size < m_size ? size : m_size; }

private:
    std::unique_ptr<std::uint8_t[]> m_data;
    std::size_t m_size = 0;
};

// The most any reader loads into memory at once (a movie box, an ASF header, a search window).
constexpr std::size_t kMaxHeaderBytes = 64u * 1024 * 1024;

// Reads exactly count bytes at offset. Truncated when the file ends first, Malformed on a read
// failure, OutOfMemory when the buffer cannot be allocated (count above kMaxHeaderBytes counts
// as that too, as the device's allocator would refuse it).
[[nodiscard]] ReadStatus ReadExact(FileSource& file, std::uint64_t offset, std::size_t count, ByteBuffer& out);
// Reads up to count bytes at offset; the buffer is shrunk to what arrived.
[[nodiscard]] ReadStatus ReadUpTo(FileSource& file, std::uint64_t offset, std::size_t count, ByteBuffer& out);

}  // namespace mediainfo
