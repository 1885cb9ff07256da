// Reading, writing and waiting for events on a serial port.
//
// Every blocking step is a poll() on the terminal together with the call's wake descriptor, so
// a mask change, an abort or the handle's close ends it at once. A line that has gone away is
// no longer polled at all: its hang-up would otherwise be reported on every poll and turn a
// wait into a busy loop.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <optional>
#include <poll.h>
#include <unistd.h>

#include "platform/devices/serial_port_object.h"
#include "platform/kernel/last_error.h"

namespace platform::serial {
namespace {

// The failure of a call: its error for GetLastError, and FALSE.
BOOL Failed(DWORD error) {
    SetLastError(error);
    return FALSE;
}

using Clock = std::chrono::steady_clock;

constexpr const char* kHungUp = "the other end hung up";

// Milliseconds left until the deadline, rounded up so that a poll never ends before it; 0 once
// it has passed.
int MillisecondsUntil(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return 0;
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<std::int64_t>(milliseconds, INT_MAX));
}

// -1 (no limit) or the smaller of two limits.
int SoonerOf(int a, int b) {
    if (a < 0) return b;
    if (b < 0) return a;
    return std::min(a, b);
}

// How long a read may wait, from the port's time-outs (see COMMTIMEOUTS).
struct ReadPlan {
    bool immediate = false;       // return at once with what has arrived
    bool return_on_any = false;   // return as soon as some bytes have arrived
    std::optional<Clock::time_point> deadline;
    std::optional<std::chrono::milliseconds> interval;
};

ReadPlan PlanRead(const COMMTIMEOUTS& timeouts, DWORD size, Clock::time_point start) {
    ReadPlan plan;
    const DWORD interval = timeouts.ReadIntervalTimeout;
    const DWORD multiplier = timeouts.ReadTotalTimeoutMultiplier;
    const DWORD constant = timeouts.ReadTotalTimeoutConstant;
    if (interval == MAXDWORD && multiplier == 0 && constant == 0) {
        plan.immediate = true;
        return plan;
    }
    plan.return_on_any = interval == MAXDWORD;
    if (interval != 0 && interval != MAXDWORD) plan.interval = std::chrono::milliseconds(interval);
    std::uint64_t total = 0;
    if (interval == MAXDWORD && multiplier == MAXDWORD) {
        total = constant;  // wait this long for the first byte
    } else {
        total = static_cast<std::uint64_t>(multiplier) * size + constant;
    }
    if (total != 0) plan.deadline = start + std::chrono::milliseconds(total);
    return plan;
}

std::optional<Clock::time_point> WriteDeadline(const COMMTIMEOUTS& timeouts, DWORD size, Clock::time_point start) {
    const std::uint64_t total =
        static_cast<std::uint64_t>(timeouts.WriteTotalTimeoutMultiplier) * size + timeouts.WriteTotalTimeoutConstant;
    if (total == 0) return std::nullopt;
    return start + std::chrono::milliseconds(total);
}

}  // namespace

LineReady SerialPortObject::PollLine(LineWatch watch, short events, const WakeDescriptor& wake, int timeout_ms) const {
    pollfd fds[2] = {{watch == LineWatch::Watch ? m_fd : -1, events, 0}, {wake.Fd(), POLLIN, 0}};
    const int result = ::poll(fds, 2, timeout_ms);
    if (result < 0) return errno == EINTR ? LineReady::Nothing : LineReady::Failed;
    // A wake comes first: after a close nothing else the line says matters.
    if (fds[1].revents & POLLIN) {
        wake.Drain();
        return LineReady::Woken;
    }
    if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
        // Bytes the other end sent before it hung up are still the program's: the line is
        // gone only once they have been read. (A hung-up terminal also says "readable" with
        // nothing in it, so the queue itself is asked.)
        if ((events & POLLIN) && BytesWaiting() > 0) return LineReady::Ready;
        return LineReady::HungUp;
    }
    if (fds[0].revents & events) return LineReady::Ready;
    return LineReady::Nothing;
}

BOOL SerialPortObject::WaitEvent(DWORD& events) {
    events = 0;
    DWORD mask = 0;
    std::uint64_t mask_changes = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) return Failed(ERROR_INVALID_HANDLE);
        if (m_waiting) return Failed(ERROR_INVALID_PARAMETER);
        // Nothing to wait for. This is also how a wait that begins just after the mask was
        // cleared to end it (a port being closed by another thread) still ends.
        if (m_mask == 0) return TRUE;
        mask = m_mask;
        mask_changes = m_mask_changes;
        m_waiting = true;
    }
    struct WaitingMark {
        SerialPortObject& port;
        ~WaitingMark() {
            std::lock_guard lock(port.m_mutex);
            port.m_waiting = false;
        }
    } waiting{*this};

    const short wanted = (mask & EV_RXCHAR) ? POLLIN : 0;
    for (;;) {
        const LineWatch watch = LineGone() ? LineWatch::Ignore : LineWatch::Watch;
        switch (PollLine(watch, wanted, m_event_wake, -1)) {
            case LineReady::Woken: {
                std::lock_guard lock(m_mutex);
                if (m_closed) return Failed(ERROR_OPERATION_ABORTED);
                if (m_mask_changes != mask_changes) return TRUE;  // the mask changed: no event
                break;  // a wake left over from before this wait
            }
            case LineReady::Ready:
                events = EV_RXCHAR;
                return TRUE;
            case LineReady::HungUp:
                // Bytes that arrived before the hang-up are still there to read.
                if ((mask & EV_RXCHAR) && BytesWaiting() > 0) {
                    events = EV_RXCHAR;
                    return TRUE;
                }
                MarkLineGone(kHungUp);
                break;
            case LineReady::Nothing:
                break;
            case LineReady::Failed:
                SetLastError(ErrorFromTerminalErrno(errno));
                return FALSE;
        }
    }
}

