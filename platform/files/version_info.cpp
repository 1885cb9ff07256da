#include "platform/files/version_info.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/files/device_path.h"
#include "platform/files/files.h"
#include "platform/files/positional_io.h"
#include "platform/files/version_record.h"
#include "platform/kernel/last_error.h"

namespace {

namespace record = platform::version_record;

// Reads the version record of a program file: its ELF header and section headers, then the
// record's section, nothing else of the file. Sets the last error when there is none.
bool ReadVersionRecord(const std::string& path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    const std::string host = platform::HostPathOf(path);
    if (host.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    const int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : platform::files::ErrorFromErrno(errno));
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        SetLastError(ERROR_BAD_FORMAT);
        return false;
    }
    auto read_at = [fd](std::uint64_t offset, std::size_t size, std::uint8_t* out) {
        return platform::ReadFully(fd, out, size, offset);
    };
    const auto file_size = static_cast<std::uint64_t>(info.st_size);
    std::uint8_t magic[4] = {};
    const bool elf = file_size >= 4 && read_at(0, 4, magic) && std::memcmp(magic, "\x7f" "ELF", 4) == 0;
    const auto place = elf ? record::FindElfSection(read_at, file_size, record::kSectionName) : std::nullopt;
    bool found = place && place->size > 0 && place->size <= record::kMaxRecordSize;
    if (found) {
        bytes.resize(static_cast<std::size_t>(place->size));
        record::RecordView view;
        found = read_at(place->offset, bytes.size(), bytes.data()) &&
                record::ParseRecord(bytes.data(), bytes.size(), view) == record::ReadStatus::Ok;
        if (found) bytes.resize(view.size);
    }
    ::close(fd);
    if (!found) {
        bytes.clear();
        SetLastError(elf ? ERROR_RESOURCE_DATA_NOT_FOUND : ERROR_BAD_FORMAT);
    }
    return found;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && platform::files::NamesEqual(a, b);
}

// "\A\B\C" → {"A", "B", "C"}.
std::vector<std::string_view> Components(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t at = 0;
    while (at <= path.size()) {
        const std::size_t end = std::min(path.find('\\', at), path.size());
        if (end > at) parts.push_back(path.substr(at, end - at));
        at = end + 1;
    }
    return parts;
}

bool ParseHex8(std::string_view text, std::uint32_t& value) {
    if (text.size() != 8) return false;
    value = 0;
    for (char c : text) {
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0) return false;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return true;
}

}  // namespace

DWORD GetFileVersionInfoSize(const std::string& path, DWORD* handle) {
    if (handle) *handle = 0;
    std::vector<std::uint8_t> bytes;
    if (!ReadVersionRecord(path, bytes)) return 0;
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(bytes.size());
}

BOOL GetFileVersionInfo(const std::string& path, DWORD, DWORD length, void* data) {
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<std::uint8_t> bytes;
    if (!ReadVersionRecord(path, bytes)) return FALSE;
    if (length < bytes.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(data, bytes.data(), bytes.size());
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL VerQueryValue(const void* block, const std::string& sub_block, void** buffer, UINT* length) {
    if (buffer) *buffer = nullptr;
    if (length) *length = 0;
    if (!block || !buffer || !length) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The block is one GetFileVersionInfo filled in: its header says how long it is.
    const auto* bytes = static_cast<const std::uint8_t*>(block);
    std::uint32_t declared = 0;
    if (std::memcmp(bytes, "HUVR", 4) == 0) std::memcpy(&declared, bytes + 8, 4);
    record::RecordView view;
    if (declared == 0 || record::ParseRecord(bytes, declared, view) != record::ReadStatus::Ok) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return FALSE;
    }
    const auto parts = Components(sub_block);
    auto* base = const_cast<std::uint8_t*>(bytes);
    if (parts.size() == 2 && EqualIgnoringCase(parts[0], "VarFileInfo") && EqualIgnoringCase(parts[1], "Translation")) {
        *buffer = base + view.translations_offset;
        *length = static_cast<UINT>(view.translations.size() * 4);
        return TRUE;
    }
    std::uint32_t wanted = 0;
    if (parts.size() == 3 && EqualIgnoringCase(parts[0], "StringFileInfo") && ParseHex8(parts[1], wanted)) {
        bool translated = false;
        for (const auto& translation : view.translations)
            translated = translated || ((std::uint32_t{translation.language} << 16) | translation.code_page) == wanted;
        if (translated) {
            if (auto entry = record::FindString(bytes, view, parts[2])) {
                *buffer = base + entry->value_offset;
                *length = entry->value_size + 1;
                return TRUE;
            }
        }
    }
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
}
