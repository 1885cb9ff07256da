#include "movie/movie_marks.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace movie {

namespace {

constexpr std::string_view kMarksHeader = "MOVIEMARKS 1";

bool IsControl(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F;
}

bool IsContinuation(unsigned char byte) {
    return byte >= 0x80 && byte <= 0xBF;
}

// Well-formed UTF-8 as RFC 3629 has it: no stray continuation byte, no sequence cut short, no
// overlong form, no surrogate and nothing past U+10FFFF. The range of a sequence's second byte
// rules out the last three; the bytes after it are plain continuation bytes.
bool IsUtf8WithoutControls(std::string_view text) {
    std::size_t position = 0;
    while (position < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[position]);
        if (lead < 0x80) {
            if (IsControl(lead)) return false;
            ++position;
            continue;
        }
        std::size_t length = 0;
        unsigned char second_low = 0x80;
        unsigned char second_high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) second_low = 0xA0;
            if (lead == 0xED) second_high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) second_low = 0x90;
            if (lead == 0xF4) second_high = 0x8F;
        } else {
            return false;
        }
        if (text.size() - position < length) return false;
        const unsigned char second = static_cast<unsigned char>(text[position + 1]);
        if (second < second_low || second > second_high) return false;
        for (std::size_t i = 2; i < length; ++i) {
            if (!IsContinuation(static_cast<unsigned char>(text[position + i]))) return false;
        }
        position += length;
    }
    return true;
}

// A path the file can hold on one line and the device can open: its length is checked first, so
// a long run of bytes costs nothing more to refuse.
bool IsMarkablePath(std::string_view path) {
    return !path.empty() && path.size() <= kMostMarkPathBytes && IsUtf8WithoutControls(path);
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The device's file names ignore ASCII case only; the bytes of other characters are all 0x80 or
// above and compare as they are.
bool SamePath(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

bool IsFilm(const FilmMark& mark, std::string_view path, std::uint64_t size) {
    return mark.size == size && SamePath(mark.path, path);
}

int ClampSeconds(int seconds) {
    return std::clamp(seconds, 0, kMostMarkSeconds);
}

// Plain decimal digits, at least one, with no sign or space. A value past UINT64_MAX is refused
// at the digit that would overflow, so a long run of digits is neither slow nor wrapped.
std::optional<std::uint64_t> ReadDigits(std::string_view field) {
    if (field.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') return std::nullopt;
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

// The next line from position, without its LF and without one CR before it; false at the end of
// the text. A last line without its LF still counts.
bool NextLine(std::string_view text, std::size_t& position, std::string_view& line) {
    if (position >= text.size()) return false;
    const std::size_t end = text.find('\n', position);
    const std::size_t stop = end == std::string_view::npos ? text.size() : end;
    line = text.substr(position, stop - position);
    position = end == std::string_view::npos ? text.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
}

// "<seconds>\t<size>\t<path>". The path is the rest of the line; it cannot hold a tab, since a
// markable path holds no control character.
std::optional<FilmMark> ReadMarkLine(std::string_view line) {
    const std::size_t first_tab = line.find('\t');
    if (first_tab == std::string_view::npos) return std::nullopt;
    const std::size_t second_tab = line.find('\t', first_tab + 1);
    if (second_tab == std::string_view::npos) return std::nullopt;
    const std::optional<std::uint64_t> seconds = ReadDigits(line.substr(0, first_tab));
    const std::optional<std::uint64_t> size = ReadDigits(line.substr(first_tab + 1, second_tab - first_tab - 1));
    const std::string_view path = line.substr(second_tab + 1);
    if (!seconds || *seconds > static_cast<std::uint64_t>(INT_MAX) || !size || !IsMarkablePath(path)) {
        return std::nullopt;
    }
    return FilmMark{std::string(path), *size, ClampSeconds(static_cast<int>(*seconds))};
}

}  // namespace

std::optional<FilmMark> FilmMarks::Find(std::string_view path, std::uint64_t size) const {
    for (const FilmMark& mark : m_marks) {
        if (IsFilm(mark, path, size)) return mark;
    }
    return std::nullopt;
}

bool FilmMarks::Remember(const FilmMark& mark) {
    if (!IsMarkablePath(mark.path)) return false;
    FilmMark kept = mark;
    kept.seconds = ClampSeconds(mark.seconds);
    Forget(mark.path, mark.size);
    m_marks.insert(m_marks.begin(), std::move(kept));
    if (m_marks.size() > kMostFilmMarks) m_marks.resize(kMostFilmMarks);
    return true;
}

bool FilmMarks::Forget(std::string_view path, std::uint64_t size) {
    const auto found =
        std::find_if(m_marks.begin(), m_marks.end(), [&](const FilmMark& mark) { return IsFilm(mark, path, size); });
    if (found == m_marks.end()) return false;
    m_marks.erase(found);
    return true;
}

std::string FormatFilmMarks(const FilmMarks& marks) {
    std::string text(kMarksHeader);
    text += '\n';
    for (const FilmMark& mark : marks.Marks()) {
        text += std::to_string(mark.seconds);
        text += '\t';
        text += std::to_string(mark.size);
        text += '\t';
        text += mark.path;
        text += '\n';
    }
    return text;
}

FilmMarks ParseFilmMarks(std::string_view text) {
    std::size_t position = 0;
    std::string_view line;
    if (!NextLine(text, position, line) || line != kMarksHeader) return {};

    // The file keeps the newest first; reading stops once the list is full, so what lies beyond
    // costs nothing.
    std::vector<FilmMark> read;
    while (read.size() < kMostFilmMarks && NextLine(text, position, line)) {
        std::optional<FilmMark> mark = ReadMarkLine(line);
        if (!mark) continue;
        const bool seen = std::any_of(read.begin(), read.end(),
                                      [&](const FilmMark& older) { return IsFilm(older, mark->path, mark->size); });
        if (!seen) read.push_back(std::move(*mark));
    }

    // Remembered oldest first, so that the newest ends up first again.
    FilmMarks marks;
    for (auto mark = read.rbegin(); mark != read.rend(); ++mark) marks.Remember(*mark);
    return marks;
}

}  // namespace movie
