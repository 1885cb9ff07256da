#include "music/music_resume.h"

#include <climits>
#include <cstddef>

#include "music/equaliser_presets.h"
#include "music/play_order.h"

namespace music {

namespace {

// What one number of the text turned out to be.
enum class Token { Number, Overflow, NotANumber };

// The characters C's isspace() accepts in the "C" locale, so CR LF line ends read as well.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One number after any whitespace: an optional sign, at least one digit, and then whitespace or
// the end of the text. The whole run of digits is consumed even once it no longer fits an int, so
// that an overflowing value is skipped and the next one is read; the sum stops growing at that
// point, so a long run is neither slow nor itself an overflow.
Token ReadNumber(std::string_view text, std::size_t& position, int& value) {
    while (position < text.size() && IsSpace(text[position])) ++position;
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        ++position;
    }
    const std::size_t digits = position;
    long long sum = 0;
    bool overflow = false;
    for (; position < text.size() && text[position] >= '0' && text[position] <= '9'; ++position) {
        if (overflow) continue;
        sum = sum * 10 + (text[position] - '0');
        overflow = sum > static_cast<long long>(INT_MAX) + 1;
    }
    if (position == digits) return Token::NotANumber;
    if (position < text.size() && !IsSpace(text[position])) return Token::NotANumber;
    if (negative) sum = -sum;
    if (overflow || sum > INT_MAX) return Token::Overflow;
    value = static_cast<int>(sum);
    return Token::Number;
}

bool InRange(int value, int low, int high) { return value >= low && value <= high; }

}  // namespace

MusicResume ClampMusicResume(const MusicResume& resume) {
    const MusicResume defaults;
    MusicResume clamped = resume;
    if (clamped.entry < 0) clamped.entry = defaults.entry;
    if (!InRange(clamped.preset, 0, kEqualiserPresets - 1)) clamped.preset = defaults.preset;
    if (!InRange(clamped.mode, 0, kPlayModes - 1)) clamped.mode = defaults.mode;
    if (!InRange(clamped.state, kPlaying, kPaused)) clamped.state = defaults.state;
    if (!InRange(clamped.seconds, 0, kMaxResumeSeconds)) clamped.seconds = defaults.seconds;
    return clamped;
}

std::string FormatMusicResume(const MusicResume& resume) {
    const MusicResume clamped = ClampMusicResume(resume);
    std::string text;
    for (const int value :
         {kResumeMarker, clamped.entry, clamped.preset, clamped.mode, clamped.state, clamped.seconds}) {
        text += std::to_string(value);
        text += '\n';
    }
    return text;
}

MusicResume ParseMusicResume(std::string_view text) {
    std::size_t position = 0;
    int marker = 0;
    if (ReadNumber(text, position, marker) != Token::Number || marker != kResumeMarker) return {};

    // The values in the file's order; each starts at its default and is replaced only by a number
    // that was read whole. The clamp then puts back the default of each one out of its range.
    MusicResume record;
    for (int* value : {&record.entry, &record.preset, &record.mode, &record.state, &record.seconds}) {
        int number = 0;
        const Token token = ReadNumber(text, position, number);
        if (token == Token::NotANumber) break;
        if (token == Token::Number) *value = number;
    }
    return ClampMusicResume(record);
}

}  // namespace music
