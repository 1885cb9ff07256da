#include "platform/removable_media.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "platform/files/device_path.h"

namespace platform {
namespace fs = std::filesystem;
namespace {

// The medium's folder in the file system as it is spelled there; empty when there is none.
fs::path FindInserted(const fs::path& fs_dir, std::string_view name)
{
    std::error_code ec;
    for (fs::directory_iterator entry(fs_dir, ec), end; !ec && entry != end; entry.increment(ec)) {
        std::error_code type_error;
        if (files::NamesEqual(entry->path().filename().string(), name) && entry->is_directory(type_error))
            return entry->path();
    }
    return {};
}

// Counts one more removal in the medium's stamp: the count read from the old stamp plus one,
// written to a file beside it, synced and renamed over it, so that the stamp is always whole
// and always another file (another inode) after a removal.
bool ReplaceRemovalStamp(const fs::path& stamp, std::string& error)
{
    std::error_code ec;
    fs::create_directories(stamp.parent_path(), ec);
    unsigned long long count = 0;
    if (FILE* in = std::fopen(stamp.c_str(), "r")) {
        if (std::fscanf(in, "%llu", &count) != 1) count = 0;
        std::fclose(in);
    }
    const std::string text = std::to_string(count + 1) + "\n";
    const fs::path temporary = stamp.string() + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool written = fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    written = written && ::rename(temporary.c_str(), stamp.c_str()) == 0;
    if (!written) {
        error = "cannot record the removal in " + stamp.string() + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
    }
    return written;
}

}  // namespace

fs::path RemovalStampPath(const fs::path& root, RemovableMedium medium)
{
    return root / "state" / "removals" / MediumFolderName(medium);
}

RemovalStamp ReadRemovalStamp(const fs::path& stamp_path)
{
    struct stat info {};
    RemovalStamp stamp;
    if (::stat(stamp_path.c_str(), &info) != 0) return stamp;
    stamp.exists = true;
    stamp.inode = static_cast<std::uint64_t>(info.st_ino);
    stamp.change_seconds = info.st_ctim.tv_sec;
    stamp.change_nanoseconds = info.st_ctim.tv_nsec;
    return stamp;
}

const char* MediumFolderName(RemovableMedium medium)
{
    return medium == RemovableMedium::UsbDrive ? "USB DRIVE" : "STORAGE CARD";
}

bool MediumInserted(const fs::path& root, RemovableMedium medium)
{
    return !FindInserted(root / "fs", MediumFolderName(medium)).empty();
}

MediumChange SetMediumInserted(const fs::path& root, RemovableMedium medium, bool inserted, std::string& error)
{
    const std::string name = MediumFolderName(medium);
    const fs::path fs_dir = root / "fs";
    const fs::path kept = root / "state" / "removed" / name;
    const fs::path slot = FindInserted(fs_dir, name);
    // Only the error_code forms: the server moves media too, and must not end on an exception.
    std::error_code ec;
    if (inserted) {
        if (!slot.empty()) return MediumChange::Unchanged;
        if (fs::is_directory(kept, ec)) fs::rename(kept, fs_dir / name, ec);
        else fs::create_directories(fs_dir / name, ec);
    } else {
        if (slot.empty()) {
            error = "no " + name + " is inserted";
            return MediumChange::NotInserted;
        }
        fs::remove_all(kept, ec);
        if (!ec) fs::create_directories(kept.parent_path(), ec);
        if (!ec) fs::rename(slot, kept, ec);
        // The stamp changes after the folder has gone: a file opened before that sees the old
        // stamp and is dead; none can be opened on the medium after it.
        if (!ec && !ReplaceRemovalStamp(RemovalStampPath(root, medium), error)) return MediumChange::Failed;
    }
    if (ec) {
        error = std::string("cannot ") + (inserted ? "insert" : "remove") + " the " + name + ": " + ec.message();
        return MediumChange::Failed;
    }
    return MediumChange::Changed;
}

}  // namespace platform
