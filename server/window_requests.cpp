// Requests on windows, focus and the taskbar registration.
#include <algorithm>

#include "platform/win32_types.h"
#include "server/device_server.h"

namespace server {
namespace {

constexpr std::uint32_t kWmActivate = 0x0006;
constexpr std::uint32_t kWmEnable = 0x000A;
constexpr std::uint32_t kWaInactive = 0;
constexpr std::uint32_t kWaActive = 1;
constexpr std::uint32_t kHwndTop = 0;
constexpr std::uint32_t kHwndBottom = 1;
constexpr std::uint32_t kHwndTopmost = 0xFFFFFFFFu;
constexpr std::uint32_t kHwndNoTopmost = 0xFFFFFFFEu;
constexpr std::uint32_t kSwpNoSize = 0x0001, kSwpNoMove = 0x0002, kSwpNoZOrder = 0x0004, kSwpNoActivate = 0x0010,
                        kSwpShowWindow = 0x0040, kSwpHideWindow = 0x0080;
constexpr std::uint32_t kSwHide = 0, kSwShowNormal = 1, kSwShowMaximized = 3, kSwShowNoActivate = 4, kSwShow = 5,
                        kSwShowNa = 8, kSwRestore = 9;
constexpr std::size_t kMaxText = 1024;

constexpr std::uint16_t Kind(protocol::RequestId id) { return static_cast<std::uint16_t>(id); }

}  // namespace

Client* DeviceServer::FindClient(std::uint32_t client_id) {
    auto found = m_clients.find(client_id);
    return found == m_clients.end() ? nullptr : found->second.client.get();
}

// Brings a top-level window to the front of its band and makes it the foreground window;
// the old and the new foreground windows are told with WM_ACTIVATE.
void DeviceServer::Activate(std::uint32_t hwnd) {
    const std::uint32_t top = m_windows.TopLevelOf(hwnd);
    if (!top) return;
    m_windows.BringToTop(top);
    const std::uint32_t old = m_windows.Foreground();
    if (old == top) return;
    m_windows.SetForeground(top);
    if (old) ServerSend(old, kWmActivate, kWaInactive, top);
    ServerSend(top, kWmActivate, kWaActive, old);
    PostToTaskbar(m_taskbar.Activated(top));
}

// A window is visible now; the taskbar hears of it the first time, before it is activated. One
// made the foreground window while still hidden is announced as active at once.
void DeviceServer::WindowShown(std::uint32_t hwnd) {
    const Window* window = m_windows.Get(hwnd);
    if (!window) return;
    const auto created = m_taskbar.Shown(*window);
    PostToTaskbar(created);
    if (created && m_windows.Foreground() == hwnd) PostToTaskbar(m_taskbar.Activated(hwnd));
}

void DeviceServer::PostToTaskbar(const std::optional<TaskbarPost>& post) {
    if (post) PostToWindow(post->taskbar, kTaskbarMessage, static_cast<std::uint32_t>(post->notice), post->hwnd);
}

// A hidden foreground window hands the foreground to the front visible window, or to none;
// it is told it is no longer active either way.
void DeviceServer::ActivateAfterHiding(std::uint32_t hwnd) {
    if (m_windows.Foreground() != hwnd) return;
    if (auto next = m_windows.FrontVisible()) {
        Activate(next);
        return;
    }
    m_windows.SetForeground(0);
    ServerSend(hwnd, kWmActivate, kWaInactive, 0);
}

void DeviceServer::WindowsGone(const std::vector<std::uint32_t>& destroyed) {
    if (destroyed.empty()) return;
    m_compositor->DropSurfaces(destroyed);
    m_published_items.Forget(destroyed);
    ScreenChanged();
    for (const auto& post : m_taskbar.Gone(destroyed)) PostToTaskbar(post);
    // The foreground window went away: the front visible window becomes the foreground.
    if (!m_windows.Foreground()) {
        if (auto next = m_windows.FrontVisible()) Activate(next);
    }
}

void DeviceServer::ClientWindowsGone(std::uint32_t client_id) {
    WindowsGone(m_windows.DestroyAllOf(client_id));
    DropSendsOf(client_id);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::CreateWindowRequest& request) {
    protocol::WindowReply reply;
    Window window;
    // A parent handle makes a window with WS_CHILD a child; any other window it names the
    // owner of, and the owner of a child's window is that child's top-level window.
    if (request.style & kWsChild) window.parent = request.parent;
    else if (request.parent) window.owner = m_windows.TopLevelOf(request.parent);
    if (request.parent && !m_windows.Get(request.parent)) {
        reply.error = ERROR_INVALID_WINDOW_HANDLE;
        client.Reply(sequence, Kind(protocol::RequestId::CreateWindow), reply);
        return;
    }
    window.owner_client = client.Id();
    window.pid = client.Pid();
    window.thread_id = client.ThreadId();
    window.program = client.ProgramName();
    window.class_name = request.class_name.substr(0, kMaxText);
    window.title = request.title.substr(0, kMaxText);
    window.style = request.style;
    window.ex_style = request.ex_style;
    window.topmost = (request.ex_style & kWsExTopmost) != 0;
    window.rect = request.rect;
    // A child's menu argument is its control id; a top-level window has none.
    if (request.style & kWsChild) window.control_id = request.control_id;
    reply.hwnd = m_windows.Create(std::move(window));
    if (!reply.hwnd) reply.error = ERROR_NOT_ENOUGH_MEMORY;
    client.Reply(sequence, Kind(protocol::RequestId::CreateWindow), reply);
    if (!reply.hwnd || !(request.style & kWsVisible)) return;
    WindowShown(reply.hwnd);
    // A top-level window made visible comes to the front as it would when shown.
    if (!(request.style & kWsChild)) Activate(reply.hwnd);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::DestroyWindowRequest& request) {
    protocol::StatusReply reply;
    const Window* window = m_windows.Get(request.hwnd);
    if (!window) reply.error = ERROR_INVALID_WINDOW_HANDLE;
    else if (window->pid != client.Pid()) reply.error = ERROR_ACCESS_DENIED;  // only its own program destroys it
    client.Reply(sequence, Kind(protocol::RequestId::DestroyWindow), reply);
    if (reply.error == 0) WindowsGone(m_windows.Destroy(request.hwnd));
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::FindWindowRequest& request) {
    protocol::WindowReply reply;
    reply.hwnd = m_windows.Find(request.by_class ? std::optional<std::string>(request.class_name) : std::nullopt,
                                request.by_title ? std::optional<std::string>(request.title) : std::nullopt);
    if (!reply.hwnd) reply.error = ERROR_FILE_NOT_FOUND;
    client.Reply(sequence, Kind(protocol::RequestId::FindWindow), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::GetWindowInfoRequest& request) {
    protocol::WindowInfoReply reply;
    if (m_windows.Get(request.hwnd)) reply.info = m_windows.Info(request.hwnd);
    else reply.error = ERROR_INVALID_WINDOW_HANDLE;
    client.Reply(sequence, Kind(protocol::RequestId::GetWindowInfo), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::ListWindowsRequest&) {
    protocol::ListWindowsReply reply;
    reply.windows = m_windows.List();
    client.Reply(sequence, Kind(protocol::RequestId::ListWindows), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::SetWindowTextRequest& request) {
    protocol::StatusReply reply;
    if (Window* window = m_windows.Get(request.hwnd)) window->title = request.text.substr(0, kMaxText);
    else reply.error = ERROR_INVALID_WINDOW_HANDLE;
    client.Reply(sequence, Kind(protocol::RequestId::SetWindowText), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::SetWindowPosRequest& request) {
    protocol::WindowStateReply reply;
    Window* window = m_windows.Get(request.hwnd);
    if (!window) {
        reply.error = ERROR_INVALID_WINDOW_HANDLE;
        client.Reply(sequence, Kind(protocol::RequestId::SetWindowPos), reply);
        return;
    }
    const auto flags = request.flags;
    const bool was_visible = (window->style & kWsVisible) != 0;
    if (!(flags & kSwpNoMove)) {
        const auto width = window->rect.right - window->rect.left, height = window->rect.bottom - window->rect.top;
        window->rect.left = request.rect.left;
        window->rect.top = request.rect.top;
        window->rect.right = request.rect.left + width;
        window->rect.bottom = request.rect.top + height;
    }
    if (!(flags & kSwpNoSize)) {
        window->rect.right = window->rect.left + std::max(0, request.rect.right);
        window->rect.bottom = window->rect.top + std::max(0, request.rect.bottom);
    }
    if (flags & kSwpShowWindow) window->style |= kWsVisible;
    if (flags & kSwpHideWindow) window->style &= ~kWsVisible;
    const bool top_level = window->parent == 0;
    const bool visible = (window->style & kWsVisible) != 0;
    if (!(flags & kSwpNoZOrder)) {
        switch (request.insert_after) {
            case kHwndTop: m_windows.BringToTop(request.hwnd); break;
            case kHwndBottom: m_windows.SendToBottom(request.hwnd); break;
            case kHwndTopmost: m_windows.SetTopmost(request.hwnd, true); break;
            case kHwndNoTopmost: m_windows.SetTopmost(request.hwnd, false); break;
            default: m_windows.PlaceBehind(request.hwnd, request.insert_after);
        }
    }
    client.Reply(sequence, Kind(protocol::RequestId::SetWindowPos), reply);
    if (visible && !was_visible) WindowShown(request.hwnd);
    if (top_level && visible && !(flags & kSwpNoActivate)) Activate(request.hwnd);
    if (flags & kSwpHideWindow) ActivateAfterHiding(request.hwnd);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::ShowWindowRequest& request) {
    protocol::WindowStateReply reply;
    Window* window = m_windows.Get(request.hwnd);
    if (!window) {
        reply.error = ERROR_INVALID_WINDOW_HANDLE;
        client.Reply(sequence, Kind(protocol::RequestId::ShowWindow), reply);
        return;
    }
    reply.previous = (window->style & kWsVisible) ? 1 : 0;
    const bool top_level = window->parent == 0;
    switch (request.command) {
        case kSwHide:
            window->style &= ~kWsVisible;
            break;
        case kSwShowNoActivate:
        case kSwShowNa:
            window->style |= kWsVisible;
            client.Reply(sequence, Kind(protocol::RequestId::ShowWindow), reply);
            if (!reply.previous) WindowShown(request.hwnd);
            return;
        case kSwShowNormal:
        case kSwShowMaximized:
        case kSwShow:
        case kSwRestore:
        default:
            window->style |= kWsVisible;
            client.Reply(sequence, Kind(protocol::RequestId::ShowWindow), reply);
            if (!reply.previous) WindowShown(request.hwnd);
            if (top_level) Activate(request.hwnd);
            return;
    }
    client.Reply(sequence, Kind(protocol::RequestId::ShowWindow), reply);
    if (request.command == kSwHide) ActivateAfterHiding(request.hwnd);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::EnableWindowRequest& request) {
    protocol::WindowStateReply reply;
    Window* window = m_windows.Get(request.hwnd);
    if (!window) {
        reply.error = ERROR_INVALID_WINDOW_HANDLE;
    } else {
        const bool was_disabled = (window->style & kWsDisabled) != 0;
        reply.previous = was_disabled ? 1 : 0;
        if (request.enable) window->style &= ~kWsDisabled;
        else window->style |= kWsDisabled;
        if (was_disabled == request.enable) ServerSend(request.hwnd, kWmEnable, request.enable ? 1 : 0, 0);
    }
    client.Reply(sequence, Kind(protocol::RequestId::EnableWindow), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::FocusRequest& request) {
    protocol::WindowStateReply reply;
    auto operation = static_cast<protocol::FocusOperation>(request.operation);
    switch (operation) {
        case protocol::FocusOperation::SetForeground:
            if (!m_windows.Get(request.hwnd)) {
                reply.error = ERROR_INVALID_WINDOW_HANDLE;
                break;
            }
            reply.previous = m_windows.Foreground();
            client.Reply(sequence, Kind(protocol::RequestId::Focus), reply);
            Activate(request.hwnd);
            return;
        case protocol::FocusOperation::GetForeground:
            reply.previous = m_windows.Foreground();
            break;
        case protocol::FocusOperation::SetCapture:
            if (!m_windows.Get(request.hwnd)) {
                reply.error = ERROR_INVALID_WINDOW_HANDLE;
                break;
            }
            reply.previous = m_windows.Capture();
            m_windows.SetCapture(request.hwnd);
            break;
        case protocol::FocusOperation::ReleaseCapture:
            reply.previous = m_windows.Capture();
            m_windows.SetCapture(0);
            break;
        case protocol::FocusOperation::GetCapture:
            reply.previous = m_windows.Capture();
            break;
        default:
            reply.error = ERROR_INVALID_PARAMETER;
    }
    client.Reply(sequence, Kind(protocol::RequestId::Focus), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::RegisterTaskBarRequest& request) {
    protocol::StatusReply reply;
    const Window* window = m_windows.Get(request.hwnd);
    if (!window) reply.error = ERROR_INVALID_WINDOW_HANDLE;
    else if (window->pid != client.Pid()) reply.error = ERROR_ACCESS_DENIED;  // a program registers its own window
    else m_taskbar.Register(request.hwnd);
    client.Reply(sequence, Kind(protocol::RequestId::RegisterTaskBar), reply);
}

}  // namespace server
