#include "server/objects/wait_queue.h"

namespace server {

std::optional<std::uint32_t> TryWait(const std::vector<std::shared_ptr<KernelObject>>& objects, bool wait_all,
                                     std::uint32_t waiter, const std::function<void(KernelObject&)>& on_taken) {
    if (!wait_all) {
        for (std::size_t i = 0; i < objects.size(); ++i) {
            if (!objects[i]->Available(waiter)) continue;
            const bool abandoned = objects[i]->Take(waiter);
            on_taken(*objects[i]);
            return static_cast<std::uint32_t>((abandoned ? kWaitAbandoned0 : kWaitObject0) + i);
        }
        return std::nullopt;
    }
    for (const auto& object : objects)
        if (!object->Available(waiter)) return std::nullopt;
    // All at once: every object is taken in the same step, and an abandoned mutex among them
    // is reported by its index.
    std::optional<std::size_t> first_abandoned;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        if (objects[i]->Take(waiter) && !first_abandoned) first_abandoned = i;
        on_taken(*objects[i]);
    }
    return first_abandoned ? static_cast<std::uint32_t>(kWaitAbandoned0 + *first_abandoned) : kWaitObject0;
}

void WaitQueue::SatisfyReady(const TakenHook& on_taken, const Completion& complete) {
    for (auto it = m_waits.begin(); it != m_waits.end();) {
        const std::uint32_t waiter = it->client_id;
        auto result = TryWait(it->objects, it->wait_all, waiter, [&](KernelObject& object) { on_taken(waiter, object); });
        if (!result) {
            ++it;
            continue;
        }
        PendingWait done = std::move(*it);
        it = m_waits.erase(it);
        complete(done, *result);
    }
}

void WaitQueue::ExpireDue(Clock::time_point now, const Completion& complete) {
    for (auto it = m_waits.begin(); it != m_waits.end();) {
        if (!it->deadline || *it->deadline > now) {
            ++it;
            continue;
        }
        PendingWait done = std::move(*it);
        it = m_waits.erase(it);
        complete(done, kWaitTimeout);
    }
}

void WaitQueue::DropClient(std::uint32_t client_id) {
    m_waits.remove_if([&](const PendingWait& wait) { return wait.client_id == client_id; });
}

std::optional<Clock::time_point> WaitQueue::NextDeadline() const {
    std::optional<Clock::time_point> earliest;
    for (const auto& wait : m_waits)
        if (wait.deadline && (!earliest || *wait.deadline < *earliest)) earliest = wait.deadline;
    return earliest;
}

}  // namespace server
