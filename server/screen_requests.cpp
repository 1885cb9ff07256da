// The screen: window surfaces, the video overlay, the backlight, screenshots, and when frames
// are composed and presented.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/device_root.h"
#include "platform/kernel/debug_output.h"
#include "platform/win32_types.h"
#include "server/compositor/headless_backend.h"
#include "server/compositor/sdl_backend.h"
#include "server/device_server.h"
#include "server/drivers/board_drivers.h"

namespace server {
namespace {

constexpr auto kFrameInterval = std::chrono::milliseconds(16);  // at most 60 frames a second
constexpr std::uint16_t Kind(protocol::RequestId id) { return static_cast<std::uint16_t>(id); }

std::uint32_t ConfiguredSide(const platform::DeviceConfig& config, const char* key, long fallback) {
    return static_cast<std::uint32_t>(std::clamp(config.GetInt(key, fallback), 16L, 4096L));
}

}  // namespace

void DeviceServer::StartScreen() {
    const auto config = platform::DeviceConfig::Load(m_options.root / "device.conf");
    const std::uint32_t width = ConfiguredSide(config, "screen_width", 800);
    const std::uint32_t height = ConfiguredSide(config, "screen_height", 480);
    m_compositor = std::make_unique<Compositor>(width, height);
    const bool has_display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    if (m_options.display && has_display) {
        const int scale = static_cast<int>(std::clamp(config.GetInt("display_scale", 1), 1L, 4L));
        std::string error;
        m_backend = SdlBackend::Create(width, height, scale, error);
        if (!m_backend) DebugPrintf("server: no display window (%s); the screen is headless", error.c_str());
    }
    if (!m_backend) m_backend = std::make_unique<HeadlessBackend>();
    CreateInputEvents();
    DebugPrintf("server: screen %ux%u", width, height);
}

// A change is shown at once unless a frame went out less than a frame interval ago; then it
// waits for the interval, and everything that changes meanwhile goes out in one frame.
void DeviceServer::PresentIfDue(Clock::time_point now) {
    if (!m_compositor->Dirty()) {
        m_present_at.reset();
        return;
    }
    const auto due = m_last_present + kFrameInterval;
    if (now < due) {
        m_present_at = due;
        return;
    }
    Present(now);
}

void DeviceServer::Present(Clock::time_point now) {
    m_present_at.reset();
    m_last_present = now;
    m_backend->Present(m_compositor->Compose(m_windows));
    ++m_presented_frames;
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::ScreenChangeRequest& request) {
    if (request.timeout_ms > protocol::kMaxScreenChangeWaitMs) {
        protocol::ScreenChangeReply reply;
        reply.error = ERROR_INVALID_PARAMETER;
        reply.frame = m_presented_frames;
        client.Reply(sequence, Kind(protocol::RequestId::ScreenChange), reply);
        return;
    }
    // A thread waits for one reply at a time; a connection with a pile of waits is not a program's.
    constexpr std::size_t kMaxWaitsOfAClient = 16;
    if (std::count_if(m_screen_waits.begin(), m_screen_waits.end(), [&](const PendingScreenWait& wait) {
            return wait.requester == client.Id();
        }) >= static_cast<std::ptrdiff_t>(kMaxWaitsOfAClient))
        return Misbehave(client, "ScreenChange: too many waits at once");
    m_screen_waits.push_back(
        {client.Id(), sequence, request.after, Clock::now() + std::chrono::milliseconds(request.timeout_ms)});
    // A frame already newer, or a time-out of 0, is answered at once (on this turn of the loop).
    AnswerScreenWaits(Clock::now());
}

void DeviceServer::AnswerScreenWaits(Clock::time_point now) {
    for (auto it = m_screen_waits.begin(); it != m_screen_waits.end();) {
        if (m_presented_frames <= it->after && it->deadline > now) {
            ++it;
            continue;
        }
        const PendingScreenWait done = *it;
        it = m_screen_waits.erase(it);
        if (Client* requester = FindClient(done.requester)) {
            protocol::ScreenChangeReply reply;
            reply.frame = m_presented_frames;
            requester->Reply(done.sequence, Kind(protocol::RequestId::ScreenChange), reply);
            UpdateWriteInterest(*requester);
        }
    }
}

std::optional<Clock::time_point> DeviceServer::NextScreenWaitDeadline() const {
    std::optional<Clock::time_point> next;
    for (const PendingScreenWait& wait : m_screen_waits)
        if (!next || wait.deadline < *next) next = wait.deadline;
    return next;
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::GetSurfaceRequest& request) {
    protocol::SurfaceReply reply;
    const Window* window = m_windows.Get(request.hwnd);
    if (!window) {
        reply.error = ERROR_INVALID_WINDOW_HANDLE;
        client.Reply(sequence, Kind(protocol::RequestId::GetSurface), reply);
        return;
    }
    if (window->pid != client.Pid()) return Misbehave(client, "GetSurface: another program's window");
    auto surface = m_compositor->EnsureSurface(m_windows, request.hwnd);
    if (!surface.pixels) {
        reply.error = ERROR_NOT_ENOUGH_MEMORY;  // no area, or no memory left for it
        client.Reply(sequence, Kind(protocol::RequestId::GetSurface), reply);
        return;
    }
    reply.width = surface.pixels->Width();
    reply.height = surface.pixels->Height();
    reply.pitch = surface.pixels->Pitch();
    reply.generation = surface.generation;
    client.Reply(sequence, Kind(protocol::RequestId::GetSurface), reply, surface.pixels->Fd());
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::SurfaceDamageRequest& request) {
    protocol::StatusReply reply;
    const Window* window = m_windows.Get(request.hwnd);
    if (window && window->pid != client.Pid()) return Misbehave(client, "SurfaceDamage: another program's window");
    // A window destroyed by another thread of the program meanwhile is no fault of the caller.
    if (!window) reply.error = ERROR_INVALID_WINDOW_HANDLE;
    // The finished part is taken while the program waits for this answer, so what the screen
    // shows of it is never a paint half done.
    else m_compositor->TakePaint(request.hwnd, request.rect);
    client.Reply(sequence, Kind(protocol::RequestId::SurfaceDamage), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::OverlayRequest& request) {
    protocol::OverlayReply reply;
    SharedPixels* buffer = nullptr;
    switch (static_cast<protocol::OverlayOperation>(request.operation)) {
        case protocol::OverlayOperation::Open:
            if (request.width == 0 || request.height == 0 || request.width > Compositor::kMaxOverlaySide ||
                request.height > Compositor::kMaxOverlaySide) {
                reply.error = ERROR_INVALID_PARAMETER;
                break;
            }
            buffer = m_compositor->OpenOverlay(static_cast<std::uint32_t>(client.Pid()), request.width, request.height, request.destination);
            if (!buffer) {
                reply.error = ERROR_NOT_ENOUGH_MEMORY;
                break;
            }
            reply.width = buffer->Width();
            reply.height = buffer->Height();
            reply.pitch = buffer->Pitch();
            break;
        case protocol::OverlayOperation::Move:
            if (!m_compositor->MoveOverlay(static_cast<std::uint32_t>(client.Pid()), request.destination)) reply.error = ERROR_ACCESS_DENIED;
            break;
        case protocol::OverlayOperation::Close:
            if (!m_compositor->CloseOverlay(static_cast<std::uint32_t>(client.Pid()))) reply.error = ERROR_ACCESS_DENIED;
            break;
        default:
            return Misbehave(client, "Overlay: unknown operation " + std::to_string(request.operation));
    }
    client.Reply(sequence, Kind(protocol::RequestId::Overlay), reply, buffer ? buffer->Fd() : -1);
}

// A frame from a program that has meanwhile lost the plane to another is dropped unseen.
void DeviceServer::Handle(Client& client, std::uint32_t, const protocol::OverlayFrameRequest&) {
    m_compositor->OverlayFrame(static_cast<std::uint32_t>(client.Pid()));
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::OverlayInfoRequest&) {
    protocol::OverlayInfoReply reply;
    if (const auto overlay = m_compositor->Overlay()) {
        reply.open = true;
        reply.owner = overlay->owner;
        if (auto found = m_processes.find(static_cast<pid_t>(overlay->owner)); found != m_processes.end())
            reply.program = found->second->name;
        reply.destination = overlay->destination;
        reply.width = overlay->width;
        reply.height = overlay->height;
        reply.frames = overlay->frames;
    }
    client.Reply(sequence, Kind(protocol::RequestId::OverlayInfo), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::BacklightRequest& request) {
    // The backlight is set as a program sets it, through the BKL1: driver, so the driver's
    // state, its log and what the screen presents never disagree.
    protocol::BacklightReply reply;
    if (request.set_level && request.level > 100) {
        reply.error = ERROR_INVALID_PARAMETER;
    } else {
        auto word = [](std::uint32_t value) {
            return std::vector<std::uint8_t>{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                             static_cast<std::uint8_t>(value >> 16),
                                             static_cast<std::uint8_t>(value >> 24)};
        };
        std::vector<std::uint8_t> output;
        if (request.set_level) m_drivers->IoControl("BKL1:", kIoctlBacklightBrightness, word(request.level), output);
        if (request.set_power) m_drivers->IoControl("BKL1:", kIoctlBacklightPower, word(request.power ? 1 : 0), output);
    }
    reply.level = m_drivers->State().backlight_percent;
    reply.power = m_drivers->State().backlight_on;
    client.Reply(sequence, Kind(protocol::RequestId::Backlight), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::ScreenshotRequest&) {
    protocol::ScreenshotReply reply;
    // What changed since the last frame is shown first: a screenshot is what the screen shows
    // once everything asked for so far is on it.
    if (m_compositor->Dirty()) Present(Clock::now());
    const Frame& frame = m_compositor->Presented();
    auto copy = SharedPixels::Create("screenshot", frame.width, frame.height);
    if (!copy) {
        reply.error = ERROR_NOT_ENOUGH_MEMORY;
        client.Reply(sequence, Kind(protocol::RequestId::Screenshot), reply);
        return;
    }
    for (std::uint32_t y = 0; y < frame.height; ++y)
        std::memcpy(copy->Row(y), frame.pixels.data() + static_cast<std::size_t>(y) * frame.width, frame.width * 4u);
    reply.width = frame.width;
    reply.height = frame.height;
    reply.pitch = copy->Pitch();
    reply.frame = m_presented_frames;
    client.Reply(sequence, Kind(protocol::RequestId::Screenshot), reply, copy->Fd());
}

}  // namespace server
