// Monkey's Audio: the descriptor and header ("MAC ") give the sampling rate, channels and the
// block counts from which the play time follows. Files from version 3.98 on carry a descriptor
// before the header; older files carry the header straight after the version.
#include <algorithm>

#include "mediainfo/byte_cursor.h"
#include "mediainfo/readers.h"

namespace mediainfo {
namespace {

constexpr std::size_t kHeaderBytes = 256;
constexpr std::uint16_t kDescriptorVersion = 3980;

std::uint32_t BlocksPerFrame(std::uint16_t version, std::uint16_t compression)
{
    if (version >= 3950)
        return 73728 * 4;
    if (version >= 3900 || (version >= 3800 && compression == 4000))
        return 73728;
    return 9216;
}

}  // namespace

HRESULT ReadMonkeysAudioFile(FileSource& file, MediaInfo& info)
{
    ByteBuffer buffer;
    if (const ReadStatus status = ReadUpTo(file, 0, kHeaderBytes, buffer); status != ReadStatus::Ok)
        return ToResult(status);
    ByteCursor cursor(buffer.Data(), buffer.Size());
    std::uint16_t version = 0, compression = 0, flags = 0, channels = 0, bits = 0;
    std::uint32_t sample_rate = 0, total_frames = 0, final_frame_blocks = 0, blocks_per_frame = 0;
    if (!cursor.Skip(4) || !cursor.ReadU16Le(version))
        return kResultFail;
    if (version >= kDescriptorVersion) {
        std::uint16_t padding = 0;
        std::uint32_t descriptor_bytes = 0;
        if (!cursor.ReadU16Le(padding) || !cursor.ReadU32Le(descriptor_bytes) || descriptor_bytes < 8 ||
            !cursor.Seek(descriptor_bytes) || !cursor.ReadU16Le(compression) || !cursor.ReadU16Le(flags) ||
            !cursor.ReadU32Le(blocks_per_frame) || !cursor.ReadU32Le(final_frame_blocks) ||
            !cursor.ReadU32Le(total_frames) || !cursor.ReadU16Le(bits) || !cursor.ReadU16Le(channels) ||
            !cursor.ReadU32Le(sample_rate))
            return kResultFail;
    } else {
        std::uint32_t header_bytes = 0, terminating_bytes = 0;
        if (!cursor.ReadU16Le(compression) || !cursor.ReadU16Le(flags) || !cursor.ReadU16Le(channels) ||
            !cursor.ReadU32Le(sample_rate) || !cursor.ReadU32Le(header_bytes) || !cursor.ReadU32Le(terminating_bytes) ||
            !cursor.ReadU32Le(total_frames) || !cursor.ReadU32Le(final_frame_blocks))
            return kResultFail;
        blocks_per_frame = BlocksPerFrame(version, compression);
    }
    info.kind = MediaKind::MonkeysAudio;
    info.audioSampleRate = sample_rate;
    info.audioChannels = channels;
    info.videoFourCC = 0;
    if (sample_rate != 0 && total_frames != 0) {
        const std::uint64_t blocks = std::uint64_t{total_frames - 1} * blocks_per_frame + final_frame_blocks;
        info.durationSec = static_cast<std::uint32_t>(std::min<std::uint64_t>(blocks / sample_rate, UINT32_MAX));
        if (info.durationSec != 0)
            info.audioBitRate =
                static_cast<std::uint32_t>(std::min<std::uint64_t>(file.Size() * 8 / info.durationSec, UINT32_MAX));
    }
    return kResultOk;
}

}  // namespace mediainfo
