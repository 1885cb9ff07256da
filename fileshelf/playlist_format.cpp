#include "fileshelf/playlist_format.h"

#include <cstring>

namespace fileshelf {
namespace {

constexpr std::string_view kExtinfTag = "#EXTINF:";

char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (FoldCase(text[i]) != FoldCase(prefix[i])) return false;
    }
    return true;
}

}  // namespace

std::int32_t ParseExtinfDuration(std::string_view text) {
    std::size_t index = 0;
    while (index < text.size() && IsPlaylistSpace(static_cast<std::uint8_t>(text[index]))) ++index;
    bool negative = false;
    if (index < text.size() && text[index] == '-') {
        negative = true;
        ++index;
    }
    // Unsigned arithmetic: any bytes give a defined value, as two's complement wrapping would.
    std::uint32_t value = 0;
    for (; index < text.size(); ++index) {
        value = value * 10u + static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[index])) - '0';
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value * 1000u);
}

bool PlaylistScanner::Next(PlaylistEntryBytes& entry) {
    entry = PlaylistEntryBytes{};
    const char* text = reinterpret_cast<const char*>(m_data);
    while (m_cursor < m_size) {
        // The line runs to just after its LF, or to the end of the data.
        const void* newline = std::memchr(text + m_cursor, '\n', m_size - m_cursor);
        const std::size_t line_end = newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - text) + 1 : m_size;
        const std::size_t line_start = m_cursor;
        m_cursor = line_end;

        std::size_t first = line_start;
        while (first < line_end && IsPlaylistSpace(m_data[first])) ++first;
        if (first == line_end) continue;
        // The last visible byte is searched from the end down to, not including, the first one:
        // a line with a single visible byte finds none and is skipped, as on the device.
        std::size_t last = line_end - 1;
        while (last > first && IsPlaylistSpace(m_data[last])) --last;
        if (last == first) continue;

        std::size_t length = last - first + 1;
        if (length > kLineBufferSize - 1) length = kLineBufferSize - 1;  // the line buffer cuts it
        const std::string_view line(text + first, length);

        if (line.front() != '#') {
            entry.path = line;
            return true;
        }
        if (StartsWithIgnoringCase(line, kExtinfTag)) {
            const std::size_t comma = line.find(',', kExtinfTag.size());
            if (comma == std::string_view::npos) continue;  // sets nothing
            entry.duration_ms = ParseExtinfDuration(line.substr(kExtinfTag.size(), comma - kExtinfTag.size()));
            std::size_t title_start = comma + 1;
            while (title_start < line.size() && IsPlaylistSpace(static_cast<std::uint8_t>(line[title_start]))) ++title_start;
            entry.title = line.substr(title_start);
        }
        // Any other line beginning with '#' ("#EXTM3U" among them) is a comment.
    }
    entry = PlaylistEntryBytes{};
    return false;
}

std::string HeaderLine() { return "#EXTM3U\n"; }

std::string ExtinfLine(std::int32_t duration_ms, std::string_view title_utf8) {
    // Whole seconds by an unsigned division, written as a signed number.
    const auto seconds = static_cast<std::int32_t>(static_cast<std::uint32_t>(duration_ms) / 1000u);
    std::string line = "#EXTINF:" + std::to_string(seconds);
    if (!title_utf8.empty()) {
        line += ',';
        line += title_utf8;
    }
    line += '\n';
    return line;
}

std::string PathLine(std::string_view path_utf8) {
    std::string line(path_utf8);
    line += '\n';
    return line;
}

void InsertCarriageReturns(std::string& bytes, std::size_t buffer_size) {
    std::size_t position = 0;
    for (;;) {
        position = bytes.find('\n', position);
        if (position == std::string::npos) return;
        if (bytes.size() + 1 + 1 > buffer_size) return;  // the longer text and its zero must fit
        bytes.insert(position, 1, '\r');
        position += 2;
    }
}

}  // namespace fileshelf
