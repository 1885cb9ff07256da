// MPEG audio frame headers (ISO/IEC 11172-3, 13818-3 and the MPEG-2.5 extension): decoding,
// frame length, and the search for a frame that a second one confirms.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mediainfo {

// The two-bit fields as they stand in the header.
enum MpegVersionBits : std::uint8_t { kMpeg25 = 0, kMpegReserved = 1, kMpeg2 = 2, kMpeg1 = 3 };
enum MpegLayerBits : std::uint8_t { kLayerReserved = 0, kLayer3 = 1, kLayer2 = 2, kLayer1 = 3 };

struct MpegAudioHeader {
    std::uint8_t version = 0;          // MpegVersionBits
    std::uint8_t layer = 0;            // MpegLayerBits
    std::uint8_t bit_rate_index = 0;
    std::uint8_t sampling_index = 0;
    std::uint8_t padding = 0;
    std::uint8_t channel_mode = 0;     // 3 = single channel
};

// Splits the four header bytes; no validity check.
MpegAudioHeader SplitMpegAudioHeader(const std::uint8_t* header);
// True for FF, the top three bits of the next byte, a version that is not reserved, a bit rate
// index not 15 and a sampling index not 3.
bool IsValidMpegAudioHeader(const std::uint8_t* header);
// 0 for an index outside the tables (free format, reserved values).
std::uint32_t MpegBitRateKbps(const MpegAudioHeader& header);
std::uint32_t MpegSampleRate(const MpegAudioHeader& header);
// Frame length in bytes; 0 when the bit rate or sampling rate is unknown.
std::uint32_t MpegFrameLength(const MpegAudioHeader& header);
std::uint32_t MpegSamplesPerFrame(const MpegAudioHeader& header);

// Looks for the first position p < size - 4 where a valid header stands whose frame length L is
// not 0 and where another valid header of the same version and layer stands at p + L, inside
// the buffer less 4 bytes. SIZE_MAX when there is none.
std::size_t FindConfirmedMpegFrame(const std::uint8_t* data, std::size_t size);

}  // namespace mediainfo
