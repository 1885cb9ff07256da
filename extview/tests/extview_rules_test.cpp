// Extview's display modes, camera command line, sound level and outside requests.
#include <gtest/gtest.h>

#include "extview/extview_rules.h"

namespace extview {
namespace {

TEST(CameraMode, OnlyTheExactCommandLine2IsTheCamera)
{
    EXPECT_TRUE(IsCameraCommandLine("2"));
    for (const char* line : {"", "1", "22", "2 ", " 2", "02", "camera"}) EXPECT_FALSE(IsCameraCommandLine(line)) << line;
    EXPECT_EQ(InputChannel(true), 2);
    EXPECT_EQ(InputChannel(false), 1);
    EXPECT_EQ(StartMode(true), kFullScreenMode);
    EXPECT_EQ(StartMode(false), kNormalMode);
}

TEST(DisplayModes, ATapTogglesNormalAndFullScreenAndTheCameraIgnoresIt)
{
    EXPECT_EQ(ModeAfterTap(kNormalMode, false), kFullScreenMode);
    EXPECT_EQ(ModeAfterTap(kFullScreenMode, false), kNormalMode);
    EXPECT_EQ(ModeAfterTap(kFullScreenMode, true), std::nullopt);
    const ModeRect normal = kModeRects[kNormalMode];
    EXPECT_EQ(normal.top, 32);
    EXPECT_EQ(normal.bottom, 408);
}

TEST(AudioLevel, FollowsTheVolumeUnlessMutedOrDucked)
{
    EXPECT_EQ(AudioLevel(7, false, false), 7);
    EXPECT_EQ(AudioLevel(7, true, false), 0);
    EXPECT_EQ(AudioLevel(7, false, true), 0);
    EXPECT_EQ(AudioLevel(12, false, false), 10);
    EXPECT_EQ(AudioLevel(-1, false, false), 0);
}

TEST(OutsideRequests, OnlyCodes0And1Act)
{
    EXPECT_EQ(OutsideRequestOf(0), OutsideRequest::TakePicture);
    EXPECT_EQ(OutsideRequestOf(1), OutsideRequest::LeavePicture);
    for (std::uintptr_t code : {2u, 4096u, 0xFFFFFFFFu}) EXPECT_EQ(OutsideRequestOf(code), std::nullopt) << code;
}

}  // namespace
}  // namespace extview
