// RouteKit on a real device server: its strip at the right edge of the panel over the map, its
// idle close, and what each button starts, brings forward or tells Telecast, with program
// doubles standing in for the programs it starts.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

using platform::testing::StandIn;
using platform::testing::WaitUntil;
using namespace std::chrono_literals;

constexpr auto kHang = 15s;
constexpr char kStrip[] = "APP_ROUTEKIT";
constexpr char kPanelKey[] = "HKEY_LOCAL_MACHINE\\Drivers\\Display\\TCC79X\\CONFIG";
constexpr char kNavigationPath[] = "\\STORAGE CARD\\WAYFARER\\WAYFARER.EXE";
// The buttons' centres inside the strip, and a point of it with no button.
constexpr int kMenuX = 5 + 71, kMenuY = 60 + 24;
constexpr int kTelecastX = 5 + 71, kTelecastY = 123 + 23;
constexpr int kMusicX = 5 + 71, kMusicY = 187 + 24;
constexpr int kExtviewX = 5 + 71, kExtviewY = 249 + 24;
constexpr int kEmptyX = 75, kEmptyY = 30;

class RouteKitDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(device.InstallWithResources(ROUTEKIT_BINARY, "ROUTEKIT.EXE", ROUTEKIT_RESOURCES));
    }
    void TearDown() override
    {
        if (!started) return;
        control.KillPrograms();
    }

    void SetPanelWidth(const std::string& width)
    {
        ASSERT_TRUE(device.StartServer());
        ASSERT_EQ(control.RegistrySet(kPanelKey, "LCD_Width", width), 0u);
        ASSERT_EQ(control.RegistrySet(kPanelKey, "LCD_Height", "480"), 0u);
    }
    // Starts the doubles of the given device paths and waits for their windows.
    void StartDoubles(std::initializer_list<std::pair<const char*, const char*>> programs)
    {
        ASSERT_TRUE(device.StartServer());
        started = true;
        DWORD error = 0;
        for (const auto& [path, title] : programs) {
            ASSERT_TRUE(control.Start(path, "", error)) << path;
            ASSERT_NE(control.WaitWindow(title, kHang), 0u) << title;
        }
    }
    void StartStrip()
    {
        ASSERT_TRUE(device.StartServer());
        started = true;
        DWORD error = 0;
        ASSERT_TRUE(control.Start("\\NAND\\ROUTEKIT.EXE", "", error)) << error;
        ASSERT_TRUE(WaitUntil([&] { return Strip() && Strip()->visible; }, kHang)) << device.Log("ROUTEKIT.EXE");
    }
    std::optional<protocol::WindowInfo> Window(const std::string& title)
    {
        for (const auto& window : control.Windows())
            if (window.title == title) return window;
        return std::nullopt;
    }
    std::optional<protocol::WindowInfo> Strip() { return Window(kStrip); }
    // A tap at a point of the strip.
    void TapStrip(int x, int y)
    {
        const auto strip = Strip();
        ASSERT_TRUE(strip);
        ASSERT_EQ(control.Tap(strip->rect.left + x, strip->rect.top + y), 0u);
    }
    bool StripEnded()
    {
        return WaitUntil([&] { return !control.ProgramRunning("ROUTEKIT.EXE"); }, kHang);
    }
    bool Foreground(const std::string& title)
    {
        const auto window = Window(title);
        return window && window->foreground;
    }

    platform::testing::TemporaryDevice device;
    devicectl::DeviceControl control{device.Root()};
    bool started = false;
};

TEST_F(RouteKitDevice, SitsAtThePanelsRightEdgeOnTopAndClosesElevenSecondsAfterTheLastTouch)
{
    SetPanelWidth("720");
    StartStrip();
    const auto strip = Strip();
    const int width = strip->rect.right - strip->rect.left;
    EXPECT_GT(width, 0);
    EXPECT_EQ(strip->rect.left, 720 - width);
    EXPECT_EQ(strip->rect.top, 0);
    EXPECT_TRUE(strip->topmost);

    // A touch on no button, eight seconds in, restarts the count.
    std::this_thread::sleep_for(8s);
    TapStrip(kEmptyX, kEmptyY);
    const auto touched = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(9500ms);
    EXPECT_TRUE(Strip() && Strip()->visible) << "gone before eleven seconds after the touch";
    EXPECT_TRUE(StripEnded()) << "still there long after eleven idle seconds";
    EXPECT_GE(std::chrono::steady_clock::now() - touched, 10s);
}

