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
// Whether the message this thread is handling now was sent by another program: a pointer in
// its parameters is then not one of this program's, and a window procedure must not follow it.
bool SendFromOtherProgram();
// Marks, for its lifetime, the message being handled as this program's own (a send to a window
// of this thread, a dispatched message), whatever the message around it came from.
class OwnMessageScope {
public:
    OwnMessageScope();
    ~OwnMessageScope();
    OwnMessageScope(const OwnMessageScope&) = delete;
    OwnMessageScope& operator=(const OwnMessageScope&) = delete;

private:
    bool m_outer;
};
// Messages whose wparam or lparam is a pointer (texts, buffers) by their definition: they can
// be sent within a program but never posted.
bool CarriesPointer(UINT message);
// Installs the sink that routes server events into the threads' queues.
void EnsureMessageRouting();

}  // namespace platform
