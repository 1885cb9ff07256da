#include "server/compositor/compositor.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace server {
namespace {

protocol::Rect Intersect(const protocol::Rect& a, const protocol::Rect& b) {
    protocol::Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                     std::min(a.bottom, b.bottom)};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

bool Empty(const protocol::Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

// Width and height of a window, or 0 when they are negative or absurd.
std::uint32_t Extent(std::int32_t from, std::int32_t to) {
    const std::int64_t extent = static_cast<std::int64_t>(to) - from;
    return extent > 0 && extent <= SharedPixels::kMaxSide ? static_cast<std::uint32_t>(extent) : 0;
}

}  // namespace

Compositor::Compositor(std::uint32_t width, std::uint32_t height) { m_frame.Resize(width, height); }

Compositor::SurfaceRef Compositor::EnsureSurface(const WindowTree& windows, std::uint32_t hwnd) {
    Surface* surface = Ensure(windows, hwnd);
    if (!surface) return {};
    return {surface->pixels.get(), surface->generation};
}

Compositor::Surface* Compositor::Ensure(const WindowTree& windows, std::uint32_t hwnd) {
    const Window* window = windows.Get(hwnd);
    if (!window) return nullptr;
    const std::uint32_t width = Extent(window->rect.left, window->rect.right);
    const std::uint32_t height = Extent(window->rect.top, window->rect.bottom);
    auto found = m_surfaces.find(hwnd);
    if (found != m_surfaces.end()) {
        auto& surface = found->second;
        if (surface.pixels->Width() == width && surface.pixels->Height() == height) return &surface;
        // Resized: the old memory goes (the program keeps its own mapping until it asks anew).
        m_surface_bytes -= 2 * surface.pixels->Bytes();
        m_surfaces.erase(found);
    }
    if (width == 0 || height == 0) return nullptr;
    const std::size_t count = static_cast<std::size_t>(width) * height;
    const std::size_t bytes = count * 4;
    if (m_surface_bytes + 2 * bytes > kSurfaceBudget) return nullptr;
    auto pixels = SharedPixels::Create("window-surface", width, height);
    if (!pixels) return nullptr;
    // Black until the program's first paint, as the new surface is.
    std::unique_ptr<std::uint32_t[]> shown(new (std::nothrow) std::uint32_t[count]());
    if (!shown) return nullptr;
    m_surface_bytes += 2 * bytes;
    Surface& surface = m_surfaces[hwnd];
    surface.pixels = std::move(pixels);
    surface.shown = std::move(shown);
    surface.generation = m_next_generation++;
    return &surface;
}

void Compositor::DropSurfaces(const std::vector<std::uint32_t>& hwnds) {
    for (auto hwnd : hwnds) {
        auto found = m_surfaces.find(hwnd);
        if (found == m_surfaces.end()) continue;
        m_surface_bytes -= 2 * found->second.pixels->Bytes();
        m_surfaces.erase(found);
        m_dirty = true;
    }
}

bool Compositor::TakePaint(std::uint32_t hwnd, const protocol::Rect& rect) {
    auto found = m_surfaces.find(hwnd);
    if (found == m_surfaces.end()) return false;
    Surface& surface = found->second;
    const std::uint32_t width = surface.pixels->Width();
    const protocol::Rect whole{0, 0, static_cast<std::int32_t>(width), static_cast<std::int32_t>(surface.pixels->Height())};
    const protocol::Rect part = Intersect(rect, whole);
    if (Empty(part)) return true;
    const std::size_t count = static_cast<std::size_t>(part.right - part.left);
    for (std::int32_t y = part.top; y < part.bottom; ++y) {
        const std::size_t row = static_cast<std::size_t>(y) * width + static_cast<std::size_t>(part.left);
        std::memcpy(surface.shown.get() + row, surface.pixels->Row(static_cast<std::uint32_t>(y)) + part.left, count * 4);
    }
    m_dirty = true;
    return true;
}

SharedPixels* Compositor::OpenOverlay(std::uint32_t owner, std::uint32_t width, std::uint32_t height,
                                      const protocol::Rect& destination) {
    if (width > kMaxOverlaySide || height > kMaxOverlaySide) return nullptr;
    auto pixels = SharedPixels::Create("video-overlay", width, height);
    if (!pixels) return nullptr;
    m_overlay = std::move(pixels);
    m_overlay_owner = owner;
    m_overlay_destination = destination;
    m_overlay_frames = 0;
    m_dirty = true;
    return m_overlay.get();
}

bool Compositor::OverlayFrame(std::uint32_t owner) {
    if (!OwnsOverlay(owner)) return false;
    ++m_overlay_frames;
    m_dirty = true;
    return true;
}

std::optional<Compositor::OverlayState> Compositor::Overlay() const {
    if (!m_overlay) return std::nullopt;
    return OverlayState{m_overlay_owner, m_overlay_destination, m_overlay->Width(), m_overlay->Height(),
                        m_overlay_frames};
}

bool Compositor::MoveOverlay(std::uint32_t owner, const protocol::Rect& destination) {
    if (!OwnsOverlay(owner)) return false;
    m_overlay_destination = destination;
    m_dirty = true;
    return true;
}

bool Compositor::CloseOverlay(std::uint32_t owner) {
    if (!OwnsOverlay(owner)) return false;
    m_overlay.reset();
    m_overlay_owner = 0;
    m_dirty = true;
    return true;
}

void Compositor::SetBacklight(std::uint32_t level, bool power) {
    level = std::min<std::uint32_t>(level, 100);
    if (level == m_backlight_level && power == m_backlight_power) return;
    m_backlight_level = level;
    m_backlight_power = power;
    m_dirty = true;
}

const Frame& Compositor::Compose(const WindowTree& windows) {
    m_dirty = false;
    std::fill(m_frame.pixels.begin(), m_frame.pixels.end(), 0u);
    const protocol::Rect screen{0, 0, static_cast<std::int32_t>(m_frame.width), static_cast<std::int32_t>(m_frame.height)};
    const auto& z_order = windows.TopLevel();  // front to back
    for (auto it = z_order.rbegin(); it != z_order.rend(); ++it) DrawWindow(windows, *it, screen, 0, 0);
    LayOverlay();
    ApplyBacklight();
    return m_frame;
}

void Compositor::DrawWindow(const WindowTree& windows, std::uint32_t hwnd, const protocol::Rect& clip,
                            std::int32_t origin_x, std::int32_t origin_y) {
    const Window* window = windows.Get(hwnd);
    if (!window || !(window->style & kWsVisible)) return;
    const protocol::Rect rect{origin_x + window->rect.left, origin_y + window->rect.top, origin_x + window->rect.right,
                              origin_y + window->rect.bottom};
    const protocol::Rect visible = Intersect(rect, clip);
    if (Empty(visible)) return;  // its children lie inside it, so they are hidden too
    if (const Surface* surface = Ensure(windows, hwnd)) {
        const std::size_t width = surface->pixels->Width();
        const std::size_t count = static_cast<std::size_t>(visible.right - visible.left);
        for (std::int32_t y = visible.top; y < visible.bottom; ++y) {
            const std::uint32_t* source = surface->shown.get() + static_cast<std::size_t>(y - rect.top) * width +
                                          static_cast<std::size_t>(visible.left - rect.left);
            std::uint32_t* target = &m_frame.pixels[static_cast<std::size_t>(y) * m_frame.width + static_cast<std::size_t>(visible.left)];
            std::memcpy(target, source, count * 4);
        }
    }
    const auto& children = window->children;  // front to back
    for (auto it = children.rbegin(); it != children.rend(); ++it) DrawWindow(windows, *it, visible, rect.left, rect.top);
}

void Compositor::LayOverlay() {
    if (!m_overlay) return;
    const auto& d = m_overlay_destination;
    const std::int64_t dest_width = static_cast<std::int64_t>(d.right) - d.left;
    const std::int64_t dest_height = static_cast<std::int64_t>(d.bottom) - d.top;
    if (dest_width <= 0 || dest_height <= 0) return;
    const protocol::Rect screen{0, 0, static_cast<std::int32_t>(m_frame.width), static_cast<std::int32_t>(m_frame.height)};
    const protocol::Rect area = Intersect(d, screen);
    if (Empty(area)) return;
    // The buffer is stretched over the destination, nearest pixel.
    std::vector<std::uint32_t> source_x(static_cast<std::size_t>(area.right - area.left));
    for (std::int32_t x = area.left; x < area.right; ++x)
        source_x[static_cast<std::size_t>(x - area.left)] =
            static_cast<std::uint32_t>((static_cast<std::int64_t>(x) - d.left) * m_overlay->Width() / dest_width);
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        const auto sy = static_cast<std::uint32_t>((static_cast<std::int64_t>(y) - d.top) * m_overlay->Height() / dest_height);
        const std::uint32_t* source = m_overlay->Row(sy);
        std::uint32_t* row = &m_frame.pixels[static_cast<std::size_t>(y) * m_frame.width];
        for (std::int32_t x = area.left; x < area.right; ++x)
            if ((row[x] & 0x00FFFFFFu) == kOverlayColourKey) row[x] = source[source_x[static_cast<std::size_t>(x - area.left)]] & 0x00FFFFFFu;
    }
}

void Compositor::ApplyBacklight() {
    if (!m_backlight_power || m_backlight_level == 0) {
        std::fill(m_frame.pixels.begin(), m_frame.pixels.end(), 0u);
        return;
    }
    if (m_backlight_level >= 100) return;
    std::uint8_t scale[256];
    for (std::uint32_t c = 0; c < 256; ++c) scale[c] = static_cast<std::uint8_t>(c * m_backlight_level / 100);
    for (auto& pixel : m_frame.pixels)
        pixel = static_cast<std::uint32_t>(scale[(pixel >> 16) & 0xFF]) << 16 |
                static_cast<std::uint32_t>(scale[(pixel >> 8) & 0xFF]) << 8 | scale[pixel & 0xFF];
}

}  // namespace server
