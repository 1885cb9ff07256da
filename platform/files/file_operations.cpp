// Calls on files and directories by name: delete, move, copy, attributes, directories, free space.
#include <cerrno>
#include <filesystem>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/files/device_path.h"
#include "platform/files/file_object.h"
#include "platform/files/files.h"
#include "platform/kernel/last_error.h"
#include "platform/device_root.h"
#include "platform/removable_media.h"

using platform::files::ErrorFromErrno;
using platform::files::MissingError;
using platform::files::NamesEqual;
using platform::files::ResolvedPath;
using platform::files::Wildcards;

namespace {

// Resolves a path for a call that names an existing file or directory; sets the last error.
std::optional<ResolvedPath> ResolveExisting(const std::string& path) {
    DWORD error = ERROR_SUCCESS;
    auto resolved = platform::files::Resolve(path, Wildcards::Rejected, error);
    if (!resolved) {
        SetLastError(error);
        return std::nullopt;
    }
    if (!resolved->exists) {
        SetLastError(MissingError(*resolved));
        return std::nullopt;
    }
    return resolved;
}

// Resolves the target of a move or a new directory: its parent must exist.
std::optional<ResolvedPath> ResolveTarget(const std::string& path) {
    DWORD error = ERROR_SUCCESS;
    auto resolved = platform::files::Resolve(path, Wildcards::Rejected, error);
    if (!resolved) {
        SetLastError(error);
        return std::nullopt;
    }
    if (resolved->is_root) {
        SetLastError(ERROR_ACCESS_DENIED);
        return std::nullopt;
    }
    if (!resolved->parent_exists) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    return resolved;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Copies the bytes of one open file into another.
bool CopyBytes(int from, int to) {
    char buffer[64 * 1024];
    for (;;) {
        ssize_t count = ::read(from, buffer, sizeof(buffer));
        if (count < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (count == 0) return true;
        ssize_t done = 0;
        while (done < count) {
            ssize_t written = ::write(to, buffer + done, static_cast<size_t>(count - done));
            if (written < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            done += written;
        }
    }
}

}  // namespace

BOOL DeleteFile(const std::string& path) {
    auto resolved = ResolveExisting(path);
    if (!resolved) return FALSE;
    struct stat info {};
    if (::lstat(resolved->host.c_str(), &info) != 0) {
        SetLastError(errno == ENOENT ? MissingError(*resolved) : ErrorFromErrno(errno));
        return FALSE;
    }
    if (S_ISDIR(info.st_mode) || resolved->is_root || (!S_ISLNK(info.st_mode) && !(info.st_mode & S_IWUSR))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (DWORD in_use = platform::files::CheckNotInUse(resolved->host); in_use != ERROR_SUCCESS) {
        SetLastError(in_use);
        return FALSE;
    }
    if (::unlink(resolved->host.c_str()) != 0) {
        SetLastError(errno == ENOENT ? MissingError(*resolved) : ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL MoveFile(const std::string& existing_path, const std::string& new_path) {
    return MoveFileEx(existing_path, new_path, 0);
}

BOOL MoveFileEx(const std::string& existing_path, const std::string& new_path, DWORD flags) {
    auto source = ResolveExisting(existing_path);
    if (!source) return FALSE;
    if (source->is_root) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    auto target = ResolveTarget(new_path);
    if (!target) return FALSE;
    struct stat source_info {};
    if (::lstat(source->host.c_str(), &source_info) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    // The target takes the caller's spelling, so a move can change only the case of a name.
    std::string target_host = target->parent + "/" + target->leaf_as_given;
    if (target->exists) {
        struct stat target_info {};
        const bool found = ::lstat(target->host.c_str(), &target_info) == 0;
        // Replacing swaps the file in one step: a program that has the old one open keeps
        // reading it whole, and a new open sees only the new one.
        const bool replace = (flags & MOVEFILE_REPLACE_EXISTING) && found && !S_ISDIR(target_info.st_mode) &&
                             !S_ISDIR(source_info.st_mode);
        if (!found || (!replace && !SameFile(source_info, target_info))) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return FALSE;
        }
        if (replace) target_host = target->host;
    }
    if (!S_ISDIR(source_info.st_mode)) {
        if (DWORD in_use = platform::files::CheckNotInUse(source->host); in_use != ERROR_SUCCESS) {
            SetLastError(in_use);
            return FALSE;
        }
    }
    if (::rename(source->host.c_str(), target_host.c_str()) != 0) {
        if (errno != EXDEV || S_ISDIR(source_info.st_mode)) {
            SetLastError(ErrorFromErrno(errno));
            return FALSE;
        }
        // Another volume: a file moves as a copy followed by a delete, as on the device.
        if (!CopyFile(existing_path, new_path, TRUE)) return FALSE;
        if (::unlink(source->host.c_str()) != 0) {
            SetLastError(ErrorFromErrno(errno));
            return FALSE;
        }
        return TRUE;
    }
    if (platform::files::IsProgramName(target->leaf_as_given)) platform::files::MakeExecutable(target_host);
    return TRUE;
}

BOOL CopyFile(const std::string& existing_path, const std::string& new_path, BOOL fail_if_exists) {
    auto source = platform::files::OpenDeviceFile(existing_path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                                  FILE_ATTRIBUTE_NORMAL);
    if (!source) return FALSE;
    struct stat source_info {};
    if (::fstat(source->Fd(), &source_info) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    auto target = platform::files::OpenDeviceFile(new_path, GENERIC_WRITE, 0, fail_if_exists ? CREATE_NEW : CREATE_ALWAYS,
                                                  FILE_ATTRIBUTE_NORMAL);
    if (!target) {
        // Copying a file onto itself meets its own open of the source.
        return FALSE;
    }
    if (!CopyBytes(source->Fd(), target->Fd())) {
        SetLastError(errno == ENOSPC ? ERROR_DISK_FULL : ErrorFromErrno(errno));
        return FALSE;
    }
    // The copy keeps the source's attributes and last write time.
    mode_t mode = source_info.st_mode & 07777;
    if (platform::files::IsProgramName(target->HostPath())) mode |= (mode & 0444) >> 2;
    ::fchmod(target->Fd(), mode);
    const struct timespec times[2] = {source_info.st_atim, source_info.st_mtim};
    ::futimens(target->Fd(), times);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

DWORD GetFileAttributes(const std::string& path) {
    auto resolved = ResolveExisting(path);
    if (!resolved) return INVALID_FILE_ATTRIBUTES;
    struct stat info {};
    if (::stat(resolved->host.c_str(), &info) != 0) {
        SetLastError(errno == ENOENT ? MissingError(*resolved) : ErrorFromErrno(errno));
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (!(info.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

BOOL SetFileAttributes(const std::string& path, DWORD attributes) {
    auto resolved = ResolveExisting(path);
    if (!resolved) return FALSE;
    struct stat info {};
    if (::stat(resolved->host.c_str(), &info) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    // Only the read-only attribute has a place on the host: the write bits. Hidden, system and
    // archive are accepted and not kept.
    mode_t mode = info.st_mode & 07777;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    } else {
        mode |= S_IWUSR;
    }
    if (::chmod(resolved->host.c_str(), mode) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL CreateDirectory(const std::string& path) {
    auto target = ResolveTarget(path);
    if (!target) return FALSE;
    if (target->exists) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (::mkdir(target->host.c_str(), 0777) != 0) {
        SetLastError(errno == EEXIST ? ERROR_ALREADY_EXISTS : ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL RemoveDirectory(const std::string& path) {
    auto resolved = ResolveExisting(path);
    if (!resolved) return FALSE;
    if (resolved->is_root) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    struct stat info {};
    if (::lstat(resolved->host.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_PATH_NOT_FOUND);  // not a directory
        return FALSE;
    }
    if (::rmdir(resolved->host.c_str()) != 0) {
        SetLastError(errno == EEXIST ? ERROR_DIR_NOT_EMPTY : ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

namespace {

// The storage card's folder when the host path lies on the card; empty otherwise.
std::filesystem::path StorageCardFolderOf(const std::string& host_path) {
    const std::filesystem::path relative = std::filesystem::path(host_path).lexically_relative(platform::DeviceFsDir());
    if (relative.empty() || *relative.begin() == "..") return {};
    if (!NamesEqual(relative.begin()->string(), platform::MediumFolderName(platform::RemovableMedium::StorageCard)))
        return {};
    return platform::DeviceFsDir() / *relative.begin();
}

// What the card's files take: the sum of their sizes, every folder walked, links not followed.
std::uint64_t BytesOfFiles(const std::filesystem::path& folder) {
    std::uint64_t total = 0;
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code entry_error;
        if (it->is_regular_file(entry_error) && !it->is_symlink(entry_error)) {
            const auto size = it->file_size(entry_error);
            if (!entry_error) total += size;
        }
    }
    return total;
}

}  // namespace

BOOL GetDiskFreeSpaceEx(const std::string& directory, std::uint64_t* free_bytes_available_to_caller,
                        std::uint64_t* total_bytes, std::uint64_t* total_free_bytes) {
    auto resolved = ResolveExisting(directory.empty() ? std::string("\\") : directory);
    if (!resolved) return FALSE;
    // A card of the size device.conf gives ("storage_card_size", bytes): its room less what its
    // files take, whatever the host's disk holds.
    const long card_size = platform::Config().GetInt("storage_card_size", 0);
    if (card_size > 0) {
        const std::filesystem::path card = StorageCardFolderOf(resolved->host);
        if (!card.empty()) {
            const auto total = static_cast<std::uint64_t>(card_size);
            const std::uint64_t used = BytesOfFiles(card);
            const std::uint64_t free = used < total ? total - used : 0;
            if (free_bytes_available_to_caller) *free_bytes_available_to_caller = free;
            if (total_bytes) *total_bytes = total;
            if (total_free_bytes) *total_free_bytes = free;
            return TRUE;
        }
    }
    struct statvfs info {};
    if (::statvfs(resolved->host.c_str(), &info) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    const std::uint64_t unit = info.f_frsize ? info.f_frsize : info.f_bsize;
    if (free_bytes_available_to_caller) *free_bytes_available_to_caller = static_cast<std::uint64_t>(info.f_bavail) * unit;
    if (total_bytes) *total_bytes = static_cast<std::uint64_t>(info.f_blocks) * unit;
    if (total_free_bytes) *total_free_bytes = static_cast<std::uint64_t>(info.f_bfree) * unit;
    return TRUE;
}

namespace platform {

std::string HostPathOf(const std::string& device_path) {
    DWORD error = ERROR_SUCCESS;
    auto resolved = files::Resolve(device_path, files::Wildcards::Rejected, error);
    return resolved ? resolved->host : std::string();
}

}  // namespace platform
