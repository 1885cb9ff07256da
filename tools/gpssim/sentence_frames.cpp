#include "tools/gpssim/sentence_frames.h"

#include <algorithm>

namespace gpssim {

std::uint8_t NmeaChecksum(std::string_view body) {
    std::uint8_t sum = 0;
    for (char c : body) sum ^= static_cast<std::uint8_t>(c);
    return sum;
}

std::string ChecksumDigits(std::uint8_t checksum, HexCase hex_case) {
    const char* digits = hex_case == HexCase::Upper ? "0123456789ABCDEF" : "0123456789abcdef";
    return {digits[checksum >> 4], digits[checksum & 0x0F]};
}

std::string MakeSentence(std::string_view body) {
    std::string sentence;
    sentence.reserve(body.size() + 6);
    sentence += kSentenceStart;
    sentence += body;
    sentence += '*';
    sentence += ChecksumDigits(NmeaChecksum(body));
    sentence += "\r\n";
    return sentence;
}

Piece SentencePiece(std::string_view body) { return {PieceKind::Sentence, MakeSentence(body)}; }

UbxChecksum UbxFletcher(std::string_view bytes) {
    UbxChecksum sum;
    for (char c : bytes) {
        sum.a = static_cast<std::uint8_t>(sum.a + static_cast<std::uint8_t>(c));
        sum.b = static_cast<std::uint8_t>(sum.b + sum.a);
    }
    return sum;
}

std::string MakeUbxFrame(std::uint8_t message_class, std::uint8_t id, std::string_view payload) {
    payload = payload.substr(0, std::min(payload.size(), kUbxMaxPayload));
    std::string frame;
    frame.reserve(kUbxHeaderSize + payload.size() + kUbxChecksumSize);
    frame += static_cast<char>(kUbxSync1);
    frame += static_cast<char>(kUbxSync2);
    frame += static_cast<char>(message_class);
    frame += static_cast<char>(id);
    AppendU16(frame, static_cast<std::uint16_t>(payload.size()));
    frame += payload;
    const UbxChecksum sum = UbxFletcher(std::string_view(frame).substr(2));
    frame += static_cast<char>(sum.a);
    frame += static_cast<char>(sum.b);
    return frame;
}

std::string_view SentenceAddress(std::string_view sentence) { return SentenceField(sentence, 0); }

std::string_view SentenceField(std::string_view sentence, std::size_t index) {
    if (sentence.empty() || sentence.front() != kSentenceStart) return {};
    std::size_t begin = 1;
    for (std::size_t field = 0;; ++field) {
        std::size_t end = begin;
        while (end < sentence.size() && sentence[end] != ',' && sentence[end] != '*' && sentence[end] != '\r' &&
               sentence[end] != '\n')
            ++end;
        if (field == index) return sentence.substr(begin, end - begin);
        if (end >= sentence.size() || sentence[end] != ',') return {};
        begin = end + 1;
    }
}

void AppendU16(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void AppendU32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
}

}  // namespace gpssim
