// The scan file on the host's file system: read whole after a size check, written beside the
// file and moved over it.
#include "telecast/scan_file.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <system_error>

namespace telecast {

ScanFileLoad LoadScanFile(const std::filesystem::path& path)
{
    ScanFileLoad result;
    std::error_code error;
    const bool exists = std::filesystem::exists(path, error);
    if (!exists && !error) return result;  // Missing
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kMostScanFileBytes) {
        result.status = LoadStatus::Unreadable;
        result.reason = error ? "cannot be read: " + error.message()
                              : "holds " + std::to_string(size) + " bytes, more than any scan file";
        return result;
    }
    std::ifstream file(path, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!file || !file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
        result.status = LoadStatus::Unreadable;
        result.reason = "cannot be read";
        return result;
    }
    return ParseScanFile(bytes);
}

SaveStatus SaveScanFile(const ChannelTable& table, const std::filesystem::path& path)
{
    const std::string bytes = FormatScanFile(table);
    std::filesystem::path temporary = path;
    temporary += ".new";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return SaveStatus::CannotCreate;
    // The data reaches the disk before the name moves, so a power cut never leaves a named but
    // empty file.
    bool complete = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0 &&
                    ::fsync(::fileno(file)) == 0;
    complete = std::fclose(file) == 0 && complete;
    std::error_code error;
    if (complete) std::filesystem::rename(temporary, path, error);
    if (!complete || error) {
        std::filesystem::remove(temporary, error);
        return complete ? SaveStatus::CannotReplace : SaveStatus::WriteFailed;
    }
    return SaveStatus::Saved;
}

SaveStatus StoreAudioValuesAndSave(ChannelTable& table, const AudioValues& values, const std::filesystem::path& path)
{
    if (!table.StoreAudioValues(values)) return SaveStatus::Saved;
    return SaveScanFile(table, path);
}

}  // namespace telecast
