// MPEG audio (MP3, MP2) and AAC in ADTS framing: the first frame gives the format, a "Xing"
// header or the bit rate gives the play time, ID3v2 and ID3v1 give the tags.
#include <algorithm>
#include <cstring>

#include "mediainfo/debug_log.h"
#include "mediainfo/id3_tag.h"
#include "mediainfo/mpeg_audio_frame.h"
#include "mediainfo/readers.h"

namespace mediainfo {
namespace {

constexpr std::uint32_t kAdtsSampleRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                                22050, 16000, 12000, 11025, 8000,  7350};
constexpr std::uint32_t kAdtsChannels[8] = {0, 1, 2, 3, 4, 5, 6, 8};
constexpr int kAdtsFramesWalked = 500;
constexpr std::size_t kAdtsWindow = 64 * 1024;
constexpr std::size_t kFrameBytesRead = 256;

constexpr std::uint32_t kFormatMp3 = 85;
constexpr std::uint32_t kFormatMpegAudio = 80;
constexpr std::uint32_t kFormatAac = 255;

std::uint32_t Be32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

std::uint32_t Clamp32(std::uint64_t value) { return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, UINT32_MAX)); }

void ReadTags(FileSource& file, MediaInfo& info, const ByteBuffer& tag, bool has_tag)
{
    if (has_tag)
        ReadId3v2Tag(tag.Data(), tag.Size(), info);
    if (file.Size() >= kId3v1Size) {
        ByteBuffer block;
        if (ReadExact(file, file.Size() - kId3v1Size, kId3v1Size, block) == ReadStatus::Ok) {
            std::uint8_t bytes[kId3v1Size];
            std::memcpy(bytes, block.Data(), kId3v1Size);
            ReadId3v1Tag(bytes, info);
        }
    }
}

// Walks up to 500 ADTS frames from the first one and works out the average bit rate.
std::uint32_t AdtsAverageBitRate(FileSource& file, std::uint64_t first_frame, std::uint32_t sample_rate)
{
    std::uint64_t total_bytes = 0;
    std::uint64_t blocks = 0;
    std::uint64_t position = first_frame;
    ByteBuffer window;
    std::uint64_t window_start = 0;
    for (int frame = 0; frame < kAdtsFramesWalked; ++frame) {
        if (window.Size() == 0 || position < window_start || position + 7 > window_start + window.Size()) {
            if (ReadUpTo(file, position, kAdtsWindow, window) != ReadStatus::Ok || window.Size() < 7)
                break;
            window_start = position;
        }
        const std::uint8_t* header = window.Data() + (position - window_start);
        if (header[0] != 0xFF || (header[1] & 0xF6) != 0xF0)
            break;
        const std::uint32_t length = ((header[3] & 3u) << 11) | (header[4] << 3) | (header[5] >> 5);
        if (length < 11)
            break;
        total_bytes += length;
        blocks += (header[6] & 3) + 1;
        position += length;
    }
    if (blocks == 0)
        return 0;
    return Clamp32(total_bytes * 8 * sample_rate / blocks / 1024);
}

}  // namespace

HRESULT ReadMpegAudioFile(FileSource& file, MediaInfo& info, std::uint64_t tag_extent)
{
    // The tag is read whole for its frames; one larger than any header we hold is passed over
    // (its frames are lost, the audio is still read).
    const std::uint64_t tag_bytes = tag_extent + kId3HeaderSize;
    ByteBuffer tag;
    bool has_tag = false;
    if (ByteBuffer head; ReadExact(file, 0, kId3HeaderSize, head) == ReadStatus::Ok)
        has_tag = std::memcmp(head.Data(), "ID3", 3) == 0;
    if (has_tag && tag_bytes <= kMaxHeaderBytes) {
        const ReadStatus status = ReadExact(file, 0, static_cast<std::size_t>(tag_bytes), tag);
        if (status != ReadStatus::Ok)
            return ToResult(status);
    } else if (has_tag) {
        DebugLine("MP3: ID3v2 tag of %llu bytes not read\n", static_cast<unsigned long long>(tag_bytes));
    }
    const std::uint64_t first_frame = has_tag ? tag_bytes : 0;
    const std::uint64_t audio_bytes = file.Size() > first_frame ? file.Size() - first_frame : 0;

    ReadTags(file, info, tag, has_tag && tag.Size() > 0);

    ByteBuffer frame;
    if (ReadUpTo(file, first_frame, kFrameBytesRead, frame) != ReadStatus::Ok || frame.Size() < 7)
        return kResultFail;
    const std::uint8_t* header = frame.Data();
    info.kind = MediaKind::MpegAudio;
    info.videoFourCC = 0;

    if ((header[1] & 0xF6) == 0xF0) {
        const std::uint32_t sampling_index = (header[2] & 0x3C) >> 2;
        // Index 0 (96 kHz) is refused as the device's decoder does; 13 to 15 are reserved.
        if (sampling_index == 0 || sampling_index >= 13)
            return kResultFail;
        const std::uint32_t channel_configuration = ((header[2] & 1u) << 2) | (header[3] >> 6);
        info.audioFormat = kFormatAac;
        info.audioSampleRate = kAdtsSampleRates[sampling_index];
        info.audioChannels = kAdtsChannels[channel_configuration];
        info.audioBitRate = AdtsAverageBitRate(file, first_frame, info.audioSampleRate);
    } else {
        const MpegAudioHeader fields = SplitMpegAudioHeader(header);
        if (fields.version == kMpegReserved)
            return kResultFail;
        info.audioFormat = fields.layer == kLayer3 ? kFormatMp3 : kFormatMpegAudio;
        info.audioSampleRate = MpegSampleRate(fields);
        info.audioChannels = fields.channel_mode == 3 ? 1 : 2;
        // A reserved sampling index has no rate; every figure below divides by it.
        if (info.audioSampleRate == 0)
            return kResultFail;
        const bool mono = fields.channel_mode == 3;
        std::size_t xing = 21;
        if (fields.version == kMpeg1 && !mono)
            xing = 36;
        else if (fields.version != kMpeg1 && mono)
            xing = 13;
        std::uint32_t frame_count = 0;
        if (xing + 16 <= frame.Size() && std::memcmp(header + xing, "Xing", 4) == 0 && (Be32(header + xing + 4) & 1))
            frame_count = Be32(header + xing + 8);
        if (frame_count > 0) {
            const std::uint64_t samples = MpegSamplesPerFrame(fields);
            info.audioVariableRate = 1;
            info.audioBitRate = Clamp32(audio_bytes / frame_count * info.audioSampleRate / (samples / 8));
            info.durationSec = Clamp32(samples * frame_count / info.audioSampleRate);
            return kResultOk;
        }
        info.audioBitRate = MpegBitRateKbps(fields) * 1000;
    }
    // Free-format streams have no table bit rate; their play time stays unknown.
    info.durationSec = info.audioBitRate >= 8 ? Clamp32(audio_bytes / (info.audioBitRate / 8)) : 0;
    return kResultOk;
}

}  // namespace mediainfo
