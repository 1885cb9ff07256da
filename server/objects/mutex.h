// A mutex: owned by one thread (connection) at a time, recursively; abandoned when its owner
// ends while holding it, which the next owner is told once.
#pragma once

#include "server/objects/kernel_object.h"

namespace server {

class MutexObject final : public KernelObject {
public:
    explicit MutexObject(std::string name) : KernelObject(ObjectKind::Mutex, std::move(name)) {}

    std::uint32_t Owner() const { return m_owner; }
    bool Available(std::uint32_t waiter) const override { return m_owner == 0 || m_owner == waiter; }
    bool Take(std::uint32_t waiter) override {
        m_owner = waiter;
        ++m_recursion;
        const bool abandoned = m_abandoned;
        m_abandoned = false;
        return abandoned;
    }
    // False when the caller does not own it (ERROR_NOT_OWNER).
    bool Release(std::uint32_t caller) {
        if (m_owner == 0 || m_owner != caller) return false;
        if (--m_recursion == 0) m_owner = 0;
        return true;
    }
    void Abandon(std::uint32_t dead_owner) {
        if (m_owner != dead_owner) return;
        m_owner = 0;
        m_recursion = 0;
        m_abandoned = true;
    }

private:
    std::uint32_t m_owner = 0;  // connection id; 0 = free
    std::uint32_t m_recursion = 0;
    bool m_abandoned = false;
};

}  // namespace server
