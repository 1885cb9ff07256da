// The device's windows: top-level windows in z-order (a topmost band in front of the rest),
// child windows above their parent, the foreground window and the capture. Parent and owner
// are two relations: a child lies inside its parent; an owned window is a top-level window of
// its own that goes when its owner goes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <unordered_map>
#include <vector>

#include "platform/protocol/messages.h"

namespace server {

constexpr std::uint32_t kWsPopup = 0x80000000u;
constexpr std::uint32_t kWsChild = 0x40000000u;
constexpr std::uint32_t kWsVisible = 0x10000000u;
constexpr std::uint32_t kWsDisabled = 0x08000000u;
constexpr std::uint32_t kWsExTopmost = 0x00000008u;
constexpr std::uint32_t kWsExToolWindow = 0x00000080u;
constexpr std::uint32_t kWsExNoActivate = 0x08000000u;

struct Window {
    std::uint32_t hwnd = 0;
    std::uint32_t parent = 0;        // child windows only
    std::uint32_t owner = 0;         // top-level windows only: the owning top-level window, or 0
    std::uint32_t owner_client = 0;  // the thread's connection: its message queue
    pid_t pid = 0;
    std::uint32_t thread_id = 0;
    std::string program;
    std::string class_name;
    std::string title;
    std::uint32_t style = 0;
    std::uint32_t ex_style = 0;      // as created; the band a window is in is `topmost`
    bool topmost = false;
    protocol::Rect rect;                 // children: in the parent's client area
    std::vector<std::uint32_t> children;  // front to back
    std::uint32_t control_id = 0;        // children only
};

class WindowTree {
public:
    static constexpr std::size_t kMaxWindows = 4096;

    // 0 when the parent or the owner is not a window or the tree is full.
    std::uint32_t Create(Window window);
    // Destroys the window, its children and the windows it owns that belong to its own thread
    // (windows of other threads it owned lose their owner); returns every window destroyed
    // (owned windows and children before their owner and parent).
    std::vector<std::uint32_t> Destroy(std::uint32_t hwnd);
    std::vector<std::uint32_t> DestroyAllOf(std::uint32_t owner_client);

    Window* Get(std::uint32_t hwnd);
    const Window* Get(std::uint32_t hwnd) const;
    std::uint32_t TopLevelOf(std::uint32_t hwnd) const;
    std::uint32_t Find(const std::optional<std::string>& class_name, const std::optional<std::string>& title) const;
    // The oldest child of parent with that control id, or 0.
    std::uint32_t ChildWithId(std::uint32_t parent, std::uint32_t control_id) const;
    const std::vector<std::uint32_t>& TopLevel() const { return m_z_order; }

    protocol::Rect ScreenRect(std::uint32_t hwnd) const;
    bool EffectivelyVisible(std::uint32_t hwnd) const;
    // Neither the window nor any window it lies in is disabled.
    bool EffectivelyEnabled(std::uint32_t hwnd) const;

    // Z-order of a top-level window within the topmost band or the normal band. An owned window
    // stays in front of its owner: bringing the owner to the top brings its owned windows with
    // it, and a window made topmost (or not) takes its owned windows into its band.
    void BringToTop(std::uint32_t hwnd);
    void SendToBottom(std::uint32_t hwnd);
    void SetTopmost(std::uint32_t hwnd, bool topmost);
    void PlaceBehind(std::uint32_t hwnd, std::uint32_t after);

    std::uint32_t Foreground() const { return m_foreground; }
    void SetForeground(std::uint32_t hwnd) { m_foreground = hwnd; }
    std::uint32_t Capture() const { return m_capture; }
    void SetCapture(std::uint32_t hwnd) { m_capture = hwnd; }
    // The window the pen hits at a screen point: the front visible top-level window there, then
    // down through its visible children at that point; 0 over no window.
    std::uint32_t WindowAt(std::int32_t x, std::int32_t y) const;
    // The front visible top-level window, or 0.
    std::uint32_t FrontVisible() const;

    protocol::WindowInfo Info(std::uint32_t hwnd) const;
    std::vector<protocol::WindowInfo> List() const;

private:
    void Unlink(std::uint32_t hwnd);
    void InsertTopLevel(std::uint32_t hwnd, bool front);
    void KeepOwnedInFront();

    std::unordered_map<std::uint32_t, Window> m_windows;
    std::vector<std::uint32_t> m_z_order;  // top-level windows, front to back
    std::uint32_t m_next = 0x10000;
    std::uint32_t m_foreground = 0;
    std::uint32_t m_capture = 0;
};

}  // namespace server
