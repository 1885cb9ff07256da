// The server's one event loop: epoll over sockets, pidfds and the signal descriptor, with a
// sleep bounded by the earliest pending time-out. Nothing in the server ever blocks elsewhere.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>

namespace server {

using Clock = std::chrono::steady_clock;

class EventLoop {
public:
    using Callback = std::function<void(std::uint32_t events)>;

    EventLoop();
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    bool Valid() const { return m_epoll_fd >= 0; }

    // Watches fd; returns a watch id for Modify/Remove. The callback may remove any watch,
    // its own included.
    std::uint64_t Add(int fd, std::uint32_t events, Callback callback);
    void Modify(std::uint64_t watch, std::uint32_t events);
    void Remove(std::uint64_t watch);

    // Runs one round: waits for activity no later than deadline, then runs the callbacks.
    void RunOnce(std::optional<Clock::time_point> deadline);

private:
    struct Watch {
        int fd;
        std::shared_ptr<Callback> callback;
    };
    int m_epoll_fd = -1;
    std::uint64_t m_next_watch = 1;
    std::unordered_map<std::uint64_t, Watch> m_watches;
};

}  // namespace server
