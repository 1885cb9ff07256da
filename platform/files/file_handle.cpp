// CreateFile and the calls on an open file handle.
#include <cerrno>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/device_path.h"
#include "platform/files/file_object.h"
#include "platform/devices/serial_port.h"
#include "platform/devices/stream_device.h"
#include "platform/files/files.h"
#include "platform/kernel/file_share.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/last_error.h"
#include "platform/device_root.h"

namespace platform::files {

FileObject::~FileObject() {
    if (m_fd >= 0) ::close(m_fd);
    if (m_share_ticket != 0) ReleaseFileShare(m_share_ticket);
}

bool FileObject::MediumRemoved() {
    if (!m_medium_removed && !m_stamp_path.empty()) m_medium_removed = !(ReadRemovalStamp(m_stamp_path) == m_stamp);
    if (m_medium_removed) SetLastError(ERROR_DEVICE_REMOVED);
    return m_medium_removed;
}

bool FileObject::CanRead() const { return (m_access & GENERIC_READ) != 0; }
bool FileObject::CanWrite() const { return (m_access & GENERIC_WRITE) != 0; }

std::shared_ptr<FileObject> FileFromHandle(HANDLE file) {
    auto object = LookupLocal<FileObject>(file);
    if (!object) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

DWORD CheckNotInUse(const std::string& host_path) {
    struct stat info {};
    if (::stat(host_path.c_str(), &info) != 0) return ERROR_SUCCESS;
    // An open asking for everything while sharing nothing conflicts with every open that reads
    // or writes, which is what keeps a file from being deleted or renamed on the device.
    std::uint64_t ticket = 0;
    DWORD result = AcquireFileShare(static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
                                    GENERIC_READ | GENERIC_WRITE, 0, ticket);
    if (result == ERROR_SUCCESS) ReleaseFileShare(ticket);
    return result;
}

namespace {

// The removal stamp of the removable medium a host path lies on; empty when it lies on none.
std::string MediumStampOf(const std::string& host_path) {
    const std::filesystem::path relative = std::filesystem::path(host_path).lexically_relative(DeviceFsDir());
    if (relative.empty() || *relative.begin() == "..") return {};
    const std::string top = relative.begin()->string();
    for (auto medium : {RemovableMedium::StorageCard, RemovableMedium::UsbDrive})
        if (NamesEqual(top, MediumFolderName(medium))) return RemovalStampPath(DeviceRootDir(), medium).string();
    return {};
}

bool IsReadOnlyMode(mode_t mode) { return (mode & S_IWUSR) == 0; }

int OpenNoIntr(const char* path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

std::shared_ptr<FileObject> OpenDeviceFile(const std::string& path, DWORD desired_access, DWORD share_mode,
                                           DWORD creation_disposition, DWORD flags_and_attributes) {
    if (creation_disposition < CREATE_NEW || creation_disposition > TRUNCATE_EXISTING ||
        (creation_disposition == TRUNCATE_EXISTING && !(desired_access & GENERIC_WRITE))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    DWORD error = ERROR_SUCCESS;
    auto resolved = Resolve(path, Wildcards::Rejected, error);
    if (!resolved) {
        SetLastError(error);
        return nullptr;
    }
    if (resolved->is_root) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (!resolved->parent_exists) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return nullptr;
    }

    // The stamp is taken before the open: a removal that comes between the two leaves the file
    // dead rather than alive on a medium that has gone.
    const std::string stamp_path = MediumStampOf(resolved->host);
    const RemovalStamp stamp = stamp_path.empty() ? RemovalStamp{} : ReadRemovalStamp(stamp_path);

    const bool want_write = (desired_access & GENERIC_WRITE) != 0;
    const bool want_read = (desired_access & GENERIC_READ) != 0;
    int access_flags = want_write ? (want_read ? O_RDWR : O_WRONLY) : O_RDONLY;
    const int base_flags = access_flags | O_CLOEXEC | O_NOCTTY;

    // A file that exists is opened under the name it is stored with; a new one takes the caller's
    // spelling (Resolve keeps it for the missing last component).
    int fd = -1;
    bool existed = false;
    bool created = false;
    for (int attempt = 0; attempt < 3 && fd < 0; ++attempt) {
        struct stat info {};
        existed = ::stat(resolved->host.c_str(), &info) == 0;
        if (existed) {
            if (S_ISDIR(info.st_mode)) {
                SetLastError(ERROR_ACCESS_DENIED);
                return nullptr;
            }
            if (creation_disposition == CREATE_NEW) {
                SetLastError(ERROR_FILE_EXISTS);
                return nullptr;
            }
            // The device honours the read-only attribute even for its most privileged programs.
            const bool will_write = want_write || creation_disposition == CREATE_ALWAYS;
            if (will_write && IsReadOnlyMode(info.st_mode)) {
                SetLastError(ERROR_ACCESS_DENIED);
                return nullptr;
            }
            fd = OpenNoIntr(resolved->host.c_str(), base_flags, 0);
            if (fd < 0 && errno == ENOENT) continue;  // removed meanwhile: look again
        } else {
            if (creation_disposition == OPEN_EXISTING || creation_disposition == TRUNCATE_EXISTING) {
                SetLastError(ERROR_FILE_NOT_FOUND);
                return nullptr;
            }
            fd = OpenNoIntr(resolved->host.c_str(), base_flags | O_CREAT | O_EXCL, 0666);
            if (fd < 0 && errno == EEXIST && creation_disposition != CREATE_NEW) continue;  // raced: open it
            created = fd >= 0;
        }
        if (fd < 0) {
            SetLastError(errno == ENOENT ? MissingError(*resolved) : ErrorFromErrno(errno));
            return nullptr;
        }
    }
    if (fd < 0) {  // the name kept appearing and vanishing under us
        SetLastError(ERROR_GEN_FAILURE);
        return nullptr;
    }

    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        SetLastError(ErrorFromErrno(errno));
        ::close(fd);
        return nullptr;
    }
    // An open that neither reads nor writes (for size or attributes) takes no part in sharing.
    std::uint64_t ticket = 0;
    const DWORD data_access = desired_access & (GENERIC_READ | GENERIC_WRITE);
    DWORD share_result = ERROR_SUCCESS;
    if (data_access != 0) {
        share_result = AcquireFileShare(static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
                                        data_access, share_mode & (FILE_SHARE_READ | FILE_SHARE_WRITE), ticket);
    }
    if (share_result != ERROR_SUCCESS) {
        ::close(fd);
        SetLastError(share_result);
        return nullptr;
    }
    auto object = std::make_shared<FileObject>(fd, desired_access, ticket, resolved->host);
    if (!stamp_path.empty()) object->WatchMedium(stamp_path, stamp);

    // Truncation comes after the sharing check, so a refused open leaves the file untouched.
    const bool truncate = existed && (creation_disposition == CREATE_ALWAYS || creation_disposition == TRUNCATE_EXISTING);
    if (truncate && ::ftruncate(fd, 0) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return nullptr;
    }
    if (created && (flags_and_attributes & FILE_ATTRIBUTE_READONLY)) {
        // The new file is read-only for later opens; this handle keeps its write access.
        ::fchmod(fd, info.st_mode & 07777 & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH));
    }
    if ((created || truncate) && IsProgramName(resolved->leaf)) MakeExecutable(fd);

    const bool reports_existing = existed && (creation_disposition == CREATE_ALWAYS || creation_disposition == OPEN_ALWAYS);
    SetLastError(reports_existing ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return object;
}

}  // namespace platform::files

using platform::files::FileFromHandle;
using platform::files::ErrorFromErrno;

HANDLE CreateFile(const std::string& path, DWORD desired_access, DWORD share_mode, DWORD creation_disposition,
                  DWORD flags_and_attributes) {
    // "COM1:": a serial port, driven by this program itself.
    if (platform::IsSerialPortName(path)) return platform::OpenSerialPort(path, desired_access, creation_disposition);
    // "BKL1:", "FMM0:": a stream driver of the board, not a file.
    if (platform::IsStreamDeviceName(path)) return platform::OpenStreamDevice(path, desired_access, creation_disposition);
    auto object = platform::files::OpenDeviceFile(path, desired_access, share_mode, creation_disposition,
                                                  flags_and_attributes);
    if (!object) return INVALID_HANDLE_VALUE;
    const DWORD error = GetLastError();  // ERROR_ALREADY_EXISTS stays visible to the caller
    HANDLE handle = platform::InsertLocalHandle(std::move(object));
    SetLastError(error);
    return handle;
}

namespace {

BOOL ReadOpenFile(HANDLE file, void* buffer, DWORD bytes_to_read, DWORD* bytes_read) {
    if (bytes_read) *bytes_read = 0;
    auto object = FileFromHandle(file);
    if (!object || object->MediumRemoved()) return FALSE;
    if (!object->CanRead()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (bytes_to_read > 0 && !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* out = static_cast<char*>(buffer);
    DWORD total = 0;
    while (total < bytes_to_read) {
        ssize_t count = ::read(object->Fd(), out + total, bytes_to_read - total);
        if (count < 0) {
            if (errno == EINTR) continue;
            if (bytes_read) *bytes_read = total;
            SetLastError(errno == EIO ? ERROR_READ_FAULT : ErrorFromErrno(errno));
            return FALSE;
        }
        if (count == 0) break;  // end of file: success with fewer bytes
        total += static_cast<DWORD>(count);
    }
    if (bytes_read) *bytes_read = total;
    return TRUE;
}

BOOL WriteOpenFile(HANDLE file, const void* buffer, DWORD bytes_to_write, DWORD* bytes_written) {
    if (bytes_written) *bytes_written = 0;
    auto object = FileFromHandle(file);
    if (!object || object->MediumRemoved()) return FALSE;
    if (!object->CanWrite()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (bytes_to_write > 0 && !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto* in = static_cast<const char*>(buffer);
    DWORD total = 0;
    while (total < bytes_to_write) {
        ssize_t count = ::write(object->Fd(), in + total, bytes_to_write - total);
        if (count < 0) {
            if (errno == EINTR) continue;
            if (bytes_written) *bytes_written = total;
            SetLastError(errno == EIO ? ERROR_WRITE_FAULT : ErrorFromErrno(errno));
            return FALSE;
        }
        total += static_cast<DWORD>(count);
    }
    if (bytes_written) *bytes_written = total;
    return TRUE;
}

}  // namespace

BOOL ReadFile(HANDLE file, void* buffer, DWORD bytes_to_read, DWORD* bytes_read, OVERLAPPED* overlapped) {
    DWORD done = 0;
    const BOOL ok = platform::IsSerialPortHandle(file)
                        ? platform::ReadSerialPort(file, buffer, bytes_to_read, &done)
                        : ReadOpenFile(file, buffer, bytes_to_read, &done);
    if (bytes_read) *bytes_read = done;
    platform::CompleteOverlapped(overlapped, ok, done);
    return ok;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytes_to_write, DWORD* bytes_written, OVERLAPPED* overlapped) {
    DWORD done = 0;
    const BOOL ok = platform::IsSerialPortHandle(file)
                        ? platform::WriteSerialPort(file, buffer, bytes_to_write, &done)
                        : WriteOpenFile(file, buffer, bytes_to_write, &done);
    if (bytes_written) *bytes_written = done;
    platform::CompleteOverlapped(overlapped, ok, done);
    return ok;
}

BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* bytes_transferred, BOOL) {
    if (bytes_transferred) *bytes_transferred = 0;
    if (!platform::IsLocalHandle(file) || !platform::LookupLocalHandle(file)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!overlapped) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (bytes_transferred) *bytes_transferred = static_cast<DWORD>(overlapped->InternalHigh);
    if (overlapped->Internal != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(overlapped->Internal));
        return FALSE;
    }
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distance_high, DWORD move_method) {
    auto object = FileFromHandle(file);
    if (!object || object->MediumRemoved()) return INVALID_SET_FILE_POINTER;
    // Without a high part the distance is a signed 32-bit value; with one, the two form a signed
    // 64-bit distance.
    std::int64_t move = distance;
    if (distance_high) {
        move = static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distance_high)) << 32) |
                                         static_cast<std::uint32_t>(distance));
    }
    std::int64_t base = 0;
    switch (move_method) {
        case FILE_BEGIN:
            break;
        case FILE_CURRENT: {
            off_t current = ::lseek(object->Fd(), 0, SEEK_CUR);
            if (current < 0) {
                SetLastError(ErrorFromErrno(errno));
                return INVALID_SET_FILE_POINTER;
            }
            base = current;
            break;
        }
        case FILE_END: {
            struct stat info {};
            if (::fstat(object->Fd(), &info) != 0) {
                SetLastError(ErrorFromErrno(errno));
                return INVALID_SET_FILE_POINTER;
            }
            base = info.st_size;
            break;
        }
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_SET_FILE_POINTER;
    }
    // A move before the start of the file fails and leaves the position where it was.
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, move, &target) || target < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    if (!distance_high && target > static_cast<std::int64_t>(0xFFFFFFFEu)) {
        // The position would not be representable in the 32-bit result.
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (::lseek(object->Fd(), static_cast<off_t>(target), SEEK_SET) < 0) {
        SetLastError(ErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (distance_high) *distance_high = static_cast<LONG>(static_cast<std::uint64_t>(target) >> 32);
    // A result of 0xFFFFFFFF is a valid low part when a high part is asked for; the caller tells
    // it from a failure by the last error.
    SetLastError(NO_ERROR);
    return static_cast<DWORD>(static_cast<std::uint64_t>(target) & 0xFFFFFFFFu);
}

DWORD GetFileSize(HANDLE file, DWORD* size_high) {
    auto object = FileFromHandle(file);
    if (!object) return INVALID_FILE_SIZE;
    struct stat info {};
    if (::fstat(object->Fd(), &info) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return INVALID_FILE_SIZE;
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size_high) *size_high = static_cast<DWORD>(size >> 32);
    SetLastError(NO_ERROR);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL SetEndOfFile(HANDLE file) {
    auto object = FileFromHandle(file);
    if (!object || object->MediumRemoved()) return FALSE;
    if (!object->CanWrite()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    off_t current = ::lseek(object->Fd(), 0, SEEK_CUR);
    if (current < 0 || ::ftruncate(object->Fd(), current) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
    auto object = FileFromHandle(file);
    if (!object || object->MediumRemoved()) return FALSE;
    if (!object->CanWrite()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::fsync(object->Fd()) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

namespace platform {

void CompleteOverlapped(OVERLAPPED* overlapped, BOOL succeeded, DWORD bytes_transferred) {
    if (!overlapped) return;
    const DWORD error = GetLastError();
    overlapped->Internal = succeeded ? ERROR_SUCCESS : (error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE);
    overlapped->InternalHigh = bytes_transferred;
    if (succeeded && overlapped->hEvent) SetEvent(overlapped->hEvent);
    SetLastError(error);
}

int FileDescriptorOf(HANDLE file) {
    auto object = LookupLocal<files::FileObject>(file);
    return object ? object->Fd() : -1;
}

}  // namespace platform
