// Requests that carry window messages: synchronous sends (with or without a time limit), posts,
// the answers of the threads that handled a send, and registered message numbers. The server
// never waits for a thread: a send is state held here until its answer, its deadline or the end
// of either thread.
#include <algorithm>
#include <cctype>

#include "platform/win32_types.h"
#include "server/device_server.h"

namespace server {
namespace {

constexpr std::uint32_t kHwndBroadcast = 0xFFFF;
constexpr std::uint32_t kSmtoAbortIfHung = 0x0002;
constexpr std::uint32_t kKnownSmtoFlags = kSmtoAbortIfHung;  // SMTO_NORMAL is 0
// A thread that leaves a message sent to it unanswered this long is not responding.
constexpr auto kHungAfter = std::chrono::seconds(5);
// Sends waiting for one thread's answer, and bytes queued for it, past which a further send to
// it fails at once: a thread that stops answering cannot make the server grow without end.
constexpr std::size_t kMaxSendsPerThread = 4096;
constexpr std::size_t kMaxQueuedForSend = 16 * 1024 * 1024;
constexpr std::size_t kMaxCopyData = 64 * 1024;
constexpr std::size_t kMaxName = 1024;
constexpr std::uint32_t kFirstRegisteredMessage = 0xC000;

constexpr std::uint16_t Kind(protocol::RequestId id) { return static_cast<std::uint16_t>(id); }

}  // namespace

void DeviceServer::AnswerSend(const PendingSend& send, std::uint32_t error, std::int64_t result) {
    Client* client = FindClient(send.sender);
    if (!client) return;
    client->Reply(send.sequence, Kind(send.request), protocol::SendMessageReply{error, result});
    UpdateWriteInterest(*client);
}

void DeviceServer::ServerSend(std::uint32_t hwnd, std::uint32_t message, std::uint64_t wparam, std::int64_t lparam) {
    const Window* window = m_windows.Get(hwnd);
    if (!window) return;
    protocol::IncomingSendEvent event;
    event.send_id = 0;  // nobody waits for the answer
    event.hwnd = hwnd;
    event.message = message;
    event.wparam = wparam;
    event.lparam = lparam;
    Deliver(window->owner_client, event);
}

bool DeviceServer::ThreadHung(std::uint32_t client_id, Clock::time_point now) const {
    return std::any_of(m_sends.begin(), m_sends.end(), [&](const auto& entry) {
        return entry.second.target == client_id && now - entry.second.sent_at >= kHungAfter;
    });
}

void DeviceServer::StartSend(Client& client, std::uint32_t sequence, protocol::RequestId kind,
                             const protocol::SendMessageRequest& request, std::uint32_t flags,
                             std::optional<Clock::time_point> deadline) {
    if (request.data.size() > kMaxCopyData) return Misbehave(client, "WM_COPYDATA larger than 64 KiB");
    PendingSend send;
    send.sender = client.Id();
    send.sequence = sequence;
    send.request = kind;
    if (flags & ~kKnownSmtoFlags) return AnswerSend(send, ERROR_INVALID_PARAMETER, 0);
    const Window* window = m_windows.Get(request.hwnd);
    if (!window) {
        return AnswerSend(send, request.hwnd == kHwndBroadcast ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE,
                          0);
    }
    send.target = window->owner_client;
    send.sent_at = Clock::now();
    send.deadline = deadline;
    const Client* target = FindClient(send.target);
    const auto waiting = static_cast<std::size_t>(std::count_if(
        m_sends.begin(), m_sends.end(), [&](const auto& entry) { return entry.second.target == send.target; }));
    if ((flags & kSmtoAbortIfHung) && ThreadHung(send.target, send.sent_at)) return AnswerSend(send, ERROR_TIMEOUT, 0);
    if (waiting >= kMaxSendsPerThread || (target && target->QueuedBytes() > kMaxQueuedForSend))
        return AnswerSend(send, ERROR_TIMEOUT, 0);
    const std::uint64_t id = m_next_send_id++;
    m_sends.emplace(id, send);
    protocol::IncomingSendEvent event;
    event.send_id = id;
    event.hwnd = request.hwnd;
    event.message = request.message;
    event.wparam = request.wparam;
    event.lparam = request.lparam;
    event.has_copydata = request.has_copydata;
    event.copydata_code = request.copydata_code;
    event.data = request.data;
    event.sender_process = static_cast<std::uint32_t>(client.Pid());
    Deliver(send.target, event);
}

// Sends past their deadline are answered ERROR_TIMEOUT; they stay known until the thread
// answers (the answer is then dropped), so its late ReplyMessage is no stranger.
void DeviceServer::ExpireSends(Clock::time_point now) {
    for (auto& [id, send] : m_sends) {
        if (!send.deadline || *send.deadline > now) continue;
        send.deadline.reset();
        if (send.sender) AnswerSend(send, ERROR_TIMEOUT, 0);
        send.sender = 0;
    }
}

std::optional<Clock::time_point> DeviceServer::NextSendDeadline() const {
    std::optional<Clock::time_point> next;
    for (const auto& [id, send] : m_sends)
        if (send.deadline && (!next || *send.deadline < *next)) next = send.deadline;
    return next;
}

// Sends to a thread that went away end with 0 at once; its own sends are forgotten.
void DeviceServer::DropSendsOf(std::uint32_t client_id) {
    for (auto it = m_sends.begin(); it != m_sends.end();) {
        if (it->second.target == client_id) {
            if (it->second.sender) AnswerSend(it->second, ERROR_INVALID_WINDOW_HANDLE, 0);
            it = m_sends.erase(it);
        } else {
            if (it->second.sender == client_id) it->second.sender = 0;
            ++it;
        }
    }
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::SendMessageRequest& request) {
    StartSend(client, sequence, protocol::RequestId::SendMessage, request, 0, std::nullopt);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::SendMessageTimeoutRequest& request) {
    StartSend(client, sequence, protocol::RequestId::SendMessageTimeout, request.send, request.flags,
              Clock::now() + std::chrono::milliseconds(request.timeout_ms));
}

void DeviceServer::Handle(Client&, std::uint32_t, const protocol::PostMessageRequest& request) {
    protocol::PostedEvent event{request.hwnd, request.message, request.wparam, request.lparam};
    if (request.hwnd == kHwndBroadcast) {
        for (auto hwnd : std::vector<std::uint32_t>(m_windows.TopLevel())) {
            event.hwnd = hwnd;
            Deliver(m_windows.Get(hwnd)->owner_client, event);
        }
        return;
    }
    if (const Window* window = m_windows.Get(request.hwnd)) Deliver(window->owner_client, event);
}

void DeviceServer::Handle(Client& client, std::uint32_t, const protocol::ReplyMessageRequest& request) {
    auto found = m_sends.find(request.send_id);
    if (found == m_sends.end()) return;  // the send was already answered (its window went away)
    if (found->second.target != client.Id()) return Misbehave(client, "answered a message sent to another thread");
    const PendingSend pending = found->second;
    m_sends.erase(found);
    if (pending.sender) AnswerSend(pending, 0, request.result);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::RegisterMessageRequest& request) {
    protocol::RegisterMessageReply reply;
    std::string key = request.name.substr(0, kMaxName);
    for (auto& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!key.empty()) {
        auto found = m_registered_messages.find(key);
        if (found != m_registered_messages.end()) {
            reply.message = found->second;
        } else if (m_registered_messages.size() < 0x4000) {
            reply.message = kFirstRegisteredMessage + static_cast<std::uint32_t>(m_registered_messages.size());
            m_registered_messages.emplace(key, reply.message);
        }
    }
    client.Reply(sequence, Kind(protocol::RequestId::RegisterMessage), reply);
}

}  // namespace server
