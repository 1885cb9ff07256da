// Shared pieces of the resource text formats: a line-by-line reader with numbered lines, a
// tokenizer that understands "quoted text", and the problem report every parser returns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace resources {

// One problem in a resource file: the 1-based line it is on and what is wrong with it.
struct ParseError {
    int line = 0;
    std::string reason;
    bool operator==(const ParseError&) const = default;
};

// Calls back once per line with its number, the trailing CR removed. Lines that are empty
// (after trimming spaces and tabs) or start with '#' are skipped when skip_comments is set.
enum class Comments { Skip, Keep };
template<class Callback>
void ForEachLine(std::string_view text, Comments comments, Callback&& callback) {
    int number = 0;
    while (!text.empty()) {
        ++number;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (comments == Comments::Skip) {
            const size_t first = line.find_first_not_of(" \t");
            if (first == std::string_view::npos || line[first] == '#') continue;
        }
        callback(number, line);
    }
}

// Splits a line into words separated by spaces or tabs; "a quoted text" is one word (quotes
// removed, no escapes, it may not contain a quote). Returns nothing for an unclosed quote.
std::optional<std::vector<std::string>> SplitWords(std::string_view line);

// A decimal number in [minimum, maximum] with nothing else around it.
std::optional<int64_t> ParseNumber(std::string_view word, int64_t minimum, int64_t maximum);

// "WIDTHxHEIGHT", each in [1, maximum].
struct Size2 {
    int width = 0;
    int height = 0;
    bool operator==(const Size2&) const = default;
};
std::optional<Size2> ParseSize(std::string_view word, int maximum);

// Whether the bytes are well-formed UTF-8 (no overlongs, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view text);

}  // namespace resources
