// Sharing of open files between programs, as the device enforces it: an open that asks for
// access another open's share mode does not grant (or grants less sharing than another open
// already uses) fails with ERROR_SHARING_VIOLATION. The device server keeps the table of
// opens, so programs see each other's opens; each open is identified by a ticket.
#pragma once

#include <cstdint>

#include "platform/win32_types.h"

namespace platform {

// desired_access: GENERIC_READ / GENERIC_WRITE bits; share_mode: FILE_SHARE_READ / FILE_SHARE_WRITE.
// Returns ERROR_SUCCESS with a ticket, or ERROR_SHARING_VIOLATION.
[[nodiscard]] DWORD AcquireFileShare(std::uint64_t device, std::uint64_t inode, DWORD desired_access,
                                     DWORD share_mode, std::uint64_t& ticket);
void ReleaseFileShare(std::uint64_t ticket);

}  // namespace platform
