// The screen size programs read is the one device.conf gives the server.
#include <fstream>
#include <gtest/gtest.h>

#include "platform/device_root.h"
#include "platform/testing/temporary_device.h"
#include "platform/window/window.h"

namespace {

TEST(SystemMetrics, TheScreenIsDeviceConfsWithTheServersBounds) {
    platform::testing::TemporaryDevice device;
    std::ofstream(device.Root() / "device.conf", std::ios::app) << "screen_width = 480\nscreen_height = 272\n";
    platform::ReloadConfig();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 480);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 272);
    EXPECT_EQ(GetSystemMetrics(42), 0);

    std::ofstream(device.Root() / "device.conf", std::ios::trunc) << "screen_width = 9\nscreen_height = 100000\n";
    platform::ReloadConfig();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 16) << "as small as the server makes a screen";
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 4096);

    std::ofstream(device.Root() / "device.conf", std::ios::trunc) << "audio = fake\n";
    platform::ReloadConfig();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800) << "the board's default";
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 480);
}

}  // namespace
