// This thread's connection to the device server. Every thread that uses the platform opens
// its own on first use (it is that thread's message queue) and closes it when the thread ends.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <type_traits>
#include <vector>

#include "platform/protocol/messages.h"
#include "platform/win32_types.h"

namespace platform {

// Receives what the server sends a thread unasked (messages sent or posted to its windows).
// during_send is true while the thread waits for the answer to its own SendMessage: a message
// sent to it must then be handled at once, or the two threads would wait on each other.
class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void OnServerEvent(std::uint16_t kind, const std::vector<std::uint8_t>& payload, bool during_send) = 0;
};
void SetEventSink(EventSink* sink);

class ServerConnection {
public:
    // This thread's connection, opened on first use; null when no server answers (the last
    // error is then ERROR_BROKEN_PIPE).
    static ServerConnection* Current();

    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    // Sends a request and waits for its reply. False when the server has gone; the last error
    // is then ERROR_BROKEN_PIPE. A descriptor that came with the reply is handed out through
    // received_fd (closed when not asked for).
    template <class Request>
    bool Call(const Request& request, typename Request::Reply& reply, int* received_fd = nullptr) {
        const auto id = static_cast<std::uint16_t>(protocol::RequestIdOf<Request>::value);
        const std::uint32_t sequence = ++m_sequence;
        if (!SendAll(protocol::EncodeFrame(id, sequence, request))) return Fail();
        std::vector<std::uint8_t> payload;
        // While this thread waits in a send, messages sent to its windows are handled at once.
        const bool during_send = id == static_cast<std::uint16_t>(protocol::RequestId::SendMessage) ||
                                 id == static_cast<std::uint16_t>(protocol::RequestId::SendMessageTimeout);
        if (!ReadReply(static_cast<std::uint16_t>(id | protocol::kReplyBit), sequence, payload, during_send))
            return Fail();
        if (!protocol::DecodePayload(payload.data(), payload.size(), reply)) return Fail();
        TakeReceivedFd(received_fd);
        return true;
    }

    // Sends a one-way request (its Reply is void): nothing comes back.
    template <class Request>
    bool Post(const Request& request) {
        static_assert(std::is_void_v<typename Request::Reply>);
        const auto id = static_cast<std::uint16_t>(protocol::RequestIdOf<Request>::value);
        if (!SendAll(protocol::EncodeFrame(id, ++m_sequence, request))) return Fail();
        return true;
    }

    // Waits up to timeout_ms (-1: no limit) for something from the server and hands every
    // event that arrived to the event sink. False when the server has gone.
    bool Pump(int timeout_ms);
    int Fd() const { return m_fd; }

    std::uint32_t Id() const { return m_id; }

private:
    explicit ServerConnection(int fd) : m_fd(fd) {}
    static ServerConnection* Open();
    bool SendAll(const std::vector<std::uint8_t>& frame);
    bool ReadReply(std::uint16_t kind, std::uint32_t sequence, std::vector<std::uint8_t>& payload, bool during_send);
    // Takes one whole frame off the buffer if there is one: 1 taken, 0 none yet, -1 malformed.
    int TakeFrame(protocol::FrameHeader& header, std::vector<std::uint8_t>& payload);
    // Reads what the socket has: 1 read, 0 nothing yet (non-blocking only), -1 gone.
    int FillBuffer(bool nonblocking);
    void TakeReceivedFd(int* received_fd);
    bool Fail();

    int m_fd = -1;
    std::uint32_t m_id = 0;
    std::uint32_t m_sequence = 0;
    bool m_broken = false;
    std::vector<std::uint8_t> m_buffer;
    std::deque<int> m_fds;
    // Replies that arrived while a nested call (a send handled inside a send) was reading.
    std::map<std::uint32_t, std::vector<std::uint8_t>> m_stashed_replies;
};

// Calls the server on this thread's connection: false when there is none or it has gone (the
// last error says which).
template <class Request>
bool CallServer(const Request& request, typename Request::Reply& reply, int* received_fd = nullptr) {
    auto* connection = ServerConnection::Current();
    return connection && connection->Call(request, reply, received_fd);
}

// The end of a call answered by a bare status: TRUE, or FALSE with the server's error (or the
// lost connection's) as the last error.
BOOL StatusResult(bool called, const protocol::StatusReply& reply);

// Makes a call whose answer is a bare status, as the platform's BOOL calls report it.
template <class Request>
BOOL CallForStatus(const Request& request) {
    static_assert(std::is_same_v<typename Request::Reply, protocol::StatusReply>);
    protocol::StatusReply reply;
    const bool called = CallServer(request, reply);
    return StatusResult(called, reply);
}

// Whether a device server answers on the current device root.
bool ServerAvailable();

}  // namespace platform
