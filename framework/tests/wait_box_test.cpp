// The wait boxes and the warning box, on the real server's screen, with skin pictures made
// for the test (each spinner frame and bar row a colour of its own).
#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

#include "framework/wait_box.h"
#include "platform/device_root.h"
#include "platform/gfx/gfx.h"
#include "platform/kernel/kernel.h"
#include "platform/testing/temporary_device.h"
#include "platform/testing/test_window.h"
#include "tools/devicectl/device_control.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How long a wait may take before the test calls it a hang. What is waited for comes far
// sooner, but a loaded machine may hold any step up for seconds.
constexpr auto kHang = 10s;

constexpr std::uint32_t kGrey = 0x404040, kGreen = 0x00C000;
std::uint32_t SpinnerColour(int frame) { return 0x200000u * static_cast<std::uint32_t>(frame + 1) + 0x0010FF; }

void WritePicture(const std::filesystem::path& dir, UINT id, int width, int height,
                  const std::function<std::uint32_t(int x, int y)>& colour) {
    ASSERT_TRUE(platform::testing::WriteTestPicture(dir, id, width, height, colour)) << id;
}

class WaitBoxes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.StartServer());
        resources = device.Root() / "resources";
        std::filesystem::create_directories(resources);
        WritePicture(resources, 156, 61 * 8, 61, [](int x, int y) {
            return (x % 61 < 4 && y < 4) ? 0xFF00FFu : SpinnerColour(x / 61);  // a magenta corner
        });
        WritePicture(resources, 182, 235, 225, [](int, int y) { return 0x111111u * static_cast<std::uint32_t>(y / 75 + 1); });
        WritePicture(resources, 183, 390, 14, [](int, int y) { return y < 7 ? kGrey : kGreen; });
        WritePicture(resources, 185, 400, 64, [](int, int) { return 0xFFFFFFu; });
        std::ofstream(resources / "strings.txt") << "1\t현재모드에서 지원하지 않는 기능입니다.\n";
        platform::SetResourceDir(resources.string());
    }
    void TearDown() override { platform::SetResourceDir(""); }
    void Pump(std::chrono::milliseconds duration) { platform::testing::PumpFor(duration); }
    // Pumps until the screen shows the colour at a point; the last screen either way.
    devicectl::DeviceControl::Screen ScreenShowing(int x, int y, std::uint32_t colour, bool pump = true) {
        devicectl::DeviceControl control(device.Root());
        DWORD error = 0;
        std::optional<devicectl::DeviceControl::Screen> screen;
        const auto end = Clock::now() + kHang;
        do {
            if (pump) Pump(10ms);
            else std::this_thread::sleep_for(10ms);
            screen = control.Screenshot(error);
        } while (!(screen && screen->At(x, y) == colour) && Clock::now() < end);
        return screen.value_or(devicectl::DeviceControl::Screen{});
    }
    platform::testing::TemporaryDevice device;
    std::filesystem::path resources;
};

TEST_F(WaitBoxes, HomeDeckProgressFillsItsShareOfTheBar) {
    CHomeDeckWaitBox box;
    ASSERT_TRUE(box.Create());
    EXPECT_FALSE(IsWindowVisible(box.Window()));
    ShowWaitBox("CHomeDeckWaitBox");
    auto screen = ScreenShowing(205, 343, kGrey);
    ASSERT_EQ(screen.At(205, 343), kGrey) << "progress 0 shows the empty bar";
    EXPECT_EQ(screen.At(594, 343), kGrey);
    EXPECT_EQ(screen.At(10, 10), 0x210808u) << "the dark background";

    SetWaitProgress("CHomeDeckWaitBox", 50);
    screen = ScreenShowing(399, 343, kGreen);
    EXPECT_EQ(screen.At(205, 343), kGreen);
    EXPECT_EQ(screen.At(399, 343), kGreen) << "195 pixels filled";
    EXPECT_EQ(screen.At(400, 343), kGrey);
    SetWaitProgress("CHomeDeckWaitBox", 100);
    screen = ScreenShowing(594, 343, kGreen);
    EXPECT_EQ(screen.At(594, 343), kGreen) << "all 390 filled";
    HideWaitBox("CHomeDeckWaitBox");
    EXPECT_FALSE(IsWindowVisible(box.Window()));
}

