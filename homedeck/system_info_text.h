// The texts of the system information screen that follow from numbers: card sizes and program
// versions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace homedeck {

// A size in kilobytes as the screen shows it: up to 1024 "%dKB", up to 1,048,576 "%d.%02dMB",
// above "%d.%02dGB", the hundredths cut, not rounded (1,048,576 KB shows "1024.00MB").
std::string FormatSize(std::uint32_t kilobytes);

// The storage card's sizes in kilobytes, from the platform's byte counts (kept to 32 bits).
struct StorageSizes {
    std::uint32_t total_k = 0;
    std::uint32_t used_k = 0;
    std::uint32_t free_k = 0;
};
StorageSizes StorageSizesOf(std::uint64_t total_bytes, std::uint64_t free_bytes);

// The version shown for a program from its version record's FileVersion value: "1.000" when
// there is none; a value under 10 characters unchanged; otherwise the characters at 0, 3, 6 and
// 9 as "%c.%c%c%c", so "1, 0, 2, 3" shows "1.023".
inline constexpr char kNoVersion[] = "1.000";
std::string VersionText(std::string_view file_version);

}  // namespace homedeck
