#include "movie/movie_resume.h"

#include <climits>
#include <cstddef>
#include <optional>

namespace movie {

namespace {

constexpr int kResumeFields = 4;

// The characters C's isspace() accepts in the "C" locale, so CR LF line ends read as well.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One number after any whitespace: an optional sign, at least one digit, and then whitespace or
// the end of the text. Digits are added up only while the value can still fit an int, so a long
// run of them is neither slow nor an overflow.
std::optional<int> ReadNumber(std::string_view text, std::size_t& position) {
    while (position < text.size() && IsSpace(text[position])) ++position;
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        ++position;
    }
    const std::size_t digits = position;
    long long value = 0;
    while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
        value = value * 10 + (text[position] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
        ++position;
    }
    if (position == digits) return std::nullopt;
    if (position < text.size() && !IsSpace(text[position])) return std::nullopt;
    if (negative) value = -value;
    if (value > INT_MAX) return std::nullopt;
    return static_cast<int>(value);
}

}  // namespace

MovieResume ClampMovieResume(const MovieResume& resume) {
    if (resume.entry < 0) return {};
    MovieResume clamped = resume;
    if (clamped.state < kPlaying || clamped.state > kPaused) clamped.state = kStopped;
    if (clamped.seconds < 0) {
        clamped.seconds = 0;
    } else if (clamped.seconds > kMaxResumeSeconds) {
        clamped.seconds = 0;
        clamped.state = kStopped;
    }
    return clamped;
}

std::string FormatMovieResume(const MovieResume& resume) {
    const MovieResume clamped = ClampMovieResume(resume);
    std::string text;
    for (const int value : {kResumeMarker, clamped.entry, clamped.state, clamped.seconds}) {
        text += std::to_string(value);
        text += '\n';
    }
    return text;
}

MovieResume ParseMovieResume(std::string_view text) {
    int values[kResumeFields];
    std::size_t position = 0;
    for (int& value : values) {
        const std::optional<int> number = ReadNumber(text, position);
        if (!number) return {};
        value = *number;
    }
    if (values[0] != kResumeMarker) return {};
    return ClampMovieResume({values[1], values[2], values[3]});
}

}  // namespace movie
