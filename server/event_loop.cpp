#include "server/event_loop.h"

#include <cerrno>
#include <sys/epoll.h>
#include <unistd.h>

namespace server {

EventLoop::EventLoop() : m_epoll_fd(::epoll_create1(EPOLL_CLOEXEC)) {}

EventLoop::~EventLoop() {
    if (m_epoll_fd >= 0) ::close(m_epoll_fd);
}

std::uint64_t EventLoop::Add(int fd, std::uint32_t events, Callback callback) {
    const std::uint64_t id = m_next_watch++;
    epoll_event event{};
    event.events = events;
    event.data.u64 = id;
    if (::epoll_ctl(m_epoll_fd, EPOLL_CTL_ADD, fd, &event) != 0) return 0;
    m_watches.emplace(id, Watch{fd, std::make_shared<Callback>(std::move(callback))});
    return id;
}

void EventLoop::Modify(std::uint64_t watch, std::uint32_t events) {
    auto found = m_watches.find(watch);
    if (found == m_watches.end()) return;
    epoll_event event{};
    event.events = events;
    event.data.u64 = watch;
    ::epoll_ctl(m_epoll_fd, EPOLL_CTL_MOD, found->second.fd, &event);
}

void EventLoop::Remove(std::uint64_t watch) {
    auto found = m_watches.find(watch);
    if (found == m_watches.end()) return;
    ::epoll_ctl(m_epoll_fd, EPOLL_CTL_DEL, found->second.fd, nullptr);
    m_watches.erase(found);
}

void EventLoop::RunOnce(std::optional<Clock::time_point> deadline) {
    int timeout_ms = -1;
    if (deadline) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
        timeout_ms = left < 0 ? 0 : static_cast<int>(std::min<long long>(left, 60'000));
    }
    epoll_event events[64];
    int count = ::epoll_wait(m_epoll_fd, events, 64, timeout_ms);
    if (count < 0) return;  // EINTR: the caller's loop comes round again
    for (int i = 0; i < count; ++i) {
        auto found = m_watches.find(events[i].data.u64);
        if (found == m_watches.end()) continue;  // removed by an earlier callback of this round
        auto callback = found->second.callback;    // keeps the callback alive while it runs
        (*callback)(events[i].events);
    }
}

}  // namespace server
