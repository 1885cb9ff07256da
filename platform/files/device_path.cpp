#include "platform/files/device_path.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/device_root.h"

namespace platform::files {
namespace {

char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Characters the device refuses in a file name; '*' and '?' are search wildcards.
bool IsForbiddenInName(unsigned char c, Wildcards wildcards) {
    if (c < 0x20) return true;
    switch (c) {
        case '<': case '>': case ':': case '"': case '|':
            return true;
        case '*': case '?':
            return wildcards == Wildcards::Rejected;
        default:
            return false;
    }
}

// The names of big folders, folded to upper case, kept between lookups: a list of 10,000 songs
// with some gone would otherwise read its folder of 10,000 names once for each gone one. A
// listing is used only while the folder's inode, change times and size are as they were when it
// was read, and it is kept only when the folder had not changed for a while before the reading,
// so that a change in the same tick of the file system's clock cannot hide behind equal times.
class FolderListings {
public:
    static constexpr std::size_t kLeastNames = 256;  // smaller folders are simply read again
    static constexpr std::size_t kFolders = 8;

    // The stored spelling of name in the folder: true when the listing answered (found holds the
    // answer), false when the folder must be read.
    bool Find(const std::string& directory, const struct stat& folder, const std::string& name, std::string& stored,
              bool& found) {
        std::lock_guard lock(m_mutex);
        for (Listing& listing : m_listings) {
            if (listing.directory != directory) continue;
            if (!Same(listing, folder)) {
                listing.directory.clear();
                return false;
            }
            const auto hit = listing.names.find(Folded(name));
            found = hit != listing.names.end();
            if (found) stored = hit->second;
            return true;
        }
        return false;
    }

    void Keep(const std::string& directory, const struct stat& folder,
              std::unordered_map<std::string, std::string> names) {
        if (names.size() < kLeastNames) return;
        timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        const auto nanoseconds = [](const timespec& t) { return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec; };
        if (nanoseconds(now) - std::max(nanoseconds(folder.st_mtim), nanoseconds(folder.st_ctim)) < kSettledNs) return;
        std::lock_guard lock(m_mutex);
        Listing& slot = m_listings[m_next++ % kFolders];
        slot = Listing{directory, folder.st_ino, folder.st_mtim, folder.st_ctim, folder.st_size, std::move(names)};
    }

    static std::string Folded(std::string_view name) {
        std::string folded(name);
        for (char& c : folded) c = FoldCase(c);
        return folded;
    }

private:
    static constexpr long long kSettledNs = 50'000'000;  // 50 ms: far above the file system's tick
    struct Listing {
        std::string directory;
        ino_t inode = 0;
        timespec modified {};
        timespec changed {};
        off_t size = 0;
        std::unordered_map<std::string, std::string> names;  // folded name -> stored name
    };
    static bool Same(const Listing& listing, const struct stat& folder) {
        return listing.inode == folder.st_ino && listing.size == folder.st_size &&
               listing.modified.tv_sec == folder.st_mtim.tv_sec && listing.modified.tv_nsec == folder.st_mtim.tv_nsec &&
               listing.changed.tv_sec == folder.st_ctim.tv_sec && listing.changed.tv_nsec == folder.st_ctim.tv_nsec;
    }

