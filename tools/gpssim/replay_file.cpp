#include "tools/gpssim/replay_file.h"

#include <algorithm>
#include <string>

namespace gpssim {

std::vector<Piece> ReadReplayPieces(std::string_view file) {
    std::vector<Piece> pieces;
    std::size_t at = 0;
    while (at < file.size()) {
        const std::string_view rest = file.substr(at);
        if (rest.size() >= 2 && static_cast<std::uint8_t>(rest[0]) == kUbxSync1 &&
            static_cast<std::uint8_t>(rest[1]) == kUbxSync2) {
            std::size_t size = rest.size();
            if (rest.size() >= kUbxHeaderSize) {
                const std::size_t length = static_cast<std::uint8_t>(rest[4]) | static_cast<std::uint8_t>(rest[5]) << 8;
                size = std::min(rest.size(), kUbxHeaderSize + length + kUbxChecksumSize);
            }
            pieces.push_back({PieceKind::UbxFrame, std::string(rest.substr(0, size))});
            at += size;
            continue;
        }
        const std::size_t newline = rest.find('\n');
        const std::size_t taken = newline == std::string_view::npos ? rest.size() : newline + 1;
        std::string_view line = rest.substr(0, std::min(taken, newline));
        at += taken;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        Piece piece{line.front() == kSentenceStart ? PieceKind::Sentence : PieceKind::Text, std::string(line)};
        piece.bytes += "\r\n";
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

std::vector<std::vector<Piece>> GroupReplayCycles(std::vector<Piece> pieces) {
    std::vector<std::vector<Piece>> cycles;
    std::string first_address;
    bool burst_has_first = false;
    for (Piece& piece : pieces) {
        const bool sentence = piece.kind == PieceKind::Sentence;
        if (sentence && first_address.empty()) first_address = SentenceAddress(piece.bytes);
        const bool first_kind = sentence && SentenceAddress(piece.bytes) == first_address;
        if (cycles.empty() || (first_kind && burst_has_first)) {
            cycles.emplace_back();
            burst_has_first = false;
        }
        burst_has_first = burst_has_first || first_kind;
        cycles.back().push_back(std::move(piece));
    }
    return cycles;
}

}  // namespace gpssim
