// Pen and key input: from devicectl (Input requests) and from the display window. The pen goes
// to the capturing window, else to the window under it, as pen messages in client
// coordinates (a press activating the window, a disabled window taking none), and sets the
// touch panel's event; the remote keys set their named events, and
// Enter (OK) goes to the foreground window as a key.
#include "platform/devices/wave_out.h"
#include "platform/win32_types.h"
#include "server/device_server.h"

namespace server {
namespace {

constexpr std::uint32_t kWmKeyDown = 0x0100, kWmKeyUp = 0x0101;
constexpr std::uint32_t kWmMouseMove = 0x0200, kWmLButtonDown = 0x0201, kWmLButtonUp = 0x0202;
constexpr std::uint64_t kMkLButton = 0x0001;
constexpr std::uint64_t kVkReturn = 0x0D;
constexpr std::int64_t kKeyDownFlags = 1;            // repeat count 1
constexpr std::int64_t kKeyUpFlags = 0xC0000001;     // repeat count 1, was down, being released

constexpr char kTouchEvent[] = "KTOUCH_EVENT";
struct RemoteKeyEvent {
    std::uint32_t key;
    const char* event;
};
constexpr RemoteKeyEvent kRemoteKeys[] = {
    {1, "REMOCON_EVENT_1"}, {2, "REMOCON_EVENT_2"}, {3, "REMOCON_EVENT_3"}, {4, "REMOCON_EVENT_4"},
    {5, "REMOCON_EVENT_5"}, {6, "REMOCON_EVENT_6"}, {7, "REMOCON_EVENT_7"}, {8, "REMOCON_EVENT_8"},
    {9, "REMOCON_EVENT_9"}, {static_cast<std::uint32_t>(protocol::DeviceKey::Left), "REMOCON_EVENT_L"},
    {static_cast<std::uint32_t>(protocol::DeviceKey::Right), "REMOCON_EVENT_R"},
};

// lParam of a pen message: x in the low word, y in the high word, each as 16 bits.
std::int64_t MakeLParam(std::int32_t x, std::int32_t y) {
    return static_cast<std::int64_t>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(x)) |
                                     static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16);
}

// The named event (auto-reset unless asked), created unset when no program made it first.
std::shared_ptr<EventObject> DeviceEvent(ObjectDirectory& directory, const char* name, bool manual_reset = false) {
    auto object = directory.Find(name);
    if (object && object->Kind() == ObjectKind::Event) return std::static_pointer_cast<EventObject>(object);
    auto event = std::make_shared<EventObject>(name, manual_reset, false);
    if (!object) directory.Insert(event);  // a name taken by another kind keeps its object
    return event;
}

}  // namespace

void DeviceServer::CreateInputEvents() {
    m_touch_event = DeviceEvent(m_directory, kTouchEvent);
    for (const auto& remote : kRemoteKeys) m_key_events[remote.key] = DeviceEvent(m_directory, remote.event);
    m_wave_out_event = DeviceEvent(m_directory, kWaveOutVolumeEvent, true);
}

void DeviceServer::SignalDeviceEvent(const std::shared_ptr<EventObject>& event) {
    if (!event) return;
    event->Set();
    SatisfyWaits();
}

void DeviceServer::PostToWindow(std::uint32_t hwnd, std::uint32_t message, std::uint64_t wparam, std::int64_t lparam) {
    if (const Window* window = m_windows.Get(hwnd))
        Deliver(window->owner_client, protocol::PostedEvent{hwnd, message, wparam, lparam});
}

void DeviceServer::OnPen(protocol::InputKind kind, std::int32_t x, std::int32_t y) {
    if (kind == protocol::InputKind::PenDown) {
        m_pen_down = true;
        if (!m_touch_event) m_touch_event = DeviceEvent(m_directory, kTouchEvent);
        SignalDeviceEvent(m_touch_event);
    }
    const bool down = m_pen_down;
    if (kind == protocol::InputKind::PenUp) m_pen_down = false;
    const std::uint32_t capture = m_windows.Capture();
    const std::uint32_t target = capture ? capture : m_windows.WindowAt(x, y);
    // A disabled window, or one inside a disabled window, takes no pen input.
    if (!target || !m_windows.EffectivelyEnabled(target)) return;
    // A press on a window activates its top-level window first, as a tap on the panel does,
    // unless that window asked not to be (WS_EX_NOACTIVATE).
    if (kind == protocol::InputKind::PenDown && !capture) {
        const Window* top = m_windows.Get(m_windows.TopLevelOf(target));
        if (top && !(top->ex_style & kWsExNoActivate)) Activate(target);
    }
    const protocol::Rect rect = m_windows.ScreenRect(target);
    const std::int64_t lparam = MakeLParam(x - rect.left, y - rect.top);
    switch (kind) {
        case protocol::InputKind::PenDown: PostToWindow(target, kWmLButtonDown, kMkLButton, lparam); break;
        case protocol::InputKind::PenMove: PostToWindow(target, kWmMouseMove, down ? kMkLButton : 0, lparam); break;
        case protocol::InputKind::PenUp: PostToWindow(target, kWmLButtonUp, 0, lparam); break;
        default: break;
    }
}

bool DeviceServer::OnKey(std::uint32_t key) {
    if (key == static_cast<std::uint32_t>(protocol::DeviceKey::Enter)) {
        if (const std::uint32_t foreground = m_windows.Foreground()) {
            PostToWindow(foreground, kWmKeyDown, kVkReturn, kKeyDownFlags);
            PostToWindow(foreground, kWmKeyUp, kVkReturn, kKeyUpFlags);
        }
        return true;
    }
    for (const auto& remote : kRemoteKeys) {
        if (remote.key != key) continue;
        auto& event = m_key_events[key];
        if (!event) event = DeviceEvent(m_directory, remote.event);
        SignalDeviceEvent(event);
        return true;
    }
    return false;
}

void DeviceServer::OnBackendInput(const BackendInput& input) {
    switch (input.kind) {
        case BackendInput::Kind::PenDown: OnPen(protocol::InputKind::PenDown, input.x, input.y); break;
        case BackendInput::Kind::PenMove: OnPen(protocol::InputKind::PenMove, input.x, input.y); break;
        case BackendInput::Kind::PenUp: OnPen(protocol::InputKind::PenUp, input.x, input.y); break;
        case BackendInput::Kind::Key: OnKey(input.key); break;
        case BackendInput::Kind::Quit: RequestShutdown(); break;
    }
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::InputRequest& request) {
    protocol::StatusReply reply;
    const auto kind = static_cast<protocol::InputKind>(request.kind);
    switch (kind) {
        case protocol::InputKind::PenDown:
        case protocol::InputKind::PenMove:
        case protocol::InputKind::PenUp:
            OnPen(kind, request.x, request.y);
            break;
        case protocol::InputKind::Key:
            if (!OnKey(request.key)) reply.error = ERROR_INVALID_PARAMETER;
            break;
        default:
            reply.error = ERROR_INVALID_PARAMETER;
    }
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::Input), reply);
}

}  // namespace server
