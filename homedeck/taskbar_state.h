// The floating button over the navigation map that opens RouteKit: which program windows run,
// whether the map is up ("MapMode"), and when the button shows. The button's window feeds it
// the platform's window notifications, the outside message 8590 and its timer, and carries out
// what it asks.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace homedeck {

// Kind bits of the program windows the button tracks, by window title.
enum ProgramKind : std::uint32_t {
    KIND_HOMEDECK = 1,
    KIND_MUSIC = 2,
    KIND_MOVIE = 4,
    KIND_PHOTO = 8,
    KIND_BROWSER = 16,
    KIND_ROUTEKIT = 32,
    KIND_TELECAST = 64,
    KIND_EXTVIEW = 128,
    KIND_STACKER = 256,
    KIND_WAYFARER = 512,
};
// The kind of a window title; 0 for a window the button does not track.
std::uint32_t ProgramKindOf(std::string_view title);

// What the button's window does.
enum class TaskbarAction {
    Show,             // show, topmost, without activating
    Hide,             // hide and leave the topmost band
    StartTimer,       // (re)start the map timer with the action's milliseconds
    KillTimer,        // stop the map timer
    WriteMapMode,     // write the registry value "MapMode" (the action's value)
    StartRouteKit,    // post 2239 to every top-level window
};
struct TaskbarStep {
    TaskbarAction action;
    std::uint32_t value = 0;  // StartTimer: milliseconds; WriteMapMode: 0 or 1
    bool operator==(const TaskbarStep&) const = default;
};
using TaskbarSteps = std::vector<TaskbarStep>;

class TaskbarState {
public:
    static constexpr std::size_t kMaxWindows = 10;
    static constexpr std::uint32_t kMapUp = 51;      // 8590 code: the map is up
    static constexpr std::uint32_t kMapDown = 50;    // 8590 code: the map is covered
    static constexpr std::uint32_t kMapReset = 10;   // 8590 code: the navigation program ends
    static constexpr std::uint32_t kMapDelay = 11;   // 8590 code: show the button later
    static constexpr std::uint32_t kAfterActivation = 1000;  // ms
    static constexpr std::uint32_t kAfterDelay = 8000;       // ms

    // A top-level program window appeared (shown for the first time) or went away.
    void WindowCreated(std::uintptr_t window, std::string_view title);
    void WindowDestroyed(std::uintptr_t window);
    // A window was activated. pip_mode: the registry value "PipMode" (Telecast shows its
    // picture over the map).
    TaskbarSteps WindowActivated(std::uintptr_t window, std::uint32_t pip_mode);
    // The outside message 8590 with its code.
    TaskbarSteps OutsideMessage(std::uint32_t code);
    // The map timer fired; navigation_in_front: the navigation program is the foreground window.
    TaskbarSteps TimerFired(bool navigation_in_front);
    // The pen left the button inside it; routekit_running: RouteKit's window exists.
    TaskbarSteps Released(bool routekit_running) const;

    std::uint32_t MapState() const { return m_map_state; }
    bool Expired() const { return m_expired; }
    bool Shown() const { return m_shown; }
    std::size_t WindowCount() const { return m_windows.size(); }
    std::uint32_t KindOf(std::uintptr_t window) const;

private:
    void ShowIfAllowed(TaskbarSteps& steps);
    void Hide(TaskbarSteps& steps);

    struct Entry {
        std::uintptr_t window;
        std::uint32_t kind;
    };
    std::vector<Entry> m_windows;
    std::uint32_t m_map_state = kMapDown;
    bool m_expired = false;
    bool m_shown = false;
};

}  // namespace homedeck
