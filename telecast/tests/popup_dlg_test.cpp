// Telecast's popup control panel on the real server's screen, built from Telecast's own dialog
// template with pictures made for the test: each picture's normal frame, pressed frame and
// disabled row a colour of its own. The test's own window stands in for the main dialog, owns
// the panel and records the commands it is sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/device_root.h"
#include "platform/gfx/gfx.h"
#include "platform/testing/temporary_device.h"
#include "platform/testing/test_window.h"
#include "telecast/tests/screen_waits.h"
#include "telecast/popup_dlg.h"
#include "tools/devicectl/device_control.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using telecast::CPopupDlg;
using telecast::ListType;
using Screen = devicectl::DeviceControl::Screen;

// Waits far longer than anything here takes, for a loaded machine.
constexpr auto kHang = 15s;

constexpr int kWidth = 154, kHeight = 345;
constexpr POINT kCorner = {400, 135};  // the picture-in-picture video box's corner
constexpr std::uint32_t kBackground = 0x505050;
constexpr UINT kBackgroundImage = 176;
// A picture's normal frame, pressed frame and disabled row.
std::uint32_t Normal(UINT image) { return ((image - 150) * 8) << 16 | 0x40; }
std::uint32_t Pressed(UINT image) { return ((image - 150) * 8) << 16 | 0x80; }
std::uint32_t Disabled(UINT image) { return ((image - 150) * 8) << 16 | 0xC0; }

// The panel's buttons as the template places them, with the picture each shows at first.
struct Button {
    int id;
    UINT image;
    RECT rect;
    POINT Middle() const { return {kCorner.x + (rect.left + rect.right) / 2, kCorner.y + (rect.top + rect.bottom) / 2}; }
};
const Button kButtons[] = {
    {1020, 172, {5, 41, 149, 91}},   {1021, 175, {5, 90, 149, 141}},  {1022, 164, {5, 140, 149, 191}},
    {1023, 169, {5, 190, 75, 241}},  {1024, 170, {78, 190, 149, 241}}, {1025, 167, {5, 240, 58, 290}},
    {1026, 166, {96, 240, 149, 290}}, {1028, 173, {5, 289, 149, 340}}, {1030, 171, {110, 5, 148, 42}},
};
constexpr RECT kVolumeText = {58, 240, 96, 290};
constexpr RECT kListTypeShown = {45, 9, 100, 33};
constexpr POINT kBare = {kCorner.x + 20, kCorner.y + 20};  // background, no control

// A control's middle point on the screen (or of a rectangle in the panel).
POINT Middle(const RECT& r) { return {kCorner.x + (r.left + r.right) / 2, kCorner.y + (r.top + r.bottom) / 2}; }

void WritePicture(const fs::path& dir, UINT id, int width, int height,
                  const std::function<std::uint32_t(int x, int y)>& colour) {
    ASSERT_TRUE(platform::testing::WriteTestPicture(dir, id, width, height, colour)) << id;
}

// A button's picture: two frames side by side over two rows.
void WriteButtonPicture(const fs::path& dir, UINT id, int width, int height) {
    WritePicture(dir, id, 2 * width, 2 * height, [&](int x, int y) {
        return y >= height ? Disabled(id) : x >= width ? Pressed(id) : Normal(id);
    });
}

int CountColour(const Screen& screen, const RECT& r, std::uint32_t colour) {
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) count += screen.At(x, y) == colour ? 1 : 0;
    return count;
}
// The width from the leftmost to the rightmost pixel of the white text over a plate of the
// panel (its smoothed edges included; every plate of the test is dark in green).
int TextSpan(const Screen& screen, const RECT& r) {
    int left = r.right, right = r.left - 1;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (((screen.At(kCorner.x + x, kCorner.y + y) >> 8) & 0xFF) > 0x80) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return right < left ? 0 : right - left + 1;
}

std::vector<WPARAM> s_commands;
int s_owner_taps = 0;  // releases on the owner's own window

LRESULT OwnerProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND) s_commands.push_back(wparam);
    if (message == WM_LBUTTONUP) ++s_owner_taps;
    return DefWindowProc(hwnd, message, wparam, lparam);
}

