// Files as the device's programs see them: device paths ("\NAND\MUSIC.EXE") on the device's
// file system under <device root>/fs, looked up ignoring case in every path component;
// created with the caller's spelling. Paths are UTF-8.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32_types.h"

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;

constexpr DWORD FILE_SHARE_READ = 0x00000001u;
constexpr DWORD FILE_SHARE_WRITE = 0x00000002u;

// Creation dispositions.
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x00000001u;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x00000002u;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x00000004u;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010u;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x00000020u;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080u;
// Asks for overlapped I/O: reads and writes take an OVERLAPPED record. This platform
// completes every such operation before the call returns (see ReadFile).
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000u;
// Asks that writes reach the medium before they return. Files of this platform are written
// straight to the host's file system; the flash disk keeps its image safe at its last close.
constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000u;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;

struct FILETIME {
    DWORD dwLowDateTime = 0;
    DWORD dwHighDateTime = 0;
};

// The completion record of an overlapped read, write or serial event wait.
struct OVERLAPPED {
    UINT_PTR Internal = 0;      // 0 when the operation succeeded, else its error code
    UINT_PTR InternalHigh = 0;  // bytes transferred
    DWORD Offset = 0;
    DWORD OffsetHigh = 0;
    HANDLE hEvent = nullptr;    // set when the operation completes, when given
};

struct WIN32_FIND_DATA {
    DWORD dwFileAttributes = 0;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh = 0;
    DWORD nFileSizeLow = 0;
    std::string cFileName;  // the name as stored, UTF-8
};

// CreateFile: INVALID_HANDLE_VALUE on failure, with GetLastError set (ERROR_FILE_NOT_FOUND,
// ERROR_PATH_NOT_FOUND, ERROR_FILE_EXISTS, ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED, ...).
// A file created with a name ending in ".EXE" (any case) is made executable.
HANDLE CreateFile(const std::string& path, DWORD desired_access, DWORD share_mode, DWORD creation_disposition,
                  DWORD flags_and_attributes = FILE_ATTRIBUTE_NORMAL);
// With an OVERLAPPED record the operation still completes before the call returns, as the
// device's own file system and serial driver do: the call returns TRUE, the record holds the
// result (Internal 0, InternalHigh the byte count) and its event, when it has one, is set. A
// file is read and written at its current position; the record's Offset is not used.
// On a serial port ("COM1:") a read returns what has arrived, as its time-outs say, and a
// write sends every byte before it returns (see platform/devices/serial_port.h).
BOOL ReadFile(HANDLE file, void* buffer, DWORD bytes_to_read, DWORD* bytes_read, OVERLAPPED* overlapped = nullptr);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytes_to_write, DWORD* bytes_written,
               OVERLAPPED* overlapped = nullptr);
// The result of an overlapped operation on the handle: TRUE with the byte count, or FALSE with
// the operation's error as the last error. Operations here are never left pending, so `wait`
// changes nothing.
BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* bytes_transferred, BOOL wait);
DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distance_high, DWORD move_method);
DWORD GetFileSize(HANDLE file, DWORD* size_high);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);

BOOL DeleteFile(const std::string& path);
BOOL MoveFile(const std::string& existing_path, const std::string& new_path);
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x00000001u;
// With MOVEFILE_REPLACE_EXISTING an existing file is replaced in one step.
BOOL MoveFileEx(const std::string& existing_path, const std::string& new_path, DWORD flags);
BOOL CopyFile(const std::string& existing_path, const std::string& new_path, BOOL fail_if_exists);
DWORD GetFileAttributes(const std::string& path);
BOOL SetFileAttributes(const std::string& path, DWORD attributes);
BOOL CreateDirectory(const std::string& path);
BOOL RemoveDirectory(const std::string& path);

// Wildcards '*' and '?' in the last component; never lists "." or "..". The matches come in
// the order of their names' bytes (capitals before small letters), the same on every run.
HANDLE FindFirstFile(const std::string& pattern, WIN32_FIND_DATA* find_data);
BOOL FindNextFile(HANDLE search, WIN32_FIND_DATA* find_data);
BOOL FindClose(HANDLE search);

BOOL GetDiskFreeSpaceEx(const std::string& directory, std::uint64_t* free_bytes_available_to_caller,
                        std::uint64_t* total_bytes, std::uint64_t* total_free_bytes);

namespace platform {

// The host path a device path names, resolving every existing component ignoring case.
// Components that do not exist yet keep the caller's spelling. Empty when the path is not a
// device path (it must start with '\' or '/').
std::string HostPathOf(const std::string& device_path);

// Records the result of an operation that was given an OVERLAPPED record (none: nothing to
// do): Internal is 0 or the last error, InternalHigh the bytes transferred, and the record's
// event is set when the operation succeeded. The last error is kept.
void CompleteOverlapped(OVERLAPPED* overlapped, BOOL succeeded, DWORD bytes_transferred);

// The open file behind a file handle's descriptor, for the kernel's file mappings; -1 if the
// handle is not an open file.
int FileDescriptorOf(HANDLE file);

}  // namespace platform
