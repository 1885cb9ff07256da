// SatScope's settings file, UIConfig.ini: "[SECTION]" lines and "KEY=value" lines below them.
//
// A lookup finds the section, then the first line of it whose text up to its first "=" is the
// key and "=". Lines beginning with ";" and lines without "=" (or with "=" first) are skipped; a
// line beginning with "[" ends the section. The value is the rest of the line, "\" "n" read as a
// line feed, a line feed at its end removed, cut to the 29 characters of the program's buffer.
// The file is text: a byte-order mark is skipped, CR LF ends a line like LF, a NUL ends a line's
// text, and a line longer than 2,047 characters is read as its first 2,047 (its tail is never
// taken for a line of its own).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace satscope {

constexpr std::size_t kIniLineCharacters = 2047;
constexpr std::size_t kIniValueCharacters = 29;

// The value of the key in the section, or nothing when either is absent.
std::optional<std::string> IniLookup(std::string_view file, std::string_view section, std::string_view key);

}  // namespace satscope
