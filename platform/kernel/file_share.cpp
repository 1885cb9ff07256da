#include "platform/kernel/file_share.h"

#include <map>
#include <mutex>

#include "platform/kernel/server_connection.h"

namespace platform {
namespace {

// A program running without a device server (a unit test of the file calls) is alone on its
// device: it keeps the table of its own opens.
struct LocalOpen {
    std::uint64_t device, inode;
    DWORD access, share;
};
std::mutex s_mutex;
std::map<std::uint64_t, LocalOpen> s_local_opens;
std::uint64_t s_next_local_ticket = 1ull << 63;

}  // namespace

DWORD AcquireFileShare(std::uint64_t device, std::uint64_t inode, DWORD desired_access, DWORD share_mode,
                       std::uint64_t& ticket) {
    if (auto* connection = ServerConnection::Current()) {
        protocol::FileShareAcquireRequest request{device, inode, desired_access, share_mode};
        protocol::FileShareReply reply;
        if (connection->Call(request, reply)) {
            ticket = reply.ticket;
            return reply.error;
        }
    }
    std::lock_guard lock(s_mutex);
    for (const auto& [id, open] : s_local_opens)
        if (open.device == device && open.inode == inode &&
            !SharingAllows(open.access, open.share, desired_access, share_mode))
            return ERROR_SHARING_VIOLATION;
    ticket = s_next_local_ticket++;
    s_local_opens.emplace(ticket, LocalOpen{device, inode, desired_access, share_mode});
    return ERROR_SUCCESS;
}

void ReleaseFileShare(std::uint64_t ticket) {
    if (ticket >= (1ull << 63)) {
        std::lock_guard lock(s_mutex);
        s_local_opens.erase(ticket);
        return;
    }
    if (auto* connection = ServerConnection::Current()) {
        protocol::FileShareReleaseRequest request{ticket};
        protocol::StatusReply reply;
        connection->Call(request, reply);
    }
}

}  // namespace platform