    std::mutex m_mutex;
    std::array<Listing, kFolders> m_listings;
    std::size_t m_next = 0;
};

FolderListings& Listings() {
    static FolderListings listings;
    return listings;
}

// Looks a name up in a directory ignoring case. The caller's exact spelling is tried first (one
// lstat); only when it is missing is the directory scanned (or its kept listing looked at).
enum class Lookup { Found, Missing, NotADirectory };
Lookup FindComponent(const std::string& directory, const std::string& name, std::string& stored, bool& is_link,
                     bool& is_directory) {
    struct stat info {};
    std::string candidate = directory + "/" + name;
    if (::lstat(candidate.c_str(), &info) == 0) {
        stored = name;
    } else if (errno == ENOTDIR) {
        return Lookup::NotADirectory;
    } else {
        struct stat folder {};
        if (::stat(directory.c_str(), &folder) != 0) return errno == ENOTDIR ? Lookup::NotADirectory : Lookup::Missing;
        if (!S_ISDIR(folder.st_mode)) return Lookup::NotADirectory;
        bool found = false;
        if (!Listings().Find(directory, folder, name, stored, found)) {
            DIR* dir = ::opendir(directory.c_str());
            if (!dir) return errno == ENOTDIR ? Lookup::NotADirectory : Lookup::Missing;
            std::unordered_map<std::string, std::string> names;
            const std::string wanted = FolderListings::Folded(name);
            while (dirent* entry = ::readdir(dir)) {
                std::string_view entry_name(entry->d_name);
                if (entry_name == "." || entry_name == "..") continue;
                std::string folded = FolderListings::Folded(entry_name);
                if (!found && folded == wanted) {
                    stored.assign(entry_name);
                    found = true;
                }
                names.emplace(std::move(folded), std::string(entry_name));
            }
            ::closedir(dir);
            Listings().Keep(directory, folder, std::move(names));
        }
        if (!found) return Lookup::Missing;
        candidate = directory + "/" + stored;
        if (::lstat(candidate.c_str(), &info) != 0) return Lookup::Missing;  // vanished meanwhile
    }
    is_link = S_ISLNK(info.st_mode);
    if (is_link) {
        struct stat target {};
        is_directory = ::stat(candidate.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
    } else {
        is_directory = S_ISDIR(info.st_mode);
    }
    return Lookup::Found;
}

// A link inside the device's file system may point anywhere on the host; what it reaches must
// stay below the file system's root.
bool StaysInside(const std::string& root, const std::string& existing_prefix) {
    char resolved_root[PATH_MAX];
    char resolved_prefix[PATH_MAX];
    if (!::realpath(root.c_str(), resolved_root)) return false;
    if (!::realpath(existing_prefix.c_str(), resolved_prefix)) return false;
    std::string_view base(resolved_root);
    std::string_view path(resolved_prefix);
    if (path.substr(0, base.size()) != base) return false;
    return path.size() == base.size() || path[base.size()] == '/' || base == "/";
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

std::optional<ResolvedPath> Resolve(std::string_view device_path, Wildcards wildcards, DWORD& error) {
    if (device_path.empty() || !IsSeparator(device_path.front())) {
        error = ERROR_PATH_NOT_FOUND;
        return std::nullopt;
    }
    std::vector<std::string> components;
    size_t start = 0;
    while (start <= device_path.size()) {
        size_t end = start;
        while (end < device_path.size() && !IsSeparator(device_path[end])) ++end;
        std::string_view component = device_path.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == ".") continue;
        if (component == "..") {
            error = ERROR_INVALID_NAME;
            return std::nullopt;
        }
        components.emplace_back(component);
    }
    for (size_t i = 0; i < components.size(); ++i) {
        const bool last = i + 1 == components.size();
        for (unsigned char c : components[i]) {
            if (IsForbiddenInName(c, last ? wildcards : Wildcards::Rejected)) {
                error = ERROR_INVALID_NAME;
                return std::nullopt;
            }
        }
    }

    const std::string root = DeviceFsDir().string();
    ResolvedPath result;
    if (components.empty()) {
        result.host = result.parent = root;
        result.is_root = true;
        struct stat info {};
        result.exists = result.parent_exists = ::stat(root.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        return result;
    }

    std::string current = root;
    std::string existing_prefix = root;
    bool current_exists = true;      // `current` exists
    bool current_is_directory = true;
    bool passed_link = false;
    {
        struct stat info {};
        current_exists = ::stat(root.c_str(), &info) == 0;
        current_is_directory = current_exists && S_ISDIR(info.st_mode);
    }
    for (size_t i = 0; i < components.size(); ++i) {
        const bool last = i + 1 == components.size();
        std::string stored = components[i];
        bool found = false;
        bool is_link = false;
        bool is_directory = false;
        if (current_exists && current_is_directory) {
            found = FindComponent(current, components[i], stored, is_link, is_directory) == Lookup::Found;
        }
        if (last) {
            result.parent = current;
            result.parent_exists = current_exists && current_is_directory;
            result.leaf = stored;
            result.leaf_as_given = components[i];
        }
        current += "/" + stored;
        if (found) {
            existing_prefix = current;
            passed_link = passed_link || is_link;
        }
        current_exists = found;
        current_is_directory = found && is_directory;
    }
    result.host = current;
    result.exists = current_exists;

    if (passed_link && !StaysInside(root, existing_prefix)) {
        error = ERROR_PATH_NOT_FOUND;
        return std::nullopt;
    }
    return result;
}

DWORD ErrorFromErrno(int error_number) {
    switch (error_number) {
        case 0: return ERROR_SUCCESS;
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
            return ERROR_ACCESS_DENIED;
        case EEXIST: return ERROR_FILE_EXISTS;
        case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return ERROR_DISK_FULL;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        case ENAMETOOLONG:
        case ELOOP:
            return ERROR_INVALID_NAME;
        case EBADF: return ERROR_INVALID_HANDLE;
        case EINVAL: return ERROR_INVALID_PARAMETER;
        case EBUSY: return ERROR_SHARING_VIOLATION;
        case ENOTSUP: return ERROR_NOT_SUPPORTED;
        default: return ERROR_GEN_FAILURE;
    }
}

DWORD MissingError(const ResolvedPath& path) {
    return path.parent_exists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

bool IsProgramName(std::string_view name) {
    return name.size() >= 4 && NamesEqual(name.substr(name.size() - 4), ".EXE");
}

namespace {
mode_t WithExecuteBits(mode_t mode) { return (mode & 07777) | ((mode & 0444) >> 2); }
}  // namespace

void MakeExecutable(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) ::fchmod(fd, WithExecuteBits(info.st_mode));
}

void MakeExecutable(const std::string& host_path) {
    struct stat info {};
    if (::stat(host_path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        ::chmod(host_path.c_str(), WithExecuteBits(info.st_mode));
}

}  // namespace platform::files
