#include "platform/files/wildcard.h"

namespace platform::files {
namespace {

char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Length of the UTF-8 character starting at text[index]: its lead byte and the continuation
// bytes that follow (at most three); a stray byte counts alone.
size_t CharacterLength(std::string_view text, size_t index) {
    size_t length = 1;
    while (length < 4 && index + length < text.size() &&
           (static_cast<unsigned char>(text[index + length]) & 0xC0) == 0x80 &&
           (static_cast<unsigned char>(text[index]) & 0xC0) == 0xC0) {
        ++length;
    }
    return length;
}

bool Match(std::string_view pattern, std::string_view name) {
    size_t p = 0;
    size_t n = 0;
    size_t star_p = std::string_view::npos;  // position after the last '*' seen
    size_t star_n = 0;                       // name position that '*' is currently matched up to
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star_p = ++p;
            star_n = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += CharacterLength(name, n);
        } else if (p < pattern.size() && FoldCase(pattern[p]) == FoldCase(name[n])) {
            ++p;
            ++n;
        } else if (star_p != std::string_view::npos) {
            p = star_p;
            n = ++star_n;  // let the '*' take one more byte and try again
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace

bool HasWildcards(std::string_view pattern) { return pattern.find_first_of("*?") != std::string_view::npos; }

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    if (Match(pattern, name)) return true;
    // "NAME.*" stands for NAME with any extension or none.
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" && name.find('.') == std::string_view::npos) {
        return Match(pattern.substr(0, pattern.size() - 2), name);
    }
    return false;
}

}  // namespace platform::files
