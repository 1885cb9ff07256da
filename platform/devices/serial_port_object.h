// The program-local object behind a serial port handle. Internal to platform/devices.
//
// Threads: reads are serialised among themselves, and so are writes; one event wait runs at a
// time. The terminal's descriptor stays open for the object's whole life, so a call that is
// still running when the handle is closed never works on a reused descriptor. Closing the
// handle sets the closed flag and wakes every waiting call through its wake descriptor.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/devices/serial_port.h"
#include "platform/devices/serial_settings.h"
#include "platform/kernel/handle_table.h"

namespace platform::serial {

// A descriptor that another thread writes to end a poll(). Each has one consumer; the port
// counts the reasons to wake under its mutex, so a wake left over from earlier is told apart
// from a new one and ignored.
class WakeDescriptor {
public:
    WakeDescriptor();
    ~WakeDescriptor();
    WakeDescriptor(const WakeDescriptor&) = delete;
    WakeDescriptor& operator=(const WakeDescriptor&) = delete;

    bool Valid() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }
    void Raise();
    void Drain() const;

private:
    int m_fd;
};

// What a poll on the line together with a wake descriptor found.
enum class LineReady { Ready, HungUp, Woken, Nothing, Failed };
// Whether a poll looks at the line too, or only at its wake descriptor (a line that is gone).
enum class LineWatch { Watch, Ignore };

class SerialPortObject final : public LocalObject {
public:
    // Opens the terminal and puts it in raw mode. Null with `error` set on failure.
    static std::shared_ptr<SerialPortObject> Open(const std::string& port_name, const std::string& host_path,
                                                  DWORD desired_access, DWORD& error);
    ~SerialPortObject() override;
    SerialPortObject(const SerialPortObject&) = delete;
    SerialPortObject& operator=(const SerialPortObject&) = delete;

    void OnHandleClosed() override;

    bool CanRead() const { return (m_access & GENERIC_READ) != 0; }
    bool CanWrite() const { return (m_access & GENERIC_WRITE) != 0; }

    // Each sets the last error when it fails.
    BOOL GetState(DCB& dcb);
    BOOL SetState(const DCB& dcb);
    BOOL Purge(DWORD flags);
    BOOL QueryStatus(DWORD& errors, COMSTAT& status);
    BOOL ModemStatus(DWORD& lines);
    void SetQueueSizes(DWORD in_queue, DWORD out_queue);
    COMMTIMEOUTS Timeouts();
    void SetTimeouts(const COMMTIMEOUTS& timeouts);
    DWORD Mask();
    void SetMask(DWORD mask);

    // serial_port_io.cpp
    BOOL WaitEvent(DWORD& events);
    BOOL Read(void* buffer, DWORD size, DWORD& done);
    BOOL Write(const void* buffer, DWORD size, DWORD& done);

private:
    SerialPortObject(std::string port_name, int fd, DWORD access);

    bool IsClosed();
    bool LineGone();
    // Notes that the line has gone away; the first time, says so in one debug line.
    void MarkLineGone(const char* reason);
    LineReady PollLine(LineWatch watch, short events, const WakeDescriptor& wake, int timeout_ms) const;
    DWORD BytesWaiting() const;

    const std::string m_port_name;  // "COM1:"
    const int m_fd;
    const DWORD m_access;
    WakeDescriptor m_event_wake;  // the event wait: mask changes, close
    WakeDescriptor m_read_wake;   // a waiting read: receive abort, close
    WakeDescriptor m_write_wake;  // a waiting write: transmit abort, close

    std::mutex m_read_mutex;
    std::mutex m_write_mutex;

    std::mutex m_mutex;  // guards everything below
    bool m_closed = false;
    bool m_line_gone = false;
    bool m_waiting = false;
    DWORD m_mask = 0;
    std::uint64_t m_mask_changes = 0;
    std::uint64_t m_receive_aborts = 0;
    std::uint64_t m_transmit_aborts = 0;
    COMMTIMEOUTS m_timeouts;
    DcbExtras m_extras;
    DWORD m_in_queue = 4096;
    DWORD m_out_queue = 4096;
    // The adapter's line error counters when ClearCommError last looked (real serial adapters
    // keep them; a pty has none).
    struct LineErrorCounts {
        int frame = 0;
        int overrun = 0;
        int parity = 0;
        int brk = 0;
        int buf_overrun = 0;
    } m_error_counts;
};

// The device's code for an errno value from a terminal call.
DWORD ErrorFromTerminalErrno(int error_number);

}  // namespace platform::serial
