// The compositor: keeps every shown window's surface and the video overlay plane, and composes
// them into the screen by z-order (the topmost band in front, children above their parent and
// clipped to it), then lays the overlay under the colour key and applies the backlight.
//
// A program draws into its surface while the screen may be composed at any moment, so the
// screen never reads a surface directly: each surface has a shown copy, and a part of the
// surface reaches that copy only when its program says it has finished drawing that part
// (TakePaint). A composed screen therefore holds every window as of its last finished paint.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/protocol/messages.h"
#include "server/compositor/frame.h"
#include "server/compositor/shared_pixels.h"
#include "server/windows/window_tree.h"

namespace server {

// The colour the display hardware replaces with the overlay: RGB(16, 0, 16).
constexpr std::uint32_t kOverlayColourKey = 0x00100010u;

class Compositor {
public:
    // Past this many bytes of surfaces (with their shown copies), no new surface is made.
    static constexpr std::size_t kSurfaceBudget = 512u * 1024 * 1024;
    static constexpr std::uint32_t kMaxOverlaySide = 2048;

    Compositor(std::uint32_t width, std::uint32_t height);

    std::uint32_t Width() const { return m_frame.width; }
    std::uint32_t Height() const { return m_frame.height; }

    // The window's surface at the window's present size, made (anew after a resize) when
    // needed; null when the window has no area or the memory cannot be had.
    struct SurfaceRef {
        SharedPixels* pixels = nullptr;
        std::uint32_t generation = 0;
    };
    SurfaceRef EnsureSurface(const WindowTree& windows, std::uint32_t hwnd);
    void DropSurfaces(const std::vector<std::uint32_t>& hwnds);
    std::size_t SurfaceCount() const { return m_surfaces.size(); }
    // The window's program has finished drawing this rectangle (window coordinates, clipped to
    // the surface) of its surface: the screen shows that part as the surface holds it now.
    // False when the window has no surface.
    bool TakePaint(std::uint32_t hwnd, const protocol::Rect& rect);

    // The overlay plane, owned by a program (its process id). Open replaces any earlier buffer,
    // whoever owned it.
    SharedPixels* OpenOverlay(std::uint32_t owner, std::uint32_t width, std::uint32_t height,
                              const protocol::Rect& destination);
    bool MoveOverlay(std::uint32_t owner, const protocol::Rect& destination);
    bool CloseOverlay(std::uint32_t owner);
    bool OwnsOverlay(std::uint32_t owner) const { return m_overlay && m_overlay_owner == owner; }
    // The owner has put a new frame into the buffer: counted, and the screen redrawn with it.
    bool OverlayFrame(std::uint32_t owner);
    struct OverlayState {
        std::uint32_t owner = 0;
        protocol::Rect destination;
        std::uint32_t width = 0, height = 0;
        std::uint64_t frames = 0;
    };
    std::optional<OverlayState> Overlay() const;

    void SetBacklight(std::uint32_t level, bool power);
    std::uint32_t BacklightLevel() const { return m_backlight_level; }
    bool BacklightPower() const { return m_backlight_power; }

    // Something on the screen may have changed; the next Compose redraws.
    void MarkDirty() { m_dirty = true; }
    bool Dirty() const { return m_dirty; }
    // Composes the screen as it is now into the presented frame.
    const Frame& Compose(const WindowTree& windows);
    const Frame& Presented() const { return m_frame; }

private:
    struct Surface {
        std::unique_ptr<SharedPixels> pixels;     // what the program draws into
        std::unique_ptr<std::uint32_t[]> shown;   // what the screen shows, rows packed
        std::uint32_t generation = 0;
    };
    Surface* Ensure(const WindowTree& windows, std::uint32_t hwnd);
    void DrawWindow(const WindowTree& windows, std::uint32_t hwnd, const protocol::Rect& clip, std::int32_t origin_x,
                    std::int32_t origin_y);
    void LayOverlay();
    void ApplyBacklight();

    Frame m_frame;
    bool m_dirty = true;
    std::unordered_map<std::uint32_t, Surface> m_surfaces;
    std::size_t m_surface_bytes = 0;
    std::uint32_t m_next_generation = 1;
    std::unique_ptr<SharedPixels> m_overlay;
    std::uint32_t m_overlay_owner = 0;
    protocol::Rect m_overlay_destination;
    std::uint64_t m_overlay_frames = 0;
    std::uint32_t m_backlight_level = 100;
    bool m_backlight_power = true;
};

}  // namespace server
