// What the tuner needs to know of an MPEG transport stream to play it out at its own pace:
// the programme clock a packet carries, the length of a stream file from its first and last
// clock reference, and how to move a packet's clocks on so that a file sent round and round
// reads as one broadcast whose clocks never run back. Packets are 188 bytes starting with the
// sync byte 0x47.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace platform::tdmb {

inline constexpr std::uint8_t kTransportSync = 0x47;
inline constexpr std::uint64_t kProgramClockHz = 27'000'000;
// The clock of presentation and decoding times, and of a clock reference's base.
inline constexpr std::uint64_t kTimestampHz = 90'000;

// The programme clock reference (in 27 MHz ticks) of one packet, when it carries one. Nothing
// for fewer than 188 bytes, a missing sync byte or an adaptation field too short for one.
std::optional<std::uint64_t> PacketClock(std::span<const std::uint8_t> packet);

// Seconds from the first clock reference of the file to its last; nothing when the file
// cannot be read or has fewer than two references in its first and last megabyte.
std::optional<double> StreamSeconds(const std::filesystem::path& file);

// Moves every clock the packet carries `ticks` of the 90 kHz clock later, wrapping at 33 bits as
// the clocks do: the clock reference, and the presentation and decoding times of a PES packet
// that starts in it. A field that does not fit in the packet, or a packet without the sync
// byte, is left as it is.
void ShiftPacketClocks(std::span<std::uint8_t> packet, std::uint64_t ticks);

}  // namespace platform::tdmb
