#include "homedeck/taskbar_state.h"

#include <algorithm>
#include <array>
#include <utility>

namespace homedeck {
namespace {

constexpr std::array<std::pair<std::string_view, std::uint32_t>, 10> kKinds = {{
    {"APP_HOMEDECK", KIND_HOMEDECK},
    {"APP_MUSIC", KIND_MUSIC},
    {"APP_MOVIE", KIND_MOVIE},
    {"APP_PHOTO", KIND_PHOTO},
    {"APP_BROWSER", KIND_BROWSER},
    {"APP_ROUTEKIT", KIND_ROUTEKIT},
    {"DMB_TELECAST", KIND_TELECAST},
    {"APP_EXTVIEW", KIND_EXTVIEW},
    {"STACKER", KIND_STACKER},
    {"Wayfarer", KIND_WAYFARER},
}};

}  // namespace

std::uint32_t ProgramKindOf(std::string_view title)
{
    for (const auto& [name, kind] : kKinds)
        if (name == title)
            return kind;
    return 0;
}

std::uint32_t TaskbarState::KindOf(std::uintptr_t window) const
{
    const auto found = std::find_if(m_windows.begin(), m_windows.end(), [&](const Entry& e) { return e.window == window; });
    return found == m_windows.end() ? 0 : found->kind;
}

void TaskbarState::WindowCreated(std::uintptr_t window, std::string_view title)
{
    const std::uint32_t kind = ProgramKindOf(title);
    // A window announced twice keeps one entry; past ten windows the newest are not tracked.
    if (kind == 0 || KindOf(window) != 0 || m_windows.size() >= kMaxWindows)
        return;
    m_windows.push_back({window, kind});
}

void TaskbarState::WindowDestroyed(std::uintptr_t window)
{
    std::erase_if(m_windows, [&](const Entry& e) { return e.window == window; });
}

void TaskbarState::ShowIfAllowed(TaskbarSteps& steps)
{
    if (!m_expired || m_map_state != kMapUp)
        return;
    m_shown = true;
    steps.push_back({TaskbarAction::Show});
}

void TaskbarState::Hide(TaskbarSteps& steps)
{
    m_shown = false;
    steps.push_back({TaskbarAction::KillTimer});
    steps.push_back({TaskbarAction::Hide});
}

TaskbarSteps TaskbarState::WindowActivated(std::uintptr_t window, std::uint32_t pip_mode)
{
    TaskbarSteps steps;
    const std::uint32_t kind = KindOf(window);
    if (kind == KIND_WAYFARER) {
        ShowIfAllowed(steps);
        steps.push_back({TaskbarAction::StartTimer, kAfterActivation});
    } else if (kind == KIND_ROUTEKIT || (kind == KIND_TELECAST && pip_mode != 0)) {
        ShowIfAllowed(steps);
    } else {
        // Any other window in front, the launcher's own among them, covers the map.
        Hide(steps);
    }
    return steps;
}

TaskbarSteps TaskbarState::OutsideMessage(std::uint32_t code)
{
    TaskbarSteps steps;
    switch (code) {
    case kMapDown:
        if (m_map_state != kMapDown) {
            m_shown = false;
            steps.push_back({TaskbarAction::Hide});
            m_map_state = kMapDown;
            steps.push_back({TaskbarAction::WriteMapMode, 0});
        }
        break;
    case kMapUp:
        if (m_map_state != kMapUp) {
            m_map_state = kMapUp;
            steps.push_back({TaskbarAction::WriteMapMode, 1});
            ShowIfAllowed(steps);
        }
        break;
    case kMapReset:
        m_expired = false;
        m_map_state = kMapDown;
        steps.push_back({TaskbarAction::WriteMapMode, 0});
        break;
    case kMapDelay:
        steps.push_back({TaskbarAction::StartTimer, kAfterDelay});
        break;
    default:
        break;
    }
    return steps;
}

TaskbarSteps TaskbarState::TimerFired(bool navigation_in_front)
{
    TaskbarSteps steps{{TaskbarAction::KillTimer}};
    m_expired = true;
    if (navigation_in_front)
        ShowIfAllowed(steps);
    return steps;
}

TaskbarSteps TaskbarState::Released(bool routekit_running) const
{
    if (routekit_running)
        return {};
    return {{TaskbarAction::StartRouteKit}};
}

}  // namespace homedeck
