// A thread's message queue: messages sent to its windows (handled first), messages posted to
// them, the quit request and the thread's timers. Filled from the thread's server connection.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "platform/protocol/messages.h"
#include "platform/window/window.h"

namespace platform {

struct ThreadTimer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    std::chrono::milliseconds period{0};
    std::chrono::steady_clock::time_point due;
    TIMERPROC procedure = nullptr;
};

// A window's part waiting to be painted, as one bounding rectangle.
struct InvalidWindow {
    HWND hwnd = nullptr;
    RECT rect;
};

struct MessageQueue {
    std::deque<protocol::IncomingSendEvent> sent;
    std::vector<InvalidWindow> invalid;
    std::deque<MSG> posted;
    std::vector<ThreadTimer> timers;
    std::optional<int> quit_code;

    static MessageQueue& ForThisThread();
};

// Runs a window procedure for a message sent from elsewhere and answers the sender.
void HandleIncomingSend(const protocol::IncomingSendEvent& event);
// Installs the sink that routes server events into the threads' queues.
void EnsureMessageRouting();

}  // namespace platform
