// How FileShelf compares and measures file names. Names arrive as UTF-8, as the platform's
// find-file calls give them; the device keeps them as UTF-16 in buffers of 260 characters, so
// lengths are counted in UTF-16 code units.
//
// Case is ignored the way the device's file system ignores it: only the ASCII letters fold. Two
// names that compare equal here name the same file, and UTF-8 bytes compare in code point order,
// so every comparison below is a total order on the folded text.
#pragma once

#include <cstddef>
#include <string_view>

namespace fileshelf {

constexpr char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);
// Negative, zero or positive, as a and b order with ASCII case folded (bytes unsigned).
int CompareIgnoringCase(std::string_view a, std::string_view b);
// Negative, zero or positive, as the raw bytes order (unsigned).
int CompareBytes(std::string_view a, std::string_view b);

// The number of UTF-16 code units the text becomes. A byte that does not start a well-formed
// UTF-8 sequence counts as one unit, as the conversion puts U+FFFD in its place.
std::size_t Utf16Length(std::string_view utf8);

// The part after the last '\' or '/' (the whole text when there is none).
std::string_view LastComponent(std::string_view path);

}  // namespace fileshelf
