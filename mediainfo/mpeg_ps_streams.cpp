#include "mediainfo/mpeg_ps_streams.h"

#include <array>

namespace mediainfo {
namespace {

// Frame durations in 100 ns units by frame_rate_code 1-8 (23.976 ... 60 frame/s).
constexpr std::array<std::uint64_t, 16> kFrameDurations = {0,      417083, 416667, 400000, 333667, 333333,
                                                           200000, 166833, 166667, 0,      0,      0,
                                                           0,      0,      0,      0};

constexpr std::uint32_t kVersionMpeg1 = 3;
constexpr std::uint32_t kVersionMpeg2 = 2;
constexpr std::uint32_t kVersionMpeg25 = 0;
constexpr std::uint32_t kLayer1 = 3;
constexpr std::uint32_t kLayer2 = 2;
constexpr std::uint32_t kLayer3 = 1;

constexpr std::array<std::array<std::uint32_t, 3>, 4> kSampleRates = {{
    {11025, 12000, 8000},    // MPEG-2.5
    {0, 0, 0},               // reserved
    {22050, 24000, 16000},   // MPEG-2
    {44100, 48000, 32000},   // MPEG-1
}};

using BitRateRow = std::array<std::uint32_t, 15>;
constexpr BitRateRow kMpeg1Layer1 = {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448};
constexpr BitRateRow kMpeg1Layer2 = {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
constexpr BitRateRow kMpeg1Layer3 = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr BitRateRow kMpeg2Layer1 = {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256};
constexpr BitRateRow kMpeg2Layer23 = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

constexpr std::array<std::uint32_t, 4> kLpcmRates = {48000, 96000, 44100, 32000};

// ATSC A/52 Table 5.8: channels by acmod, sampling rates by fscod, and the nominal bit rate
// (kbit/s) of each frmsizecod pair.
constexpr std::array<std::uint32_t, 8> kAc3Channels = {2, 1, 2, 3, 3, 4, 4, 5};
constexpr std::array<std::uint32_t, 3> kAc3Rates = {48000, 44100, 32000};
constexpr std::array<std::uint32_t, 19> kAc3BitRates = {32,  40,  48,  56,  64,  80,  96,  112, 128, 160,
                                                        192, 224, 256, 320, 384, 448, 512, 576, 640};

}  // namespace

std::optional<MpegSequenceHeader> ReadMpegSequenceHeader(const std::uint8_t* b)
{
    MpegSequenceHeader header;
    header.frameRateCode = b[3] & 15;
    if (header.frameRateCode == 0)
        return std::nullopt;
    header.width = (std::uint32_t{b[0]} << 4) | (b[1] >> 4);
    header.height = (static_cast<std::uint32_t>(b[1] & 15) << 8) | b[2];
    header.aspectCode = b[3] >> 4;
    header.frameDuration = kFrameDurations[header.frameRateCode];
    header.bitRate = (((std::uint32_t{b[4]} << 8) | b[5]) * 4 + (b[6] >> 6)) * 400;
    return header;
}

std::optional<MpegAudioHeader> ReadMpegAudioHeader(const std::uint8_t* b)
{
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0)
        return std::nullopt;
    MpegAudioHeader header;
    header.version = (b[1] >> 3) & 3;
    header.layer = (b[1] >> 1) & 3;
    header.bitRateIndex = b[2] >> 4;
    header.samplingIndex = (b[2] >> 2) & 3;
    header.channelMode = b[3] >> 6;
    if (header.bitRateIndex == 15 || header.samplingIndex == 3)
        return std::nullopt;
    return header;
}

std::uint32_t MpegAudioSampleRate(const MpegAudioHeader& header)
{
    return header.samplingIndex < 3 ? kSampleRates[header.version & 3][header.samplingIndex] : 0;
}

std::uint32_t MpegAudioBitRateKbps(const MpegAudioHeader& header)
{
    if (header.bitRateIndex >= 15)
        return 0;
    const BitRateRow* row = nullptr;
    if (header.version == kVersionMpeg1) {
        row = header.layer == kLayer1 ? &kMpeg1Layer1
            : header.layer == kLayer2 ? &kMpeg1Layer2
            : header.layer == kLayer3 ? &kMpeg1Layer3
                                      : nullptr;
    } else if (header.version == kVersionMpeg2 || header.version == kVersionMpeg25) {
        row = header.layer == kLayer1 ? &kMpeg2Layer1 : (header.layer != 0 ? &kMpeg2Layer23 : nullptr);
    }
    return row ? (*row)[header.bitRateIndex] : 0;
}

std::optional<LpcmHeader> ReadLpcmHeader(const std::uint8_t* payload, std::size_t size)
{
    if (size < 6)
        return std::nullopt;
    return LpcmHeader{static_cast<std::uint32_t>((payload[5] >> 4) & 3), static_cast<std::uint32_t>(payload[5] & 7)};
}

std::uint32_t LpcmSampleRate(const LpcmHeader& header)
{
    return kLpcmRates[header.samplingIndex & 3];
}

std::optional<Ac3Header> FindAc3Header(const std::uint8_t* payload, std::size_t size)
{
    for (std::size_t p = 0; p + 10 <= size; ++p) {
        if (payload[p] != 0x0B || payload[p + 1] != 0x77)
            continue;
        const std::uint8_t* b = payload + p;
        Ac3Header header;
        header.frameSizeCode = b[4] & 63;
        header.sampleRateCode = b[4] >> 6;
        header.codingMode = b[6] >> 5;
        // After acmod: cmixlev when there are three front channels, surmixlev when there are
        // surround channels, dsurmod in 2/0 mode; then lfeon.
        unsigned bit = 3;
        if ((header.codingMode & 1) && header.codingMode != 1)
            bit += 2;
        if (header.codingMode & 4)
            bit += 2;
        if (header.codingMode == 2)
            bit += 2;
        header.lfe = (b[6] >> (7 - bit)) & 1;
        return header;
    }
    return std::nullopt;
}

Ac3Audio Ac3AudioOf(const Ac3Header& header)
{
    if (header.codingMode >= 8 || header.sampleRateCode >= 3 || header.frameSizeCode >= 38)
        return {};
    return {kAc3Channels[header.codingMode] + header.lfe, kAc3Rates[header.sampleRateCode],
            kAc3BitRates[header.frameSizeCode / 2] * 1000};
}

}  // namespace mediainfo
