// The AAC AudioSpecificConfig (ISO/IEC 14496-3 1.6.2.1) in an MP4 audio track's decoder-
// specific information: what it says about the sampling rate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace mediainfo {

struct Mp4AudioConfig {
    std::uint32_t objectType = 0;          // after an SBR extension, the core object type
    std::uint32_t channelConfiguration = 0;
    // The output sampling rate: the explicit 24-bit rate for index 15, and for SBR (object
    // type 5) the extension rate. Nothing for the indexes 13 and 14, which have no rate.
    std::optional<std::uint32_t> sampleRate;
};

// Nothing when the configuration is cut short before its sampling rate and channel fields.
std::optional<Mp4AudioConfig> ReadMp4AudioConfig(const std::uint8_t* data, std::size_t size);

}  // namespace mediainfo
