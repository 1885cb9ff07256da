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
