// Start codes, pack headers and PES headers of an MPEG-1 (ISO/IEC 11172-1) or MPEG-2
// (ISO/IEC 13818-1) program stream held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace mediainfo {

constexpr std::uint32_t kMpegPackStartCode = 0x000001BA;
constexpr std::uint32_t kMpegSystemHeaderCode = 0x000001BB;
constexpr std::uint32_t kMpegProgramEndCode = 0x000001B9;
constexpr std::uint32_t kMpegPrivateStream1 = 0x000001BD;

// Finds the next start code 00 00 01 xx that begins at or after position and before limit
// (and lies wholly inside size bytes). Returns 0x000001xx and leaves position just after the
// code; returns 0 when there is none, with position at the limit.
std::uint32_t NextMpegStartCode(const std::uint8_t* data, std::size_t size, std::size_t limit, std::size_t& position);

// A pack header's system clock reference, in 100 ns units, from the bytes after 00 00 01 BA.
// Sets mpeg1 when the header has the MPEG-1 form. Nothing (and a debug line) when the marker
// bits do not match either form or the header is cut short.
std::optional<std::int64_t> ReadMpegPackScr(const std::uint8_t* header, std::size_t available, bool& mpeg1);

// The payload of a PES packet (the bytes after its 16-bit length): past the stuffing and the
// MPEG-1 or MPEG-2 header fields. Nothing when the header is cut short, or refused
// (PTS_DTS_flags 01, with a debug line).
struct MpegPayload {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};
std::optional<MpegPayload> SkipMpegPesHeader(const std::uint8_t* packet, std::size_t size);

}  // namespace mediainfo
