// FindFirstFile, FindNextFile and FindClose: a search is a program-local handle over the names of
// one directory that match the pattern's last component. The names come in a fixed order, by
// their bytes, so that a folder lists the same way on every card and every run: what the host's
// directory order happens to be must not decide the order a folder's files are added to a
// playlist.
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <mutex>
#include <sys/stat.h>
#include <vector>

#include "platform/files/device_path.h"
#include "platform/files/files.h"
#include "platform/files/wildcard.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/last_error.h"

namespace platform::files {
namespace {

class FileSearch final : public LocalObject {
public:
    FileSearch(std::string directory, std::vector<std::string> names)
        : m_directory(std::move(directory)), m_names(std::move(names)) {}

    // Fills the next entry that still exists; false at the end.
    bool Next(WIN32_FIND_DATA& data);

private:
    std::mutex m_mutex;
    std::string m_directory;
    std::vector<std::string> m_names;
    size_t m_next = 0;
};

// Seconds between 1601-01-01 (the device's file time origin) and 1970-01-01.
constexpr std::uint64_t kEpochDifferenceSeconds = 11644473600ull;

FILETIME ToFileTime(const struct timespec& time) {
    const std::uint64_t ticks = (static_cast<std::uint64_t>(time.tv_sec) + kEpochDifferenceSeconds) * 10000000ull +
                                static_cast<std::uint64_t>(time.tv_nsec) / 100u;
    FILETIME result;
    result.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
    result.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return result;
}

bool Describe(const std::string& host_path, const std::string& name, WIN32_FIND_DATA& data) {
    struct stat info {};
    if (::stat(host_path.c_str(), &info) != 0) return false;
    data = WIN32_FIND_DATA{};
    data.dwFileAttributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (!(info.st_mode & S_IWUSR)) data.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
    data.ftCreationTime = ToFileTime(info.st_mtim);
    data.ftLastAccessTime = ToFileTime(info.st_atim);
    data.ftLastWriteTime = ToFileTime(info.st_mtim);
    if (!S_ISDIR(info.st_mode)) {
        const auto size = static_cast<std::uint64_t>(info.st_size);
        data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    }
    data.cFileName = name;
    return true;
}

bool FileSearch::Next(WIN32_FIND_DATA& data) {
    std::lock_guard lock(m_mutex);
    while (m_next < m_names.size()) {
        const std::string& name = m_names[m_next++];
        // A file deleted since the directory was listed is passed over.
        if (Describe(m_directory + "/" + name, name, data)) return true;
    }
    return false;
}

}  // namespace
}  // namespace platform::files

HANDLE FindFirstFile(const std::string& pattern, WIN32_FIND_DATA* find_data) {
    using namespace platform::files;
    if (!find_data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    DWORD error = ERROR_SUCCESS;
    auto resolved = Resolve(pattern, Wildcards::AllowedInLastComponent, error);
    if (!resolved) {
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    if (resolved->is_root || (!pattern.empty() && (pattern.back() == '\\' || pattern.back() == '/'))) {
        // A directory itself is not something a search finds; it needs a pattern inside it.
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (!resolved->parent_exists) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const std::string& wanted = resolved->leaf_as_given;
    std::vector<std::string> names;
    if (!HasWildcards(wanted)) {
        if (resolved->exists) names.push_back(resolved->leaf);
    } else {
        DIR* dir = ::opendir(resolved->parent.c_str());
        if (!dir) {
            SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
            return INVALID_HANDLE_VALUE;
        }
        while (dirent* entry = ::readdir(dir)) {
            std::string_view name(entry->d_name);
            if (name == "." || name == "..") continue;
            if (WildcardMatch(wanted, name)) names.emplace_back(name);
        }
        ::closedir(dir);
        // std::string compares as unsigned bytes, so UTF-8 names sort by code point.
        std::sort(names.begin(), names.end());
    }
    auto search = std::make_shared<FileSearch>(resolved->parent, std::move(names));
    if (!search->Next(*find_data)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    return platform::InsertLocalHandle(std::move(search));
}

BOOL FindNextFile(HANDLE search, WIN32_FIND_DATA* find_data) {
    auto object = platform::LookupLocal<platform::files::FileSearch>(search);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!find_data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!object->Next(*find_data)) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return TRUE;
}

BOOL FindClose(HANDLE search) {
    if (!platform::LookupLocal<platform::files::FileSearch>(search)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return CloseHandle(search);
}
