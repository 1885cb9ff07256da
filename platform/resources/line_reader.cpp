#include "platform/resources/line_reader.h"

namespace resources {

std::optional<std::vector<std::string>> SplitWords(std::string_view line) {
    std::vector<std::string> words;
    size_t at = 0;
    while (at < line.size()) {
        const char c = line[at];
        if (c == ' ' || c == '\t') {
            ++at;
            continue;
        }
        if (c == '"') {
            const size_t close = line.find('"', at + 1);
            if (close == std::string_view::npos) return std::nullopt;
            words.emplace_back(line.substr(at + 1, close - at - 1));
            at = close + 1;
            continue;
        }
        const size_t end = line.find_first_of(" \t\"", at);
        const size_t stop = end == std::string_view::npos ? line.size() : end;
        words.emplace_back(line.substr(at, stop - at));
        at = stop;
    }
    return words;
}

std::optional<int64_t> ParseNumber(std::string_view word, int64_t minimum, int64_t maximum) {
    bool negative = false;
    if (!word.empty() && word.front() == '-') {
        negative = true;
        word.remove_prefix(1);
    }
    // Eleven digits are past any bound the formats use, so the value cannot overflow.
    if (word.empty() || word.size() > 11) return std::nullopt;
    int64_t value = 0;
    for (const char c : word) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative) value = -value;
    if (value < minimum || value > maximum) return std::nullopt;
    return value;
}

std::optional<Size2> ParseSize(std::string_view word, int maximum) {
    const size_t x = word.find('x');
    if (x == std::string_view::npos) return std::nullopt;
    const auto width = ParseNumber(word.substr(0, x), 1, maximum);
    const auto height = ParseNumber(word.substr(x + 1), 1, maximum);
    if (!width || !height) return std::nullopt;
    return Size2{static_cast<int>(*width), static_cast<int>(*height)};
}

bool IsValidUtf8(std::string_view text) {
    size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        if (lead < 0x80) {
            ++at;
            continue;
        }
        int extra = 0;
        uint32_t value = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            value = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            value = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - at - 1 < static_cast<size_t>(extra)) return false;
        for (int i = 1; i <= extra; ++i) {
            const auto next = static_cast<unsigned char>(text[at + static_cast<size_t>(i)]);
            if ((next & 0xC0) != 0x80) return false;
            value = (value << 6) | (next & 0x3F);
        }
        if ((extra == 2 && value < 0x800) || (extra == 3 && value < 0x10000)) return false;
        if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
        at += static_cast<size_t>(extra) + 1;
    }
    return true;
}

}  // namespace resources
