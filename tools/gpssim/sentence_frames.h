// The frames a GPS receiver sends, byte-exact: NMEA 0183 sentences ("$" body "*" HH CR LF, HH the
// XOR of the body bytes in upper-case hexadecimal) and u-blox UBX frames (0xB5 0x62, class, id,
// little-endian length, payload, then the two 8-bit Fletcher sums over class through payload).
// Bytes are carried in std::string; every byte value passes through unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace gpssim {

constexpr char kSentenceStart = '$';
constexpr std::uint8_t kUbxSync1 = 0xB5;
constexpr std::uint8_t kUbxSync2 = 0x62;
constexpr std::size_t kUbxHeaderSize = 6;   // sync pair, class, id, length
constexpr std::size_t kUbxChecksumSize = 2;
constexpr std::size_t kUbxMaxPayload = 0xFFFF;

// What one piece of the outgoing stream is; faults and the send log look at it.
enum class PieceKind {
    Sentence,  // starts with "$" (it may carry a fault)
    UbxFrame,
    Noise,     // bytes between sentences that belong to nothing
    Text,      // a replayed line that is not a sentence
};

struct Piece {
    PieceKind kind = PieceKind::Sentence;
    std::string bytes;  // exactly what goes on the line
    bool operator==(const Piece&) const = default;
};

enum class HexCase { Upper, Lower };

std::uint8_t NmeaChecksum(std::string_view body);
// The two hexadecimal digits of a checksum.
std::string ChecksumDigits(std::uint8_t checksum, HexCase hex_case = HexCase::Upper);
// "$" body "*" HH CR LF.
std::string MakeSentence(std::string_view body);
Piece SentencePiece(std::string_view body);

struct UbxChecksum {
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    bool operator==(const UbxChecksum&) const = default;
};
// The Fletcher sums over the given bytes (class, id, length and payload of a frame).
UbxChecksum UbxFletcher(std::string_view bytes);
// A whole frame; a payload longer than kUbxMaxPayload is cut to it.
std::string MakeUbxFrame(std::uint8_t message_class, std::uint8_t id, std::string_view payload);

// The address field of a sentence ("GPGGA" of "$GPGGA,..."): from after "$" to the first "," or
// "*"; empty when the bytes do not start with "$".
std::string_view SentenceAddress(std::string_view sentence);
// Field `index` of a sentence, counting the address as field 0; it ends at ",", "*", CR or LF.
// Empty when the sentence has fewer fields.
std::string_view SentenceField(std::string_view sentence, std::size_t index);

// Little-endian helpers for building UBX payloads.
void AppendU16(std::string& out, std::uint16_t value);
void AppendU32(std::string& out, std::uint32_t value);

}  // namespace gpssim