class RouteKitPanel : public RouteKitDevice, public ::testing::WithParamInterface<const char*> {};

TEST_P(RouteKitPanel, AWidthItCannotSitOnIsTakenAs800)
{
    SetPanelWidth(GetParam());
    StartStrip();
    const auto strip = Strip();
    EXPECT_EQ(strip->rect.right, 800);
    EXPECT_TRUE(device.WaitForLog("ROUTEKIT.EXE", "is not a panel width; taking 800"));
}

INSTANTIATE_TEST_SUITE_P(Widths, RouteKitPanel, ::testing::Values("0", "100", "5000"));

TEST_F(RouteKitDevice, TelecastOverTheMapIsToldToToggleWhenItRunsAndStartedForPictureInPictureWhenNot)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, kNavigationPath));
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\TELECAST.EXE"));
    StartDoubles({{kNavigationPath, "Wayfarer"}, {"\\NAND\\TELECAST.EXE", "DMB_TELECAST"}});
    ASSERT_EQ(control.Foreground("Wayfarer"), 0u);
    StartStrip();
    TapStrip(kTelecastX, kTelecastY);
    EXPECT_TRUE(device.WaitForLog("TELECAST.EXE", "DMB_TELECAST: WM_COPYDATA code=4097 size=4 data=1", kHang));
    EXPECT_TRUE(StripEnded());
    EXPECT_FALSE(Foreground("DMB_TELECAST")) << "RouteKit brought Telecast forward";

    // Without Telecast: started for picture-in-picture, not brought forward.
    control.Close("DMB_TELECAST");
    ASSERT_TRUE(WaitUntil([&] { return !Window("DMB_TELECAST"); }, kHang));
    StartStrip();
    TapStrip(kTelecastX, kTelecastY);
    EXPECT_TRUE(device.WaitForLog("TELECAST.EXE", "DMB_TELECAST: started with \"PIP\"", kHang));
    EXPECT_TRUE(StripEnded());
}

TEST_F(RouteKitDevice, TheMainMenuTellsTelecastBeforeAndAfterHomeDeckComesForward)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, kNavigationPath));
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\TELECAST.EXE"));
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\HOMEDECK.EXE"));
    StartDoubles({{"\\NAND\\HOMEDECK.EXE", "APP_HOMEDECK"}, {"\\NAND\\TELECAST.EXE", "DMB_TELECAST"},
                  {kNavigationPath, "Wayfarer"}});
    ASSERT_EQ(control.Foreground("Wayfarer"), 0u);
    StartStrip();
    TapStrip(kMenuX, kMenuY);
    EXPECT_TRUE(device.WaitForLog("TELECAST.EXE", "WM_COPYDATA code=4099 size=4 data=1", kHang));
    const std::string telecast = device.Log("TELECAST.EXE");
    const auto before = telecast.find("WM_COPYDATA code=4099 size=4 data=0 foreground=");
    const auto after = telecast.find("WM_COPYDATA code=4099 size=4 data=1 foreground=APP_HOMEDECK");
    ASSERT_NE(before, std::string::npos) << telecast;
    ASSERT_NE(after, std::string::npos) << "HomeDeck was not in front for the second\n" << telecast;
    EXPECT_LT(before, after);
    EXPECT_EQ(telecast.find("data=0 foreground=APP_HOMEDECK"), std::string::npos) << "HomeDeck in front for the first";
    EXPECT_TRUE(StripEnded());
}

TEST_F(RouteKitDevice, MusicComesForwardAndTheAvInputStartsInItsFirstMode)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\MUSIC.EXE"));
    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\EXTVIEW.EXE"));
    StartStrip();
    TapStrip(kMusicX, kMusicY);
    EXPECT_TRUE(WaitUntil([&] { return Foreground("APP_MUSIC"); }, kHang)) << "Music is not in front";
    EXPECT_TRUE(StripEnded());
    EXPECT_FALSE(Strip());

    StartStrip();
    TapStrip(kExtviewX, kExtviewY);
    EXPECT_TRUE(device.WaitForLog("EXTVIEW.EXE", "APP_EXTVIEW: started with \"1\"", kHang));
    EXPECT_TRUE(StripEnded());
}

}  // namespace
