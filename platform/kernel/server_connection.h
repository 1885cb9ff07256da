// This thread's connection to the device server. Every thread that uses the platform opens
// its own on first use (it is that thread's message queue) and closes it when the thread ends.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "platform/protocol/messages.h"
#include "platform/win32_types.h"

namespace platform {

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
        if (!ReadReply(static_cast<std::uint16_t>(id | protocol::kReplyBit), sequence, payload)) return Fail();
        if (!protocol::DecodePayload(payload.data(), payload.size(), reply)) return Fail();
        TakeReceivedFd(received_fd);
        return true;
    }

    std::uint32_t Id() const { return m_id; }

private:
    explicit ServerConnection(int fd) : m_fd(fd) {}
    static ServerConnection* Open();
    bool SendAll(const std::vector<std::uint8_t>& frame);
    bool ReadReply(std::uint16_t kind, std::uint32_t sequence, std::vector<std::uint8_t>& payload);
    bool FillBuffer();
    void TakeReceivedFd(int* received_fd);
    bool Fail();

    int m_fd = -1;
    std::uint32_t m_id = 0;
    std::uint32_t m_sequence = 0;
    bool m_broken = false;
    std::vector<std::uint8_t> m_buffer;
    std::deque<int> m_fds;
};

// Whether a device server answers on the current device root.
bool ServerAvailable();

}  // namespace platform
