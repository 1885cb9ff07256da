#include "mediainfo/mpeg_audio_frame.h"

namespace mediainfo {
namespace {

// Bit rates in kbit/s by index 0..14 (index 0 is free format, 15 is invalid).
constexpr std::uint16_t kBitRates[5][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG-1 Layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG-1 Layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG-1 Layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG-2/2.5 Layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // MPEG-2/2.5 Layers II, III
};

constexpr std::uint32_t kSampleRates[4][3] = {
    {11025, 12000, 8000},   // MPEG-2.5
    {0, 0, 0},              // reserved
    {22050, 24000, 16000},  // MPEG-2
    {44100, 48000, 32000},  // MPEG-1
};

}  // namespace

MpegAudioHeader SplitMpegAudioHeader(const std::uint8_t* header)
{
    MpegAudioHeader fields;
    fields.version = (header[1] & 0x18) >> 3;
    fields.layer = (header[1] & 0x06) >> 1;
    fields.bit_rate_index = header[2] >> 4;
    fields.sampling_index = (header[2] & 0x0C) >> 2;
    fields.padding = (header[2] >> 1) & 1;
    fields.channel_mode = header[3] >> 6;
    return fields;
}

bool IsValidMpegAudioHeader(const std::uint8_t* header)
{
    return header[0] == 0xFF && (header[1] & 0xE0) == 0xE0 && ((header[1] >> 3) & 3) != kMpegReserved &&
           (header[2] >> 4) != 15 && ((header[2] >> 2) & 3) != 3;
}

std::uint32_t MpegBitRateKbps(const MpegAudioHeader& header)
{
    if (header.bit_rate_index >= 15 || header.layer == kLayerReserved || header.version == kMpegReserved)
        return 0;
    int table = 0;
    if (header.version == kMpeg1)
        table = header.layer == kLayer1 ? 0 : header.layer == kLayer2 ? 1 : 2;
    else
        table = header.layer == kLayer1 ? 3 : 4;
    return kBitRates[table][header.bit_rate_index];
}

std::uint32_t MpegSampleRate(const MpegAudioHeader& header)
{
    if (header.sampling_index >= 3 || header.version > 3)
        return 0;
    return kSampleRates[header.version][header.sampling_index];
}

std::uint32_t MpegFrameLength(const MpegAudioHeader& header)
{
    const std::uint32_t bit_rate = MpegBitRateKbps(header);
    const std::uint32_t sample_rate = MpegSampleRate(header);
    if (bit_rate == 0 || sample_rate == 0)
        return 0;
    std::uint32_t coefficient = 144;
    std::uint32_t slot = 1;
    if (header.layer == kLayer1) {
        coefficient = 12;
        slot = 4;
    } else if (header.layer == kLayer3 && header.version != kMpeg1) {
        coefficient = 72;
    }
    return (coefficient * bit_rate * 1000 / sample_rate + header.padding) * slot;
}

std::uint32_t MpegSamplesPerFrame(const MpegAudioHeader& header)
{
    if (header.layer == kLayer1)
        return 384;
    if (header.layer == kLayer3 && header.version != kMpeg1)
        return 576;
    return 1152;
}

std::size_t FindConfirmedMpegFrame(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return SIZE_MAX;
    for (std::size_t p = 0; p < size - 4; ++p) {
        if (data[p] != 0xFF || !IsValidMpegAudioHeader(data + p))
            continue;
        const std::uint32_t length = MpegFrameLength(SplitMpegAudioHeader(data + p));
        if (length == 0 || length > size - 4 - p)
            continue;
        const std::uint8_t* next = data + p + length;
        if (IsValidMpegAudioHeader(next) && (next[1] & 0x1E) == (data[p + 1] & 0x1E))
            return p;
    }
    return SIZE_MAX;
}

}  // namespace mediainfo
