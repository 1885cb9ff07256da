// The platform's taskbar: the one window a program registered to hear about the windows that
// belong on a taskbar, and which of those windows it has been told about. A window belongs on
// the taskbar when it is top-level, has no owner, and is neither a child nor a tool window; it
// is announced when it first becomes visible (its program has set its title by then), and only
// an announced window is reported as activated and destroyed. Windows that came into view
// before the registration count as announced: a taskbar lists those itself when it starts.
#pragma once

#include <cstdint>
#include <optional>
#include <unordered_set>
#include <vector>

#include "server/windows/window_tree.h"

namespace server {

// The message the taskbar window gets, posted: WM_USER, wParam the notice, lParam the window.
constexpr std::uint32_t kTaskbarMessage = 0x0400;
enum class TaskbarNotice : std::uint32_t { Created = 6, Destroyed = 7, Activated = 8 };

struct TaskbarPost {
    std::uint32_t taskbar = 0;  // where it goes
    TaskbarNotice notice = TaskbarNotice::Created;
    std::uint32_t hwnd = 0;     // the window concerned
};

bool BelongsOnTaskbar(const Window& window);

class Taskbar {
public:
    void Register(std::uint32_t hwnd) { m_taskbar = hwnd; }
    std::uint32_t Registered() const { return m_taskbar; }

    // A window is visible now; the Created post the first time one that belongs does.
    std::optional<TaskbarPost> Shown(const Window& window);
    // A window became the foreground window.
    std::optional<TaskbarPost> Activated(std::uint32_t hwnd) const;
    // Windows that are gone: Destroyed posts for the announced ones. The registration ends when
    // the taskbar window is among them.
    std::vector<TaskbarPost> Gone(const std::vector<std::uint32_t>& destroyed);

private:
    std::optional<TaskbarPost> PostAbout(std::uint32_t hwnd, TaskbarNotice notice) const;

    std::uint32_t m_taskbar = 0;
    std::unordered_set<std::uint32_t> m_announced;
};

}  // namespace server
