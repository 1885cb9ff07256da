// Sharing of open files between programs, as the device enforces it: an open that asks for
// access another open's share mode does not grant (or grants less sharing than another open
// already uses) fails with ERROR_SHARING_VIOLATION. The device server keeps the table of
// opens, so programs see each other's opens; each open is identified by a ticket.
#pragma once

#include <cstdint>

#include "platform/win32_types.h"

namespace platform {

// Whether a new open (access, share) may join an existing open of the same file: it must not
// ask for what the existing open refuses to share, nor refuse what the existing open uses.
constexpr bool SharingAllows(DWORD existing_access, DWORD existing_share, DWORD access, DWORD share) {
    constexpr DWORD kRead = 0x80000000u, kWrite = 0x40000000u, kShareRead = 1, kShareWrite = 2;
    if ((access & kRead) && !(existing_share & kShareRead)) return false;
    if ((access & kWrite) && !(existing_share & kShareWrite)) return false;
    if ((existing_access & kRead) && !(share & kShareRead)) return false;
    if ((existing_access & kWrite) && !(share & kShareWrite)) return false;
    return true;
}

// desired_access: GENERIC_READ / GENERIC_WRITE bits; share_mode: FILE_SHARE_READ / FILE_SHARE_WRITE.
// Returns ERROR_SUCCESS with a ticket, or ERROR_SHARING_VIOLATION.
[[nodiscard]] DWORD AcquireFileShare(std::uint64_t device, std::uint64_t inode, DWORD desired_access,
                                     DWORD share_mode, std::uint64_t& ticket);
void ReleaseFileShare(std::uint64_t ticket);

}  // namespace platform
