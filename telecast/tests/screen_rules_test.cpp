#include "telecast/screen_rules.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace telecast {
namespace {

TEST(IdleCount, ReachesFullScreenAfterFiveCountingSecondsAndStartsOverWhenNotCounting)
{
    int seconds = 0;
    for (int i = 0; i < 4; ++i) seconds = NextIdleCount(seconds, true);
    EXPECT_EQ(seconds, 4);
    seconds = NextIdleCount(seconds, false);  // a scan, or picture-in-picture
    EXPECT_EQ(seconds, 0);
    for (int i = 0; i < kIdleSecondsToFullScreen; ++i) seconds = NextIdleCount(seconds, true);
    EXPECT_EQ(seconds, kIdleSecondsToFullScreen);
}

TEST(NarrowedPicture, LeavesTheSidePanelAndRefusesAPanelThatLeavesNoPicture)
{
    EXPECT_EQ(NarrowedRect(200, 800, 480), (ScreenRect{0, 0, 600, 480}));
    EXPECT_EQ(NarrowedRect(0, 800, 480), (ScreenRect{0, 0, 800, 480})) << "no panel: the whole screen";
    EXPECT_EQ(NarrowedRect(799, 800, 480), (ScreenRect{0, 0, 1, 480}));
    EXPECT_FALSE(NarrowedRect(800, 800, 480)) << "a window of no width";
    EXPECT_FALSE(NarrowedRect(5000, 800, 480));
    EXPECT_FALSE(NarrowedRect(-1, 800, 480)) << "a window wider than the screen";
}

TEST(CopyDataPayload, IsReadOnlyWhenItHoldsExactlyFourBytes)
{
    const std::uint8_t bytes[] = {0x01, 0x02, 0x00, 0x80, 0x55};
    EXPECT_EQ(CopyDataValue(bytes, 4), static_cast<std::int32_t>(0x80000201u)) << "little-endian";
    const std::int32_t one = 1;
    EXPECT_EQ(CopyDataValue(&one, sizeof one), 1);
    EXPECT_FALSE(CopyDataValue(bytes, 3));
    EXPECT_FALSE(CopyDataValue(bytes, 5));
    EXPECT_FALSE(CopyDataValue(nullptr, 4));
    EXPECT_FALSE(CopyDataValue(nullptr, 0));
}

}  // namespace
}  // namespace telecast