class PopupPanel : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.StartServer());
        resources = device.Root() / "resources";
        fs::create_directories(resources);
        // Telecast's own template, over pictures of the test.
        fs::copy_file(fs::path(TELECAST_RESOURCES) / "dialog.txt", resources / "dialog.txt");
        WritePicture(resources, kBackgroundImage, kWidth, kHeight, [](int, int) { return kBackground; });
        for (const auto& button : kButtons)
            WriteButtonPicture(resources, button.image, button.rect.right - button.rect.left,
                               button.rect.bottom - button.rect.top);
        WriteButtonPicture(resources, 165, 144, 51);  // the swap button for radio
        WriteButtonPicture(resources, 174, 144, 51);  // the mute button, muted
        for (UINT image : {162u, 163u}) WritePicture(resources, image, 55, 24, [=](int, int) { return Normal(image); });
        WritePicture(resources, 168, 38, 50, [](int, int) { return Normal(168); });
        platform::SetResourceDir(resources.string());

        s_commands.clear();
        s_owner_taps = 0;
        WNDCLASS window_class;
        window_class.lpfnWndProc = &OwnerProcedure;
        window_class.lpszClassName = "TelecastTestOwner";
        RegisterClass(&window_class);
        owner = CreateWindowEx(0, "TelecastTestOwner", "DMB_TELECAST", WS_POPUP | WS_VISIBLE, 0, 0, 800, 480,
                               nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(owner, nullptr);
    }
    void TearDown() override {
        panel.DestroyModeless();
        if (owner) DestroyWindow(owner);
        platform::SetResourceDir("");
    }

    void Pump(std::chrono::milliseconds duration) { platform::testing::PumpFor(duration); }
    bool PumpUntil(const std::function<bool()>& condition) { return platform::testing::PumpUntil(condition, kHang); }
    // Pumps until the screen passes the test; the last screen either way.
    Screen ScreenWhere(const std::function<bool(const Screen&)>& test) {
        return telecast::test_screen::ScreenWhere(control, test, kHang);
    }
    // Taps the point and waits for the owner to have been told `count` commands in all.
    void TapFor(POINT point, std::size_t count) {
        ASSERT_EQ(control.Tap(point.x, point.y), 0u);
        ASSERT_TRUE(PumpUntil([&] { return s_commands.size() >= count; })) << point.x << "," << point.y;
    }
    std::size_t CountOf(WPARAM command) const {
        return static_cast<std::size_t>(std::count(s_commands.begin(), s_commands.end(), command));
    }
    void CreateAndShow() {
        ASSERT_TRUE(panel.Create(owner));
        panel.ShowAt(kCorner);
        ASSERT_TRUE(panel.IsShown());
        ScreenWhere([](const Screen& s) { return s.At(kBare.x, kBare.y) == kBackground; });
    }

    platform::testing::TemporaryDevice device;
    devicectl::DeviceControl control{device.Root()};
    fs::path resources;
    HWND owner = nullptr;
    CPopupDlg panel;
};

TEST_F(PopupPanel, ItIsMadeHiddenByItsOwnerAndShowsAtThePointAtItsOwnSize) {
    ASSERT_TRUE(panel.Create(owner));
    HWND window = panel.GetSafeHwnd();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowVisible(window)) << "it waits for the owner";
    EXPECT_FALSE(panel.IsShown());
    EXPECT_EQ(GetWindow(window, GW_OWNER), owner);

    panel.ShowAt(kCorner);
    EXPECT_TRUE(panel.IsShown());
    RECT r{};
    ASSERT_TRUE(GetWindowRect(window, &r));
    EXPECT_EQ(r.left, kCorner.x);
    EXPECT_EQ(r.top, kCorner.y);
    EXPECT_EQ(r.right - r.left, kWidth);
    EXPECT_EQ(r.bottom - r.top, kHeight);

    const auto screen = ScreenWhere([](const Screen& s) {
        return s.At(kBare.x, kBare.y) == kBackground && s.At(kButtons[0].Middle().x, kButtons[0].Middle().y) ==
                                                            Normal(kButtons[0].image);
    });
    EXPECT_EQ(screen.At(kCorner.x, kCorner.y), kBackground) << "its corner at the point";
    EXPECT_EQ(screen.At(kCorner.x + kWidth - 1, kCorner.y + kHeight - 1), kBackground);
    EXPECT_NE(screen.At(kCorner.x - 1, kCorner.y + 100), kBackground) << "and no further";
    EXPECT_NE(screen.At(kCorner.x + 100, kCorner.y - 1), kBackground);
    for (const auto& button : kButtons) {
        SCOPED_TRACE(button.id);
        const RECT on_screen{kCorner.x + button.rect.left, kCorner.y + button.rect.top, kCorner.x + button.rect.right,
                             kCorner.y + button.rect.bottom};
        EXPECT_GT(CountColour(screen, on_screen, Normal(button.image)), 0);
    }

    // Shown again elsewhere, it moves there; hidden, it is gone from the screen.
    panel.ShowAt({0, 0});
    ASSERT_TRUE(GetWindowRect(window, &r));
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right - r.left, kWidth);
    panel.Hide();
    EXPECT_FALSE(panel.IsShown());
    const auto gone = ScreenWhere([](const Screen& s) { return s.At(20, 20) != kBackground; });
    EXPECT_NE(gone.At(20, 20), kBackground);
}

