// Telecast's whole screen on a real device server: the bottom bar's volume, mute and FM buttons
// and what HomeDeck hears of them, full screen after idle seconds, the navigation program's side
// panel, picture-in-picture over the navigation program with the popup control panel, and the
// messages HomeDeck and the navigation program steer it with.
#include <algorithm>
#include <cstdio>
#include <thread>

#include "framework/program_messages.h"
#include "platform/registry/registry.h"
#include "telecast/tests/screen_device.h"

namespace telecast {
namespace {

namespace fs = std::filesystem;
using platform::testing::StandIn;
using platform::testing::WaitUntil;
using namespace std::chrono_literals;

TEST_F(TelecastScreenDevice, VolumeMuteAndFmButtonsKeepTheirRulesAndTellHomeDeck)
{
    WriteTable(kBsacAudioCoding);
    StartHomeDeckProbe();
    StartTelecast();
    DWORD error = 0;
    ASSERT_TRUE(control.Send(kWindow, WM_MMS_SETTING, RELAY_VOLUME, 10, error)) << error;

    // Volume up at 10 does nothing: the first volume HomeDeck hears is the step down's 9.
    Command(1003);
    Command(1002);
    ASSERT_TRUE(Heard("200 9")) << device.Log("WINPROBE.EXE");
    EXPECT_EQ(HomeDeckHeard().front(), "200 9");
    // Down to 0 mutes, and HomeDeck hears the mute before the volume.
    for (int level = 8; level >= 0; --level) Command(1002);
    ASSERT_TRUE(Heard("200 0"));
    const auto heard = HomeDeckHeard();
    const auto mute = std::find(heard.begin(), heard.end(), "204 1");
    ASSERT_NE(mute, heard.end()) << "volume 0 mutes";
    EXPECT_EQ(*(mute + 1), "200 0");
    Command(1002);  // at 0 already
    // The mute button at volume 0 unmutes nothing; one step up unmutes.
    Command(1004);
    Command(1003);
    ASSERT_TRUE(Heard("200 1"));
    EXPECT_TRUE(Heard("204 0"));

    // The FM button: channels 1 to 4 on the transmitter, then off, HomeDeck told each.
    for (int press = 1; press <= 5; ++press) {
        Command(1005);
        ASSERT_TRUE(Heard("202 " + std::to_string(press % 5))) << "press " << press;
    }
    const std::string server = control.Log("server");
    std::size_t words = 0;
    for (auto at = server.find("FMM0: frequency word"); at != std::string::npos;
         at = server.find("FMM0: frequency word", at + 1))
        ++words;
    EXPECT_GE(words, 4u) << server;
    EXPECT_NE(server.rfind("FMM0: transmitter off"), std::string::npos) << server;
    EXPECT_GT(server.rfind("FMM0: transmitter off"), server.rfind("FMM0: transmitter on")) << "the fifth press turns it off";
}

TEST_F(TelecastScreenDevice, FiveIdleSecondsGoFullScreenAndATapOnThePictureComesBack)
{
    keep_touching = false;
    WriteTable(kBsacAudioCoding);
    StartTelecast();
    ASSERT_TRUE(WaitUntil([&] { return At(Window("CDMBPipBox"), kNormalBox) && Shown("CChannelList"); }, kHang));
    ASSERT_TRUE(WaitUntil([&] { return At(Window("CDMBPipBox"), kFullScreen); }, kHang)) << "no full screen";
    EXPECT_TRUE(WaitUntil([&] { return !Shown("CChannelList"); }, kHang));
    EXPECT_TRUE(WaitUntil([&] {
        const auto overlay = control.Overlay();
        return overlay && overlay->open && overlay->destination.bottom - overlay->destination.top == 480 &&
               overlay->destination.right - overlay->destination.left >= 640;
    }, kHang)) << "the video takes the whole height";

    ASSERT_EQ(control.Tap(400, 240), 0u);
    EXPECT_TRUE(WaitUntil([&] { return At(Window("CDMBPipBox"), kNormalBox) && Shown("CChannelList"); }, kHang));
}

TEST_F(TelecastScreenDevice, ATouchRestartsTheIdleCountAndPictureInPictureNeverGoesFullScreen)
{
    keep_touching = false;
    WriteTable(kBsacAudioCoding);
    StartTelecast();
    // Back from full screen, the count starts again from the toggle.
    ASSERT_TRUE(WaitUntil([&] { return At(Window("CDMBPipBox"), kFullScreen); }, kHang));
    Command(1019);
    ASSERT_TRUE(WaitUntil([&] { return At(Window("CDMBPipBox"), kNormalBox); }, kHang));
    std::this_thread::sleep_for(3s);
    ASSERT_EQ(control.EventOperation("set", "KTOUCH_EVENT"), 0u);
    std::this_thread::sleep_for(3s);
    EXPECT_TRUE(At(Window("CDMBPipBox"), kNormalBox)) << "six seconds with a touch at the third went full screen";
    EXPECT_TRUE(WaitUntil([&] { return At(Window("CDMBPipBox"), kFullScreen); }, kHang));

    // In the corner no count runs.
    control.Post(kWindow, WM_OUTSIDE_AUDIO_EVENT, 30, 1);
    ASSERT_TRUE(WaitUntil([&] { return At(Window("CDMBPipBox"), kPipRect); }, kHang));
    std::this_thread::sleep_for(6s);
    EXPECT_TRUE(At(Window("CDMBPipBox"), kPipRect));
    EXPECT_TRUE(At(Main(), kPipRect));
}

TEST_F(TelecastScreenDevice, TheSidePanelNarrowsTheFullScreenPictureAndOneWiderThanTheScreenIsIgnored)
{
    WriteTable(kBsacAudioCoding);
    StartTelecast();
    Command(1019);
    ASSERT_TRUE(WaitUntil([&] { return At(Window("CDMBPipBox"), kFullScreen); }, kHang));

    control.Post(kWindow, 8599, 200, 0);
    EXPECT_TRUE(WaitUntil([&] { return At(Main(), {0, 0, 600, 480}) && At(Window("CDMBPipBox"), {0, 0, 600, 480}); },
                          kHang));
    EXPECT_TRUE(device.WaitForLog("TELECAST.EXE", "RENDER: 0,0 - 600,480", kHang));
    // A panel as wide as the screen would leave a window of no width: ignored.
    control.Post(kWindow, 8599, 800, 0);
    control.Post(kWindow, 8599, 0xFFFFFFFFu, 0);
    control.Post(kWindow, 8599, 0, 0);  // the whole width again
    EXPECT_TRUE(WaitUntil([&] { return At(Main(), kFullScreen) && At(Window("CDMBPipBox"), kFullScreen); }, kHang));

    // Narrowed, the layout toggle restores the width rather than leaving full screen.
    control.Post(kWindow, 8599, 240, 0);
    ASSERT_TRUE(WaitUntil([&] { return At(Window("CDMBPipBox"), {0, 0, 560, 480}); }, kHang));
    Command(1019);
    EXPECT_TRUE(WaitUntil([&] { return At(Main(), kFullScreen) && At(Window("CDMBPipBox"), kFullScreen); }, kHang));
}

TEST_F(TelecastScreenDevice, StartedForPictureInPictureItStartsTheMapSitsInItsCornerAndShowsThePanel)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::Wayfarer));
    WriteTable(kBsacAudioCoding);
    StartTelecast("PIP");
    EXPECT_TRUE(device.WaitForLog("WAYFARER.EXE", "Wayfarer: started with \"/m\"", kHang));
    ASSERT_TRUE(WaitUntil([&] { return At(Main(), kPipRect) && At(Window("CDMBPipBox"), kPipRect); }, kHang));
    EXPECT_TRUE(WaitUntil([&] { return AppValue("PipMode") == 1u; }, kHang));
    const std::uint64_t frames = Frames();
    EXPECT_TRUE(WaitUntil([&] { return Frames() >= frames + 10; }, kHang)) << Situation();
    EXPECT_TRUE(WaitUntil([&] { return !Shown("CChannelList"); }, kHang));

    // A tap on the small picture shows the panel at its corner; a second hides it.
    ASSERT_EQ(control.Tap(600, 300), 0u);
    ASSERT_TRUE(WaitUntil([&] { return At(Window("CPopupDlg"), {400, 135, 554, 480}) && Shown("CPopupDlg"); }, kHang));
    std::this_thread::sleep_for(500ms);  // the box takes one tap in 400 ms
    ASSERT_EQ(control.Tap(700, 300), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !Shown("CPopupDlg"); }, kHang));

    // The close button: the map comes to the front, the mode is written back, the list saved.
    fs::remove(Host("NAND/TelecastScan.dat"));
    Command(1015);
    EXPECT_TRUE(WaitUntil([&] { return !Main(); }, kHang));
    EXPECT_EQ(AppValue("PipMode"), 0u);
    EXPECT_TRUE(fs::exists(Host("NAND/TelecastScan.dat")));
    EXPECT_TRUE(WaitUntil([&] { return MapInFront(); }, kHang)) << "the map comes to the front";
}

