// The device's wave-out volume as a program's audio output follows it: read once when the
// output is made, then again each time the device server pulses the wave-out event.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/win32_types.h"

namespace platform::media {

// Linear gains of the two channels, 0 silent to 1 unchanged.
struct WaveOutGains {
    double left = 1.0;
    double right = 1.0;
    bool operator==(const WaveOutGains&) const = default;
};

// The wave-out word: left channel in the low 16 bits, right in the high 16 bits, each
// 0..0xFFFF linear.
WaveOutGains WaveOutGainsOf(DWORD volume);

class WaveOutFollower {
public:
    using Apply = std::function<void(const WaveOutGains&)>;

    // Starts a thread of its own that reads the volume, calls `apply` with it, and calls it
    // again after every change. Returns once the first volume has been applied, or after a
    // bounded wait when the device server does not answer; without a server the output
    // stays at full volume.
    explicit WaveOutFollower(Apply apply);
    // Stops the thread and waits for it: `apply` is not called after this returns.
    ~WaveOutFollower();
    WaveOutFollower(const WaveOutFollower&) = delete;
    WaveOutFollower& operator=(const WaveOutFollower&) = delete;

private:
    void Run();
    void Started();

    const Apply m_apply;
    std::mutex m_mutex;
    std::condition_variable m_started_changed;
    bool m_started = false;
    bool m_stopping = false;
    // The event the follower's thread waits on besides the wave-out event, while it waits:
    // the destructor sets it so that stopping does not wait for a time-out.
    HANDLE m_stop_event = nullptr;
    std::thread m_thread;
};

}  // namespace platform::media
