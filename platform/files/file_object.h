// The program-local object behind a file handle. Internal to platform/files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/kernel/handle_table.h"
#include "platform/removable_media.h"
#include "platform/win32_types.h"

namespace platform::files {

class FileObject final : public LocalObject {
public:
    FileObject(int fd, DWORD access, std::uint64_t share_ticket, std::string host_path)
        : m_fd(fd), m_access(access), m_share_ticket(share_ticket), m_host_path(std::move(host_path)) {}
    ~FileObject() override;
    FileObject(const FileObject&) = delete;
    FileObject& operator=(const FileObject&) = delete;

    int Fd() const { return m_fd; }
    bool CanRead() const;
    bool CanWrite() const;
    const std::string& HostPath() const { return m_host_path; }

    // A file on a removable medium watches the medium's removal stamp, as it was before the
    // file was opened.
    void WatchMedium(std::string stamp_path, RemovalStamp stamp) {
        m_stamp_path = std::move(stamp_path);
        m_stamp = stamp;
    }
    // Whether the file's medium has been removed since the file was opened; once removed, the
    // file stays dead. Sets ERROR_DEVICE_REMOVED when it is.
    bool MediumRemoved();

private:
    int m_fd;
    DWORD m_access;
    std::uint64_t m_share_ticket;  // 0: none taken
    std::string m_host_path;
    std::string m_stamp_path;  // empty: not on a removable medium
    RemovalStamp m_stamp;
    bool m_medium_removed = false;
};

// Opens a device file as CreateFile does, without making a handle. Sets the last error.
std::shared_ptr<FileObject> OpenDeviceFile(const std::string& path, DWORD desired_access, DWORD share_mode,
                                           DWORD creation_disposition, DWORD flags_and_attributes);

// The file object behind a handle; sets ERROR_INVALID_HANDLE and returns null when there is none.
std::shared_ptr<FileObject> FileFromHandle(HANDLE file);

// Asks the sharing table whether any open of the file exists that would keep it from being
// deleted or renamed: ERROR_SUCCESS or ERROR_SHARING_VIOLATION.
DWORD CheckNotInUse(const std::string& host_path);

}  // namespace platform::files
