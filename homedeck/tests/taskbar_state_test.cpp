#include "homedeck/taskbar_state.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace homedeck {
namespace {

constexpr std::uintptr_t kWayfarer = 0x10001;
constexpr std::uintptr_t kHomeDeck = 0x10002;
constexpr std::uintptr_t kTelecast = 0x10003;
constexpr std::uintptr_t kRouteKit = 0x10004;
constexpr std::uintptr_t kMusic = 0x10005;

using Step = TaskbarStep;
using A = TaskbarAction;

TaskbarState Running()
{
    TaskbarState state;
    state.WindowCreated(kWayfarer, "Wayfarer");
    state.WindowCreated(kHomeDeck, "APP_HOMEDECK");
    state.WindowCreated(kTelecast, "DMB_TELECAST");
    state.WindowCreated(kRouteKit, "APP_ROUTEKIT");
    state.WindowCreated(kMusic, "APP_MUSIC");
    return state;
}

TEST(TaskbarState, KindsByWindowTitle)
{
    EXPECT_EQ(ProgramKindOf("APP_HOMEDECK"), 1u);
    EXPECT_EQ(ProgramKindOf("APP_BROWSER"), 16u);
    EXPECT_EQ(ProgramKindOf("STACKER"), 256u);
    EXPECT_EQ(ProgramKindOf("Wayfarer"), 512u);
    EXPECT_EQ(ProgramKindOf("wayfarer"), 0u);
    EXPECT_EQ(ProgramKindOf(""), 0u);
}

// The map timer must have run out once, and the map must be up (51), before the button shows;
// it shows over the navigation program, RouteKit, and Telecast's picture over the map.
TEST(TaskbarState, TheButtonShowsOnlyOverTheMapOnceTheTimerRanOut)
{
    struct Case {
        const char* name;
        std::vector<std::function<TaskbarSteps(TaskbarState&)>> before;
        std::function<TaskbarSteps(TaskbarState&)> event;
        TaskbarSteps expected;
        std::uint32_t mapMode;
    };
    auto map_up = [](TaskbarState& s) { return s.OutsideMessage(51); };
    auto navigation_timer = [](TaskbarState& s) { return s.TimerFired(true); };
    auto other_timer = [](TaskbarState& s) { return s.TimerFired(false); };
    const Case cases[] = {
        {"navigation activated before the map is up starts the timer only", {},
         [](TaskbarState& s) { return s.WindowActivated(kWayfarer, 0); }, {Step{A::StartTimer, 1000}}, 50},
        {"the map comes up: MapMode 1, the timer has not run out", {},
         map_up, {Step{A::WriteMapMode, 1}}, 51},
        {"the timer runs out over the map: the button shows", {map_up},
         navigation_timer, {Step{A::KillTimer}, Step{A::Show}}, 51},
        {"the timer runs out over another program: it stays hidden", {map_up},
         other_timer, {Step{A::KillTimer}}, 51},
        {"navigation activated after the timer ran out", {map_up, other_timer},
         [](TaskbarState& s) { return s.WindowActivated(kWayfarer, 0); },
         {Step{A::Show}, Step{A::StartTimer, 1000}}, 51},
        {"the map coming up after the timer ran out shows it", {other_timer},
         map_up, {Step{A::WriteMapMode, 1}, Step{A::Show}}, 51},
        {"RouteKit activated over the map", {map_up, other_timer},
         [](TaskbarState& s) { return s.WindowActivated(kRouteKit, 0); }, {Step{A::Show}}, 51},
        {"Telecast's picture over the map", {map_up, other_timer},
         [](TaskbarState& s) { return s.WindowActivated(kTelecast, 1); }, {Step{A::Show}}, 51},
        {"Telecast full screen hides it", {map_up, other_timer},
         [](TaskbarState& s) { return s.WindowActivated(kTelecast, 0); }, {Step{A::KillTimer}, Step{A::Hide}}, 51},
        {"HomeDeck in front hides it", {map_up, navigation_timer},
         [](TaskbarState& s) { return s.WindowActivated(kHomeDeck, 0); }, {Step{A::KillTimer}, Step{A::Hide}}, 51},
        {"a window it does not track hides it", {map_up, navigation_timer},
         [](TaskbarState& s) { return s.WindowActivated(0x20000, 0); }, {Step{A::KillTimer}, Step{A::Hide}}, 51},
        {"the map is covered: hidden, MapMode 0", {map_up},
         [](TaskbarState& s) { return s.OutsideMessage(50); }, {Step{A::Hide}, Step{A::WriteMapMode, 0}}, 50},
        {"covered twice: the second changes nothing", {},
         [](TaskbarState& s) { return s.OutsideMessage(50); }, {}, 50},
        {"up twice: the second changes nothing", {map_up},
         map_up, {}, 51},
        {"the navigation program ends: MapMode 0 and the timer must run out again", {map_up, navigation_timer},
         [](TaskbarState& s) { s.OutsideMessage(10); return s.OutsideMessage(51); }, {Step{A::WriteMapMode, 1}}, 51},
        {"a later show: the timer restarts with 8 s", {},
         [](TaskbarState& s) { return s.OutsideMessage(11); }, {Step{A::StartTimer, 8000}}, 50},
        {"an unknown code does nothing", {map_up},
         [](TaskbarState& s) { return s.OutsideMessage(30); }, {}, 51},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TaskbarState state = Running();
        for (const auto& step : c.before)
            step(state);
        EXPECT_EQ(c.event(state), c.expected);
        EXPECT_EQ(state.MapState(), c.mapMode);
    }
}

TEST(TaskbarState, ReleaseStartsOneRouteKit)
{
    TaskbarState state;
    EXPECT_EQ(state.Released(false), TaskbarSteps{Step{A::StartRouteKit}});
    EXPECT_EQ(state.Released(true), TaskbarSteps{}) << "RouteKit already runs";
}

// Notifications for more than ten windows, for a window twice, or for one already gone keep
// the list within ten entries and free of duplicates.
TEST(TaskbarState, TheWindowListStaysWithinTenWithoutDuplicates)
{
    TaskbarState state;
    const char* titles[] = {"APP_HOMEDECK", "APP_MUSIC", "APP_MOVIE", "APP_PHOTO", "APP_BROWSER", "APP_ROUTEKIT",
                            "DMB_TELECAST", "APP_EXTVIEW", "STACKER", "Wayfarer", "APP_MUSIC", "APP_MOVIE"};
    std::uintptr_t window = 0x10000;
    for (const char* title : titles)
        state.WindowCreated(++window, title);
    EXPECT_EQ(state.WindowCount(), 10u);
    EXPECT_EQ(state.KindOf(0x10011), 0u) << "the eleventh window is not tracked";
    state.WindowCreated(0x10001, "APP_HOMEDECK");
    state.WindowCreated(0x10001, "APP_MUSIC");
    EXPECT_EQ(state.WindowCount(), 10u);
    EXPECT_EQ(state.KindOf(0x10001), KIND_HOMEDECK) << "a second notification changes nothing";
    state.WindowCreated(0x30000, "Notepad");
    EXPECT_EQ(state.WindowCount(), 10u);
    state.WindowDestroyed(0x10002);
    state.WindowDestroyed(0x10002);
    state.WindowDestroyed(0x99999);
    EXPECT_EQ(state.WindowCount(), 9u);
    EXPECT_EQ(state.KindOf(0x10002), 0u);
    state.WindowCreated(0x10002, "APP_MUSIC");
    EXPECT_EQ(state.KindOf(0x10002), KIND_MUSIC);
}

}  // namespace
}  // namespace homedeck
