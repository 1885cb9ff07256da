// Open files of every program, for the device's sharing rules.
#pragma once

#include <cstdint>
#include <map>

namespace server {

class ShareTable {
public:
    // Returns 0 with a ticket, or ERROR_SHARING_VIOLATION.
    std::uint32_t Acquire(std::uint32_t owner, std::uint64_t device, std::uint64_t inode, std::uint32_t access,
                          std::uint32_t share, std::uint64_t& ticket);
    void Release(std::uint32_t owner, std::uint64_t ticket);
    // A program that ended closes its files.
    void ReleaseAllOf(std::uint32_t owner);

private:
    struct Open {
        std::uint32_t owner;  // process id
        std::uint64_t device, inode;
        std::uint32_t access, share;
    };
    std::map<std::uint64_t, Open> m_opens;
    std::uint64_t m_next_ticket = 1;
};

}  // namespace server
