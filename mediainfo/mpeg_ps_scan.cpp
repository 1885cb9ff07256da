#include "mediainfo/mpeg_ps_scan.h"

#include "mediainfo/debug_log.h"

namespace mediainfo {
namespace {

constexpr std::size_t kMpeg1ScrBytes = 5;
constexpr std::size_t kMpeg2ScrBytes = 6;
constexpr int kMaxStuffingBytes = 17;

}  // namespace

std::uint32_t NextMpegStartCode(const std::uint8_t* data, std::size_t size, std::size_t limit, std::size_t& position)
{
    if (limit > size)
        limit = size;
    // A start code needs four bytes; the scan steps over the buffer once, so none is skipped.
    for (std::size_t p = position; p < limit && p + 4 <= size; ++p) {
        if (data[p + 2] > 1) {
            p += 2;  // none of p, p+1, p+2 can start a code
            continue;
        }
        if (data[p] == 0 && data[p + 1] == 0 && data[p + 2] == 1) {
            position = p + 4;
            return 0x00000100u | data[p + 3];
        }
    }
    position = limit;
    return 0;
}

std::optional<std::int64_t> ReadMpegPackScr(const std::uint8_t* b, std::size_t available, bool& mpeg1)
{
    if (available >= 1 && (b[0] >> 4) == 0x2) {
        // MPEG-1: '0010' SCR[32..30] marker SCR[29..15] marker SCR[14..0] marker.
        if (available < kMpeg1ScrBytes)
            return std::nullopt;
        const std::uint32_t middle = (std::uint32_t{b[1]} << 24) | (std::uint32_t{b[2]} << 16) |
                                     (std::uint32_t{b[3]} << 8) | b[4];
        if (!(b[0] & 1) || !(middle & 0x10000) || !(middle & 1)) {
            DebugLine("ERROR: GetSCR ERROR(MPEG1)\n");
            return std::nullopt;
        }
        const std::int64_t scr = (std::int64_t{(b[0] >> 1) & 7} << 30) | (std::int64_t{(middle >> 17) & 0x7FFF} << 15) |
                                 ((middle >> 1) & 0x7FFF);
        mpeg1 = true;
        return scr * 1000 / 9;
    }
    if (available >= kMpeg2ScrBytes) {
        const std::uint32_t first = (std::uint32_t{b[0]} << 8) | b[1];
        const std::uint32_t rest = (std::uint32_t{b[2]} << 24) | (std::uint32_t{b[3]} << 16) |
                                   (std::uint32_t{b[4]} << 8) | b[5];
        if ((first & 0xC400) == 0x4400 && (rest & 0x04000401) == 0x04000401) {
            // '01' SCR[32..30] marker SCR[29..15] marker SCR[14..0] marker extension[8..0] marker.
            const std::int64_t base = (std::int64_t{(b[0] >> 3) & 7} << 30) | (std::int64_t{b[0] & 3} << 28) |
                                      (std::int64_t{b[1]} << 20) | (std::int64_t{b[2] >> 3} << 15) |
                                      (std::int64_t{b[2] & 3} << 13) | (std::int64_t{b[3]} << 5) | (b[4] >> 3);
            const std::int64_t extension = (std::int64_t{b[4] & 3} << 7) | (b[5] >> 1);
            return (base * 300 + extension) * 10 / 27;
        }
    }
    if (available >= kMpeg2ScrBytes)
        DebugLine("ERROR: GetSCR ERROR\n");
    return std::nullopt;
}

std::optional<MpegPayload> SkipMpegPesHeader(const std::uint8_t* packet, std::size_t size)
{
    std::size_t p = 0;
    for (int i = 0; i < kMaxStuffingBytes && p < size && packet[p] == 0xFF; ++i)
        ++p;
    if (p >= size)
        return std::nullopt;
    if ((packet[p] & 0xC0) == 0x80) {
        // MPEG-2: two flag bytes and the header data length; the payload follows the header data.
        if (p + 3 > size)
            return std::nullopt;
        if ((packet[p + 1] >> 6) == 1) {
            DebugLine("PES Packet Parse ERROR: PTS_DTS_flags =0x01\r\n");
            return std::nullopt;
        }
        const std::size_t start = p + 3 + packet[p + 2];
        if (start > size)
            return std::nullopt;
        return MpegPayload{packet + start, size - start};
    }
    // MPEG-1: optional STD buffer field, then PTS, PTS and DTS, or the single byte 0x0F.
    if ((packet[p] & 0xC0) == 0x40) {
        p += 2;
        if (p >= size)
            return std::nullopt;
    }
    if ((packet[p] & 0xF0) == 0x20)
        p += 5;
    else if ((packet[p] & 0xF0) == 0x30)
        p += 10;
    else
        p += 1;
    if (p > size)
        return std::nullopt;
    return MpegPayload{packet + p, size - p};
}

}  // namespace mediainfo
