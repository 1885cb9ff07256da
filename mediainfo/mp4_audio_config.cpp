#include "mediainfo/mp4_audio_config.h"

#include <array>

#include "mediainfo/mp4_bit_reader.h"

namespace mediainfo {
namespace {

constexpr std::uint32_t kObjectTypeSbr = 5;
constexpr std::uint32_t kObjectTypeEscape = 31;
constexpr std::uint32_t kExplicitRateIndex = 15;

// samplingFrequencyIndex 0..12; 13 and 14 are reserved.
constexpr std::array<std::uint32_t, 13> kRates = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                                  22050, 16000, 12000, 11025, 8000,  7350};

std::uint32_t ReadObjectType(Mp4BitReader& bits)
{
    const std::uint32_t type = bits.Bits(5);
    return type == kObjectTypeEscape ? 32 + bits.Bits(6) : type;
}

std::optional<std::uint32_t> ReadRate(Mp4BitReader& bits)
{
    const std::uint32_t index = bits.Bits(4);
    if (index == kExplicitRateIndex)
        return bits.Bits(24);
    if (index < kRates.size())
        return kRates[index];
    return std::nullopt;
}

}  // namespace

std::optional<Mp4AudioConfig> ReadMp4AudioConfig(const std::uint8_t* data, std::size_t size)
{
    Mp4BitReader bits(data, size);
    Mp4AudioConfig config;
    config.objectType = ReadObjectType(bits);
    config.sampleRate = ReadRate(bits);
    config.channelConfiguration = bits.Bits(4);
    if (config.objectType == kObjectTypeSbr) {
        // Explicit SBR signalling: the extension rate is the rate the decoder puts out.
        const std::optional<std::uint32_t> extension_rate = ReadRate(bits);
        if (extension_rate)
            config.sampleRate = extension_rate;
        config.objectType = ReadObjectType(bits);
    }
    if (bits.Failed())
        return std::nullopt;
    return config;
}

}  // namespace mediainfo
