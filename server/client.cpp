#include "server/client.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace server {

Client::Client(int fd, std::uint32_t id, pid_t pid) : m_fd(fd), m_id(id), m_pid(pid) {}

Client::~Client() {
    if (m_current && m_current->fd >= 0) ::close(m_current->fd);
    for (auto* queue : {&m_urgent, &m_outgoing})
        for (auto& outgoing : *queue)
            if (outgoing.fd >= 0) ::close(outgoing.fd);
    if (m_fd >= 0) ::close(m_fd);
}

void Client::SetGreeted(std::uint32_t thread_id, std::string program_name) {
    m_greeted = true;
    m_thread_id = thread_id;
    m_program_name = std::move(program_name);
}

bool Client::ReceiveAvailable() {
    std::uint8_t buffer[16384];
    for (;;) {
        ssize_t count = ::recv(m_fd, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (count > 0) {
            m_received.insert(m_received.end(), buffer, buffer + count);
            // A whole frame is at most kMaxFrameSize; the reader drops a client long before
            // its buffer could grow past a few frames.
            if (m_received.size() > 4 * protocol::kMaxFrameSize) return true;
            continue;
        }
        if (count == 0) return false;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

void Client::Queue(std::vector<std::uint8_t> frame, int fd_to_pass, Priority priority) {
    auto& queue = priority == Priority::Urgent ? m_urgent : m_outgoing;
    m_queued_bytes += frame.size();
    // Frames without a descriptor join the last waiting chunk: fewer, larger writes.
    if (fd_to_pass < 0 && !queue.empty() && queue.back().bytes.size() < 64 * 1024) {
        auto& last = queue.back().bytes;
        last.insert(last.end(), frame.begin(), frame.end());
    } else {
        Outgoing outgoing;
        outgoing.bytes = std::move(frame);
        if (fd_to_pass >= 0) outgoing.fd = ::fcntl(fd_to_pass, F_DUPFD_CLOEXEC, 0);
        queue.push_back(std::move(outgoing));
    }
    Flush();
}

bool Client::Flush() {
    for (;;) {
        if (!m_current) {
            auto& queue = !m_urgent.empty() ? m_urgent : m_outgoing;
            if (queue.empty()) return true;
            m_current = std::move(queue.front());
            queue.pop_front();
        }
        auto& front = *m_current;
        ssize_t sent;
        if (front.fd >= 0 && front.offset == 0) {
            iovec io{front.bytes.data(), front.bytes.size()};
            char control[CMSG_SPACE(sizeof(int))];
            std::memset(control, 0, sizeof(control));
            msghdr message{};
            message.msg_iov = &io;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof(control);
            cmsghdr* header = CMSG_FIRSTHDR(&message);
            header->cmsg_level = SOL_SOCKET;
            header->cmsg_type = SCM_RIGHTS;
            header->cmsg_len = CMSG_LEN(sizeof(int));
            std::memcpy(CMSG_DATA(header), &front.fd, sizeof(int));
            sent = ::sendmsg(m_fd, &message, MSG_DONTWAIT | MSG_NOSIGNAL);
        } else {
            sent = ::send(m_fd, front.bytes.data() + front.offset, front.bytes.size() - front.offset,
                          MSG_DONTWAIT | MSG_NOSIGNAL);
        }
        if (sent < 0) {
            if (errno == EINTR) continue;
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        if (front.fd >= 0) {
            ::close(front.fd);
            front.fd = -1;
        }
        front.offset += static_cast<std::size_t>(sent);
        m_queued_bytes -= static_cast<std::size_t>(sent);
        if (front.offset == front.bytes.size()) m_current.reset();
    }
}

std::string Client::Describe() const {
    return "client " + std::to_string(m_id) + " (pid " + std::to_string(m_pid) + ", " +
           (m_program_name.empty() ? std::string("?") : m_program_name) + ")";
}

}  // namespace server
