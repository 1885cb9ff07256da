#include "mediainfo/avi_parser.h"

#include <limits>
#include <new>

#include "mediainfo/byte_cursor.h"
#include "mediainfo/debug_log.h"
#include "mediainfo/media_probe.h"
#include "mediainfo/mp4_pixel_ratio.h"

namespace mediainfo {
namespace {

constexpr std::uint32_t kChunkList = FourCC("LIST");
constexpr std::uint32_t kChunkIndex = FourCC("idx1");
constexpr std::uint32_t kChunkJunk = FourCC("JUNK");
constexpr std::uint32_t kListInfo = FourCC("INFO");
constexpr std::uint32_t kListHeader = FourCC("hdrl");
constexpr std::uint32_t kListMovie = FourCC("movi");
constexpr std::uint32_t kCompressionH264 = FourCC("H264");
constexpr std::uint32_t kCompressionH264Lower = FourCC("h264");

constexpr std::uint32_t kChunkHeaderBytes = 8;
constexpr std::size_t kMinAvcFrameBytes = 8;
constexpr std::size_t kMinMpeg4FrameBytes = 7;

std::uint32_t ReverseBytes(std::uint32_t value)
{
    return (value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24);
}

std::uint32_t Clamp32(std::uint64_t value)
{
    return value > std::numeric_limits<std::uint32_t>::max() ? std::numeric_limits<std::uint32_t>::max()
                                                             : static_cast<std::uint32_t>(value);
}

}  // namespace

AviParser::AviParser(FileSource& file, std::uint64_t start)
    : m_file(file)
    , m_position(start)
    , m_file_size(file.Size())
{
}

ReadStatus AviParser::ReadHeaderList(std::uint64_t data, std::uint32_t size)
{
    ByteBuffer list;
    const ReadStatus read = ReadExact(m_file, data, size, list);
    if (read != ReadStatus::Ok)
        return read == ReadStatus::OutOfMemory ? read : ReadStatus::Malformed;
    auto headers = std::unique_ptr<AviStreamHeaders>(new (std::nothrow) AviStreamHeaders);
    if (!headers)
        return ReadStatus::OutOfMemory;
    if (ParseAviHeaderList(list.Data(), list.Size(), *headers) != ReadStatus::Ok) {
        DebugLine("AVI: header list at %llu is malformed\n", static_cast<unsigned long long>(data));
        return ReadStatus::Malformed;
    }
    m_headers = std::move(headers);
    return ReadStatus::Ok;
}

ReadStatus AviParser::ListStep(std::uint64_t data, std::uint32_t size, Extent extent)
{
    // A file that ends inside the list's type word ends the walk there.
    if (m_file_size - data < 4)
        return ReadStatus::Ok;
    ByteBuffer type_bytes;
    if (ReadExact(m_file, data, 4, type_bytes) != ReadStatus::Ok)
        return ReadStatus::Malformed;
    ByteCursor cursor(type_bytes.Data(), type_bytes.Size());
    std::uint32_t type = 0;
    (void)cursor.ReadFourCC(type);
    if (size < 4) {
        // The list ends inside its own type word; what it names is not its content.
        DebugLine("AVI: list %08X at %llu of %u bytes is smaller than its type\n", type,
                  static_cast<unsigned long long>(data), size);
        return ReadStatus::Ok;
    }
    switch (type) {
    case kListInfo:
        return ReadStatus::Ok;
    case kListHeader:
        // The stream formats must all be there: a header list cut short would report a file
        // with streams missing.
        if (extent == Extent::Cut) {
            DebugLine("AVI: header list at %llu is cut by the end of the file\n", static_cast<unsigned long long>(data));
            return ReadStatus::Truncated;
        }
        return ReadHeaderList(data, size);
    case kListMovie:
        m_movi_size = size;
        m_movi_position = data;
        return ReadStatus::Ok;
    default:
        DebugLine("ERROR: Unknown Chunk FourCC =%08X \n", type);
        return ReadStatus::Ok;
    }
}

ReadStatus AviParser::IndexStep(std::uint64_t data, std::uint32_t size)
{
    auto index = std::unique_ptr<AviIndex>(new (std::nothrow) AviIndex);
    if (!index)
        return ReadStatus::OutOfMemory;
    m_index_position = data;
    const ReadStatus status = ReadAviIndex(m_file, data, size, m_movi_position, *index);
    if (status != ReadStatus::Ok)
        return status;
    m_video_chunks = index->videoCount;
    m_audio_chunks = index->audioCount;
    m_video_bytes = index->videoBytes;
    m_audio_bytes = index->audioBytes;
    m_index = std::move(index);
    return ReadStatus::Ok;
}

ReadStatus AviParser::Walk()
{
    // The walk starts inside the RIFF chunk and does not use its size: a recorder writes the
    // RIFF and movi sizes only when it closes the file (0xFFFFFFFF or 0 until then), and a file
    // cut short keeps the sizes of the whole one.
    std::uint32_t zero_identifiers = 0;
    while (m_position + kChunkHeaderBytes < m_file_size) {
        ByteBuffer header;
        const ReadStatus read = ReadExact(m_file, m_position, kChunkHeaderBytes, header);
        if (read != ReadStatus::Ok)
            return read;
        ByteCursor cursor(header.Data(), header.Size());
        std::uint32_t id = 0, size = 0;
        (void)(cursor.ReadFourCC(id) && cursor.ReadU32Le(size));
        const std::uint64_t data = m_position + kChunkHeaderBytes;

        if (id == 0) {
            if (++zero_identifiers > kMaxZeroIdentifiers) {
                DebugLine("AVI: more than %u zero chunk identifiers before %llu\n", kMaxZeroIdentifiers,
                          static_cast<unsigned long long>(m_position));
                return ReadStatus::Malformed;
            }
            m_position = data + 1;
            continue;
        }
        zero_identifiers = 0;
        if (size == 0) {
            m_position = data + 1;
            continue;
        }
        // A chunk running past the end of the file is read as far as the file goes, and the
        // walk ends with it.
        const std::uint64_t available = m_file_size - data;
        const Extent extent = size > available ? Extent::Cut : Extent::Whole;
        if (extent == Extent::Cut)
            DebugLine("AVI: chunk %08X at %llu of %u bytes is cut by the end of the file\n", id,
                      static_cast<unsigned long long>(m_position), size);
        ReadStatus status = ReadStatus::Ok;
        if (id == kChunkList)
            status = ListStep(data, size, extent);
        else if (id == kChunkIndex)
            status = IndexStep(data, static_cast<std::uint32_t>(extent == Extent::Cut ? available : size));
        else if (id != kChunkJunk)
            DebugLine("ERROR: Unknown Chunk ID =%08X \n", id);
        if (status != ReadStatus::Ok)
            return status;
        if (extent == Extent::Cut)
            break;
        m_position = data + size;
    }
    return ReadStatus::Ok;
}

ReadStatus AviParser::ReadFirstVideoAspect(std::uint32_t& aspect_x, std::uint32_t& aspect_y)
{
    const std::uint64_t chunk = m_index->offsetBase + m_index->videoOffsets[0];
    ByteBuffer header;
    ReadStatus status = ReadExact(m_file, chunk, kChunkHeaderBytes, header);
    if (status != ReadStatus::Ok)
        return status;
    ByteCursor cursor(header.Data(), header.Size());
    std::uint32_t id = 0, size = 0;
    (void)(cursor.ReadFourCC(id) && cursor.ReadU32Le(size));
    // A frame cut by the end of the file is read as far as it goes; its sequence header
    // comes first.
    ByteBuffer payload;
    status = ReadUpTo(m_file, chunk + kChunkHeaderBytes, size, payload);
    if (status != ReadStatus::Ok) {
        DebugLine("AVI: first video chunk at %llu cannot be read\n", static_cast<unsigned long long>(chunk));
        return status;
    }
    const std::uint32_t compression = ReverseBytes(m_headers->videoFormat.compression);
    std::optional<PixelAspect> aspect;
    if (compression == kCompressionH264 || compression == kCompressionH264Lower) {
        if (payload.Size() > kMinAvcFrameBytes)
            aspect = FindAvcPixelAspect(payload.Data(), payload.Size());
    } else if (payload.Size() > kMinMpeg4FrameBytes) {
        aspect = FindMpeg4VideoPixelAspect(payload.Data(), payload.Size());
    }
    if (aspect) {
        aspect_x = aspect->x;
        aspect_y = aspect->y;
    }
    return ReadStatus::Ok;
}

ReadStatus AviParser::FillRecord(MediaInfo& info)
{
    if (!m_headers) {
        DebugLine("AVI: no header list\n");
        return ReadStatus::Malformed;
    }
    // Microseconds per frame below 2^32 and chunk counts below 2^28 keep this within 64 bits.
    m_play_length = std::uint64_t{m_headers->main.microSecPerFrame} * m_video_chunks * 10;
    m_total_length = m_play_length;
    m_duration_ms = m_play_length / 10000;

    std::uint32_t aspect_x = 0, aspect_y = 0;
    if (m_index && m_index->videoWritten > 0) {
        const ReadStatus status = ReadFirstVideoAspect(aspect_x, aspect_y);
        if (status != ReadStatus::Ok)
            return status;
    }

    const AviWaveFormat& audio = m_headers->audioFormat;
    const AviBitmapInfo& video = m_headers->videoFormat;
    info.kind = MediaKind::Avi;
    info.audioFormat = audio.formatTag;
    info.audioSampleRate = audio.samplesPerSec;
    info.audioChannels = audio.channels;
    info.audioBitRate = Clamp32(std::uint64_t{audio.avgBytesPerSec} * 8);
    info.durationSec = Clamp32(m_duration_ms / 1000);
    info.videoFourCC = ReverseBytes(video.compression);
    info.videoWidth = static_cast<std::uint32_t>(video.width);
    info.videoHeight = static_cast<std::uint32_t>(video.height);
    if (m_video_chunks)
        info.frameDurationUs = Clamp32(m_play_length / 10 / m_video_chunks);
    if (m_duration_ms)
        info.videoBitRate = Clamp32(m_video_bytes * 8 / m_duration_ms * 1000);
    info.aspectX = aspect_x;
    info.aspectY = aspect_y;
    return ReadStatus::Ok;
}

HRESULT AviParser::Parse(MediaInfo& info)
{
    ReadStatus status = Walk();
    if (status == ReadStatus::Ok)
        status = FillRecord(info);
    info.status = ToResult(status);
    return info.status;
}

HRESULT ReadAviFile(FileSource& file, MediaInfo& info)
{
    AviParser parser(file);
    return parser.Parse(info);
}

}  // namespace mediainfo
