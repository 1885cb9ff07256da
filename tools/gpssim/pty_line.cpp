#include "tools/gpssim/pty_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace gpssim {

std::unique_ptr<PtyLine> PtyLine::Open(std::string& error) {
    std::unique_ptr<PtyLine> line(new PtyLine());
    line->m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line->m_master < 0) {
        error = std::string("posix_openpt: ") + std::strerror(errno);
        return nullptr;
    }
    char path[128] = {};
    if (::grantpt(line->m_master) != 0 || ::unlockpt(line->m_master) != 0 ||
        ::ptsname_r(line->m_master, path, sizeof path) != 0) {
        error = std::string("pty set-up: ") + std::strerror(errno);
        return nullptr;
    }
    line->m_slave_path = path;
    termios mode{};
    if (::tcgetattr(line->m_master, &mode) != 0) {
        error = std::string("tcgetattr: ") + std::strerror(errno);
        return nullptr;
    }
    ::cfmakeraw(&mode);
    if (::tcsetattr(line->m_master, TCSANOW, &mode) != 0) {
        error = std::string("tcsetattr: ") + std::strerror(errno);
        return nullptr;
    }
    const int flags = ::fcntl(line->m_master, F_GETFL);
    if (flags < 0 || ::fcntl(line->m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = std::string("fcntl: ") + std::strerror(errno);
        return nullptr;
    }
    line->m_kept_slave = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (line->m_kept_slave < 0) {
        error = std::string("open ") + path + ": " + std::strerror(errno);
        return nullptr;
    }
    return line;
}

PtyLine::~PtyLine() {
    if (m_kept_slave >= 0) ::close(m_kept_slave);
    if (m_master >= 0) ::close(m_master);
}

PtyLine::WriteResult PtyLine::Write(std::string_view bytes) {
    if (bytes.empty()) return {};
    for (;;) {
        const ssize_t written = ::write(m_master, bytes.data(), bytes.size());
        if (written >= 0) return {static_cast<std::size_t>(written), LineState::Open};
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return {0, LineState::Full};
        return {0, LineState::Gone};
    }
}

PtyLine::ReadResult PtyLine::Read(char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t count = ::read(m_master, buffer, size);
        if (count > 0) return {static_cast<std::size_t>(count), LineState::Open};
        if (count < 0 && errno == EINTR) continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return {0, LineState::Open};
        return {0, LineState::Gone};  // EIO: no slave is open
    }
}

std::size_t PtyLine::Unread() const {
    int waiting = 0;
    if (m_kept_slave < 0 || ::ioctl(m_kept_slave, FIONREAD, &waiting) != 0 || waiting < 0) return 0;
    return static_cast<std::size_t>(waiting);
}

std::optional<termios> PtyLine::SlaveMode() const {
    // A descriptor of its own, only for tcgetattr: the mode is the line's, whoever opened it.
    const int slave = ::open(m_slave_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0) return std::nullopt;
    termios mode{};
    const bool ok = ::tcgetattr(slave, &mode) == 0;
    ::close(slave);
    if (!ok) return std::nullopt;
    return mode;
}

}  // namespace gpssim
