// AviIndex: the video and audio chunks listed in an AVI file's idx1 chunk (16-byte entries:
// identifier, flags, offset, size), with their offsets, key-frame flags and byte totals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "mediainfo/file_source.h"
#include "mediainfo/media_info.h"

namespace mediainfo {

// An array whose allocation can fail without an exception.
template <class T>
class AviArray {
public:
    [[nodiscard]] bool Allocate(std::size_t count)
    {
        m_items.reset(new (std::nothrow) T[count ? count : 1]());
        m_count = m_items ? count : 0;
        return m_items != nullptr;
    }
    std::size_t Count() const { return m_count; }
    T& operator[](std::size_t index) { return m_items[index]; }
    const T& operator[](std::size_t index) const { return m_items[index]; }

private:
    std::unique_ptr<T[]> m_items;
    std::size_t m_count = 0;
};

struct AviIndex {
    // count + 1 entries each, for the kinds that have chunks.
    AviArray<std::uint32_t> videoOffsets;
    AviArray<std::uint8_t> videoKeyFrames;       // nonzero: the chunk is a key frame (AVIIF_KEYFRAME)
    AviArray<std::uint32_t> audioOffsets;
    AviArray<std::uint64_t> audioBytePositions;  // audio bytes in all earlier audio chunks
    std::uint32_t videoCount = 0;
    std::uint32_t audioCount = 0;
    std::uint64_t videoBytes = 0;
    std::uint64_t audioBytes = 0;
    std::uint32_t videoWritten = 0;
    std::uint32_t audioWritten = 0;
    // What the offsets are counted from: the position of the word "movi", or 0 when the file
    // stores absolute offsets.
    std::uint64_t offsetBase = 0;
};

// Reads the idx1 chunk whose data (size bytes) starts at position. movi_position is where the
// word "movi" stands. Truncated when the chunk runs past the file, OutOfMemory when the arrays
// cannot be allocated.
[[nodiscard]] ReadStatus ReadAviIndex(FileSource& file, std::uint64_t position, std::uint32_t size,
                                      std::uint64_t movi_position, AviIndex& out);

}  // namespace mediainfo
