// Device paths on the host: how "\NAND\MUSIC.EXE" becomes <device root>/fs/NAND/MUSIC.EXE.
// Internal to platform/files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/win32_types.h"

namespace platform::files {

enum class Wildcards { Rejected, AllowedInLastComponent };

// A device path resolved against the device's file system. Every component that exists is
// spelled as stored (found ignoring ASCII case); the first missing component and those after
// it keep the caller's spelling.
struct ResolvedPath {
    std::string host;          // the whole host path
    std::string parent;        // host path of the containing directory (the fs root for "\NAND")
    std::string leaf;          // last component as resolved (stored spelling when it exists)
    std::string leaf_as_given; // last component as the caller spelled it
    bool is_root = false;      // the path names the file system's root itself ("\")
    bool exists = false;       // the whole path exists
    bool parent_exists = false;  // every component but the last exists and the last's parent is a directory
};

// Resolves a device path. On failure returns nothing and error is the device's code:
// ERROR_PATH_NOT_FOUND for a path that is not a device path (it must start with '\' or '/') or
// that leads out of the file system's root through a link, ERROR_INVALID_NAME for ".." or a
// character the device refuses in names.
std::optional<ResolvedPath> Resolve(std::string_view device_path, Wildcards wildcards, DWORD& error);

// The device error code for an errno value.
DWORD ErrorFromErrno(int error_number);

// ENOENT means "file not found" when the containing directory exists, else "path not found".
DWORD MissingError(const ResolvedPath& path);

// Names ending in ".EXE" (any case) are program files and are made executable.
bool IsProgramName(std::string_view name);
// Adds the execute bits wherever the read bits are set (chmod +x, respecting who may read).
void MakeExecutable(int fd);
void MakeExecutable(const std::string& host_path);

// ASCII case-insensitive equality, as the device file system compares names.
bool NamesEqual(std::string_view a, std::string_view b);

}  // namespace platform::files
