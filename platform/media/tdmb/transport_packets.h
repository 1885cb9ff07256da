// What the tuner needs to know of an MPEG transport stream to play it out at its own pace:
// the programme clock a packet carries, and the length of a stream file from its first and
// last clock reference. Packets are 188 bytes starting with the sync byte 0x47.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace platform::tdmb {

inline constexpr std::uint8_t kTransportSync = 0x47;
inline constexpr std::uint64_t kProgramClockHz = 27'000'000;

// The programme clock reference (in 27 MHz ticks) of one packet, when it carries one. Nothing
// for fewer than 188 bytes, a missing sync byte or an adaptation field too short for one.
std::optional<std::uint64_t> PacketClock(std::span<const std::uint8_t> packet);

// Seconds from the first clock reference of the file to its last; nothing when the file
// cannot be read or has fewer than two references in its first and last megabyte.
std::optional<double> StreamSeconds(const std::filesystem::path& file);

}  // namespace platform::tdmb
