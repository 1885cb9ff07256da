#include "server/windows/taskbar.h"

#include <algorithm>

namespace server {

bool BelongsOnTaskbar(const Window& window) {
    return window.parent == 0 && window.owner == 0 && !(window.style & kWsChild) &&
           !(window.ex_style & kWsExToolWindow);
}

std::optional<TaskbarPost> Taskbar::PostAbout(std::uint32_t hwnd, TaskbarNotice notice) const {
    // The taskbar is never told about itself.
    if (!m_taskbar || hwnd == m_taskbar) return std::nullopt;
    return TaskbarPost{m_taskbar, notice, hwnd};
}

std::optional<TaskbarPost> Taskbar::Shown(const Window& window) {
    if (!BelongsOnTaskbar(window) || !m_announced.insert(window.hwnd).second) return std::nullopt;
    return PostAbout(window.hwnd, TaskbarNotice::Created);
}

std::optional<TaskbarPost> Taskbar::Activated(std::uint32_t hwnd) const {
    if (!m_announced.count(hwnd)) return std::nullopt;
    return PostAbout(hwnd, TaskbarNotice::Activated);
}

std::vector<TaskbarPost> Taskbar::Gone(const std::vector<std::uint32_t>& destroyed) {
    if (std::find(destroyed.begin(), destroyed.end(), m_taskbar) != destroyed.end()) m_taskbar = 0;
    std::vector<TaskbarPost> posts;
    for (auto hwnd : destroyed) {
        if (!m_announced.erase(hwnd)) continue;
        if (auto post = PostAbout(hwnd, TaskbarNotice::Destroyed)) posts.push_back(*post);
    }
    return posts;
}

}  // namespace server