TEST_F(TelecastScreenDevice, TheNavigationProgramsMessagesTakeItInAndOutOfPictureInPicture)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::Wayfarer));
    WriteTable(kBsacAudioCoding);
    StartTelecast();
    DWORD error = 0;
    ASSERT_TRUE(control.Start("\\STORAGE CARD\\WAYFARER\\WAYFARER.EXE", "/m", error)) << error;
    ASSERT_NE(control.WaitWindow(kNavigation, kHang), 0u);

    control.Post(kWindow, WM_OUTSIDE_AUDIO_EVENT, 30, 1);
    ASSERT_TRUE(WaitUntil([&] { return At(Main(), kPipRect) && AppValue("PipMode") == 1u; }, kHang));
    EXPECT_TRUE(WaitUntil([&] { return !Shown("CChannelList"); }, kHang));
    // Above the map, then below it.
    control.Post(kWindow, WM_OUTSIDE_AUDIO_EVENT, 30, 11);
    EXPECT_TRUE(WaitUntil([&] { return Main() && Main()->topmost; }, kHang));
    control.Post(kWindow, WM_OUTSIDE_AUDIO_EVENT, 30, 10);
    EXPECT_TRUE(WaitUntil([&] {
        const auto windows = control.Windows();
        int map = -1, telecast = -1;
        for (std::size_t i = 0; i < windows.size(); ++i) {
            if (windows[i].title == kNavigation) map = static_cast<int>(i);
            if (windows[i].title == kWindow) telecast = static_cast<int>(i);
        }
        return map >= 0 && telecast > map && !windows[static_cast<std::size_t>(telecast)].topmost;
    }, kHang)) << "right behind the map";

    // 10 leaves and comes to the front, not topmost.
    control.Post(kWindow, WM_OUTSIDE_AUDIO_EVENT, 10, 0);
    EXPECT_TRUE(WaitUntil([&] {
        const auto main = Main();
        return At(main, kFullScreen) && main->foreground && !main->topmost && AppValue("PipMode") == 0u;
    }, kHang));
    EXPECT_TRUE(WaitUntil([&] { return Shown("CChannelList"); }, kHang));

    // Codes Telecast does not know change nothing.
    control.Post(kWindow, WM_OUTSIDE_AUDIO_EVENT, 30, 7);
    control.Post(kWindow, WM_OUTSIDE_AUDIO_EVENT, 99, 1);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(At(Main(), kFullScreen));
    EXPECT_EQ(AppValue("PipMode"), 0u);
}

