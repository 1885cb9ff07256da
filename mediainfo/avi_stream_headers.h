// AviStreamHeaders: what the hdrl list of a RIFF AVI file says about the movie and its first
// video and first audio stream (the main header avih, and per stream strh and strf).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "mediainfo/file_source.h"
#include "mediainfo/media_info.h"

namespace mediainfo {

// avih: 14 little-endian words in file order.
struct AviMainHeader {
    std::uint32_t microSecPerFrame = 0;
    std::uint32_t maxBytesPerSec = 0;
    std::uint32_t paddingGranularity = 0;
    std::uint32_t flags = 0;
    std::uint32_t totalFrames = 0;
    std::uint32_t initialFrames = 0;
    std::uint32_t streams = 0;
    std::uint32_t suggestedBufferSize = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::array<std::uint32_t, 4> reserved = {};
};

// strh after its type word.
struct AviStreamHeader {
    std::uint32_t handler = 0;
    std::uint32_t flags = 0;
    std::uint16_t priority = 0;
    std::uint16_t language = 0;
    std::uint32_t initialFrames = 0;
    std::uint32_t scale = 0;
    std::uint32_t rate = 0;
    std::uint32_t start = 0;
    std::uint32_t length = 0;
    std::uint32_t suggestedBufferSize = 0;
    std::uint32_t quality = 0;
    std::uint32_t sampleSize = 0;
    std::array<std::int16_t, 4> frame = {};   // left, top, right, bottom
};

// BITMAPINFOHEADER. compression is the little-endian word as stored ("H264" reads 0x34363248).
struct AviBitmapInfo {
    std::uint32_t size = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t colorsUsed = 0;
    std::uint32_t colorsImportant = 0;
};

// WAVEFORMATEX.
struct AviWaveFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;
};

struct AviStreamHeaders {
    AviMainHeader main;
    AviBitmapInfo videoFormat;
    ByteBuffer videoExtra;            // BITMAPINFOHEADER bytes beyond its 40
    AviWaveFormat audioFormat;
    ByteBuffer audioExtra;            // the WAVEFORMATEX extra bytes
    AviStreamHeader videoStream;
    AviStreamHeader audioStream;
    // The first stream of each type wins.
    bool videoHeaderTaken = false;
    bool audioHeaderTaken = false;
    bool videoFormatTaken = false;
    bool audioFormatTaken = false;
    bool videoExtraCopied = false;
    bool audioExtraCopied = false;
    std::uint32_t listSize = 0;
};

// Parses the hdrl list held in memory, starting with its type word "hdrl". Malformed when the
// main header or a stream format is cut short or its extra data runs past its chunk.
[[nodiscard]] ReadStatus ParseAviHeaderList(const std::uint8_t* list, std::size_t size, AviStreamHeaders& out);

}  // namespace mediainfo
