#include "homedeck/system_info_text.h"

#include <cstdio>

namespace homedeck {

std::string FormatSize(std::uint32_t kilobytes) {
    constexpr std::uint32_t kMega = 1024;
    constexpr std::uint32_t kGiga = 1024 * 1024;
    char text[32];
    if (kilobytes > kGiga)
        std::snprintf(text, sizeof(text), "%u.%02uGB", kilobytes / kGiga,
                      static_cast<unsigned>(std::uint64_t{kilobytes % kGiga} * 100 / kGiga));
    else if (kilobytes <= kMega)
        std::snprintf(text, sizeof(text), "%uKB", kilobytes);
    else
        std::snprintf(text, sizeof(text), "%u.%02uMB", kilobytes / kMega, kilobytes % kMega * 100 / kMega);
    return text;
}

StorageSizes StorageSizesOf(std::uint64_t total_bytes, std::uint64_t free_bytes) {
    StorageSizes sizes;
    sizes.total_k = static_cast<std::uint32_t>(total_bytes >> 10);
    sizes.free_k = static_cast<std::uint32_t>(free_bytes >> 10);
    // A card that reports more free than total would otherwise show some 4 TB in use.
    sizes.used_k = sizes.total_k >= sizes.free_k ? sizes.total_k - sizes.free_k : 0;
    return sizes;
}

std::string VersionText(std::string_view file_version) {
    if (file_version.empty()) return kNoVersion;
    if (file_version.size() < 10) return std::string(file_version);
    return {file_version[0], '.', file_version[3], file_version[6], file_version[9]};
}

}  // namespace homedeck