TEST_F(PopupPanel, TheRenderedSkinMakesAPanelOfItsOwnSize) {
    platform::SetResourceDir(TELECAST_RESOURCES);
    ASSERT_TRUE(panel.Create(owner));
    RECT r{};
    ASSERT_TRUE(GetWindowRect(panel.GetSafeHwnd(), &r));
    EXPECT_EQ(r.right - r.left, kWidth);
    EXPECT_EQ(r.bottom - r.top, kHeight);
    for (const auto& button : kButtons) {
        SCOPED_TRACE(button.id);
        const SkinControl* shown = panel.Control(button.id);
        ASSERT_NE(shown, nullptr);
        EXPECT_NE(shown->image, nullptr) << "its picture is in the skin";
    }
}

TEST_F(PopupPanel, WithoutItsTemplateThePanelHasNoScreenAndStaysHidden) {
    fs::remove(resources / "dialog.txt");
    ASSERT_TRUE(panel.Create(owner));
    EXPECT_TRUE(device.WaitForLog(platform::ProgramName(), "Telecast: no popup control panel"));
    panel.ShowAt(kCorner);
    EXPECT_FALSE(panel.IsShown()) << "it would cover the video with nothing";
}

TEST_F(PopupPanel, EachButtonSendsItsCommandToTheOwnerAndTheDisplaysNone) {
    CreateAndShow();
    // The displays and the background first: were they to send anything, it would come before
    // the first button's command.
    for (POINT point : {Middle(kVolumeText), Middle(kListTypeShown), kBare})
        ASSERT_EQ(control.Tap(point.x, point.y), 0u);
    std::vector<WPARAM> expected;
    for (const auto& button : kButtons) {
        expected.push_back(static_cast<WPARAM>(button.id));
        TapFor(button.Middle(), expected.size());
    }
    Pump(100ms);
    EXPECT_EQ(s_commands, expected);
}

TEST_F(PopupPanel, DisabledButtonsDrawTheirDisabledRowAndSendNothing) {
    CreateAndShow();
    panel.EnableButtons(false);
    auto screen = ScreenWhere([](const Screen& s) {
        for (const auto& button : kButtons)
            if (s.At(button.Middle().x, button.Middle().y) != Disabled(button.image)) return false;
        return true;
    });
    for (const auto& button : kButtons)
        EXPECT_EQ(screen.At(button.Middle().x, button.Middle().y), Disabled(button.image)) << button.id;
    const POINT volume = Middle(kVolumeText), list = Middle(kListTypeShown);
    EXPECT_EQ(screen.At(volume.x, volume.y), Normal(168)) << "the displays are no buttons";
    EXPECT_EQ(screen.At(list.x, list.y), Normal(163));

    // Taps on every disabled button, then one on the owner beside the panel: when the owner
    // has that one, the panel has had all of its own.
    for (const auto& button : kButtons) ASSERT_EQ(control.Tap(button.Middle().x, button.Middle().y), 0u);
    ASSERT_EQ(control.Tap(100, 100), 0u);
    ASSERT_TRUE(PumpUntil([] { return s_owner_taps > 0; }));
    Pump(100ms);
    EXPECT_TRUE(s_commands.empty());

    // All enabled again: they look and work as before.
    panel.EnableButtons(true);
    screen = ScreenWhere([](const Screen& s) {
        for (const auto& button : kButtons)
            if (s.At(button.Middle().x, button.Middle().y) != Normal(button.image)) return false;
        return true;
    });
    for (const auto& button : kButtons)
        EXPECT_EQ(screen.At(button.Middle().x, button.Middle().y), Normal(button.image)) << button.id;
    TapFor(kButtons[0].Middle(), 1);
    Pump(100ms);
    EXPECT_EQ(s_commands, std::vector<WPARAM>{telecast::kPopupLeavePip});
}

