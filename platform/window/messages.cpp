// Sending and posting messages, and the thread's message loop: sent messages first, then
// posted ones, then the quit request, then paint, then due timers.
#include <algorithm>
#include <cstring>

#include "platform/kernel/kernel.h"
#include "platform/kernel/server_connection.h"
#include "platform/window/local_windows.h"
#include "platform/window/message_queue.h"
#include "platform/window/window.h"

namespace {

using platform::MessageQueue;
using platform::WindowFromNumber;
using platform::WindowNumber;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxCopyData = 64 * 1024;
constexpr UINT VK_SPACE_KEY = 0x20;

bool OwnedByThisThread(HWND hwnd, platform::LocalWindow* found = nullptr) {
    auto window = platform::LocalWindows::Instance().Get(WindowNumber(hwnd));
    if (!window || window->thread_id != GetCurrentThreadId()) return false;
    if (found) *found = *window;
    return true;
}

bool Matches(const MSG& msg, HWND hwnd, UINT filter_min, UINT filter_max) {
    if (hwnd && msg.hwnd != hwnd) return false;
    if (filter_min == 0 && filter_max == 0) return true;
    return msg.message >= filter_min && msg.message <= filter_max;
}

// Hands out one message if one is ready; false when there is none.
bool NextMessage(MSG* msg, HWND hwnd, UINT filter_min, UINT filter_max, bool remove) {
    auto& queue = MessageQueue::ForThisThread();
    while (!queue.sent.empty()) {
        auto event = std::move(queue.sent.front());
        queue.sent.pop_front();
        platform::HandleIncomingSend(event);
    }
    auto posted = std::find_if(queue.posted.begin(), queue.posted.end(),
                               [&](const MSG& m) { return Matches(m, hwnd, filter_min, filter_max); });
    if (posted != queue.posted.end()) {
        *msg = *posted;
        if (remove) queue.posted.erase(posted);
        return true;
    }
    if (queue.quit_code) {
        *msg = MSG{};
        msg->message = WM_QUIT;
        msg->wParam = static_cast<WPARAM>(*queue.quit_code);
        if (remove) queue.quit_code.reset();
        return true;
    }
    // A window waiting to be painted gets WM_PAINT until it is validated.
    if ((filter_min == 0 && filter_max == 0) || (WM_PAINT >= filter_min && WM_PAINT <= filter_max)) {
        for (const auto& entry : queue.invalid) {
            if (hwnd && entry.hwnd != hwnd) continue;
            *msg = MSG{};
            msg->hwnd = entry.hwnd;
            msg->message = WM_PAINT;
            msg->time = GetTickCount();
            return true;
        }
    }
    // A timer is reported when it is due and nothing else waits; it then counts its period
    // afresh from now, so a late timer fires once, not once for every period it missed.
    const auto now = Clock::now();
    for (auto& timer : queue.timers) {
        if (timer.due > now) continue;
        if (hwnd && timer.hwnd != hwnd) continue;
        *msg = MSG{};
        msg->hwnd = timer.hwnd;
        msg->message = WM_TIMER;
        msg->wParam = timer.id;
        msg->lParam = reinterpret_cast<LPARAM>(timer.procedure);
        msg->time = GetTickCount();
        if (remove) timer.due = now + timer.period;
        return true;
    }
    return false;
}

int MillisecondsToNextTimer() {
    auto& queue = MessageQueue::ForThisThread();
    if (queue.timers.empty()) return -1;
    auto next = std::min_element(queue.timers.begin(), queue.timers.end(),
                                 [](const auto& a, const auto& b) { return a.due < b.due; })->due;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(std::min<long long>(left, 60'000));
}

// The request for a send to another thread's window; false (with the last error) when the
// message cannot travel.
bool MakeSendRequest(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, protocol::SendMessageRequest& request) {
    request.hwnd = WindowNumber(hwnd);
    request.message = message;
    request.wparam = wparam;
    request.lparam = lparam;
    if (message == WM_COPYDATA) {
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
        if (!copy || copy->cbData > kMaxCopyData || (copy->cbData && !copy->lpData)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        request.has_copydata = true;
        request.lparam = 0;
        request.copydata_code = copy->dwData;
        const auto* bytes = static_cast<const std::uint8_t*>(copy->lpData);
        request.data.assign(bytes, bytes + copy->cbData);
    }
    return true;
}

}  // namespace

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    platform::LocalWindow local;
    if (OwnedByThisThread(hwnd, &local)) {
        platform::OwnMessageScope own;
        return local.procedure ? local.procedure(hwnd, message, wparam, lparam) : 0;
    }
    platform::EnsureMessageRouting();
    protocol::SendMessageRequest request;
    if (!MakeSendRequest(hwnd, message, wparam, lparam, request)) return 0;
    auto* connection = platform::ServerConnection::Current();
    protocol::SendMessageReply reply;
    if (!connection || !connection->Call(request, reply)) return 0;
    if (reply.error) SetLastError(reply.error);
    return static_cast<LRESULT>(reply.result);
}

LRESULT SendMessageTimeout(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT flags, UINT timeout_ms,
                           DWORD_PTR* result) {
    if (result) *result = 0;
    platform::LocalWindow local;
    if (OwnedByThisThread(hwnd, &local)) {
        // This thread's own window: its procedure runs now, as SendMessage runs it.
        platform::OwnMessageScope own;
        const LRESULT answer = local.procedure ? local.procedure(hwnd, message, wparam, lparam) : 0;
        if (result) *result = static_cast<DWORD_PTR>(answer);
        return TRUE;
    }
    if (!hwnd) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    platform::EnsureMessageRouting();
    protocol::SendMessageTimeoutRequest request;
    if (!MakeSendRequest(hwnd, message, wparam, lparam, request.send)) return 0;
    request.flags = flags;
    request.timeout_ms = timeout_ms;
    auto* connection = platform::ServerConnection::Current();
    protocol::SendMessageReply reply;
    if (!connection || !connection->Call(request, reply)) return 0;
    if (reply.error) {
        SetLastError(reply.error);
        return 0;
    }
    if (result) *result = static_cast<DWORD_PTR>(reply.result);
    return TRUE;
}

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COPYDATA) {
        SetLastError(ERROR_INVALID_PARAMETER);  // its data cannot outlive the call
        return FALSE;
    }
    if (platform::CarriesPointer(message)) {
        SetLastError(ERROR_MESSAGE_SYNC_ONLY);  // nor can a text or buffer it points to
        return FALSE;
    }
    if (hwnd == nullptr || OwnedByThisThread(hwnd)) {
        MSG msg;
        msg.hwnd = hwnd;
        msg.message = message;
        msg.wParam = wparam;
        msg.lParam = lparam;
        msg.time = GetTickCount();
        MessageQueue::ForThisThread().posted.push_back(msg);
        return TRUE;
    }
    // Posting does not wait: the message is queued for the window's thread when the server
    // delivers it, and dropped there if the window has gone meanwhile.
    protocol::PostMessageRequest request;
    request.hwnd = WindowNumber(hwnd);
    request.message = message;
    request.wparam = wparam;
    request.lparam = lparam;
    auto* connection = platform::ServerConnection::Current();
    return connection && connection->Post(request) ? TRUE : FALSE;
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT filter_min, UINT filter_max) {
    if (!msg) return -1;
    platform::EnsureMessageRouting();
    for (;;) {
        // Without a device there is nothing more to wait for, and nothing queued here can be
        // answered or painted (a window that cannot be painted stays due for ever): the loop
        // ends as on a quit.
        auto* connection = platform::ServerConnection::Current();
        if (connection && NextMessage(msg, hwnd, filter_min, filter_max, true))
            return msg->message == WM_QUIT ? FALSE : TRUE;
        if (!connection || !connection->Pump(MillisecondsToNextTimer())) {
            *msg = MSG{};
            msg->message = WM_QUIT;
            return FALSE;
        }
    }
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT filter_min, UINT filter_max, UINT remove) {
    if (!msg) return FALSE;
    platform::EnsureMessageRouting();
    if (auto* connection = platform::ServerConnection::Current()) connection->Pump(0);
    return NextMessage(msg, hwnd, filter_min, filter_max, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg || msg->message != WM_KEYDOWN) return FALSE;
    const WPARAM key = msg->wParam;
    const bool printable = (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z') || key == VK_SPACE_KEY;
    if (!printable) return FALSE;
    return PostMessage(msg->hwnd, WM_CHAR, key, msg->lParam);
}

LRESULT DispatchMessage(const MSG* msg) {
    if (!msg) return 0;
    platform::OwnMessageScope own;
    if (msg->message == WM_TIMER && msg->lParam) {
        auto procedure = reinterpret_cast<TIMERPROC>(msg->lParam);
        procedure(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    auto window = platform::LocalWindows::Instance().Get(WindowNumber(msg->hwnd));
    if (!window || !window->procedure) return 0;
    return window->procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exit_code) { MessageQueue::ForThisThread().quit_code = exit_code; }

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse_ms, TIMERPROC timer_proc) {
    auto& timers = MessageQueue::ForThisThread().timers;
    if (!hwnd) {
        // A timer without a window gets an id of its own.
        UINT_PTR next = 1;
        for (const auto& timer : timers) next = std::max(next, timer.id + 1);
        id = next;
    }
    const auto period = std::chrono::milliseconds(std::max<UINT>(elapse_ms, 1));
    for (auto& timer : timers) {
        if (timer.hwnd == hwnd && timer.id == id) {
            timer.period = period;
            timer.due = Clock::now() + period;
            timer.procedure = timer_proc;
            return id;
        }
    }
    timers.push_back({hwnd, id, period, Clock::now() + period, timer_proc});
    return id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    auto& timers = MessageQueue::ForThisThread().timers;
    auto before = timers.size();
    std::erase_if(timers, [&](const platform::ThreadTimer& timer) { return timer.hwnd == hwnd && timer.id == id; });
    return timers.size() != before ? TRUE : FALSE;
}
