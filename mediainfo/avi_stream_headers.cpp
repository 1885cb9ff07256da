#include "mediainfo/avi_stream_headers.h"

#include <cstring>

#include "mediainfo/byte_cursor.h"
#include "mediainfo/debug_log.h"

namespace mediainfo {
namespace {

constexpr std::uint32_t kChunkJunk = FourCC("JUNK");
constexpr std::uint32_t kChunkList = FourCC("LIST");
constexpr std::uint32_t kChunkMainHeader = FourCC("avih");
constexpr std::uint32_t kChunkStreamHeader = FourCC("strh");
constexpr std::uint32_t kChunkStreamFormat = FourCC("strf");
constexpr std::uint32_t kListStream = FourCC("strl");
constexpr std::uint32_t kStreamVideo = FourCC("vids");
constexpr std::uint32_t kStreamAudio = FourCC("auds");
constexpr std::uint32_t kStreamText = FourCC("txts");
constexpr std::uint32_t kStreamMidi = FourCC("mids");

constexpr std::size_t kMinHeaderList = 13;
constexpr std::uint32_t kBitmapInfoBytes = 40;
// WAVEFORMATEX without cbSize is 16 bytes; cbSize needs two more.
constexpr std::uint32_t kWaveFormatWithExtraSize = 18;

// Reads the stream header fields that the chunk holds; older writers leave out the frame
// rectangle, whose fields then stay 0.
void ReadStreamHeader(ByteCursor chunk, AviStreamHeader& out)
{
    out = AviStreamHeader{};
    std::uint16_t left = 0, top = 0, right = 0, bottom = 0;
    (void)(chunk.ReadU32Be(out.handler) && chunk.ReadU32Le(out.flags) && chunk.ReadU16Le(out.priority) &&
           chunk.ReadU16Le(out.language) && chunk.ReadU32Le(out.initialFrames) && chunk.ReadU32Le(out.scale) &&
           chunk.ReadU32Le(out.rate) && chunk.ReadU32Le(out.start) && chunk.ReadU32Le(out.length) &&
           chunk.ReadU32Le(out.suggestedBufferSize) && chunk.ReadU32Le(out.quality) &&
           chunk.ReadU32Le(out.sampleSize) && chunk.ReadU16Le(left) && chunk.ReadU16Le(top) &&
           chunk.ReadU16Le(right) && chunk.ReadU16Le(bottom));
    out.frame = {static_cast<std::int16_t>(left), static_cast<std::int16_t>(top), static_cast<std::int16_t>(right),
                 static_cast<std::int16_t>(bottom)};
}

ReadStatus CopyExtra(ByteCursor& chunk, std::size_t count, ByteBuffer& out)
{
    if (count > chunk.Remaining())
        return ReadStatus::Malformed;
    if (!out.Allocate(count))
        return ReadStatus::OutOfMemory;
    return chunk.ReadBytes(out.Data(), count) ? ReadStatus::Ok : ReadStatus::Malformed;
}

ReadStatus ReadVideoFormat(ByteCursor chunk, AviStreamHeaders& out)
{
    AviBitmapInfo& format = out.videoFormat;
    std::uint32_t width = 0, height = 0, x = 0, y = 0;
    if (!chunk.ReadU32Le(format.size) || !chunk.ReadU32Le(width) || !chunk.ReadU32Le(height) ||
        !chunk.ReadU16Le(format.planes) || !chunk.ReadU16Le(format.bitCount) || !chunk.ReadU32Le(format.compression) ||
        !chunk.ReadU32Le(format.sizeImage) || !chunk.ReadU32Le(x) || !chunk.ReadU32Le(y) ||
        !chunk.ReadU32Le(format.colorsUsed) || !chunk.ReadU32Le(format.colorsImportant))
        return ReadStatus::Malformed;
    format.width = static_cast<std::int32_t>(width);
    format.height = static_cast<std::int32_t>(height);
    format.xPelsPerMeter = static_cast<std::int32_t>(x);
    format.yPelsPerMeter = static_cast<std::int32_t>(y);
    out.videoFormatTaken = true;
    if (format.size > kBitmapInfoBytes) {
        const ReadStatus status = CopyExtra(chunk, format.size - kBitmapInfoBytes, out.videoExtra);
        if (status != ReadStatus::Ok)
            return status;
        out.videoExtraCopied = true;
    }
    return ReadStatus::Ok;
}

ReadStatus ReadAudioFormat(ByteCursor chunk, AviStreamHeaders& out)
{
    AviWaveFormat& format = out.audioFormat;
    const std::size_t chunk_size = chunk.Size();
    if (!chunk.ReadU16Le(format.formatTag) || !chunk.ReadU16Le(format.channels) ||
        !chunk.ReadU32Le(format.samplesPerSec) || !chunk.ReadU32Le(format.avgBytesPerSec) ||
        !chunk.ReadU16Le(format.blockAlign) || !chunk.ReadU16Le(format.bitsPerSample))
        return ReadStatus::Malformed;
    out.audioFormatTaken = true;
    // A 16-byte PCMWAVEFORMAT has no extra size; neither has a 17-byte chunk, whose odd byte
    // cannot hold the 16-bit field.
    if (chunk_size < kWaveFormatWithExtraSize || !chunk.ReadU16Le(format.extraSize) || format.extraSize == 0)
        return ReadStatus::Ok;
    const ReadStatus status = CopyExtra(chunk, format.extraSize, out.audioExtra);
    if (status != ReadStatus::Ok)
        return status;
    out.audioExtraCopied = true;
    return ReadStatus::Ok;
}

ReadStatus ParseStreamList(ByteCursor list, AviStreamHeaders& out)
{
    std::uint32_t id = 0, size = 0, type = 0;
    (void)(list.ReadFourCC(id) && list.ReadU32Le(size));
    if (id != kChunkStreamHeader)
        DebugLine("ERROR: not strh\n");
    ByteCursor header = list.Sub(size);
    (void)header.ReadFourCC(type);
    if (type == kStreamText || type == kStreamMidi)
        return ReadStatus::Ok;
    if (type != kStreamVideo && type != kStreamAudio) {
        DebugLine("ERROR: fcc_type is not valid=%08x\n", type);
        return ReadStatus::Ok;
    }
    const bool video = type == kStreamVideo;
    bool& header_taken = video ? out.videoHeaderTaken : out.audioHeaderTaken;
    if (!header_taken) {
        ReadStreamHeader(header, video ? out.videoStream : out.audioStream);
        header_taken = true;
    }

    std::uint32_t format_id = 0, format_size = 0;
    (void)(list.ReadFourCC(format_id) && list.ReadU32Le(format_size));
    if (format_id != kChunkStreamFormat) {
        DebugLine("ERROR: not strf=%08X\n", format_id);
        return ReadStatus::Ok;
    }
    if (format_size > list.Remaining())
        return ReadStatus::Malformed;
    ByteCursor format = list.Sub(format_size);
    if (video)
        return out.videoFormatTaken ? ReadStatus::Ok : ReadVideoFormat(format, out);
    return out.audioFormatTaken ? ReadStatus::Ok : ReadAudioFormat(format, out);
}

}  // namespace

ReadStatus ParseAviHeaderList(const std::uint8_t* data, std::size_t size, AviStreamHeaders& out)
{
    out.listSize = static_cast<std::uint32_t>(size);
    if (size < kMinHeaderList)
        return ReadStatus::Ok;
    ByteCursor list(data, size);
    if (!list.Skip(4))
        return ReadStatus::Malformed;
    // Every chunk moves the cursor by at least its 8-byte header; a size past the end of the
    // list is clamped to it.
    while (list.Position() + 8 < size) {
        std::uint32_t id = 0, chunk_size = 0;
        if (!list.ReadFourCC(id) || !list.ReadU32Le(chunk_size))
            return ReadStatus::Malformed;
        if (id == kChunkJunk) {
            (void)list.Sub(chunk_size);
        } else if (id == kChunkList) {
            ByteCursor child = list.Sub(chunk_size);
            std::uint32_t list_type = 0;
            if (!child.ReadFourCC(list_type))
                return ReadStatus::Malformed;
            if (list_type == kListStream) {
                const ReadStatus status = ParseStreamList(child.Sub(child.Remaining()), out);
                if (status != ReadStatus::Ok)
                    return status;
            }
        } else if (id == kChunkMainHeader) {
            ByteCursor chunk = list.Sub(chunk_size);
            AviMainHeader& main = out.main;
            std::uint32_t* const words[] = {&main.microSecPerFrame, &main.maxBytesPerSec, &main.paddingGranularity,
                                            &main.flags, &main.totalFrames, &main.initialFrames, &main.streams,
                                            &main.suggestedBufferSize, &main.width, &main.height,
                                            &main.reserved[0], &main.reserved[1], &main.reserved[2], &main.reserved[3]};
            for (std::uint32_t* word : words) {
                if (!chunk.ReadU32Le(*word))
                    return ReadStatus::Malformed;
            }
        } else {
            DebugLine("ERROR: neither avih nor LIST(strl)=%08X\n", id);
            return ReadStatus::Ok;
        }
    }
    return ReadStatus::Ok;
}

}  // namespace mediainfo
