#include "platform/media/tdmb/transport_packets.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "platform/media/tdmb/broadcast_rules.h"

namespace platform::tdmb {
namespace {

constexpr std::uint64_t kScanBytes = 1024 * 1024;
constexpr std::size_t kAdaptationFlagsOffset = 5;
// The adaptation field's flags byte and the clock's six bytes, after the field's length byte.
constexpr std::uint8_t kClockFieldLength = 7;

constexpr std::uint64_t kTimestampMask = (std::uint64_t{1} << 33) - 1;
// A PES header: start code (3), stream id, length (2), two flag bytes, header length.
constexpr std::size_t kPesFixedHeader = 9;
constexpr std::size_t kTimestampBytes = 5;

// A presentation or decoding time: 33 bits in five bytes, with a 4-bit prefix and marker bits
// that stay as they are.
std::uint64_t ReadTimestamp(const std::uint8_t* at)
{
    return (std::uint64_t{static_cast<std::uint8_t>(at[0] >> 1) & 0x07u} << 30) | (std::uint64_t{at[1]} << 22) |
           (std::uint64_t{static_cast<std::uint8_t>(at[2] >> 1)} << 15) | (std::uint64_t{at[3]} << 7) | (at[4] >> 1);
}

void WriteTimestamp(std::uint8_t* at, std::uint64_t time)
{
    at[0] = static_cast<std::uint8_t>((at[0] & 0xF1) | ((time >> 29) & 0x0E));
    at[1] = static_cast<std::uint8_t>(time >> 22);
    at[2] = static_cast<std::uint8_t>((at[2] & 0x01) | ((time >> 14) & 0xFE));
    at[3] = static_cast<std::uint8_t>(time >> 7);
    at[4] = static_cast<std::uint8_t>((at[4] & 0x01) | ((time << 1) & 0xFE));
}

std::vector<std::uint8_t> ReadRange(std::ifstream& stream, std::uint64_t offset, std::uint64_t count)
{
    std::vector<std::uint8_t> bytes(count);
    stream.clear();
    stream.seekg(static_cast<std::streamoff>(offset));
    stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(stream.gcount()));
    return bytes;
}

}  // namespace

std::optional<std::uint64_t> PacketClock(std::span<const std::uint8_t> packet)
{
    if (packet.size() < kTransportPacketSize || packet[0] != kTransportSync) return std::nullopt;
    const bool has_adaptation = (packet[3] & 0x20) != 0;
    if (!has_adaptation) return std::nullopt;
    const std::uint8_t adaptation_length = packet[4];
    // The flags byte and the six clock bytes must lie inside the declared field.
    if (adaptation_length < kClockFieldLength || (packet[kAdaptationFlagsOffset] & 0x10) == 0)
        return std::nullopt;
    const std::uint64_t base = (std::uint64_t{packet[6]} << 25) | (std::uint64_t{packet[7]} << 17) |
                               (std::uint64_t{packet[8]} << 9) | (std::uint64_t{packet[9]} << 1) | (packet[10] >> 7);
    const std::uint64_t extension = (static_cast<std::uint64_t>(packet[10] & 0x01) << 8) | packet[11];
    return base * 300 + extension;
}

void ShiftPacketClocks(std::span<std::uint8_t> packet, std::uint64_t ticks)
{
    if (packet.size() < kTransportPacketSize || packet[0] != kTransportSync) return;
    if (PacketClock(packet)) {
        // The base moves; the 27 MHz extension (packet[10]'s low bit and packet[11]) stays.
        const std::uint64_t base = ((std::uint64_t{packet[6]} << 25 | std::uint64_t{packet[7]} << 17 |
                                     std::uint64_t{packet[8]} << 9 | std::uint64_t{packet[9]} << 1 | packet[10] >> 7) +
                                    ticks) & kTimestampMask;
        packet[6] = static_cast<std::uint8_t>(base >> 25);
        packet[7] = static_cast<std::uint8_t>(base >> 17);
        packet[8] = static_cast<std::uint8_t>(base >> 9);
        packet[9] = static_cast<std::uint8_t>(base >> 1);
        packet[10] = static_cast<std::uint8_t>((packet[10] & 0x7F) | ((base & 1) << 7));
    }
    const bool unit_start = (packet[1] & 0x40) != 0, has_payload = (packet[3] & 0x10) != 0;
    if (!unit_start || !has_payload) return;
    std::size_t payload = 4;
    if (packet[3] & 0x20) payload += 1 + std::size_t{packet[4]};
    if (payload + kPesFixedHeader > kTransportPacketSize) return;
    const std::uint8_t* pes = &packet[payload];
    // Only an audio or video PES header (with its '10' marker) carries these times.
    const bool pes_start = pes[0] == 0 && pes[1] == 0 && pes[2] == 1 && pes[3] >= 0xC0 && pes[3] <= 0xEF;
    if (!pes_start || (pes[6] & 0xC0) != 0x80) return;
    const unsigned times = pes[7] >> 6;  // 2: presentation time; 3: and decoding time
    const std::size_t header = pes[8];
    std::size_t at = payload + kPesFixedHeader;
    for (unsigned index = 0; index < (times == 3 ? 2u : times == 2 ? 1u : 0u); ++index, at += kTimestampBytes) {
        if ((index + 1) * kTimestampBytes > header || at + kTimestampBytes > kTransportPacketSize) return;
        WriteTimestamp(&packet[at], (ReadTimestamp(&packet[at]) + ticks) & kTimestampMask);
    }
}

std::optional<double> StreamSeconds(const std::filesystem::path& file)
{
    std::error_code error;
    const std::uint64_t size = std::filesystem::file_size(file, error);
    if (error || size < kTransportPacketSize) return std::nullopt;
    std::ifstream stream(file, std::ios::binary);
    if (!stream) return std::nullopt;

    auto clocks = [](const std::vector<std::uint8_t>& bytes) {
        std::vector<std::uint64_t> found;
        for (std::size_t at = 0; at + kTransportPacketSize <= bytes.size(); at += kTransportPacketSize)
            if (auto clock = PacketClock(std::span(bytes).subspan(at, kTransportPacketSize))) found.push_back(*clock);
        return found;
    };
    const std::uint64_t packets = size / kTransportPacketSize;
    const std::uint64_t scan_packets = kScanBytes / kTransportPacketSize;
    const std::vector<std::uint64_t> head = clocks(ReadRange(stream, 0, std::min(packets, scan_packets) * kTransportPacketSize));
    const std::uint64_t tail_start = packets > scan_packets ? (packets - scan_packets) * kTransportPacketSize : 0;
    const std::vector<std::uint64_t> tail = clocks(ReadRange(stream, tail_start, size - tail_start));
    if (head.empty() || tail.empty() || tail.back() <= head.front()) return std::nullopt;
    return static_cast<double>(tail.back() - head.front()) / static_cast<double>(kProgramClockHz);
}

}  // namespace platform::tdmb
