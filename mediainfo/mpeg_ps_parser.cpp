#include "mediainfo/mpeg_ps_parser.h"

#include <algorithm>
#include <cstring>

#include "mediainfo/debug_log.h"
#include "mediainfo/media_probe.h"
#include "mediainfo/mpeg_ps_scan.h"

namespace mediainfo {
namespace {

constexpr std::size_t kHeadBytes = 256;
constexpr std::size_t kCdxaHeadBytes = 0x200000;
constexpr std::size_t kTailBytes = 0x40000;
constexpr std::size_t kCdxaBlockBytes = 0x1FFF8;
constexpr int kCdxaBlocks = 16;
// The first bytes of each block are kept behind the block before it, so that a code across
// the boundary is found.
constexpr std::size_t kCdxaCarryBytes = 8;
constexpr std::size_t kStreamSearchBytes = 0x200000;
constexpr std::size_t kStreamSearchMargin = 1024;
constexpr std::size_t kPacketMargin = 8;
constexpr std::size_t kMpeg1PackBytes = 8;
constexpr std::size_t kMpeg2PackBytes = 10;
constexpr std::int64_t kHundredNsPerSecond = 10000000;

constexpr std::uint32_t kVideoMpeg1 = FourCC("MPG1");
constexpr std::uint32_t kVideoMpeg2 = FourCC("MPG2");
constexpr std::uint32_t kWaveFormatPcm = 1;
constexpr std::uint32_t kWaveFormatMpeg = 80;
constexpr std::uint32_t kWaveFormatAc3 = 8192;

// Scans a buffer for pack headers: on_scr sees each valid clock reference in order; it returns
// false to stop the scan. stop_at_end stops at a program end code once have_end says so.
template <class OnScr, class HaveEnd>
void ScanPacks(const std::uint8_t* data, std::size_t size, bool& mpeg1, OnScr on_scr, HaveEnd have_end)
{
    std::size_t position = 0;
    while (std::uint32_t code = NextMpegStartCode(data, size, size, position)) {
        if (code == kMpegProgramEndCode && have_end())
            return;
        if (code != kMpegPackStartCode)
            continue;
        const std::optional<std::int64_t> scr = ReadMpegPackScr(data + position, size - position, mpeg1);
        if (scr && !on_scr(*scr))
            return;
    }
}

}  // namespace

MpegPsParser::MpegPsParser(FileSource& file, std::uint64_t first_pack, bool cdxa)
    : m_file(file)
    , m_first_pack(first_pack)
    , m_file_size(file.Size())
    , m_cdxa(cdxa)
{
}

ReadStatus MpegPsParser::ReadEndScrFromTail(std::int64_t& end)
{
    const std::uint64_t start = m_file_size > kTailBytes ? m_file_size - kTailBytes : 0;
    ByteBuffer tail;
    const ReadStatus status = ReadUpTo(m_file, start, kTailBytes, tail);
    if (status != ReadStatus::Ok)
        return status;
    ScanPacks(
        tail.Data(), tail.Size(), m_mpeg1, [&](std::int64_t scr) { end = scr; return true; }, [] { return false; });
    return ReadStatus::Ok;
}

ReadStatus MpegPsParser::ReadEndScrBackwards(std::int64_t& end)
{
    ByteBuffer block;
    if (!block.Allocate(kCdxaBlockBytes + kCdxaCarryBytes))
        return ReadStatus::OutOfMemory;
    std::uint8_t carry[kCdxaCarryBytes] = {};
    std::size_t carry_size = 0;
    std::uint64_t block_end = m_file_size;
    for (int i = 0; i < kCdxaBlocks && block_end > 0 && end < 0; ++i) {
        const std::uint64_t block_start = block_end > kCdxaBlockBytes ? block_end - kCdxaBlockBytes : 0;
        const std::size_t length = static_cast<std::size_t>(block_end - block_start);
        ByteBuffer read;
        const ReadStatus status = ReadExact(m_file, block_start, length, read);
        if (status != ReadStatus::Ok)
            return status;
        std::memcpy(block.Data(), read.Data(), length);
        std::memcpy(block.Data() + length, carry, carry_size);
        ScanPacks(
            block.Data(), length + carry_size, m_mpeg1, [&](std::int64_t scr) { end = scr; return true; },
            [&] { return end >= 0; });
        carry_size = std::min(kCdxaCarryBytes, length);
        std::memcpy(carry, read.Data(), carry_size);
        block_end = block_start;
    }
    return ReadStatus::Ok;
}

ReadStatus MpegPsParser::ReadPlayTime()
{
    ByteBuffer head;
    ReadStatus status = ReadUpTo(m_file, m_first_pack, m_cdxa ? kCdxaHeadBytes : kHeadBytes, head);
    if (status != ReadStatus::Ok)
        return status;
    std::int64_t start = -1;
    ScanPacks(
        head.Data(), head.Size(), m_mpeg1, [&](std::int64_t scr) { start = scr; return false; }, [] { return false; });
    if (start < 0) {
        DebugLine("MPEG-PS: no system clock reference after %llu\n", static_cast<unsigned long long>(m_first_pack));
        return ReadStatus::Malformed;
    }
    std::int64_t end = -1;
    status = m_cdxa ? ReadEndScrBackwards(end) : ReadEndScrFromTail(end);
    if (status != ReadStatus::Ok)
        return status;
    if (end < 0) {
        DebugLine("MPEG-PS: no system clock reference at the end of the file\n");
        return ReadStatus::Malformed;
    }
    // A clock reset (the last reference below the first) leaves the play time unknown.
    if (end >= start)
        m_play_time_sec = static_cast<std::uint32_t>((end - start) / kHundredNsPerSecond);
    return ReadStatus::Ok;
}

bool MpegPsParser::FindVideo(const std::uint8_t* payload, std::size_t size)
{
    for (std::size_t p = 0; p + 12 <= size; ++p) {
        if (payload[p] != 0 || payload[p + 1] != 0 || payload[p + 2] != 1 || payload[p + 3] != 0xB3)
            continue;
        if (const std::optional<MpegSequenceHeader> header = ReadMpegSequenceHeader(payload + p + 4)) {
            m_video = *header;
            return true;
        }
    }
    return false;
}

bool MpegPsParser::FindMpegAudio(const std::uint8_t* payload, std::size_t size)
{
    for (std::size_t p = 0; p + 4 <= size; ++p) {
        if (const std::optional<MpegAudioHeader> header = ReadMpegAudioHeader(payload + p)) {
            m_mpeg_audio = *header;
            m_audio_kind = AudioKind::MpegAudio;
            m_private_substream = 0;
            return true;
        }
    }
    return false;
}

bool MpegPsParser::ReadPrivateStream(const std::uint8_t* payload, std::size_t size)
{
    if (size == 0)
        return false;
    const std::uint8_t substream = payload[0];
    if (substream >= 0xA0 && substream <= 0xAF) {
        if (const std::optional<LpcmHeader> header = ReadLpcmHeader(payload, size)) {
            m_lpcm = *header;
            m_audio_kind = AudioKind::Lpcm;
            m_private_substream = substream;
            return true;
        }
        return false;
    }
    if ((substream >= 0x80 && substream <= 0x87) || (substream >= 0xC0 && substream <= 0xCF)) {
        if (const std::optional<Ac3Header> header = FindAc3Header(payload, size)) {
            m_ac3 = *header;
            m_audio_kind = AudioKind::Ac3;
            m_private_substream = substream;
            return true;
        }
    }
    return false;
}

ReadStatus MpegPsParser::FindStreams()
{
    ByteBuffer buffer;
    const ReadStatus status = ReadUpTo(m_file, m_first_pack, kStreamSearchBytes, buffer);
    if (status != ReadStatus::Ok)
        return status;
    const std::uint8_t* data = buffer.Data();
    const std::size_t size = buffer.Size();
    const std::size_t limit = size > kStreamSearchMargin ? size - kStreamSearchMargin : 0;
    const std::size_t packet_limit = size > kPacketMargin ? size - kPacketMargin : 0;

    std::size_t position = 0;
    while (!(m_video_found && m_audio_kind != AudioKind::None)) {
        const std::uint32_t code = NextMpegStartCode(data, size, limit, position);
        if (code == 0)
            break;
        if (code == kMpegPackStartCode) {
            if (position >= size)
                break;
            if ((data[position] >> 4) == 0x2) {
                m_mpeg1 = true;
                position += kMpeg1PackBytes;
            } else {
                if (position + kMpeg2PackBytes > size)
                    break;
                position += kMpeg2PackBytes + (data[position + kMpeg2PackBytes - 1] & 7);
            }
            continue;
        }
        if (code < kMpegSystemHeaderCode)
            continue;
        // The system header and every PES packet carry a 16-bit length.
        if (position + 2 > size)
            break;
        const std::size_t length = (std::size_t{data[position]} << 8) | data[position + 1];
        const std::size_t packet = position + 2;
        if (packet + length > packet_limit)
            break;
        position = packet + length;
        if (code == kMpegSystemHeaderCode)
            continue;

        const bool video = code >= 0x1E0 && code <= 0x1EF;
        const bool mpeg_audio = code >= 0x1C0 && code <= 0x1DF;
        const bool private_stream = code == kMpegPrivateStream1;
        if ((video && m_video_found) || ((mpeg_audio || private_stream) && m_audio_kind != AudioKind::None) ||
            !(video || mpeg_audio || private_stream))
            continue;
        if (video)
            m_video_stream_id = code & 0x1FF;
        else if (mpeg_audio)
            m_audio_stream_id = code & 0x1FF;
        const std::optional<MpegPayload> payload = SkipMpegPesHeader(data + packet, length);
        if (!payload)
            continue;
        if (video)
            m_video_found = FindVideo(payload->data, payload->size);
        else if (mpeg_audio)
            FindMpegAudio(payload->data, payload->size);
        else
            ReadPrivateStream(payload->data, payload->size);
    }
    if (!m_video_found || m_audio_kind == AudioKind::None) {
        DebugLine("MPEG-PS: %s not found in the first %zu bytes\n", m_video_found ? "audio" : "video", size);
        return ReadStatus::Malformed;
    }
    return ReadStatus::Ok;
}

void MpegPsParser::FillRecord(MediaInfo& info) const
{
    info.kind = m_mpeg1 ? MediaKind::MpegProgram1 : MediaKind::MpegProgram2;
    info.videoFourCC = m_mpeg1 ? kVideoMpeg1 : kVideoMpeg2;
    info.durationSec = m_play_time_sec;
    info.videoWidth = m_video.width;
    info.videoHeight = m_video.height;
    info.frameDurationUs = static_cast<std::uint32_t>(m_video.frameDuration / 10);
    info.videoBitRate = m_video.bitRate;
    switch (m_video.aspectCode) {
    case 1: info.aspectX = 1; info.aspectY = 1; break;
    case 2: info.aspectX = m_video.height * 4; info.aspectY = m_video.width * 3; break;
    case 3: info.aspectX = m_video.height * 16; info.aspectY = m_video.width * 9; break;
    case 4: info.aspectX = m_video.height * 221; info.aspectY = m_video.width * 100; break;
    default: break;
    }
    switch (m_audio_kind) {
    case AudioKind::MpegAudio:
        info.audioFormat = kWaveFormatMpeg;
        info.audioSampleRate = MpegAudioSampleRate(m_mpeg_audio);
        info.audioChannels = m_mpeg_audio.channelMode == 3 ? 1 : 2;
        info.audioBitRate = MpegAudioBitRateKbps(m_mpeg_audio) * 1000;
        break;
    case AudioKind::Lpcm:
        info.audioFormat = kWaveFormatPcm;
        info.audioChannels = m_lpcm.channelField != 0 ? 2 : 1;
        info.audioSampleRate = LpcmSampleRate(m_lpcm);
        info.audioBitRate = info.audioSampleRate * info.audioChannels * 16;
        break;
    case AudioKind::Ac3: {
        const Ac3Audio audio = Ac3AudioOf(m_ac3);
        info.audioFormat = kWaveFormatAc3;
        info.audioChannels = audio.channels;
        info.audioSampleRate = audio.sampleRate;
        info.audioBitRate = audio.bitRate;
        break;
    }
    case AudioKind::None:
        break;
    }
}

HRESULT MpegPsParser::Parse(MediaInfo& info)
{
    ReadStatus status = ReadPlayTime();
    if (status == ReadStatus::Ok)
        status = FindStreams();
    if (status == ReadStatus::Ok)
        FillRecord(info);
    info.status = ToResult(status);
    return info.status;
}

HRESULT ReadMpegPsFile(FileSource& file, MediaInfo& info, std::uint64_t first_pack, bool cdxa)
{
    MpegPsParser parser(file, first_pack, cdxa);
    return parser.Parse(info);
}

}  // namespace mediainfo
