#include "platform/kernel/server_connection.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/device_root.h"
#include "platform/kernel/last_error.h"

namespace platform {
namespace {

// The thread's connection. When the thread ends, objects of its own that die after the
// connection (a device handle kept in a thread_local, say) may still ask for it: the flag,
// which needs no destruction, tells them it is gone rather than letting them touch it.
thread_local bool t_connection_gone = false;
struct ThreadConnection {
    std::unique_ptr<ServerConnection> connection;
    ~ThreadConnection() {
        connection.reset();
        t_connection_gone = true;
    }
};
thread_local ThreadConnection t_thread_connection;
std::atomic<EventSink*> s_event_sink{nullptr};

int ConnectSocket() {
    const auto path = DeviceSocketPath().string();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) return -1;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

ServerConnection* ServerConnection::Current() {
    if (t_connection_gone) {
        SetLastError(ERROR_BROKEN_PIPE);
        return nullptr;
    }
    auto& connection = t_thread_connection.connection;
    if (connection && !connection->m_broken) return connection.get();
    connection.reset(Open());
    if (!connection) SetLastError(ERROR_BROKEN_PIPE);
    return connection.get();
}

ServerConnection* ServerConnection::Open() {
    int fd = ConnectSocket();
    if (fd < 0) return nullptr;
    std::unique_ptr<ServerConnection> connection(new ServerConnection(fd));
    protocol::HelloRequest hello;
    hello.thread_id = static_cast<std::uint32_t>(::syscall(SYS_gettid));
    hello.program_name = ProgramName();
    protocol::HelloReply reply;
    if (!connection->Call(hello, reply) || reply.error != 0) return nullptr;
    connection->m_id = reply.connection_id;
    return connection.release();
}

ServerConnection::~ServerConnection() {
    for (int fd : m_fds) ::close(fd);
    if (m_fd >= 0) ::close(m_fd);
}

BOOL StatusResult(bool called, const protocol::StatusReply& reply) {
    if (!called) return FALSE;
    if (reply.error != 0) {
        SetLastError(reply.error);
        return FALSE;
    }
    return TRUE;
}

bool ServerConnection::Fail() {
    m_broken = true;
    SetLastError(ERROR_BROKEN_PIPE);
    return false;
}

bool ServerConnection::SendAll(const std::vector<std::uint8_t>& frame) {
    std::size_t sent = 0;
    while (sent < frame.size()) {
        ssize_t count = ::send(m_fd, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        sent += static_cast<std::size_t>(count);
    }
    return true;
}

int ServerConnection::FillBuffer(bool nonblocking) {
    std::uint8_t data[16384];
    char control[CMSG_SPACE(sizeof(int) * 4)];
    iovec io{data, sizeof(data)};
    msghdr message{};
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof(control);
    ssize_t count;
    do {
        count = ::recvmsg(m_fd, &message, MSG_CMSG_CLOEXEC | (nonblocking ? MSG_DONTWAIT : 0));
    } while (count < 0 && errno == EINTR);
    if (count < 0 && nonblocking && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    if (count <= 0) return -1;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS) continue;
        const std::size_t fds = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < fds; ++i) {
            int fd;
            std::memcpy(&fd, CMSG_DATA(header) + i * sizeof(int), sizeof(int));
            m_fds.push_back(fd);
        }
    }
    m_buffer.insert(m_buffer.end(), data, data + count);
    return 1;
}

int ServerConnection::TakeFrame(protocol::FrameHeader& header, std::vector<std::uint8_t>& payload) {
    auto status = protocol::PeekFrame(m_buffer.data(), m_buffer.size(), header);
    if (status == protocol::FrameStatus::Malformed) return -1;
    if (status == protocol::FrameStatus::NeedMore) return 0;
    const std::size_t frame_size = header.length + 4;
    payload.assign(m_buffer.begin() + protocol::kFrameHeaderSize, m_buffer.begin() + frame_size);
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(frame_size));
    return 1;
}

bool ServerConnection::ReadReply(std::uint16_t kind, std::uint32_t sequence, std::vector<std::uint8_t>& payload,
                                 bool during_send) {
    for (;;) {
        if (auto stashed = m_stashed_replies.find(sequence); stashed != m_stashed_replies.end()) {
            payload = std::move(stashed->second);
            m_stashed_replies.erase(stashed);
            return true;
        }
        protocol::FrameHeader header;
        std::vector<std::uint8_t> frame;
        int taken = TakeFrame(header, frame);
        if (taken < 0) return false;
        if (taken == 0) {
            if (FillBuffer(false) <= 0) return false;
            continue;
        }
        if (header.kind & protocol::kEventBit) {
            // The frame is off the buffer before the sink runs: handling it may make calls
            // of its own on this connection.
            if (auto* sink = s_event_sink.load()) sink->OnServerEvent(header.kind, frame, during_send);
            continue;
        }
        if (header.kind == kind && header.sequence == sequence) {
            payload = std::move(frame);
            return true;
        }
        if (!(header.kind & protocol::kReplyBit)) return false;
        m_stashed_replies[header.sequence] = std::move(frame);  // an outer call's answer
    }
}

bool ServerConnection::Pump(int timeout_ms) {
    if (m_broken) return false;
    // Wait for the first byte (or a whole frame already buffered), then take everything the
    // server has sent so far, so that a message sent meanwhile is seen before posted ones.
    if (m_buffer.empty()) {
        pollfd poll_fd{m_fd, POLLIN, 0};
        int ready;
        do {
            ready = ::poll(&poll_fd, 1, timeout_ms);
        } while (ready < 0 && errno == EINTR);
        if (ready < 0) return Fail();
        if (ready == 0) return true;
    }
    for (;;) {
        int filled = FillBuffer(true);
        if (filled < 0) return Fail();
        protocol::FrameHeader header;
        std::vector<std::uint8_t> frame;
        int taken;
        while ((taken = TakeFrame(header, frame)) > 0) {
            if (!(header.kind & protocol::kEventBit)) return Fail();  // no call is waiting for a reply
            if (auto* sink = s_event_sink.load()) sink->OnServerEvent(header.kind, frame, false);
        }
        if (taken < 0) return Fail();
        if (filled == 0) return true;
    }
}

void ServerConnection::TakeReceivedFd(int* received_fd) {
    if (received_fd) *received_fd = -1;
    if (m_fds.empty()) return;
    int fd = m_fds.front();
    m_fds.pop_front();
    if (received_fd) *received_fd = fd;
    else ::close(fd);
}

void SetEventSink(EventSink* sink) { s_event_sink.store(sink); }

}  // namespace platform

namespace platform::testing {
void ResetThreadConnection() { t_thread_connection.connection.reset(); }
}  // namespace platform::testing

namespace platform {

bool ServerAvailable() {
    int fd = ConnectSocket();
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

}  // namespace platform
