// A program's string table (resources/<program>/strings.txt, installed as is): one
// "NUMBER<tab>text" line each, UTF-8. Empty lines and lines starting with '#' are comments;
// the device's LoadString skips them too, since they have no number before a tab.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/resources/line_reader.h"

namespace resources {

struct StringEntry {
    uint32_t id = 0;
    std::string text;
    int line = 0;
    bool operator==(const StringEntry&) const = default;
};

struct StringTableFile {
    std::vector<StringEntry> entries;
    std::vector<ParseError> errors;
};

StringTableFile ParseStringTable(std::string_view text);

}  // namespace resources
