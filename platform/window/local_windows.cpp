#include "platform/window/local_windows.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace platform {
namespace {

std::string Fold(const std::string& name) {
    std::string folded = name;
    for (auto& c : folded) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return folded;
}

}  // namespace

LocalWindows& LocalWindows::Instance() {
    static LocalWindows* instance = new LocalWindows;  // outlives every thread's last message
    return *instance;
}

bool LocalWindows::RegisterClass(const std::string& name, WNDPROC procedure) {
    std::lock_guard lock(m_mutex);
    return m_classes.emplace(Fold(name), procedure).second;
}

std::optional<WNDPROC> LocalWindows::ClassProcedure(const std::string& name) {
    std::lock_guard lock(m_mutex);
    auto found = m_classes.find(Fold(name));
    if (found == m_classes.end()) return std::nullopt;
    return found->second;
}

void LocalWindows::SetDrawsText(const std::string& name) {
    std::lock_guard lock(m_mutex);
    m_text_classes[Fold(name)] = true;
}

bool LocalWindows::DrawsText(const std::string& name) {
    std::lock_guard lock(m_mutex);
    return m_text_classes.count(Fold(name)) != 0;
}

void LocalWindows::Add(std::uint32_t hwnd, LocalWindow window) {
    std::lock_guard lock(m_mutex);
    window.created = m_next_created++;
    m_windows[hwnd] = std::move(window);
}

void LocalWindows::Remove(std::uint32_t hwnd) {
    std::lock_guard lock(m_mutex);
    m_windows.erase(hwnd);
}

std::optional<LocalWindow> LocalWindows::Get(std::uint32_t hwnd) {
    std::lock_guard lock(m_mutex);
    auto found = m_windows.find(hwnd);
    if (found == m_windows.end()) return std::nullopt;
    return found->second;
}

bool LocalWindows::SetUserData(std::uint32_t hwnd, LONG_PTR value, LONG_PTR& previous) {
    std::lock_guard lock(m_mutex);
    auto found = m_windows.find(hwnd);
    if (found == m_windows.end()) return false;
    previous = found->second.user_data;
    found->second.user_data = value;
    return true;
}

bool LocalWindows::SetIcon(std::uint32_t hwnd, WPARAM kind, HICON icon, HICON& previous) {
    std::lock_guard lock(m_mutex);
    auto found = m_windows.find(hwnd);
    if (found == m_windows.end() || (kind != ICON_SMALL && kind != ICON_BIG)) return false;
    HICON& slot = kind == ICON_BIG ? found->second.big_icon : found->second.small_icon;
    previous = slot;
    slot = icon;
    return true;
}

HICON LocalWindows::Icon(std::uint32_t hwnd, WPARAM kind) {
    std::lock_guard lock(m_mutex);
    auto found = m_windows.find(hwnd);
    if (found == m_windows.end()) return nullptr;
    if (kind == ICON_BIG) return found->second.big_icon;
    if (kind == ICON_SMALL) return found->second.small_icon;
    return nullptr;
}

void LocalWindows::HoldShowing(std::uint32_t hwnd, bool hold) {
    std::lock_guard lock(m_mutex);
    if (auto found = m_windows.find(hwnd); found != m_windows.end()) found->second.holding_show = hold;
}

bool LocalWindows::HoldsShowing(std::uint32_t hwnd) {
    std::lock_guard lock(m_mutex);
    auto found = m_windows.find(hwnd);
    return found != m_windows.end() && found->second.holding_show;
}

std::vector<std::pair<std::uint32_t, LocalWindow>> LocalWindows::ChildrenOf(std::uint32_t parent) {
    std::vector<std::pair<std::uint32_t, LocalWindow>> children;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& [hwnd, window] : m_windows)
            if (parent && window.parent == parent) children.emplace_back(hwnd, window);
    }
    std::sort(children.begin(), children.end(),
              [](const auto& a, const auto& b) { return a.second.created < b.second.created; });
    return children;
}

std::uint32_t LocalWindows::ChildWithId(std::uint32_t parent, std::uint32_t control_id) {
    std::lock_guard lock(m_mutex);
    std::uint32_t found = 0;
    std::uint64_t oldest = 0;
    for (const auto& [hwnd, window] : m_windows) {
        if (!parent || window.parent != parent || window.control_id != control_id) continue;
        if (!found || window.created < oldest) {
            found = hwnd;
            oldest = window.created;
        }
    }
    return found;
}

std::vector<std::uint32_t> LocalWindows::OwnedBy(DWORD thread_id) {
    std::lock_guard lock(m_mutex);
    std::vector<std::uint32_t> owned;
    for (const auto& [hwnd, window] : m_windows)
        if (window.thread_id == thread_id) owned.push_back(hwnd);
    return owned;
}

}  // namespace platform
