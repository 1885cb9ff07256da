// Opening a serial port, its settings and its status.
#include "platform/devices/serial_port_object.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

#include "platform/kernel/debug_output.h"
#include "platform/kernel/last_error.h"

namespace platform::serial {

DWORD ErrorFromTerminalErrno(int error_number) {
    switch (error_number) {
        case ENOENT:
        case ENXIO:
        case ENODEV:
            return ERROR_FILE_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EBUSY:
        case EWOULDBLOCK:
            return ERROR_ACCESS_DENIED;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        case EINVAL: return ERROR_INVALID_PARAMETER;
        case EIO: return ERROR_DEVICE_NOT_CONNECTED;
        default: return ERROR_GEN_FAILURE;
    }
}

WakeDescriptor::WakeDescriptor() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeDescriptor::~WakeDescriptor() {
    if (m_fd >= 0) ::close(m_fd);
}

void WakeDescriptor::Raise() {
    const std::uint64_t one = 1;
    ssize_t written = ::write(m_fd, &one, sizeof(one));
    (void)written;  // only fails when the counter is already far past zero: it wakes anyway
}

void WakeDescriptor::Drain() const {
    std::uint64_t count = 0;
    ssize_t got = ::read(m_fd, &count, sizeof(count));
    (void)got;  // EAGAIN: nothing to drain
}

namespace {

int OpenNoIntr(const char* path, int flags) {
    int fd;
    do {
        fd = ::open(path, flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

struct DescriptorCloser {
    int fd;
    ~DescriptorCloser() {
        if (fd >= 0) ::close(fd);
    }
    int Release() { return std::exchange(fd, -1); }
};

}  // namespace

std::shared_ptr<SerialPortObject> SerialPortObject::Open(const std::string& port_name, const std::string& host_path,
                                                         DWORD desired_access, DWORD& error) {
    DescriptorCloser fd{OpenNoIntr(host_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)};
    if (fd.fd < 0) {
        error = ErrorFromTerminalErrno(errno);
        return nullptr;
    }
    // One program at a time, as on the device: the lock is on the terminal itself, so every
    // other open of it (here or in another program) sees it.
    if (::flock(fd.fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno == EWOULDBLOCK ? ERROR_ACCESS_DENIED : ErrorFromTerminalErrno(errno);
        return nullptr;
    }
    termios settings {};
    if (::tcgetattr(fd.fd, &settings) != 0) {
        DebugPrintf("%s: %s is not a serial line", port_name.c_str(), host_path.c_str());
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    MakeRaw(settings);
    if (::tcsetattr(fd.fd, TCSANOW, &settings) != 0) {
        error = ErrorFromTerminalErrno(errno);
        return nullptr;
    }
    std::shared_ptr<SerialPortObject> port(new SerialPortObject(port_name, fd.Release(), desired_access));
    if (!port->m_event_wake.Valid() || !port->m_read_wake.Valid() || !port->m_write_wake.Valid()) {
        error = ERROR_TOO_MANY_OPEN_FILES;
        return nullptr;
    }
    error = ERROR_SUCCESS;
    return port;
}

SerialPortObject::SerialPortObject(std::string port_name, int fd, DWORD access)
    : m_port_name(std::move(port_name)), m_fd(fd), m_access(access) {
    // Until the program sets its own time-outs, a read returns at once with what has arrived,
    // so a read on a fresh port never blocks.
    m_timeouts.ReadIntervalTimeout = MAXDWORD;
    serial_icounter_struct counts {};
    if (::ioctl(m_fd, TIOCGICOUNT, &counts) == 0) {
        m_error_counts = {counts.frame, counts.overrun, counts.parity, counts.brk, counts.buf_overrun};
    }
}

SerialPortObject::~SerialPortObject() {
    if (m_fd >= 0) ::close(m_fd);
}

void SerialPortObject::OnHandleClosed() {
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_event_wake.Raise();
    m_read_wake.Raise();
    m_write_wake.Raise();
    // The port is free for the next open at once, even while a woken call is still returning.
    ::flock(m_fd, LOCK_UN);
}

bool SerialPortObject::IsClosed() {
    std::lock_guard lock(m_mutex);
    return m_closed;
}

bool SerialPortObject::LineGone() {
    std::lock_guard lock(m_mutex);
    return m_line_gone;
}

void SerialPortObject::MarkLineGone(const char* reason) {
    {
        std::lock_guard lock(m_mutex);
        if (m_line_gone) return;
        m_line_gone = true;
    }
    DebugPrintf("%s the line is gone (%s)", m_port_name.c_str(), reason);
}

DWORD SerialPortObject::BytesWaiting() const {
    int count = 0;
    if (::ioctl(m_fd, FIONREAD, &count) != 0 || count < 0) return 0;
    return static_cast<DWORD>(count);
}

BOOL SerialPortObject::GetState(DCB& dcb) {
    termios settings {};
    if (::tcgetattr(m_fd, &settings) != 0) {
        SetLastError(ErrorFromTerminalErrno(errno));
        return FALSE;
    }
    std::lock_guard lock(m_mutex);
    dcb = DcbFromTermios(settings, m_extras);
    return TRUE;
}

BOOL SerialPortObject::SetState(const DCB& dcb) {
    termios settings {};
    if (::tcgetattr(m_fd, &settings) != 0) {
        SetLastError(ErrorFromTerminalErrno(errno));
        return FALSE;
    }
    std::lock_guard lock(m_mutex);
    DcbExtras extras = m_extras;
    if (!ApplyDcb(dcb, settings, extras)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (::tcsetattr(m_fd, TCSANOW, &settings) != 0) {
        SetLastError(ErrorFromTerminalErrno(errno));
        return FALSE;
    }
    m_extras = extras;
    // DTR and RTS follow the record where the line has them; a pty has neither, so failures
    // here are not errors.
    int lines = 0;
    if (dcb.fDtrControl != DTR_CONTROL_HANDSHAKE) {
        lines = TIOCM_DTR;
        ::ioctl(m_fd, dcb.fDtrControl == DTR_CONTROL_DISABLE ? TIOCMBIC : TIOCMBIS, &lines);
    }
    if (dcb.fRtsControl == RTS_CONTROL_DISABLE || dcb.fRtsControl == RTS_CONTROL_ENABLE) {
        lines = TIOCM_RTS;
        ::ioctl(m_fd, dcb.fRtsControl == RTS_CONTROL_DISABLE ? TIOCMBIC : TIOCMBIS, &lines);
    }
    return TRUE;
}

BOOL SerialPortObject::Purge(DWORD flags) {
    if (flags & ~(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    {
        std::lock_guard lock(m_mutex);
        if (flags & PURGE_RXABORT) ++m_receive_aborts;
        if (flags & PURGE_TXABORT) ++m_transmit_aborts;
    }
    if (flags & PURGE_RXABORT) m_read_wake.Raise();
    if (flags & PURGE_TXABORT) m_write_wake.Raise();
    const bool input = (flags & PURGE_RXCLEAR) != 0;
    const bool output = (flags & PURGE_TXCLEAR) != 0;
    if ((input || output) && !LineGone()) {
        // A line that is gone has nothing left to clear; its flush errors are not the caller's.
        if (::tcflush(m_fd, input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH)) != 0) {
            SetLastError(ErrorFromTerminalErrno(errno));
            return FALSE;
        }
    }
    return TRUE;
}

BOOL SerialPortObject::QueryStatus(DWORD& errors, COMSTAT& status) {
    errors = 0;
    status = COMSTAT{};
    if (LineGone()) return TRUE;  // nothing waits in either direction any more
    status.cbInQue = BytesWaiting();
    int queued_out = 0;
    if (::ioctl(m_fd, TIOCOUTQ, &queued_out) == 0 && queued_out > 0) status.cbOutQue = static_cast<DWORD>(queued_out);
    serial_icounter_struct counts {};
    if (::ioctl(m_fd, TIOCGICOUNT, &counts) == 0) {
        std::lock_guard lock(m_mutex);
        if (counts.frame != m_error_counts.frame) errors |= CE_FRAME;
        if (counts.overrun != m_error_counts.overrun) errors |= CE_OVERRUN;
        if (counts.parity != m_error_counts.parity) errors |= CE_RXPARITY;
        if (counts.brk != m_error_counts.brk) errors |= CE_BREAK;
        if (counts.buf_overrun != m_error_counts.buf_overrun) errors |= CE_RXOVER;
        m_error_counts = {counts.frame, counts.overrun, counts.parity, counts.brk, counts.buf_overrun};
    }
    return TRUE;
}

BOOL SerialPortObject::ModemStatus(DWORD& lines) {
    lines = 0;
    int bits = 0;
    if (LineGone() || ::ioctl(m_fd, TIOCMGET, &bits) != 0) return TRUE;  // no modem lines
    if (bits & TIOCM_CTS) lines |= MS_CTS_ON;
    if (bits & TIOCM_DSR) lines |= MS_DSR_ON;
    if (bits & TIOCM_RNG) lines |= MS_RING_ON;
    if (bits & TIOCM_CAR) lines |= MS_RLSD_ON;
    return TRUE;
}

void SerialPortObject::SetQueueSizes(DWORD in_queue, DWORD out_queue) {
    std::lock_guard lock(m_mutex);
    m_in_queue = in_queue;
    m_out_queue = out_queue;
}

COMMTIMEOUTS SerialPortObject::Timeouts() {
    std::lock_guard lock(m_mutex);
    return m_timeouts;
}

void SerialPortObject::SetTimeouts(const COMMTIMEOUTS& timeouts) {
    std::lock_guard lock(m_mutex);
    m_timeouts = timeouts;
}

DWORD SerialPortObject::Mask() {
    std::lock_guard lock(m_mutex);
    return m_mask;
}

void SerialPortObject::SetMask(DWORD mask) {
    {
        std::lock_guard lock(m_mutex);
        m_mask = mask;
        ++m_mask_changes;
    }
    m_event_wake.Raise();
}

}  // namespace platform::serial
