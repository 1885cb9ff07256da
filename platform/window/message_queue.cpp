#include "platform/window/message_queue.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/server_connection.h"
#include "platform/window/local_windows.h"
#include "platform/window/window_surface.h"

namespace platform {
namespace {

class ThreadMessageSink final : public EventSink {
public:
    void OnServerEvent(std::uint16_t kind, const std::vector<std::uint8_t>& payload, bool during_send) override {
        if (kind == protocol::EventKind<protocol::IncomingSendEvent>()) {
            protocol::IncomingSendEvent event;
            if (!protocol::DecodePayload(payload.data(), payload.size(), event)) return;
            if (during_send) HandleIncomingSend(event);
            else MessageQueue::ForThisThread().sent.push_back(std::move(event));
        } else if (kind == protocol::EventKind<protocol::PostedEvent>()) {
            protocol::PostedEvent event;
            if (!protocol::DecodePayload(payload.data(), payload.size(), event)) return;
            if (event.message == kInvalidateMessage) {
                AddPostedInvalidation(WindowFromNumber(event.hwnd), event.wparam, event.lparam);
                return;
            }
            MSG msg;
            msg.hwnd = WindowFromNumber(event.hwnd);
            msg.message = event.message;
            msg.wParam = static_cast<WPARAM>(event.wparam);
            msg.lParam = static_cast<LPARAM>(event.lparam);
            msg.time = GetTickCount();
            MessageQueue::ForThisThread().posted.push_back(msg);
        }
    }
};

}  // namespace

MessageQueue& MessageQueue::ForThisThread() {
    thread_local MessageQueue queue;
    return queue;
}

void HandleIncomingSend(const protocol::IncomingSendEvent& event) {
    LRESULT result = 0;
    auto window = LocalWindows::Instance().Get(event.hwnd);
    if (window && window->procedure) {
        HWND hwnd = WindowFromNumber(event.hwnd);
        if (event.has_copydata) {
            // The sender's COPYDATASTRUCT, rebuilt around the bytes that travelled.
            COPYDATASTRUCT copy;
            copy.dwData = static_cast<std::uintptr_t>(event.copydata_code);
            copy.cbData = static_cast<DWORD>(event.data.size());
            copy.lpData = event.data.empty() ? nullptr : const_cast<std::uint8_t*>(event.data.data());
            result = window->procedure(hwnd, event.message, static_cast<WPARAM>(event.wparam),
                                       reinterpret_cast<LPARAM>(&copy));
        } else {
            result = window->procedure(hwnd, event.message, static_cast<WPARAM>(event.wparam),
                                       static_cast<LPARAM>(event.lparam));
        }
    }
    if (event.send_id == 0) return;
    if (auto* connection = ServerConnection::Current()) {
        protocol::ReplyMessageRequest reply;
        reply.send_id = event.send_id;
        reply.result = static_cast<std::int64_t>(result);
        connection->Post(reply);
    }
}

void EnsureMessageRouting() {
    static ThreadMessageSink sink;
    static const bool installed = (SetEventSink(&sink), true);
    (void)installed;
}

}  // namespace platform
