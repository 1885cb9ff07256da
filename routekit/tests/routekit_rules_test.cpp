// Where RouteKit's strip sits on the panel and when it closes by itself.
#include <gtest/gtest.h>

#include "routekit/routekit_rules.h"

namespace routekit {
namespace {

constexpr int kStrip = 153;

TEST(PlaceStrip, SitsAtTheRightEdgeOfTheRegistrysPanelOrOf800)
{
    EXPECT_EQ(PlaceStrip(std::nullopt, kStrip).left, 800 - kStrip);
    EXPECT_FALSE(PlaceStrip(std::nullopt, kStrip).panel_replaced) << "no registry value is no fault";
    EXPECT_EQ(PlaceStrip(720u, kStrip).left, 720 - kStrip);
    EXPECT_EQ(PlaceStrip(4096u, kStrip).left, 4096 - kStrip);
    EXPECT_EQ(PlaceStrip(static_cast<std::uint32_t>(kStrip), kStrip).left, 0) << "a panel as wide as the strip";
}

TEST(PlaceStrip, AWidthItCannotSitOnIsTakenAs800AndSaidSo)
{
    for (std::uint32_t width : {0u, 1u, static_cast<std::uint32_t>(kStrip - 1), 4097u, 0xFFFFFFFFu}) {
        const StripPlace place = PlaceStrip(width, kStrip);
        EXPECT_EQ(place.left, 800 - kStrip) << width;
        EXPECT_TRUE(place.panel_replaced) << width;
    }
}

TEST(IdleTicks, TheEleventhTickClosesTheStrip)
{
    int count = 0;
    for (int tick = 1; tick <= 10; ++tick) {
        const IdleTick next = NextIdleTick(count);
        EXPECT_FALSE(next.closes) << tick;
        count = next.count;
    }
    EXPECT_TRUE(NextIdleTick(count).closes);
}

}  // namespace
}  // namespace routekit
