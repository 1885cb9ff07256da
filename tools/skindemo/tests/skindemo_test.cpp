// The skin demo as a person uses it on a device: its screen comes from the installed template
// and skin, the pen works its controls, and home ends it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/device_root.h"
#include "platform/gfx/gfx.h"
#include "platform/testing/picture_pixel.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How long a wait may take before the test calls it a hang. What is waited for comes far
// sooner, but a loaded machine may hold any step up for seconds.
constexpr auto kHang = 10s;

using platform::testing::PicturePixel;

class SkinDemo : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.StartServer());
        ASSERT_TRUE(device.InstallWithResources(SKINDEMO_BINARY, "SKINDEMO.EXE", SKINDEMO_RESOURCES));
        platform::SetResourceDir(SKINDEMO_RESOURCES);
    }
    void TearDown() override { platform::SetResourceDir(""); }

    // Whether the screen comes to show a colour at a point.
    bool Shows(int x, int y, std::uint32_t colour) { return control.ScreenShowing(x, y, colour, kHang).At(x, y) == colour; }
    // The screen as it is now.
    devicectl::DeviceControl::Screen Now() {
        DWORD error = 0;
        return control.Screenshot(error).value_or(devicectl::DeviceControl::Screen{});
    }
    bool WindowShown(const std::string& name, bool shown) {
        const auto end = Clock::now() + kHang;
        while ((control.FindWindowByName(name) != 0) != shown) {
            if (Clock::now() >= end) return false;
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

    platform::testing::TemporaryDevice device;
    devicectl::DeviceControl control{device.Root()};
};

TEST_F(SkinDemo, ItsScreenComesFromTheTemplateAndThePenWorksIt) {
    ASSERT_NE(device.Start("\\NAND\\SKINDEMO.EXE", ""), nullptr);
    ASSERT_TRUE(device.WaitForLog("SKINDEMO.EXE", "SkinDemo: 14 controls from the demo template", kHang));
    // The play button (template control at 240,200) in its normal frame, then latched.
    EXPECT_TRUE(Shows(250, 236, PicturePixel(301, 10, 36)));
    ASSERT_EQ(control.Tap(288, 236), 0u);
    EXPECT_TRUE(Shows(250, 236, PicturePixel(301, 96 + 10, 36))) << "play latches, in the pressed frame";
    EXPECT_TRUE(device.WaitForLog("SKINDEMO.EXE", "SkinDemo: play from 0 s", kHang));
    // Volume up twice from 6: the slider's eighth segment (at 240 + 8 + 7 * 22) fills.
    const std::uint32_t segment = PicturePixel(311, 11, 12);
    EXPECT_NE(Now().At(248 + 7 * 22 + 11, 336), segment) << "the eighth segment is dark at volume 6";
    ASSERT_EQ(control.Tap(538, 336), 0u);
    ASSERT_EQ(control.Tap(538, 336), 0u);
    EXPECT_TRUE(device.WaitForLog("SKINDEMO.EXE", "SkinDemo: volume 8", kHang));
    EXPECT_TRUE(Shows(248 + 7 * 22 + 11, 336, segment));
    // Settings is not supported here: the warning box, which closes by itself.
    ASSERT_EQ(control.Tap(700, 432), 0u);
    EXPECT_TRUE(WindowShown("CWarningBox", true));
    EXPECT_TRUE(WindowShown("CWarningBox", false));
    // Home ends the demo.
    ASSERT_EQ(control.Tap(68, 432), 0u);
    EXPECT_TRUE(WindowShown("SkinDemo", false));
}

}  // namespace
