#include "server/files/share_table.h"

#include "platform/kernel/file_share.h"

namespace server {

std::uint32_t ShareTable::Acquire(std::uint32_t owner, std::uint64_t device, std::uint64_t inode, std::uint32_t access,
                                  std::uint32_t share, std::uint64_t& ticket) {
    for (const auto& [id, open] : m_opens) {
        if (open.device == device && open.inode == inode &&
            !platform::SharingAllows(open.access, open.share, access, share))
            return ERROR_SHARING_VIOLATION;
    }
    ticket = m_next_ticket++;
    m_opens.emplace(ticket, Open{owner, device, inode, access, share});
    return 0;
}

void ShareTable::Release(std::uint32_t owner, std::uint64_t ticket) {
    auto found = m_opens.find(ticket);
    if (found != m_opens.end() && found->second.owner == owner) m_opens.erase(found);
}

void ShareTable::ReleaseAllOf(std::uint32_t owner) {
    for (auto it = m_opens.begin(); it != m_opens.end();) it = it->second.owner == owner ? m_opens.erase(it) : std::next(it);
}

}  // namespace server
