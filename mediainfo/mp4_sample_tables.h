// The sample tables of one MP4 track kind (ISO/IEC 14496-12 8.5 to 8.7): the sample
// description, time-to-sample, sample-to-chunk, chunk offsets and sample sizes, read from the
// in-memory copy of the movie box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "mediainfo/byte_cursor.h"
#include "mediainfo/media_info.h"

namespace mediainfo {

// Handler kinds, which are also the slots the sample tables are kept in.
enum class Mp4HandlerKind : int { Video = 0, Audio = 1, Hint = 2, Other = 3 };
constexpr int kMp4HandlerSlots = 4;

// A table whose allocation may fail without an exception; the count is checked against the
// bytes of the box it comes from before anything is allocated.
template <class T>
class Mp4Table {
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

// The fields of the first sample entry that the record uses.
struct Mp4SampleEntry {
    std::uint32_t format = 0;
    std::uint32_t width = 0;             // visual entries
    std::uint32_t height = 0;
    std::uint32_t channels = 0;          // audio entries
    std::uint32_t sampleRate = 0;        // Hz, the integer part of the 16.16 rate
    std::uint32_t averageBitRate = 0;    // from the decoder configuration descriptor
    std::uint32_t objectType = 0;        // objectTypeIndication
    bool hasAvcConfig = false;           // an avcC box stands in the entry
    std::vector<std::uint8_t> sequenceParameterSet;  // the avcC's first one
    std::vector<std::uint8_t> decoderSpecificInfo;
};

struct Mp4TimeToSample {
    std::uint32_t count = 0;
    std::uint32_t delta = 0;
};

struct Mp4SampleToChunk {
    std::uint32_t firstChunk = 0;
    std::uint32_t samplesPerChunk = 0;
};

struct Mp4SampleSizes {
    std::uint32_t constantSize = 0;     // nonzero: every sample has this size
    std::uint32_t sampleCount = 0;
    Mp4Table<std::uint32_t> sizes;      // the per-sample sizes when constantSize is 0
    std::uint32_t SizeOf(std::size_t sample) const
    {
        if (constantSize != 0)
            return constantSize;
        return sample < sizes.Count() ? sizes[sample] : 0;
    }
};

struct Mp4SampleTables {
    std::optional<Mp4SampleEntry> description;
    std::optional<Mp4Table<Mp4TimeToSample>> timeToSample;
    std::optional<Mp4Table<Mp4SampleToChunk>> sampleToChunk;
    std::optional<Mp4Table<std::uint32_t>> chunkOffsets;
    std::optional<Mp4SampleSizes> sampleSizes;
};

// Each reader takes the cursor over the box body (after size and type). A count that the body
// cannot hold is Malformed; a table that cannot be allocated is OutOfMemory.
[[nodiscard]] ReadStatus ReadMp4SampleDescription(ByteCursor body, Mp4HandlerKind kind, Mp4SampleEntry& out);
[[nodiscard]] ReadStatus ReadMp4TimeToSample(ByteCursor body, Mp4Table<Mp4TimeToSample>& out);
[[nodiscard]] ReadStatus ReadMp4SampleToChunk(ByteCursor body, Mp4Table<Mp4SampleToChunk>& out);
[[nodiscard]] ReadStatus ReadMp4ChunkOffsets(ByteCursor body, Mp4Table<std::uint32_t>& out);
[[nodiscard]] ReadStatus ReadMp4SampleSizes(ByteCursor body, Mp4SampleSizes& out);

}  // namespace mediainfo