TEST_F(PopupPanel, ThePicturesFollowTheListTypeAndMuteAndTheVolumeShowsTenfold) {
    CreateAndShow();
    const POINT list = Middle(kListTypeShown), swap = kButtons[2].Middle(), mute = kButtons[7].Middle();
    const auto showing = [&](std::uint32_t list_colour, std::uint32_t swap_colour, std::uint32_t mute_colour) {
        return ScreenWhere([&](const Screen& s) {
            return s.At(list.x, list.y) == list_colour && s.At(swap.x, swap.y) == swap_colour &&
                   s.At(mute.x, mute.y) == mute_colour;
        });
    };
    panel.SetListType(ListType::Radio);
    panel.SetMuted(true);
    auto screen = showing(Normal(162), Normal(165), Normal(174));
    EXPECT_EQ(screen.At(list.x, list.y), Normal(162)) << "radio";
    EXPECT_EQ(screen.At(swap.x, swap.y), Normal(165)) << "swap to TV";
    EXPECT_EQ(screen.At(mute.x, mute.y), Normal(174)) << "muted";

    panel.SetListType(ListType::Tv);
    panel.SetMuted(false);
    screen = showing(Normal(163), Normal(164), Normal(173));
    EXPECT_EQ(screen.At(list.x, list.y), Normal(163)) << "TV";
    EXPECT_EQ(screen.At(swap.x, swap.y), Normal(164)) << "swap to radio";
    EXPECT_EQ(screen.At(mute.x, mute.y), Normal(173)) << "sound on";

    // The volume in white over its plate: one digit for 0, three for the whole setting.
    panel.SetVolume(0);
    EXPECT_EQ(panel.Control(telecast::kPopupVolumeText)->text, "0");
    screen = ScreenWhere([](const Screen& s) { return TextSpan(s, kVolumeText) > 0; });
    const int one_digit = TextSpan(screen, kVolumeText);
    EXPECT_GT(one_digit, 0);
    panel.SetVolume(10);
    EXPECT_EQ(panel.Control(telecast::kPopupVolumeText)->text, "100");
    screen = ScreenWhere([&](const Screen& s) { return TextSpan(s, kVolumeText) > 2 * one_digit; });
    EXPECT_GT(TextSpan(screen, kVolumeText), 2 * one_digit);
    panel.SetVolume(5);
    EXPECT_EQ(panel.Control(telecast::kPopupVolumeText)->text, "50");
}

TEST_F(PopupPanel, WithoutATouchForFiveSecondsItHidesAndTellsTheOwnerWhileTouchesKeepItUp) {
    CreateAndShow();
    // A touch every second for seven seconds: more than the idle time, never that long apart.
    for (int i = 0; i < 7; ++i) {
        ASSERT_EQ(control.Tap(kBare.x, kBare.y), 0u);
        Pump(1000ms);
    }
    EXPECT_TRUE(panel.IsShown());
    EXPECT_EQ(CountOf(telecast::kPopupHiddenCommand), 0u);

    // Then none: it hides itself and tells the owner once.
    ASSERT_TRUE(PumpUntil([&] { return CountOf(telecast::kPopupHiddenCommand) > 0; }));
    EXPECT_FALSE(panel.IsShown());
    EXPECT_EQ(s_commands, std::vector<WPARAM>{telecast::kPopupHiddenCommand});
}

TEST_F(PopupPanel, AHeldVolumeButtonRepeatsItsCommandAndKeepsThePanelUp) {
    CreateAndShow();
    const POINT up = kButtons[6].Middle(), down = kButtons[5].Middle();
    ASSERT_EQ(control.Press(up.x, up.y), 0u);
    const auto pressed = ScreenWhere([&](const Screen& s) { return s.At(up.x, up.y) == Pressed(166); });
    EXPECT_EQ(pressed.At(up.x, up.y), Pressed(166)) << "drawn pressed while held";
    // Held past the idle time: the panel stays while the pen is on it.
    Pump(6000ms);
    EXPECT_TRUE(panel.IsShown());
    ASSERT_EQ(control.Release(up.x, up.y), 0u);
    // The release after repeats adds no command of its own: the next one is volume down's.
    ASSERT_EQ(control.Tap(down.x, down.y), 0u);
    ASSERT_TRUE(PumpUntil([&] { return CountOf(telecast::kPopupVolumeDown) > 0; }));
    EXPECT_GE(CountOf(telecast::kPopupVolumeUp), 10u) << "repeated while held";
    ASSERT_FALSE(s_commands.empty());
    EXPECT_EQ(s_commands.back(), static_cast<WPARAM>(telecast::kPopupVolumeDown));
    EXPECT_EQ(CountOf(telecast::kPopupVolumeDown), 1u);
    EXPECT_EQ(CountOf(telecast::kPopupHiddenCommand), 0u);
}

}  // namespace
