// Cuts what the monitoring program writes to the receiver into whole frames:
//   - NMEA input sentences, "$" body "*" HH CR LF (e.g. "$PSRF101,..." or "$VORL999,...");
//   - UBX frames, 0xB5 0x62 class id length-low length-high payload CK_A CK_B;
//   - byte commands, "$CMD" and three bytes (code, parameter, 0xAA).
// Bytes arrive in pieces of any size; a frame split across pieces comes out whole, and the same
// bytes give the same frames however they are split. Bytes that cannot begin a frame, and
// frames that break off (a new "$" inside a sentence, no CR LF after the checksum digits, a CR or
// LF inside the body, a sentence longer than kMaxSentence, a UBX length above kMaxUbxPayload),
// are junk: dropped up to the next "$" or 0xB5 and counted. What is held back never exceeds the
// largest frame, so the reader's memory is bounded whatever it is fed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gpssim {

enum class CommandFrameKind { Nmea, Ubx, ByteCommand };

struct CommandFrame {
    CommandFrameKind kind = CommandFrameKind::Nmea;
    std::string bytes;   // the whole frame
    bool intact = false;  // NMEA: the checksum matches; UBX: both sums match; byte command: ends in 0xAA
    bool operator==(const CommandFrame&) const = default;
};

class CommandReader {
public:
    static constexpr std::size_t kMaxSentence = 512;     // "$" through CR LF
    static constexpr std::size_t kMaxUbxPayload = 1024;
    static constexpr std::size_t kByteCommandSize = 7;
    static constexpr std::size_t kMaxHeld = 6 + kMaxUbxPayload + 2;

    // Appends the frames completed by these bytes to `out`.
    void Feed(std::string_view bytes, std::vector<CommandFrame>& out);
    std::uint64_t JunkBytes() const { return m_junk; }
    // Bytes held for a frame not yet complete.
    std::size_t Held() const { return m_held.size(); }

private:
    enum class Step { Frame, NeedMore, Junk };
    Step TrySentence(std::string_view at, CommandFrame& frame) const;
    Step TryUbx(std::string_view at, CommandFrame& frame) const;

    std::string m_held;
    std::uint64_t m_junk = 0;
};

std::string_view CommandFrameKindName(CommandFrameKind kind);
// A frame as a person reads it: a sentence's text without CR LF (bytes outside printable ASCII
// as "\xHH"), "UBX class 0x06 id 0x24 len 36", "CMD code 0x02 parameter 0x00" (with
// " end 0xAB" when the last byte is not 0xAA).
std::string DescribeCommandFrame(const CommandFrame& frame);
// One line of the wire log: kind, "ok" or "bad", every byte in hexadecimal, then " | " and the
// frame described.
std::string WireLogLine(const CommandFrame& frame);

}  // namespace gpssim