BOOL SerialPortObject::Read(void* buffer, DWORD size, DWORD& done) {
    done = 0;
    std::lock_guard reading(m_read_mutex);
    COMMTIMEOUTS timeouts;
    std::uint64_t aborts = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) return Failed(ERROR_INVALID_HANDLE);
        if (m_line_gone) return TRUE;  // nothing will arrive any more
        timeouts = m_timeouts;
        aborts = m_receive_aborts;
    }
    if (size == 0) return TRUE;

    const auto start = Clock::now();
    const ReadPlan plan = PlanRead(timeouts, size, start);
    auto* out = static_cast<std::uint8_t*>(buffer);
    auto last_byte = start;
    for (;;) {
        const ssize_t count = ::read(m_fd, out + done, size - done);
        if (count > 0) {
            done += static_cast<DWORD>(count);
            last_byte = Clock::now();
            if (done == size) return TRUE;
            continue;
        }
        if (count < 0 && errno == EINTR) continue;
        if (count < 0 && errno == EIO) {
            MarkLineGone("reads fail");
            return TRUE;
        }
        if (count < 0 && errno != EAGAIN) {
            SetLastError(ErrorFromTerminalErrno(errno));
            return FALSE;
        }
        // Nothing more has arrived yet.
        if (plan.immediate || (plan.return_on_any && done > 0)) return TRUE;
        int wait_ms = plan.deadline ? MillisecondsUntil(*plan.deadline) : -1;
        if (plan.interval && done > 0) wait_ms = SoonerOf(wait_ms, MillisecondsUntil(last_byte + *plan.interval));
        if (wait_ms == 0) return TRUE;  // timed out: the bytes so far
        switch (PollLine(LineWatch::Watch, POLLIN, m_read_wake, wait_ms)) {
            case LineReady::Woken: {
                std::lock_guard lock(m_mutex);
                if (m_closed || m_receive_aborts != aborts) return Failed(ERROR_OPERATION_ABORTED);
                break;
            }
            case LineReady::HungUp:
                if (BytesWaiting() == 0) {
                    MarkLineGone(kHungUp);
                    return TRUE;
                }
                break;
            case LineReady::Ready:
            case LineReady::Nothing:
                break;
            case LineReady::Failed:
                SetLastError(ErrorFromTerminalErrno(errno));
                return FALSE;
        }
    }
}

BOOL SerialPortObject::Write(const void* buffer, DWORD size, DWORD& done) {
    done = 0;
    std::lock_guard writing(m_write_mutex);
    COMMTIMEOUTS timeouts;
    std::uint64_t aborts = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) return Failed(ERROR_INVALID_HANDLE);
        if (m_line_gone) return Failed(ERROR_DEVICE_NOT_CONNECTED);
        timeouts = m_timeouts;
        aborts = m_transmit_aborts;
    }
    const auto deadline = WriteDeadline(timeouts, size, Clock::now());
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    while (done < size) {
        const ssize_t count = ::write(m_fd, in + done, size - done);
        if (count > 0) {
            done += static_cast<DWORD>(count);
            continue;
        }
        if (count < 0 && errno == EINTR) continue;
        if (count < 0 && errno == EIO) {
            MarkLineGone("writes fail");
            SetLastError(ERROR_DEVICE_NOT_CONNECTED);
            return FALSE;
        }
        if (count < 0 && errno != EAGAIN) {
            SetLastError(ErrorFromTerminalErrno(errno));
            return FALSE;
        }
        // The line's output queue is full: wait for room.
        const int wait_ms = deadline ? MillisecondsUntil(*deadline) : -1;
        if (wait_ms == 0) return TRUE;  // timed out: the bytes sent so far
        switch (PollLine(LineWatch::Watch, POLLOUT, m_write_wake, wait_ms)) {
            case LineReady::Woken: {
                std::lock_guard lock(m_mutex);
                if (m_closed || m_transmit_aborts != aborts) return Failed(ERROR_OPERATION_ABORTED);
                break;
            }
            case LineReady::HungUp:
                MarkLineGone(kHungUp);
                SetLastError(ERROR_DEVICE_NOT_CONNECTED);
                return FALSE;
            case LineReady::Ready:
            case LineReady::Nothing:
                break;
            case LineReady::Failed:
                SetLastError(ErrorFromTerminalErrno(errno));
                return FALSE;
        }
    }
    return TRUE;
}

}  // namespace platform::serial
