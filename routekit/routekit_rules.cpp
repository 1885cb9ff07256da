#include "routekit/routekit_rules.h"

namespace routekit {

StripPlace PlaceStrip(std::optional<std::uint32_t> panel_width, int strip_width)
{
    StripPlace place;
    int width = kDefaultPanelWidth;
    if (panel_width && *panel_width > 0 && *panel_width <= static_cast<std::uint32_t>(kMostPanelWidth) &&
        static_cast<int>(*panel_width) >= strip_width)
        width = static_cast<int>(*panel_width);
    else
        place.panel_replaced = panel_width.has_value();
    place.left = width - strip_width;
    return place;
}

IdleTick NextIdleTick(int count)
{
    IdleTick tick;
    tick.count = count + 1;
    tick.closes = tick.count > kIdleTicksToClose;
    return tick;
}

}  // namespace routekit
