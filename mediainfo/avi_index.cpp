#include "mediainfo/avi_index.h"

#include "mediainfo/byte_cursor.h"
#include "mediainfo/debug_log.h"

namespace mediainfo {
namespace {

constexpr std::uint32_t kEntryBytes = 16;
constexpr std::uint32_t kBlockBytes = 0x10000;     // 4096 entries per read
constexpr std::uint32_t kKeyFrameFlag = 0x10;      // AVIIF_KEYFRAME

enum class ChunkKind { Video, Audio, Other };

ChunkKind KindOf(std::uint32_t id)
{
    switch (id) {
    case FourCC("00wb"):
    case FourCC("01wb"):
        return ChunkKind::Audio;
    case FourCC("00dc"):
    case FourCC("00db"):
    case FourCC("01dc"):
    case FourCC("01db"):
        return ChunkKind::Video;
    default:
        return ChunkKind::Other;
    }
}

struct Entry {
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

// Calls visit for every entry, reading the chunk a block at a time.
template <class Visit>
ReadStatus ForEachEntry(FileSource& file, std::uint64_t position, std::uint32_t size, Visit visit)
{
    const std::uint64_t total = size / kEntryBytes * std::uint64_t{kEntryBytes};
    ByteBuffer block;
    for (std::uint64_t done = 0; done < total;) {
        const std::uint64_t left = total - done;
        const std::size_t count = left < kBlockBytes ? static_cast<std::size_t>(left) : kBlockBytes;
        const ReadStatus status = ReadExact(file, position + done, count, block);
        if (status != ReadStatus::Ok)
            return status;
        ByteCursor cursor(block.Data(), block.Size());
        Entry entry;
        while (cursor.ReadFourCC(entry.id) && cursor.ReadU32Le(entry.flags) && cursor.ReadU32Le(entry.offset) &&
               cursor.ReadU32Le(entry.size))
            visit(entry);
        done += count;
    }
    return ReadStatus::Ok;
}

}  // namespace

ReadStatus ReadAviIndex(FileSource& file, std::uint64_t position, std::uint32_t size, std::uint64_t movi_position,
                        AviIndex& out)
{
    out = AviIndex{};
    if (position > file.Size() || size > file.Size() - position)
        return ReadStatus::Truncated;

    ReadStatus status = ForEachEntry(file, position, size, [&](const Entry& entry) {
        switch (KindOf(entry.id)) {
        case ChunkKind::Video: ++out.videoCount; break;
        case ChunkKind::Audio: ++out.audioCount; break;
        case ChunkKind::Other: break;
        }
    });
    if (status != ReadStatus::Ok)
        return status;

    if (out.audioCount &&
        (!out.audioOffsets.Allocate(out.audioCount + std::size_t{1}) ||
         !out.audioBytePositions.Allocate(out.audioCount + std::size_t{1}))) {
        DebugLine("ERROR: idx1) audio index alloc fail\n");
        return ReadStatus::OutOfMemory;
    }
    if (out.videoCount &&
        (!out.videoOffsets.Allocate(out.videoCount + std::size_t{1}) ||
         !out.videoKeyFrames.Allocate(out.videoCount + std::size_t{1}))) {
        DebugLine("ERROR: idx1) video index alloc fail\n");
        return ReadStatus::OutOfMemory;
    }

    bool first = true;
    std::uint32_t first_offset = 0;
    status = ForEachEntry(file, position, size, [&](const Entry& entry) {
        if (first) {
            first_offset = entry.offset;
            first = false;
        }
        switch (KindOf(entry.id)) {
        case ChunkKind::Audio:
            if (out.audioWritten < out.audioCount) {
                out.audioOffsets[out.audioWritten] = entry.offset;
                out.audioBytePositions[out.audioWritten] = out.audioBytes;
                ++out.audioWritten;
                out.audioBytes += entry.size;
            }
            break;
        case ChunkKind::Video:
            if (out.videoWritten < out.videoCount) {
                out.videoOffsets[out.videoWritten] = entry.offset;
                out.videoKeyFrames[out.videoWritten] = (entry.flags & kKeyFrameFlag) ? 1 : 0;
                ++out.videoWritten;
                out.videoBytes += entry.size;
            }
            break;
        case ChunkKind::Other:
            break;
        }
    });
    if (status != ReadStatus::Ok)
        return status;

    // Offsets normally count from the word "movi"; some writers store file offsets, which show
    // as a first offset beyond the movi position.
    out.offsetBase = movi_position >= first_offset ? movi_position : 0;
    return ReadStatus::Ok;
}

}  // namespace mediainfo
