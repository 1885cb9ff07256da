#include "platform/window/message_queue.h"

#include "platform/kernel/kernel.h"
#include "platform/kernel/server_connection.h"
#include "platform/window/local_windows.h"
#include "platform/window/window_surface.h"

namespace platform {
namespace {

thread_local bool t_send_from_other_program = false;

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
            if (CarriesPointer(event.message)) return;  // nobody can post one; its pointer is no one's
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

bool SendFromOtherProgram() { return t_send_from_other_program; }

OwnMessageScope::OwnMessageScope() : m_outer(t_send_from_other_program) { t_send_from_other_program = false; }
OwnMessageScope::~OwnMessageScope() { t_send_from_other_program = m_outer; }

bool CarriesPointer(UINT message) {
    // WM_SETTEXT, WM_GETTEXT, WM_COPYDATA; the list box's and combo box's string messages.
    constexpr UINT kPointerMessages[] = {0x000C, 0x000D, 0x004A, 0x0143, 0x0148, 0x014A, 0x014C, 0x014D, 0x0158,
                                         0x0180, 0x0181, 0x0189, 0x018C, 0x018F, 0x01A2};
    for (UINT each : kPointerMessages)
        if (each == message) return true;
    return false;
}

void HandleIncomingSend(const protocol::IncomingSendEvent& event) {
    LRESULT result = 0;
    auto window = LocalWindows::Instance().Get(event.hwnd);
    if (window && window->procedure) {
        // Sends nest (a procedure may send on, and be sent to meanwhile): each restores what
        // the one around it saw.
        const bool outer = t_send_from_other_program;
        t_send_from_other_program =
            event.sender_process != 0 && event.sender_process != static_cast<std::uint32_t>(GetCurrentProcessId());
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
        t_send_from_other_program = outer;
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