TEST_F(WaitBoxes, ASpinnerShownTwiceRestartsAtFrameZeroInOneWindow) {
    CSpinnerWaitBox box("CMusicWaitBox", 156);
    ASSERT_TRUE(box.Create());
    ShowWaitBox("CMusicWaitBox");
    auto screen = ScreenShowing(399, 239, SpinnerColour(0), false);
    EXPECT_EQ(screen.At(399, 239), SpinnerColour(0));
    EXPECT_NE(screen.At(370, 210), 0xFF00FFu) << "the key colour is not drawn";
    screen = ScreenShowing(399, 239, SpinnerColour(2), false);
    EXPECT_NE(screen.At(399, 239), SpinnerColour(0)) << "the spinner turns";
    ShowWaitBox("CMusicWaitBox");
    screen = ScreenShowing(399, 239, SpinnerColour(0), false);
    EXPECT_EQ(screen.At(399, 239), SpinnerColour(0)) << "a second show starts again at frame 0";
    devicectl::DeviceControl control(device.Root());
    int boxes = 0;
    for (const auto& window : control.Windows()) boxes += window.class_name == "CMusicWaitBox";
    EXPECT_EQ(boxes, 1);
    HideWaitBox("CMusicWaitBox");
    EXPECT_FALSE(IsWindowVisible(box.Window()));
    box.Destroy();
    EXPECT_TRUE(device.WaitForLog(platform::ProgramName(), "Wait: Destroy"));
    EXPECT_EQ(FindWindow("CMusicWaitBox", ""), nullptr);
}

TEST_F(WaitBoxes, TheWarningBoxClosesByItselfAfterTwoSecondsOrAtOnceOnATap) {
    // The box's two seconds start after each start taken here: it cannot close by itself
    // sooner than two seconds after it.
    auto start = Clock::now();
    std::thread by_itself([] { ShowWarning(1); });
    EXPECT_EQ(ScreenShowing(300, 215, 0xFFFFFFu, false).At(300, 215), 0xFFFFFFu) << "the box shows";
    EXPECT_NE(FindWindow("CWarningBox", ""), nullptr);
    by_itself.join();
    EXPECT_GE(Clock::now() - start, 1900ms) << "it stays for its two seconds";
    EXPECT_EQ(FindWindow("CWarningBox", ""), nullptr);
    EXPECT_TRUE(device.WaitForLog(platform::ProgramName(), "WM_DESTROY!!!!!!!!!!"));

    // A tap or a key reaches the box once it is on the screen; gone before its two seconds
    // are up, it was the tap or the key that closed it.
    std::atomic<bool> closed{false};
    start = Clock::now();
    std::thread tapped([&] {
        ShowWarning(1);
        closed = true;
    });
    ASSERT_EQ(ScreenShowing(300, 215, 0xFFFFFFu, false).At(300, 215), 0xFFFFFFu) << "the box shows";
    devicectl::DeviceControl control(device.Root());
    EXPECT_EQ(control.Tap(400, 240), 0u);
    tapped.join();
    EXPECT_TRUE(closed.load());
    EXPECT_LT(Clock::now() - start, 2000ms) << "a tap closes it before its time";

    ASSERT_EQ(ScreenShowing(300, 215, 0u, false).At(300, 215), 0u) << "the box has left the screen";
    start = Clock::now();
    std::thread keyed([] { ShowWarning(1); });
    ASSERT_EQ(ScreenShowing(300, 215, 0xFFFFFFu, false).At(300, 215), 0xFFFFFFu) << "the box shows";
    EXPECT_EQ(control.Key("enter"), 0u);
    keyed.join();
    EXPECT_LT(Clock::now() - start, 2000ms) << "a key closes it before its time";
}

}  // namespace
