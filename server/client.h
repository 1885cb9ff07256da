// One program thread's connection to the server: frames in, frames (and descriptors) out.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <sys/types.h>
#include <vector>

#include "platform/protocol/messages.h"

namespace server {

struct Process;
class MutexObject;

class Client {
public:
    Client(int fd, std::uint32_t id, pid_t pid);
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    int Fd() const { return m_fd; }
    std::uint32_t Id() const { return m_id; }
    pid_t Pid() const { return m_pid; }

    // Set by Hello.
    bool Greeted() const { return m_greeted; }
    void SetGreeted(std::uint32_t thread_id, std::string program_name);
    std::uint32_t ThreadId() const { return m_thread_id; }
    const std::string& ProgramName() const { return m_program_name; }
    std::shared_ptr<Process> OwnerProcess() const { return m_process.lock(); }
    void SetProcess(std::shared_ptr<Process> process) { m_process = process; }

    // Reads what the socket has into the receive buffer. False when the peer has gone.
    bool ReceiveAvailable();
    std::vector<std::uint8_t>& Received() { return m_received; }

    template <class Message>
    void Reply(std::uint32_t sequence, std::uint16_t request_kind, const Message& reply, int fd_to_pass = -1) {
        Queue(protocol::EncodeFrame(static_cast<std::uint16_t>(request_kind | protocol::kReplyBit), sequence, reply),
              fd_to_pass, Priority::Normal);
    }
    // Messages sent to a thread overtake what is still queued for it here (posted messages),
    // so the thread handles them first, as its message queue would.
    template <class Event>
    void SendEvent(const Event& event) {
        const bool urgent = std::is_same_v<Event, protocol::IncomingSendEvent>;
        Queue(protocol::EncodeFrame(protocol::EventKind<Event>(), 0, event), -1,
              urgent ? Priority::Urgent : Priority::Normal);
    }
    // Writes what the socket takes now. False on a write error; WantsWrite says if more is left.
    bool Flush();
    bool WantsWrite() const { return m_current || !m_urgent.empty() || !m_outgoing.empty(); }
    std::size_t QueuedBytes() const { return m_queued_bytes; }

    // Mutexes this thread owns: abandoned when the thread's connection ends.
    std::vector<std::weak_ptr<MutexObject>>& OwnedMutexes() { return m_owned_mutexes; }

    std::string Describe() const;

private:
    struct Outgoing {
        std::vector<std::uint8_t> bytes;  // one or more whole frames
        std::size_t offset = 0;
        int fd = -1;  // duplicated descriptor sent with the first byte
    };
    enum class Priority { Normal, Urgent };
    void Queue(std::vector<std::uint8_t> frame, int fd_to_pass, Priority priority);

    int m_fd;
    std::uint32_t m_id;
    pid_t m_pid;
    bool m_greeted = false;
    std::uint32_t m_thread_id = 0;
    std::string m_program_name;
    std::weak_ptr<Process> m_process;
    std::vector<std::uint8_t> m_received;
    std::optional<Outgoing> m_current;  // being written; finished before anything else
    std::deque<Outgoing> m_urgent;
    std::deque<Outgoing> m_outgoing;
    std::size_t m_queued_bytes = 0;
    std::vector<std::weak_ptr<MutexObject>> m_owned_mutexes;
};

}  // namespace server
