// The device's page in front of a real device running the skin demo: the deviceweb tool as a
// person starts it, its screen and events over HTTP, and the page in a headless Chromium
// clicked, dragged and typed at as a person would. What the page does is checked on the device
// itself: its screenshots, its named events, its state.
#include <gtest/gtest.h>

#include <httplib.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>
#include <cstdlib>
#include <thread>

#include "platform/device_root.h"
#include "platform/gfx/gfx.h"
#include "platform/gfx/png_file.h"
#include "platform/kernel/kernel.h"
#include "platform/testing/picture_pixel.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"
#include "tools/deviceweb/tests/headless_browser.h"
#include "tools/deviceweb/tests/page_tool.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using deviceweb::testing::HeadlessBrowser;
using deviceweb::testing::PageTool;

// How long a wait may take before the test calls it a hang; a loaded machine may hold any step
// up for seconds.
constexpr auto kHang = 15s;
constexpr std::uint32_t kWidth = 800, kHeight = 480;

using platform::testing::PicturePixel;

class DevicePage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.StartServer());
        ASSERT_TRUE(device.InstallWithResources(SKINDEMO_BINARY, "SKINDEMO.EXE", SKINDEMO_RESOURCES));
        platform::SetResourceDir(SKINDEMO_RESOURCES);
        ASSERT_NE(device.Start("\\NAND\\SKINDEMO.EXE", ""), nullptr);
        ASSERT_TRUE(device.WaitForLog("SKINDEMO.EXE", "SkinDemo: 14 controls from the demo template", kHang));
        page = std::make_unique<PageTool>(DEVICEWEB_BINARY, device.Root());
        ASSERT_FALSE(page->Address().empty()) << "deviceweb printed: " << page->Line();
    }
    void TearDown() override {
        page.reset();
        platform::SetResourceDir("");
    }

    bool Shows(int x, int y, std::uint32_t colour) { return control.ScreenShowing(x, y, colour, kHang).At(x, y) == colour; }
    devicectl::DeviceControl::Screen Now() {
        DWORD error = 0;
        return control.Screenshot(error).value_or(devicectl::DeviceControl::Screen{});
    }

    platform::testing::TemporaryDevice device;
    devicectl::DeviceControl control{device.Root()};
    std::unique_ptr<PageTool> page;
};

