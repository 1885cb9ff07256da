// FLAC: the STREAMINFO block gives the format and the sample count, a VORBIS_COMMENT block the
// tags. Metadata blocks are walked by their headers; only the blocks used are read whole.
#include <algorithm>

#include "mediainfo/byte_cursor.h"
#include "mediainfo/debug_log.h"
#include "mediainfo/readers.h"
#include "mediainfo/vorbis_comment.h"

namespace mediainfo {
namespace {

constexpr std::uint8_t kStreamInfo = 0;
constexpr std::uint8_t kVorbisComment = 4;
constexpr std::uint32_t kStreamInfoSize = 34;
constexpr std::uint32_t kFormatFlac = 61868;
// Every block header is 4 bytes, so the walk always moves on; this bounds the reads a file of
// empty blocks without a last-block flag could cost.
constexpr int kMaxMetadataBlocks = 1024;
constexpr std::uint32_t kMaxCommentBlock = 1024 * 1024;

}  // namespace

HRESULT ReadFlacFile(FileSource& file, MediaInfo& info, std::uint64_t start)
{
    std::uint64_t position = start + 4;  // after "fLaC"
    std::uint64_t total_samples = 0;
    bool have_stream_info = false;
    bool last = false;
    for (int blocks = 0; !last && blocks < kMaxMetadataBlocks; ++blocks) {
        ByteBuffer header;
        if (ReadExact(file, position, 4, header) != ReadStatus::Ok)
            break;
        last = (header.Data()[0] & 0x80) != 0;
        const std::uint8_t type = header.Data()[0] & 0x7F;
        const std::uint32_t length = (std::uint32_t{header.Data()[1]} << 16) | (header.Data()[2] << 8) | header.Data()[3];
        position += 4;
        if (type == kStreamInfo && length >= kStreamInfoSize && !have_stream_info) {
            ByteBuffer block;
            if (ReadExact(file, position, kStreamInfoSize, block) != ReadStatus::Ok)
                return kResultFail;
            const std::uint8_t* p = block.Data();
            // Bits 80..99: sampling rate, 100..102: channels - 1, 103..107: bits - 1, 108..143: samples.
            info.audioSampleRate = (std::uint32_t{p[10]} << 12) | (p[11] << 4) | (p[12] >> 4);
            info.audioChannels = ((p[12] >> 1) & 7) + 1;
            total_samples = (std::uint64_t{p[13] & 0x0Fu} << 32) | (std::uint64_t{p[14]} << 24) |
                            (std::uint64_t{p[15]} << 16) | (std::uint64_t{p[16]} << 8) | p[17];
            have_stream_info = true;
        } else if (type == kVorbisComment) {
            ByteBuffer block;
            const std::uint32_t wanted = std::min(length, kMaxCommentBlock);
            if (ReadUpTo(file, position, wanted, block) == ReadStatus::Ok) {
                ByteCursor cursor(block.Data(), block.Size());
                ReadVorbisComments(cursor, info);
            }
        }
        position += length;
    }
    if (!have_stream_info) {
        DebugLine("FLAC: no STREAMINFO block\n");
        return kResultFail;
    }
    info.kind = MediaKind::Flac;
    info.audioFormat = kFormatFlac;
    info.videoFourCC = 0;
    // A sampling rate of 0 is invalid in STREAMINFO; the play time and bit rate stay unknown.
    if (info.audioSampleRate == 0)
        return kResultOk;
    const std::uint64_t duration = total_samples * 1000 / info.audioSampleRate / 1000;
    info.durationSec = static_cast<std::uint32_t>(std::min<std::uint64_t>(duration, UINT32_MAX));
    const std::uint64_t audio_bytes = file.Size() > position ? file.Size() - position : 0;
    if (duration > 0)
        info.audioBitRate = static_cast<std::uint32_t>(std::min<std::uint64_t>(audio_bytes * 8 / duration, UINT32_MAX)) & ~1u;
    return kResultOk;
}

}  // namespace mediainfo
