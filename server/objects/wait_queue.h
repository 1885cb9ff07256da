// Waits that could not be satisfied at once. The server never blocks: a pending wait is
// state, resumed when an object changes or its time-out passes.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <vector>

#include "server/event_loop.h"
#include "server/objects/kernel_object.h"

namespace server {

constexpr std::uint32_t kWaitObject0 = 0x00000000u;
constexpr std::uint32_t kWaitAbandoned0 = 0x00000080u;
constexpr std::uint32_t kWaitTimeout = 258u;

struct PendingWait {
    std::uint32_t client_id = 0;  // the waiting thread's connection; mutexes are owned by it
    std::uint32_t sequence = 0;
    std::vector<std::shared_ptr<KernelObject>> objects;
    bool wait_all = false;
    std::optional<Clock::time_point> deadline;
};

// Tries to satisfy a wait now: takes the objects and returns the wait result, or nothing.
// on_taken is called for every object taken (the server records mutex ownership with it).
std::optional<std::uint32_t> TryWait(const std::vector<std::shared_ptr<KernelObject>>& objects, bool wait_all,
                                     std::uint32_t waiter, const std::function<void(KernelObject&)>& on_taken);

class WaitQueue {
public:
    using Completion = std::function<void(const PendingWait& wait, std::uint32_t result)>;
    using TakenHook = std::function<void(std::uint32_t waiter, KernelObject& object)>;

    void Park(PendingWait wait) { m_waits.push_back(std::move(wait)); }
    // Satisfies parked waits, oldest first, that the objects' states now allow.
    void SatisfyReady(const TakenHook& on_taken, const Completion& complete);
    // Ends every wait whose time-out has passed with WAIT_TIMEOUT.
    void ExpireDue(Clock::time_point now, const Completion& complete);
    void DropClient(std::uint32_t client_id);
    std::optional<Clock::time_point> NextDeadline() const;
    std::size_t Count() const { return m_waits.size(); }

private:
    std::list<PendingWait> m_waits;
};

}  // namespace server