TEST_F(DevicePage, TheToolServesTheDevicesScreenAndHearsItChange) {
    httplib::Client client("127.0.0.1", page->Port());
    const auto screen = client.Get("/screen.png");
    ASSERT_TRUE(screen);
    ASSERT_EQ(screen->status, 200);
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::string error;
    ASSERT_TRUE(platform::DecodePng({screen->body.begin(), screen->body.end()}, width, height, pixels, error)) << error;
    EXPECT_EQ(pixels, Now().pixels) << "the page's screen is the device's";

    // A watching page hears of the tap's new picture, and the picture shows the latched button.
    std::vector<std::uint64_t> announced;
    httplib::Client watcher("127.0.0.1", page->Port());
    watcher.set_read_timeout(20, 0);
    std::thread watching([&] {
        watcher.Get("/events", [&](const char* data, std::size_t length) {
            const std::string text(data, length);
            for (std::size_t at = text.find("data: "); at != std::string::npos; at = text.find("data: ", at + 1))
                announced.push_back(std::stoull(text.substr(at + 6)));
            return announced.size() < 2;  // the screen as it was, then the change
        });
    });
    const auto start = Clock::now();
    while (announced.empty() && Clock::now() - start < kHang) std::this_thread::sleep_for(10ms);
    ASSERT_EQ(control.Tap(288, 236), 0u);
    watching.join();
    ASSERT_EQ(announced.size(), 2u);
    const auto after = client.Get("/screen.png");
    ASSERT_TRUE(after);
    ASSERT_TRUE(platform::DecodePng({after->body.begin(), after->body.end()}, width, height, pixels, error)) << error;
    EXPECT_EQ(pixels[236 * kWidth + 250], PicturePixel(301, 96 + 10, 36)) << "play latched, in the pressed frame";

    // The saved screenshot is devicectl's file for the same screen.
    const auto file = device.Root() / "devicectl.png";
    ASSERT_TRUE(control.SaveScreenshot(file, error)) << error;
    const auto saved = client.Get("/screenshot.png");
    ASSERT_TRUE(saved);
    std::ifstream in(file, std::ios::binary);
    const std::string expected((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(saved->body, expected);
}

// Every pixel of the page's picture of the screen is one of the device's pixels at the place it
// scales from (or a neighbour, where the browser's rounding falls between two).
::testing::AssertionResult SameScreenScaled(const std::vector<std::uint32_t>& browser, std::uint32_t browser_width,
                                            double left, double top, double width, double height,
                                            const devicectl::DeviceControl::Screen& screen) {
    std::size_t compared = 0;
    for (int by = static_cast<int>(std::ceil(top)); by < static_cast<int>(top + height); ++by) {
        for (int bx = static_cast<int>(std::ceil(left)); bx < static_cast<int>(left + width); ++bx) {
            const std::uint32_t seen = browser[static_cast<std::size_t>(by) * browser_width + bx];
            const int sx = static_cast<int>((bx + 0.5 - left) * screen.width / width);
            const int sy = static_cast<int>((by + 0.5 - top) * screen.height / height);
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx)
                    found = screen.At(static_cast<std::uint32_t>(sx + dx), static_cast<std::uint32_t>(sy + dy)) == seen;
            if (!found)
                return ::testing::AssertionFailure() << "page pixel " << bx << "," << by << " is 0x" << std::hex << seen
                                                     << ", the device shows 0x" << screen.At(sx, sy) << " at " << std::dec
                                                     << sx << "," << sy;
            ++compared;
        }
    }
    if (compared < screen.width * screen.height / 2) return ::testing::AssertionFailure() << "only " << compared << " pixels";
    return ::testing::AssertionSuccess();
}

TEST_F(DevicePage, InABrowserThePageShowsTheScreenAndThePenKeysAndCardWorkTheDevice) {
    if (const std::string why = HeadlessBrowser::Unavailable(); !why.empty())
        GTEST_SKIP() << "no headless Chromium here (" << why << "); scripts/setup.sh installs it";
    HeadlessBrowser browser(1400, 800);
    ASSERT_TRUE(browser.Started()) << browser.Error();
    ASSERT_TRUE(browser.Navigate(page->Address(), kHang)) << browser.Error();
    ASSERT_TRUE(browser.WaitFor("window.deviceView && deviceView.shown > 0", kHang)) << browser.Error();

    // Where the screen is on the page, in viewport pixels.
    const auto box = browser.Evaluate(
        "(() => { const r = document.getElementById('screen').getBoundingClientRect();"
        " return [r.left, r.top, r.width, r.height]; })()");
    ASSERT_TRUE(box) << browser.Error();
    const double left = (*box)[0], top = (*box)[1], width = (*box)[2], height = (*box)[3];
    ASSERT_NEAR(width / height, double(kWidth) / kHeight, 0.01);
    auto to_page = [&](double x, double y) {
        return std::make_pair(left + (x + 0.5) * width / kWidth, top + (y + 0.5) * height / kHeight);
    };

    // The page shows what the device shows, scaled.
    {
        const auto png = browser.Screenshot();
        ASSERT_TRUE(png) << browser.Error();
        std::uint32_t shot_width = 0, shot_height = 0;
        std::vector<std::uint32_t> pixels;
        std::string error;
        ASSERT_TRUE(platform::DecodePng(*png, shot_width, shot_height, pixels, error)) << error;
        EXPECT_TRUE(SameScreenScaled(pixels, shot_width, left, top, width, height, Now()));
    }

    // A click on play latches it.
    const auto play = to_page(288, 236);
    ASSERT_TRUE(browser.Click(play.first, play.second)) << browser.Error();
    EXPECT_TRUE(Shows(250, 236, PicturePixel(301, 96 + 10, 36))) << "play latches, in the pressed frame";
    EXPECT_TRUE(device.WaitForLog("SKINDEMO.EXE", "SkinDemo: play from 0 s", kHang));
    // ... and the page comes to show the latched button too, pixel for pixel.
    EXPECT_TRUE(browser.WaitFor("(() => { const d = document.getElementById('screen').getContext('2d')"
                                ".getImageData(250, 236, 1, 1).data; return ((d[0] << 16) | (d[1] << 8) | d[2]) === " +
                                    std::to_string(PicturePixel(301, 96 + 10, 36)) + "; })()",
                                kHang))
        << browser.Error();

    // A drag along the seek bar (150,130 500x20) moves it: its fill reaches where the pen let go.
    const std::uint32_t fill = PicturePixel(313, 200, 10);
    EXPECT_NE(Now().At(350, 140), fill) << "the seek bar is empty at the start of the track";
    const auto from = to_page(152, 140);
    const auto to = to_page(420, 140);
    ASSERT_TRUE(browser.Mouse("mousePressed", from.first, from.second));
    for (int step = 1; step <= 10; ++step) {
        ASSERT_TRUE(browser.Mouse("mouseMoved", from.first + (to.first - from.first) * step / 10, from.second));
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_TRUE(browser.Mouse("mouseReleased", to.first, to.second));
    EXPECT_TRUE(Shows(350, 140, fill)) << "the seek bar's fill follows the drag";

    // Key 5 on the keyboard reaches the device as the remote's 5.
    HANDLE five = OpenEvent(EVENT_ALL_ACCESS, FALSE, "REMOCON_EVENT_5");
    ASSERT_NE(five, nullptr);
    ASSERT_TRUE(browser.Key("5")) << browser.Error();
    EXPECT_EQ(WaitForSingleObject(five, 10000), WAIT_OBJECT_0);
    CloseHandle(five);

    // Card out, from the board's button.
    std::string reason;
    ASSERT_TRUE(control.SetMediumInserted(devicectl::DeviceControl::Medium::StorageCard, true, reason)) << reason;
    auto state = control.StateText();
    ASSERT_TRUE(state);
    ASSERT_NE(state->find("storage card   in"), std::string::npos) << *state;
    ASSERT_TRUE(browser.WaitFor("document.getElementById('card').textContent === 'in'", kHang));
    const auto button = browser.Evaluate(
        "(() => { const r = document.getElementById('card-toggle').getBoundingClientRect();"
        " return [r.left + r.width / 2, r.top + r.height / 2]; })()");
    ASSERT_TRUE(button) << browser.Error();
    ASSERT_TRUE(browser.Click((*button)[0], (*button)[1])) << browser.Error();
    const auto end = Clock::now() + kHang;
    while (Clock::now() < end && (!state || state->find("storage card   out") == std::string::npos)) {
        std::this_thread::sleep_for(50ms);
        state = control.StateText();
    }
    ASSERT_TRUE(state);
    EXPECT_NE(state->find("storage card   out"), std::string::npos) << *state;
    EXPECT_TRUE(browser.WaitFor("document.getElementById('card').textContent === 'out'", kHang));
    EXPECT_EQ(browser.Evaluate("deviceView.problems")->get<int>(), 0) << "no request of the page was refused";
}

}  // namespace
