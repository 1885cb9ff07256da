// The elementary stream headers the program stream reader looks for: the MPEG video sequence
// header, the MPEG audio frame header, and the linear PCM and AC-3 (ATSC A/52) headers of
// private stream 1; and what each gives the record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace mediainfo {

struct MpegSequenceHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t aspectCode = 0;
    std::uint32_t frameRateCode = 0;
    std::uint64_t frameDuration = 0;   // 100 ns units; 0 for the codes 9-15
    std::uint32_t bitRate = 0;         // bit/s
};

// Reads the 8 bytes after 00 00 01 B3. Nothing for frame rate code 0.
std::optional<MpegSequenceHeader> ReadMpegSequenceHeader(const std::uint8_t* fields);

struct MpegAudioHeader {
    std::uint32_t version = 0;         // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5, 1 reserved
    std::uint32_t layer = 0;           // 3 Layer I, 2 Layer II, 1 Layer III, 0 reserved
    std::uint32_t bitRateIndex = 0;
    std::uint32_t samplingIndex = 0;
    std::uint32_t channelMode = 0;     // 3: single channel
};

// Reads a 4-byte MPEG audio frame header; nothing unless it starts with the sync bits and has
// a usable bit rate index (not 15) and sampling index (not 3).
std::optional<MpegAudioHeader> ReadMpegAudioHeader(const std::uint8_t* header);
// ISO/IEC 11172-3 and 13818-3 tables; 0 for reserved versions, layers and indexes.
std::uint32_t MpegAudioSampleRate(const MpegAudioHeader& header);
std::uint32_t MpegAudioBitRateKbps(const MpegAudioHeader& header);

struct LpcmHeader {
    std::uint32_t samplingIndex = 0;   // 0 48000, 1 96000, 2 44100, 3 32000
    std::uint32_t channelField = 0;
};
// The private stream 1 payload of a linear PCM substream (first byte A0-AF), 6 bytes at least.
std::optional<LpcmHeader> ReadLpcmHeader(const std::uint8_t* payload, std::size_t size);
std::uint32_t LpcmSampleRate(const LpcmHeader& header);

struct Ac3Header {
    std::uint32_t frameSizeCode = 0;
    std::uint32_t sampleRateCode = 0;  // fscod
    std::uint32_t codingMode = 0;      // acmod
    std::uint32_t lfe = 0;
};
// Searches an AC-3 substream payload (first byte 80-87 or C0-CF) for the sync word 0B 77.
std::optional<Ac3Header> FindAc3Header(const std::uint8_t* payload, std::size_t size);

struct Ac3Audio {
    std::uint32_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t bitRate = 0;
};
// The record's fields for an AC-3 header; all 0 when a code is out of range.
Ac3Audio Ac3AudioOf(const Ac3Header& header);

}  // namespace mediainfo
