// RouteKit's rules that need no device: where the strip sits on the panel, and when it closes
// by itself.
#pragma once

#include <cstdint>
#include <optional>

namespace routekit {

// The panel width used when the registry has none, or one RouteKit cannot sit on.
constexpr int kDefaultPanelWidth = 800;
// The widest panel taken from the registry.
constexpr int kMostPanelWidth = 4096;
// The strip closes after this many idle ticks of a second have passed (the eleventh).
constexpr int kIdleTicksToClose = 10;

struct StripPlace {
    int left = 0;
    bool panel_replaced = false;  // the registry's width was missing or unusable: 800 taken
};

// The strip's left edge at the panel's right edge: the registry's width (none when it has
// none) less the strip's width. A width of 0, narrower than the strip or wider than
// kMostPanelWidth is taken as 800.
StripPlace PlaceStrip(std::optional<std::uint32_t> panel_width, int strip_width);

// One tick of the idle timer: the new count, and whether the strip closes now.
struct IdleTick {
    int count = 0;
    bool closes = false;
};
IdleTick NextIdleTick(int count);

}  // namespace routekit
