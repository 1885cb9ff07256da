// The text form of the shared settings file: one decimal number per line, the format
// version 1002 first, then eleven values. Pure: no file access, so any bytes can be read.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace settings_file {

constexpr int kVersion = 1002;
constexpr int kStoredValues = 11;

struct Contents {
    bool version_matches = false;
    std::array<std::int32_t, kStoredValues> values{};
    int values_read = 0;  // how many of the eleven were there
};

// Reads as the C library's "%d" would: numbers separated by white space; reading stops at the
// first thing that is not a number.
Contents Parse(std::string_view text);
// Exactly twelve lines, each "%d\n".
std::string Format(const std::array<std::int32_t, kStoredValues>& values);

}  // namespace settings_file