TEST_F(TelecastScreenDevice, HomeDecksCopyDataIsReadOnlyWhenItHoldsOneValue)
{
    WriteTable(kBsacAudioCoding);
    StartTelecast();
    control.Post(kWindow, WM_OUTSIDE_AUDIO_EVENT, 30, 1);
    ASSERT_TRUE(WaitUntil([&] { return At(Main(), kPipRect); }, kHang));
    DWORD error = 0;
    // No payload, a short one, a long one, an unknown code: ignored unread, still in the corner.
    EXPECT_EQ(control.CopyData(kWindow, COPYDATA_PIP_SHOW, std::vector<std::uint8_t>{}, error), 0);
    EXPECT_EQ(control.CopyData(kWindow, COPYDATA_PIP_SHOW, std::vector<std::uint8_t>{1, 0, 0}, error), 0);
    EXPECT_EQ(control.CopyData(kWindow, COPYDATA_PIP_SHOW, std::vector<std::uint8_t>(8, 1), error), 0);
    EXPECT_EQ(control.CopyData(kWindow, 4100, 1, error), 0);
    EXPECT_TRUE(At(Main(), kPipRect));
    EXPECT_EQ(AppValue("PipMode"), 1u);
    // One value: 4096 leaves picture-in-picture and comes to the front.
    EXPECT_EQ(control.CopyData(kWindow, COPYDATA_PIP_SHOW, 1, error), 1);
    EXPECT_TRUE(WaitUntil([&] { return At(Main(), kFullScreen) && AppValue("PipMode") == 0u; }, kHang));
    EXPECT_TRUE(Main() && Main()->foreground);
}

}  // namespace
}  // namespace telecast
