#include "platform/kernel/file_share.h"

#include <map>
#include <mutex>
#include <utility>

#include "platform/files/files.h"

namespace platform {
namespace {

struct Open {
    std::uint64_t device;
    std::uint64_t inode;
    DWORD access;
    DWORD share;
};

std::mutex s_mutex;
std::map<std::uint64_t, Open> s_opens;
std::uint64_t s_next_ticket = 1;

bool Compatible(const Open& existing, DWORD access, DWORD share) {
    // A new open must share what every existing open does, and must not ask for what an
    // existing open refuses to share.
    if ((access & GENERIC_READ) && !(existing.share & FILE_SHARE_READ)) return false;
    if ((access & GENERIC_WRITE) && !(existing.share & FILE_SHARE_WRITE)) return false;
    if ((existing.access & GENERIC_READ) && !(share & FILE_SHARE_READ)) return false;
    if ((existing.access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE)) return false;
    return true;
}

}  // namespace

DWORD AcquireFileShare(std::uint64_t device, std::uint64_t inode, DWORD desired_access, DWORD share_mode,
                       std::uint64_t& ticket) {
    std::lock_guard lock(s_mutex);
    for (const auto& [id, open] : s_opens) {
        if (open.device == device && open.inode == inode && !Compatible(open, desired_access, share_mode))
            return ERROR_SHARING_VIOLATION;
    }
    ticket = s_next_ticket++;
    s_opens.emplace(ticket, Open{device, inode, desired_access, share_mode});
    return ERROR_SUCCESS;
}

void ReleaseFileShare(std::uint64_t ticket) {
    std::lock_guard lock(s_mutex);
    s_opens.erase(ticket);
}

}  // namespace platform
