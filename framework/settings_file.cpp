#include "framework/settings_file.h"

#include <cctype>
#include <limits>

namespace settings_file {
namespace {

// One "%d": skips white space, reads an optional sign and digits; false when there is no
// number. Values beyond 32 bits saturate, as no valid setting comes near them.
bool ReadInt(std::string_view text, std::size_t& position, std::int32_t& value) {
    while (position < text.size() && std::isspace(static_cast<unsigned char>(text[position]))) ++position;
    std::size_t cursor = position;
    bool negative = false;
    if (cursor < text.size() && (text[cursor] == '-' || text[cursor] == '+')) negative = text[cursor++] == '-';
    if (cursor >= text.size() || !std::isdigit(static_cast<unsigned char>(text[cursor]))) return false;
    std::int64_t number = 0;
    while (cursor < text.size() && std::isdigit(static_cast<unsigned char>(text[cursor]))) {
        if (number < (std::int64_t{1} << 40)) number = number * 10 + (text[cursor] - '0');
        ++cursor;
    }
    if (negative) number = -number;
    if (number > std::numeric_limits<std::int32_t>::max()) number = std::numeric_limits<std::int32_t>::max();
    if (number < std::numeric_limits<std::int32_t>::min()) number = std::numeric_limits<std::int32_t>::min();
    value = static_cast<std::int32_t>(number);
    position = cursor;
    return true;
}

}  // namespace

Contents Parse(std::string_view text) {
    Contents contents;
    std::size_t position = 0;
    std::int32_t version = 0;
    if (!ReadInt(text, position, version) || version != kVersion) return contents;
    contents.version_matches = true;
    for (auto& value : contents.values) {
        if (!ReadInt(text, position, value)) break;
        ++contents.values_read;
    }
    return contents;
}

std::string Format(const std::array<std::int32_t, kStoredValues>& values) {
    std::string text = std::to_string(kVersion) + "\n";
    for (auto value : values) text += std::to_string(value) + "\n";
    return text;
}

}  // namespace settings_file
