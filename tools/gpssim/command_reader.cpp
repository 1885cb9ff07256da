#include "tools/gpssim/command_reader.h"

#include <algorithm>

namespace gpssim {

namespace {

constexpr char kStart = '$';
constexpr std::uint8_t kSync1 = 0xB5;
constexpr std::uint8_t kSync2 = 0x62;
constexpr std::string_view kByteCommandHead = "$CMD";
constexpr std::uint8_t kByteCommandEnd = 0xAA;

std::uint8_t Byte(std::string_view bytes, std::size_t index) { return static_cast<std::uint8_t>(bytes[index]); }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Two upper-case hexadecimal digits.
std::string HexByte(std::uint8_t byte) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

bool CanStartFrame(char c) { return c == kStart || static_cast<std::uint8_t>(c) == kSync1; }

}  // namespace

CommandReader::Step CommandReader::TrySentence(std::string_view at, CommandFrame& frame) const {
    // "$CMD" and its three bytes; while fewer than four bytes agree with "$CMD" it may still be one.
    const std::size_t head = std::min(at.size(), kByteCommandHead.size());
    if (at.substr(0, head) == kByteCommandHead.substr(0, head)) {
        if (at.size() < kByteCommandHead.size()) return Step::NeedMore;
        if (at.size() < kByteCommandSize) return Step::NeedMore;
        frame = {CommandFrameKind::ByteCommand, std::string(at.substr(0, kByteCommandSize)),
                 Byte(at, kByteCommandSize - 1) == kByteCommandEnd};
        return Step::Frame;
    }
    std::uint8_t sum = 0;
    for (std::size_t i = 1; i < at.size(); ++i) {
        if (i + 5 > kMaxSentence) return Step::Junk;  // no room left for "*HH" CR LF
        const char c = at[i];
        if (c == kStart || c == '\r' || c == '\n') return Step::Junk;
        if (c != '*') {
            sum ^= static_cast<std::uint8_t>(c);
            continue;
        }
        if (at.size() < i + 5) return Step::NeedMore;
        const int high = HexValue(at[i + 1]);
        const int low = HexValue(at[i + 2]);
        if (high < 0 || low < 0 || at[i + 3] != '\r' || at[i + 4] != '\n') return Step::Junk;
        frame = {CommandFrameKind::Nmea, std::string(at.substr(0, i + 5)), (high << 4 | low) == sum};
        return Step::Frame;
    }
    return Step::NeedMore;
}

CommandReader::Step CommandReader::TryUbx(std::string_view at, CommandFrame& frame) const {
    if (at.size() < 2) return Step::NeedMore;
    if (Byte(at, 1) != kSync2) return Step::Junk;
    if (at.size() < 6) return Step::NeedMore;
    const std::size_t length = Byte(at, 4) | static_cast<std::size_t>(Byte(at, 5)) << 8;
    if (length > kMaxUbxPayload) return Step::Junk;
    const std::size_t size = 6 + length + 2;
    if (at.size() < size) return Step::NeedMore;
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    for (std::size_t i = 2; i < 6 + length; ++i) {
        a = static_cast<std::uint8_t>(a + Byte(at, i));
        b = static_cast<std::uint8_t>(b + a);
    }
    frame = {CommandFrameKind::Ubx, std::string(at.substr(0, size)), Byte(at, size - 2) == a && Byte(at, size - 1) == b};
    return Step::Frame;
}

void CommandReader::Feed(std::string_view bytes, std::vector<CommandFrame>& out) {
    m_held.append(bytes);
    const std::string_view held = m_held;
    std::size_t position = 0;
    while (position < held.size()) {
        const std::string_view at = held.substr(position);
        Step step = Step::Junk;
        CommandFrame frame;
        if (at.front() == kStart) {
            step = TrySentence(at, frame);
        } else if (static_cast<std::uint8_t>(at.front()) == kSync1) {
            step = TryUbx(at, frame);
        }
        if (step == Step::NeedMore) break;
        if (step == Step::Frame) {
            position += frame.bytes.size();
            out.push_back(std::move(frame));
            continue;
        }
        // Junk: skip to the next byte that may start a frame.
        std::size_t next = 1;
        while (next < at.size() && !CanStartFrame(at[next])) ++next;
        m_junk += next;
        position += next;
    }
    m_held.erase(0, position);
}

std::string_view CommandFrameKindName(CommandFrameKind kind) {
    switch (kind) {
        case CommandFrameKind::Nmea: return "nmea";
        case CommandFrameKind::Ubx: return "ubx";
        case CommandFrameKind::ByteCommand: return "cmd";
    }
    return "?";
}

std::string DescribeCommandFrame(const CommandFrame& frame) {
    const std::string_view bytes = frame.bytes;
    std::string text;
    switch (frame.kind) {
        case CommandFrameKind::Nmea: {
            std::string_view sentence = bytes;
            if (sentence.size() >= 2 && sentence.substr(sentence.size() - 2) == "\r\n") sentence.remove_suffix(2);
            for (char c : sentence) {
                const auto byte = static_cast<std::uint8_t>(c);
                if (byte >= 0x20 && byte < 0x7F) text += c;
                else text += "\\x" + HexByte(byte);
            }
            break;
        }
        case CommandFrameKind::Ubx:
            if (bytes.size() < 6) return "UBX";
            text = "UBX class 0x" + HexByte(Byte(bytes, 2)) + " id 0x" + HexByte(Byte(bytes, 3)) + " len " +
                   std::to_string(Byte(bytes, 4) | Byte(bytes, 5) << 8);
            break;
        case CommandFrameKind::ByteCommand:
            if (bytes.size() < CommandReader::kByteCommandSize) return "CMD";
            text = "CMD code 0x" + HexByte(Byte(bytes, 4)) + " parameter 0x" + HexByte(Byte(bytes, 5));
            if (Byte(bytes, 6) != kByteCommandEnd) text += " end 0x" + HexByte(Byte(bytes, 6));
            break;
    }
    return text;
}

std::string WireLogLine(const CommandFrame& frame) {
    std::string line(CommandFrameKindName(frame.kind));
    line += frame.intact ? " ok" : " bad";
    for (char c : frame.bytes) line += ' ' + HexByte(static_cast<std::uint8_t>(c));
    return line + " | " + DescribeCommandFrame(frame);
}

}  // namespace gpssim
