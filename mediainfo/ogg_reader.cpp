// Ogg Vorbis: the identification header gives the format, the comment header the tags, and the
// granule position of the last page the play time.
#include <algorithm>
#include <cstring>
#include <vector>

#include "mediainfo/byte_cursor.h"
#include "mediainfo/debug_log.h"
#include "mediainfo/readers.h"
#include "mediainfo/vorbis_comment.h"

namespace mediainfo {
namespace {

constexpr std::size_t kHeaderWindow = 64 * 1024;   // the two first packets are looked for here
constexpr std::size_t kTailWindow = 8192;          // the last page is looked for here
constexpr std::size_t kPageHeaderSize = 27;
constexpr std::uint32_t kFormatOggVorbis = 22127;
constexpr std::uint64_t kNoGranule = ~std::uint64_t{0};

// Collects the first packets of the first logical stream from the pages in a buffer. A packet
// cut by the buffer's end is kept as far as it goes.
std::vector<std::vector<std::uint8_t>> FirstPackets(const ByteBuffer& buffer, std::size_t wanted)
{
    std::vector<std::vector<std::uint8_t>> packets(1);
    ByteCursor cursor(buffer.Data(), buffer.Size());
    std::uint32_t first_serial = 0;
    bool have_serial = false;
    while (packets.size() <= wanted && cursor.StartsWith("OggS", 4)) {
        std::uint8_t version = 0, type = 0, segments = 0;
        std::uint64_t granule = 0;
        std::uint32_t serial = 0, sequence = 0, crc = 0;
        if (!cursor.Skip(4) || !cursor.ReadU8(version) || !cursor.ReadU8(type) || !cursor.ReadU64Le(granule) ||
            !cursor.ReadU32Le(serial) || !cursor.ReadU32Le(sequence) || !cursor.ReadU32Le(crc) ||
            !cursor.ReadU8(segments))
            break;
        std::uint8_t lacing[255];
        if (!cursor.ReadBytes(lacing, segments))
            break;
        if (!have_serial) {
            first_serial = serial;
            have_serial = true;
        }
        for (std::uint8_t i = 0; i < segments; ++i) {
            ByteCursor segment = cursor.Sub(lacing[i]);
            if (serial != first_serial)
                continue;
            packets.back().insert(packets.back().end(), segment.Current(), segment.Current() + segment.Remaining());
            if (lacing[i] < 255) {
                if (packets.size() > wanted)
                    break;
                packets.emplace_back();
            }
        }
    }
    if (!packets.empty() && packets.back().empty())
        packets.pop_back();
    return packets;
}

// The granule position of the last complete page within the file's last 8 KiB, searched
// backwards; kNoGranule when there is none.
std::uint64_t LastGranule(FileSource& file)
{
    const std::size_t tail = static_cast<std::size_t>(std::min<std::uint64_t>(file.Size(), kTailWindow));
    ByteBuffer buffer;
    if (ReadExact(file, file.Size() - tail, tail, buffer) != ReadStatus::Ok || tail < kPageHeaderSize)
        return kNoGranule;
    for (std::size_t i = tail - 26 + 1; i-- > 0;) {  // the first candidate stands 26 bytes before the end
        if (std::memcmp(buffer.Data() + i, "OggS", 4) != 0)
            continue;
        ByteCursor cursor(buffer.Data() + i + 6, 8);
        std::uint64_t granule = 0;
        if (cursor.ReadU64Le(granule) && granule != kNoGranule)
            return granule;
    }
    return kNoGranule;
}

}  // namespace

HRESULT ReadOggFile(FileSource& file, MediaInfo& info)
{
    ByteBuffer head;
    if (const ReadStatus status = ReadUpTo(file, 0, kHeaderWindow, head); status != ReadStatus::Ok)
        return ToResult(status);
    const auto packets = FirstPackets(head, 2);
    if (packets.empty())
        return kResultFail;
    ByteCursor identification(packets[0].data(), packets[0].size());
    std::uint32_t version = 0, sample_rate = 0, maximum = 0, nominal = 0, minimum = 0;
    std::uint8_t channels = 0;
    if (!identification.StartsWith("\x01vorbis", 7)) {
        DebugLine("OGG: no Vorbis identification header\n");
        return kResultFail;
    }
    if (!identification.Skip(7) || !identification.ReadU32Le(version) || !identification.ReadU8(channels) ||
        !identification.ReadU32Le(sample_rate) || !identification.ReadU32Le(maximum) ||
        !identification.ReadU32Le(nominal) || !identification.ReadU32Le(minimum))
        return kResultFail;
    info.kind = MediaKind::Ogg;
    info.audioFormat = kFormatOggVorbis;
    info.audioChannels = channels;
    info.audioSampleRate = sample_rate;
    // The nominal rate is signed; a negative value means "not set".
    info.audioBitRate = static_cast<std::int32_t>(nominal) > 0 ? nominal : 0;
    info.videoFourCC = 0;

    if (packets.size() > 1) {
        ByteCursor comments(packets[1].data(), packets[1].size());
        if (comments.StartsWith("\x03vorbis", 7) && comments.Skip(7))
            ReadVorbisComments(comments, info);
    }
    const std::uint64_t granule = LastGranule(file);
    if (granule != kNoGranule && sample_rate != 0)
        info.durationSec = static_cast<std::uint32_t>(std::min<std::uint64_t>(granule / sample_rate, UINT32_MAX));
    return kResultOk;
}

}  // namespace mediainfo
