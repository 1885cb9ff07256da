#include "homedeck/system_info.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/files/files.h"
#include "platform/files/version_info.h"

namespace homedeck {

std::string GetFileVersionText(const std::string& path) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSize(path, &handle);
    if (size == 0) return kNoVersion;
    std::vector<std::uint8_t> block(size);
    if (!GetFileVersionInfo(path, handle, size, block.data())) return kNoVersion;

    void* translation = nullptr;
    UINT translation_length = 0;
    if (!VerQueryValue(block.data(), "\\VarFileInfo\\Translation", &translation, &translation_length) ||
        translation_length < 4)
        return kNoVersion;
    WORD pair[2];
    std::memcpy(pair, translation, sizeof(pair));
    char query[64];
    std::snprintf(query, sizeof(query), "\\StringFileInfo\\%04X%04X\\FileVersion", pair[0], pair[1]);
    void* value = nullptr;
    UINT value_length = 0;
    if (!VerQueryValue(block.data(), query, &value, &value_length) || !value) return kNoVersion;
    // The value is a zero-terminated string inside the block; its length counts no more.
    const auto* text = static_cast<const char*>(value);
    return VersionText(std::string(text, strnlen(text, value_length)));
}

StorageSizes ReadStorageSizes() {
    std::uint64_t free_to_caller = 0, total = 0, total_free = 0;
    if (!GetDiskFreeSpaceEx("\\STORAGE CARD\\", &free_to_caller, &total, &total_free)) return {};
    return StorageSizesOf(total, free_to_caller);
}

}  // namespace homedeck
