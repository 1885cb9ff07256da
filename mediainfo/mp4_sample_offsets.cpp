#include "mediainfo/mp4_sample_offsets.h"

namespace mediainfo {
namespace {

// Where a chunk offset table without entries puts its only chunk: just after an 8-byte box
// header at the start of the file.
constexpr std::uint64_t kOffsetWithoutChunks = 8;

class SampleLayout {
public:
    SampleLayout(const Mp4SampleTables& tables, std::uint32_t sample_count, Mp4Table<std::uint64_t>& offsets)
        : m_chunks(*tables.chunkOffsets)
        , m_sizes(tables.sampleSizes ? &*tables.sampleSizes : nullptr)
        , m_sample_count(sample_count)
        , m_offsets(offsets)
    {
    }

    // Chunks are numbered from 1; a number beyond the table takes its last entry.
    std::uint64_t ChunkOffset(std::uint64_t chunk) const
    {
        if (m_chunks.Count() == 0)
            return kOffsetWithoutChunks;
        if (chunk > m_chunks.Count())
            return m_chunks[m_chunks.Count() - 1];
        return m_chunks[chunk - 1];
    }

    // Places up to samples samples in one chunk, one after the other. Too many: Malformed.
    ReadStatus PlaceChunk(std::uint64_t chunk, std::uint32_t samples)
    {
        std::uint64_t position = ChunkOffset(chunk);
        for (std::uint32_t k = 0; k < samples; ++k) {
            if (m_filled == m_sample_count)
                return ReadStatus::Malformed;
            const std::uint32_t size = m_sizes ? m_sizes->SizeOf(m_filled) : 0;
            m_offsets[m_filled++] = position;
            position += size;
        }
        return ReadStatus::Ok;
    }

    std::uint32_t Filled() const { return m_filled; }
    std::uint32_t Left() const { return m_sample_count - m_filled; }

private:
    const Mp4Table<std::uint32_t>& m_chunks;
    const Mp4SampleSizes* m_sizes;
    std::uint32_t m_sample_count;
    Mp4Table<std::uint64_t>& m_offsets;
    std::uint32_t m_filled = 0;
};

}  // namespace

ReadStatus SetSampleOffset(const Mp4SampleTables& tables, std::uint32_t sample_count, Mp4Table<std::uint64_t>& offsets)
{
    if (!tables.chunkOffsets || !tables.sampleToChunk)
        return ReadStatus::Malformed;
    if (sample_count > kMaxMp4SampleCount)
        return ReadStatus::OutOfMemory;
    if (!offsets.Allocate(std::size_t{sample_count} + 1))
        return ReadStatus::OutOfMemory;

    const Mp4Table<Mp4SampleToChunk>& runs = *tables.sampleToChunk;
    SampleLayout layout(tables, sample_count, offsets);
    // Each entry covers its chunks up to the next entry's first chunk; the last entry covers
    // only its first chunk here. A run with no samples per chunk places nothing, however many
    // chunks it names, and every other chunk places at least one sample, so the loop is bounded
    // by the sample count.
    for (std::size_t i = 0; i < runs.Count(); ++i) {
        const std::uint64_t first = runs[i].firstChunk;
        const std::uint32_t per_chunk = runs[i].samplesPerChunk;
        if (first == 0)
            return ReadStatus::Malformed;
        const std::uint64_t end = i + 1 < runs.Count() ? runs[i + 1].firstChunk : first + 1;
        if (per_chunk == 0)
            continue;
        for (std::uint64_t chunk = first; chunk < end; ++chunk) {
            const ReadStatus status = layout.PlaceChunk(chunk, per_chunk);
            if (status != ReadStatus::Ok)
                return status;
        }
    }
    if (layout.Left() == 0)
        return ReadStatus::Ok;

    // The last entry's chunks go on to the end of the track.
    if (runs.Count() == 0 || runs[runs.Count() - 1].samplesPerChunk == 0)
        return ReadStatus::Malformed;
    const std::uint32_t per_chunk = runs[runs.Count() - 1].samplesPerChunk;
    for (std::uint64_t chunk = std::uint64_t{runs[runs.Count() - 1].firstChunk} + 1; layout.Left() > 0; ++chunk) {
        const std::uint32_t samples = per_chunk < layout.Left() ? per_chunk : layout.Left();
        const ReadStatus status = layout.PlaceChunk(chunk, samples);
        if (status != ReadStatus::Ok)
            return status;
    }
    return ReadStatus::Ok;
}

}  // namespace mediainfo
