#include "server/windows/window_tree.h"

#include <algorithm>
#include <cctype>

namespace server {
namespace {

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::uint32_t WindowTree::Create(Window window) {
    if (m_windows.size() >= kMaxWindows) return 0;
    if (window.parent && !m_windows.count(window.parent)) return 0;
    if (window.owner && (window.parent || !m_windows.count(window.owner))) return 0;
    do {
        m_next += 2;  // window handles are even, like the device's
        if (m_next >= 0x7FFF0000u) m_next = 0x10000;
    } while (m_windows.count(m_next) || m_next == 0xFFFF);
    window.hwnd = m_next;
    window.topmost = !window.parent && window.topmost;
    // An owned window lies in front of its owner, so a topmost owner's windows are topmost too.
    if (window.owner && m_windows.at(window.owner).topmost) window.topmost = true;
    const std::uint32_t hwnd = window.hwnd;
    const std::uint32_t parent = window.parent;
    m_windows.emplace(hwnd, std::move(window));
    if (parent) {
        auto& siblings = m_windows[parent].children;
        siblings.insert(siblings.begin(), hwnd);
    } else {
        InsertTopLevel(hwnd, true);
    }
    return hwnd;
}

void WindowTree::InsertTopLevel(std::uint32_t hwnd, bool front) {
    const bool topmost = m_windows[hwnd].topmost;
    // The topmost band comes first; a window goes to the front or back of its own band.
    auto band_begin = m_z_order.begin();
    auto band_end = m_z_order.begin();
    while (band_end != m_z_order.end() && m_windows[*band_end].topmost) ++band_end;
    if (!topmost) {
        band_begin = band_end;
        band_end = m_z_order.end();
    }
    m_z_order.insert(front ? band_begin : band_end, hwnd);
}

void WindowTree::Unlink(std::uint32_t hwnd) {
    auto& window = m_windows[hwnd];
    if (window.parent) {
        auto found = m_windows.find(window.parent);
        if (found != m_windows.end()) std::erase(found->second.children, hwnd);
    } else {
        std::erase(m_z_order, hwnd);
    }
}

std::vector<std::uint32_t> WindowTree::Destroy(std::uint32_t hwnd) {
    std::vector<std::uint32_t> destroyed;
    auto found = m_windows.find(hwnd);
    if (found == m_windows.end()) return destroyed;
    // The owned windows of the owner's own thread go first; those of other threads only lose
    // their owner, as on the device: no thread's window is destroyed behind its back, and the
    // thread closes it itself.
    const std::uint32_t thread_client = found->second.owner_client;
    std::vector<std::uint32_t> owned;
    for (auto& [other, window] : m_windows) {
        if (window.owner != hwnd) continue;
        if (window.owner_client == thread_client) owned.push_back(other);
        else window.owner = 0;
    }
    for (auto window : owned) {
        auto more = Destroy(window);
        destroyed.insert(destroyed.end(), more.begin(), more.end());
    }
    found = m_windows.find(hwnd);
    if (found == m_windows.end()) return destroyed;
    for (auto child : std::vector<std::uint32_t>(found->second.children)) {
        auto more = Destroy(child);
        destroyed.insert(destroyed.end(), more.begin(), more.end());
    }
    Unlink(hwnd);
    m_windows.erase(hwnd);
    if (m_foreground == hwnd) m_foreground = 0;
    if (m_capture == hwnd) m_capture = 0;
    destroyed.push_back(hwnd);
    return destroyed;
}

std::vector<std::uint32_t> WindowTree::DestroyAllOf(std::uint32_t owner_client) {
    std::vector<std::uint32_t> owned;
    for (const auto& [hwnd, window] : m_windows)
        if (window.owner_client == owner_client) owned.push_back(hwnd);
    std::vector<std::uint32_t> destroyed;
    for (auto hwnd : owned) {
        auto more = Destroy(hwnd);
        destroyed.insert(destroyed.end(), more.begin(), more.end());
    }
    return destroyed;
}

Window* WindowTree::Get(std::uint32_t hwnd) {
    auto found = m_windows.find(hwnd);
    return found == m_windows.end() ? nullptr : &found->second;
}

const Window* WindowTree::Get(std::uint32_t hwnd) const {
    auto found = m_windows.find(hwnd);
    return found == m_windows.end() ? nullptr : &found->second;
}

std::uint32_t WindowTree::TopLevelOf(std::uint32_t hwnd) const {
    const Window* window = Get(hwnd);
    while (window && window->parent) window = Get(window->parent);
    return window ? window->hwnd : 0;
}

std::uint32_t WindowTree::Find(const std::optional<std::string>& class_name, const std::optional<std::string>& title) const {
    for (auto hwnd : m_z_order) {
        const Window& window = m_windows.at(hwnd);
        if (class_name && !SameText(window.class_name, *class_name)) continue;
        if (title && !SameText(window.title, *title)) continue;
        return hwnd;
    }
    return 0;
}

protocol::Rect WindowTree::ScreenRect(std::uint32_t hwnd) const {
    const Window* window = Get(hwnd);
    if (!window) return {};
    protocol::Rect rect = window->rect;
    for (const Window* parent = Get(window->parent); parent; parent = Get(parent->parent)) {
        rect.left += parent->rect.left;
        rect.right += parent->rect.left;
        rect.top += parent->rect.top;
        rect.bottom += parent->rect.top;
    }
    return rect;
}

bool WindowTree::EffectivelyVisible(std::uint32_t hwnd) const {
    for (const Window* window = Get(hwnd); window; window = Get(window->parent))
        if (!(window->style & kWsVisible)) return false;
    return Get(hwnd) != nullptr;
}

bool WindowTree::EffectivelyEnabled(std::uint32_t hwnd) const {
    for (const Window* window = Get(hwnd); window; window = Get(window->parent))
        if (window->style & kWsDisabled) return false;
    return Get(hwnd) != nullptr;
}

void WindowTree::BringToTop(std::uint32_t hwnd) {
    Window* window = Get(hwnd);
    if (!window) return;
    if (window->parent) {
        auto& siblings = m_windows[window->parent].children;
        std::erase(siblings, hwnd);
        siblings.insert(siblings.begin(), hwnd);
        return;
    }
    std::erase(m_z_order, hwnd);
    InsertTopLevel(hwnd, true);
    KeepOwnedInFront();
}

void WindowTree::SendToBottom(std::uint32_t hwnd) {
    Window* window = Get(hwnd);
    if (!window || window->parent) return;
    std::erase(m_z_order, hwnd);
    InsertTopLevel(hwnd, false);
    KeepOwnedInFront();
}

void WindowTree::SetTopmost(std::uint32_t hwnd, bool topmost) {
    Window* window = Get(hwnd);
    if (!window || window->parent) return;
    // The window's owned windows (and theirs) change band with it, so they stay in front of it.
    std::vector<std::uint32_t> moving{hwnd};
    for (std::size_t i = 0; i < moving.size(); ++i)
        for (auto other : m_z_order)
            if (m_windows.at(other).owner == moving[i]) moving.push_back(other);
    for (auto each : moving) {
        std::erase(m_z_order, each);
        m_windows.at(each).topmost = topmost;
        InsertTopLevel(each, true);
    }
    KeepOwnedInFront();
}

void WindowTree::KeepOwnedInFront() {
    // A window found behind its owner in the owner's band goes just in front of it. Each pass
    // puts right every window it finds out of place; a pass per level of ownership is the most
    // it takes, and the bound keeps a broken chain from looping.
    for (std::size_t pass = 0; pass <= m_z_order.size(); ++pass) {
        bool moved = false;
        for (std::size_t i = 0; i < m_z_order.size(); ++i) {
            const Window& window = m_windows.at(m_z_order[i]);
            if (!window.owner) continue;
            const auto front = m_z_order.begin();
            const auto owner = std::find(front, front + static_cast<std::ptrdiff_t>(i), window.owner);
            if (owner == front + static_cast<std::ptrdiff_t>(i)) continue;  // in front of its owner
            if (m_windows.at(window.owner).topmost != window.topmost) continue;
            const std::uint32_t hwnd = m_z_order[i];
            const auto owner_index = owner - front;
            m_z_order.erase(front + static_cast<std::ptrdiff_t>(i));
            m_z_order.insert(m_z_order.begin() + owner_index, hwnd);
            moved = true;
        }
        if (!moved) return;
    }
}

void WindowTree::PlaceBehind(std::uint32_t hwnd, std::uint32_t after) {
    Window* window = Get(hwnd);
    const Window* anchor = Get(after);
    if (!window || !anchor || window->parent || anchor->parent || hwnd == after) return;
    // A window stays in its band: behind a window of the other band means the edge of its own.
    if (anchor->topmost != window->topmost) {
        if (window->topmost) SendToBottom(hwnd);
        else BringToTop(hwnd);
        return;
    }
    std::erase(m_z_order, hwnd);
    auto position = std::find(m_z_order.begin(), m_z_order.end(), after);
    m_z_order.insert(position == m_z_order.end() ? position : position + 1, hwnd);
    KeepOwnedInFront();
}

std::uint32_t WindowTree::WindowAt(std::int32_t x, std::int32_t y) const {
    auto contains = [&](const protocol::Rect& r, std::int32_t origin_x, std::int32_t origin_y) {
        return x >= origin_x + r.left && x < origin_x + r.right && y >= origin_y + r.top && y < origin_y + r.bottom;
    };
    for (auto hwnd : m_z_order) {
        const Window* window = &m_windows.at(hwnd);
        if (!(window->style & kWsVisible) || !contains(window->rect, 0, 0)) continue;
        std::int32_t origin_x = window->rect.left, origin_y = window->rect.top;
        for (bool deeper = true; deeper;) {
            deeper = false;
            for (auto child_hwnd : window->children) {  // front to back
                const Window& child = m_windows.at(child_hwnd);
                if (!(child.style & kWsVisible) || !contains(child.rect, origin_x, origin_y)) continue;
                window = &child;
                origin_x += child.rect.left;
                origin_y += child.rect.top;
                deeper = true;
                break;
            }
        }
        return window->hwnd;
    }
    return 0;
}

std::uint32_t WindowTree::FrontVisible() const {
    for (auto hwnd : m_z_order)
        if (m_windows.at(hwnd).style & kWsVisible) return hwnd;
    return 0;
}

protocol::WindowInfo WindowTree::Info(std::uint32_t hwnd) const {
    protocol::WindowInfo info;
    const Window* window = Get(hwnd);
    if (!window) return info;
    info.hwnd = hwnd;
    info.parent = window->parent;
    info.class_name = window->class_name;
    info.title = window->title;
    info.process_id = static_cast<std::uint32_t>(window->pid);
    info.thread_id = window->thread_id;
    info.program = window->program;
    info.rect = ScreenRect(hwnd);
    info.visible = EffectivelyVisible(hwnd);
    info.enabled = !(window->style & kWsDisabled);
    info.topmost = window->topmost;
    info.foreground = m_foreground == hwnd;
    info.style = window->style;
    info.owner = window->owner;
    info.ex_style = (window->ex_style & ~kWsExTopmost) | (window->topmost ? kWsExTopmost : 0);
    info.control_id = window->control_id;
    return info;
}

std::uint32_t WindowTree::ChildWithId(std::uint32_t parent, std::uint32_t control_id) const {
    const Window* window = Get(parent);
    if (!window) return 0;
    // Children are kept front to back and a new one goes to the front, so the oldest is last.
    for (auto child = window->children.rbegin(); child != window->children.rend(); ++child)
        if (m_windows.at(*child).control_id == control_id) return *child;
    return 0;
}

std::vector<protocol::WindowInfo> WindowTree::List() const {
    std::vector<protocol::WindowInfo> list;
    std::vector<std::uint32_t> pending(m_z_order.rbegin(), m_z_order.rend());
    while (!pending.empty()) {
        auto hwnd = pending.back();
        pending.pop_back();
        list.push_back(Info(hwnd));
        const auto& children = m_windows.at(hwnd).children;
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return list;
}

}  // namespace server
