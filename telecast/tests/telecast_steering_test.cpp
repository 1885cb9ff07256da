// Telecast steered from outside on a real device server: a hidden picture-in-picture start that
// takes its place beside the navigation program by the map's mode, the navigation voice ducking
// the graph, HomeDeck's relays, the broadcast at a close over the map, and what a user may do at
// the wrong moment (taps, closes and suspends during a scan in picture-in-picture, a start over
// a navigation program that is not on the card).
#include <thread>

#include "framework/settings_file.h"
#include "telecast/tests/screen_device.h"

namespace telecast {
namespace {

namespace fs = std::filesystem;
using platform::testing::StandIn;
using platform::testing::WaitUntil;
using namespace std::chrono_literals;

// The graph volumes Telecast plays at (hundredths of a dB): the setting's level is the device's
// wave-out volume, so the graph plays at full, at step 3 under the navigation voice, or silent.
constexpr std::int32_t kFull = 0, kStep3 = -3350, kSilent = -10000;
// The popup panel over the box at 400, 135: its scan and close buttons.
constexpr int kPanelScanX = 400 + 5 + 72, kPanelScanY = 135 + 90 + 25;
constexpr int kPanelCloseX = 400 + 110 + 19, kPanelCloseY = 135 + 5 + 18;

class TelecastSteering : public TelecastScreenDevice {
protected:
    // The volume of Telecast's running graph as the device lists it.
    std::optional<std::int32_t> GraphVolume()
    {
        for (const auto& graph : control.Graphs().value_or(std::vector<protocol::GraphInfo>{}))
            if (graph.program == "TELECAST.EXE" &&
                graph.state == static_cast<std::uint8_t>(protocol::AudioGraphState::Running))
                return graph.volume;
        return std::nullopt;
    }
    ::testing::AssertionResult GraphVolumeBecomes(std::int32_t volume)
    {
        if (WaitUntil([&] { return GraphVolume() == volume; }, kHang)) return ::testing::AssertionSuccess();
        std::string graphs;
        for (const auto& graph : control.Graphs().value_or(std::vector<protocol::GraphInfo>{}))
            graphs += devicectl::Describe(graph) + "\n";
        return ::testing::AssertionFailure() << "no running graph at volume " << volume << "; the graphs:\n" << graphs;
    }
    // Indexes in the device's z-order, from the top; -1 when there is no such window.
    int ZIndex(const std::string& title, bool by_class = false)
    {
        const auto windows = control.Windows();
        for (std::size_t i = 0; i < windows.size(); ++i)
            if ((by_class ? windows[i].class_name : windows[i].title) == title) return static_cast<int>(i);
        return -1;
    }
    bool Running() { return control.FindWindowByName(kWindow) != 0; }
    // The visible windows from the top, for a failure's message.
    std::string WindowList()
    {
        std::string list;
        for (const auto& window : control.Windows())
            if (window.visible)
                list += window.class_name + " \"" + window.title + "\" " + std::to_string(window.rect.left) + "," +
                        std::to_string(window.rect.top) + "-" + std::to_string(window.rect.right) + "," +
                        std::to_string(window.rect.bottom) + (window.topmost ? " topmost" : "") + "\n";
        return list;
    }
    // A top-level window of another program that logs every "8587" it gets.
    void StartListener() { StartProbe("LISTENER", 8587); }
    // Once the box plays in its corner above the map, a tap on it shows the popup panel.
    void ShowPanel()
    {
        ASSERT_TRUE(WaitUntil([&] {
            const int map = ZIndex(kNavigation);
            return At(Window("CDMBPipBox"), kPipRect) && Frames() > 0 && map >= 0 && ZIndex(kWindow) < map;
        }, kHang)) << "not playing above the map";
        ASSERT_EQ(control.Tap(700, 300), 0u);
        ASSERT_TRUE(WaitUntil([&] { return Shown("CPopupDlg"); }, kHang)) << "no panel";
    }
    void StartNavigation()
    {
        ASSERT_TRUE(device.StartServer());
        DWORD error = 0;
        ASSERT_TRUE(control.Start("\\STORAGE CARD\\WAYFARER\\WAYFARER.EXE", "/m", error)) << error;
        ASSERT_NE(control.WaitWindow(kNavigation, kHang), 0u);
    }
};

// ---- A hidden start beside the map ------------------------------------------------------------

class HiddenPipStart : public TelecastSteering, public ::testing::WithParamInterface<int> {};

TEST_P(HiddenPipStart, StartsOffTheScreenThenSitsAboveTheShownMapOrRightBehindAHiddenOne)
{
    const bool map_shown = GetParam() == 1;
    ASSERT_TRUE(device.InstallStandIn(StandIn::Wayfarer));
    WriteTable(kBsacAudioCoding);
    StartNavigation();
    ASSERT_EQ(control.RegistrySet(kAppKey, "MapMode", map_shown ? "1" : "0"), 0u);

    StartTelecast("PIP -NO");
    EXPECT_TRUE(WaitUntil([&] { return Main() && Main()->rect.left >= 800; }, kHang)) << "not started off the screen";
    ASSERT_TRUE(WaitUntil([&] { return At(Main(), kPipRect); }, kHang)) << Situation();
    EXPECT_EQ(AppValue("PipMode"), 1u);
    if (map_shown) {
        EXPECT_TRUE(WaitUntil([&] { return Main()->topmost && ZIndex(kWindow) < ZIndex(kNavigation); }, kHang))
            << "above the map";
    } else {
        EXPECT_TRUE(WaitUntil([&] {
            const auto main = Main();
            return main && !main->topmost && ZIndex(kWindow) > ZIndex(kNavigation);
        }, kHang)) << "right behind the map";
    }
    // The picture plays in its corner either way.
    const std::uint64_t frames = Frames();
    EXPECT_TRUE(WaitUntil([&] { return Frames() >= frames + 10; }, kHang)) << Situation();
}

INSTANTIATE_TEST_SUITE_P(MapMode, HiddenPipStart, ::testing::Values(1, 0),
                         [](const auto& info) { return info.param == 1 ? "MapShown" : "MapHidden"; });

// ---- Sound --------------------------------------------------------------------------------------

TEST_F(TelecastSteering, TheNavigationVoiceDucksTheGraphAndHomeDecksRelaysSetIt)
{
    WriteTable(kBsacAudioCoding);
    StartTelecast();
    DWORD error = 0;
    ASSERT_TRUE(control.Send(kWindow, WM_MMS_SETTING, RELAY_VOLUME, 5, error)) << error;
    ASSERT_TRUE(GraphVolumeBecomes(kFull));

    // The voice starts: step 3 at once. It ends: the volume comes back a second later.
    control.Post(kWindow, WM_OUTSIDE_AUDIO_EVENT, 1, 0);
    EXPECT_TRUE(GraphVolumeBecomes(kStep3));
    control.Post(kWindow, WM_OUTSIDE_AUDIO_EVENT, 0, 0);
    std::this_thread::sleep_for(600ms);
    EXPECT_EQ(GraphVolume(), kStep3) << "not before the second is out";
    EXPECT_TRUE(GraphVolumeBecomes(kFull));

    // The mute relay silences and gives the sound back.
    ASSERT_TRUE(control.Send(kWindow, WM_MMS_SETTING, RELAY_MUTE, 1, error)) << error;
    EXPECT_TRUE(GraphVolumeBecomes(kSilent));
    ASSERT_TRUE(control.Send(kWindow, WM_MMS_SETTING, RELAY_MUTE, 0, error)) << error;
    EXPECT_TRUE(GraphVolumeBecomes(kFull));

    // The reload relay reads the settings file HomeDeck wrote and applies its volume: 0 mutes,
    // 8 plays again.
    std::array<std::int32_t, settings_file::kStoredValues> values{0, 0, 0, 5, 1, 0, 881, 883, 885, 887, 889};
    std::ofstream(Host("NAND/System.dat"), std::ios::binary) << settings_file::Format(values);
    ASSERT_TRUE(control.Send(kWindow, WM_MMS_SETTING, SETTING_RELOAD, 0, error)) << error;
    EXPECT_TRUE(GraphVolumeBecomes(kSilent));
    values[1] = 8;
    std::ofstream(Host("NAND/System.dat"), std::ios::binary) << settings_file::Format(values);
    ASSERT_TRUE(control.Send(kWindow, WM_MMS_SETTING, SETTING_RELOAD, 0, error)) << error;
    EXPECT_TRUE(GraphVolumeBecomes(kFull));
}

// ---- Between the map and the front ------------------------------------------------------------

TEST_F(TelecastSteering, AtItsStartTheProgramsThatCannotRunBesideItClose)
{
    ASSERT_TRUE(device.Install(platform::testing::WindowProbeBinary(), "WINPROBE.EXE"));
    ASSERT_TRUE(device.StartServer());
    DWORD error = 0;
    for (const char* title : {"APP_MUSIC", "APP_MOVIE", "STACKER"}) {
        ASSERT_TRUE(control.Start("\\NAND\\WINPROBE.EXE", std::string("title=") + title, error)) << error;
        ASSERT_NE(control.WaitWindow(title, kHang), 0u) << title;
    }
    ASSERT_TRUE(control.Start("\\NAND\\WINPROBE.EXE", "title=APP_HOMEDECK", error)) << error;
    ASSERT_NE(control.WaitWindow("APP_HOMEDECK", kHang), 0u);
    WriteTable(kBsacAudioCoding);
    StartTelecast();
    for (const char* title : {"APP_MUSIC", "APP_MOVIE", "STACKER"})
        EXPECT_TRUE(WaitUntil([&] { return control.FindWindowByName(title) == 0; }, kHang)) << title << " still runs";
    EXPECT_NE(control.FindWindowByName("APP_HOMEDECK"), 0u) << "HomeDeck stays";
}

TEST_F(TelecastSteering, LeavingPictureInPictureByTheNavigationProgramLeavesTheMapInFront)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::Wayfarer));
    WriteTable(kBsacAudioCoding);
    StartTelecast();
    StartNavigation();
    control.Post(kWindow, WM_OUTSIDE_AUDIO_EVENT, 30, 1);
    ASSERT_TRUE(WaitUntil([&] { return At(Main(), kPipRect); }, kHang));
    ASSERT_EQ(control.Foreground(kNavigation), 0u);
    control.Post(kWindow, WM_OUTSIDE_AUDIO_EVENT, 30, 0);
    ASSERT_TRUE(WaitUntil([&] { return At(Main(), kFullScreen) && AppValue("PipMode") == 0u; }, kHang));
    EXPECT_TRUE(WaitUntil([&] { return Shown("CChannelList"); }, kHang));
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(Main()->foreground) << "leaving by 30/0 does not activate";
}

TEST_F(TelecastSteering, HomeDecksCopyDataMovesItBetweenTheMapAndTheFront)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::Wayfarer));
    WriteTable(kBsacAudioCoding);
    StartListener();
    StartTelecast();
    StartNavigation();
    DWORD error = 0;

    // Above the map, 4099 with 0 takes the topmost place away and leaves the picture in the corner.
    control.Post(kWindow, WM_OUTSIDE_AUDIO_EVENT, 30, 1);
    control.Post(kWindow, WM_OUTSIDE_AUDIO_EVENT, 30, 11);
    ASSERT_TRUE(WaitUntil([&] { return At(Main(), kPipRect) && Main()->topmost; }, kHang));
    EXPECT_EQ(control.CopyData(kWindow, COPYDATA_PIP_HOMEDECK, 0, error), 1);
    EXPECT_TRUE(WaitUntil([&] { return !Main()->topmost; }, kHang));
    // No longer above the map, 4099 is ignored.
    EXPECT_EQ(control.CopyData(kWindow, COPYDATA_PIP_HOMEDECK, 1, error), 1);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(At(Main(), kPipRect));
    EXPECT_EQ(AppValue("PipMode"), 1u);

    // 4097 in the corner: the map comes forward, and the picture comes back over it to the front.
    ASSERT_EQ(control.Foreground(kNavigation), 0u);
    EXPECT_EQ(control.CopyData(kWindow, COPYDATA_PIP_TOGGLE, 1, error), 1);
    EXPECT_TRUE(WaitUntil([&] { return Main()->foreground && ZIndex(kWindow) < ZIndex(kNavigation); }, kHang))
        << WindowList();
    EXPECT_TRUE(At(Main(), kPipRect));

    // Above the map again, 4099 with 1 leaves the corner for the front.
    control.Post(kWindow, WM_OUTSIDE_AUDIO_EVENT, 30, 11);
    ASSERT_TRUE(WaitUntil([&] { return Main()->topmost; }, kHang));
    EXPECT_EQ(control.CopyData(kWindow, COPYDATA_PIP_HOMEDECK, 1, error), 1);
    EXPECT_TRUE(WaitUntil([&] {
        const auto main = Main();
        return At(main, kFullScreen) && main->foreground && AppValue("PipMode") == 0u;
    }, kHang)) << WindowList();

    // 4097 out of the corner tells every window the picture goes over the map, which comes forward.
    EXPECT_EQ(control.CopyData(kWindow, COPYDATA_PIP_TOGGLE, 1, error), 1);
    EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", "LISTENER got 8587 1 0", kHang)) << device.Log("WINPROBE.EXE");
    EXPECT_TRUE(WaitUntil([&] { return MapInFront(); }, kHang));

    // 4098 leaves the corner and gives the map the foreground.
    control.Post(kWindow, WM_OUTSIDE_AUDIO_EVENT, 30, 1);
    ASSERT_TRUE(WaitUntil([&] { return At(Main(), kPipRect); }, kHang));
    EXPECT_EQ(control.CopyData(kWindow, COPYDATA_PIP_NAVIGATION, 1, error), 1);
    EXPECT_TRUE(WaitUntil([&] { return At(Main(), kFullScreen) && AppValue("PipMode") == 0u && MapInFront(); },
                          kHang)) << WindowList();
}

TEST_F(TelecastSteering, TheDeviceReportsTheSoundItPlays)
{
    WriteTable(kBsacAudioCoding);
    StartTelecast();
    ASSERT_TRUE(GraphVolumeBecomes(kFull));
    // A live stream is played its latency after its time on the graph's clock; what it plays is
    // reported as played. When it is not, every output's report and Telecast's log say more.
    std::string reported;
    EXPECT_TRUE(WaitUntil([&] {
        reported.clear();
        for (const auto& output : control.AudioOutputs().value_or(std::vector<protocol::AudioOutputInfo>{})) {
            reported += devicectl::Describe(output) + "\n";
            if (output.program == "TELECAST.EXE" && output.level != protocol::kSilentAudioLevel) return true;
        }
        return false;
    }, kHang)) << "Telecast's sound is reported silent:\n" << reported << device.Log("TELECAST.EXE");
}

// ---- Closing over the map ------------------------------------------------------------------------

TEST_F(TelecastSteering, ClosedFromThePanelOverTheMapItTellsEveryWindowAndLeavesTheMapInFront)
{
    ASSERT_TRUE(device.InstallStandIn(StandIn::Wayfarer));
    WriteTable(kBsacAudioCoding);
    StartListener();
    StartTelecast("PIP");
    ShowPanel();

    ASSERT_EQ(control.Tap(kPanelCloseX, kPanelCloseY), 0u);
    ASSERT_TRUE(WaitUntil([&] { return !Running(); }, kHang)) << "the panel's close button";
    EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", "LISTENER got 8587 0 0", kHang)) << device.Log("WINPROBE.EXE");
    EXPECT_EQ(AppValue("PipMode"), 0u);
    EXPECT_TRUE(WaitUntil([&] { return MapInFront(); }, kHang)) << "the map comes to the front";
}

// ---- The wrong moment ----------------------------------------------------------------------------

TEST_F(TelecastSteering, DuringAScanInPictureInPictureNothingButTheScanMovesAndAfterItEverythingWorks)
{
    // Long scan steps, so that the taps and messages come in the middle of the scan.
    DemoBand(200).WriteTo(device);
    ASSERT_TRUE(device.InstallStandIn(StandIn::Wayfarer));
    WriteTable(kBsacAudioCoding);
    const std::string old_file = ScanFile();
    StartTelecast("PIP");
    ShowPanel();
    ASSERT_EQ(control.Tap(kPanelScanX, kPanelScanY), 0u);
    ASSERT_TRUE(WaitUntil([&] { return ScanSteps() >= 2; }, kHang)) << Situation();

    // The panel's close button, taps on the box faster than it takes them and the layout
    // toggle: the scan goes on, Telecast stays where it is.
    ASSERT_EQ(control.Tap(kPanelCloseX, kPanelCloseY), 0u);
    for (int tap = 0; tap < 5; ++tap) {
        control.Tap(700, 300);
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_LT(ZIndex("CPopupDlg", true), ZIndex("CDMBPipBox", true)) << "the taps put the box over the panel";
    Command(1019);
    Command(1019);
    const int steps = ScanSteps();
    std::this_thread::sleep_for(500ms);
    ASSERT_TRUE(Running()) << "a disabled close button closed Telecast";
    EXPECT_GT(ScanSteps(), steps) << "the scan stopped";
    EXPECT_TRUE(At(Main(), kPipRect));
    EXPECT_EQ(AppValue("PipMode"), 1u);

    // A suspend cuts the scan and leaves the list alone; after the resume the panel answers
    // again: its close button closes.
    DWORD error = 0;
    ASSERT_TRUE(control.Send(kWindow, WM_EXTVIEW_SUSPEND, 0, 0, error)) << error;
    ASSERT_TRUE(control.Send(kWindow, WM_EXTVIEW_RESUME, 0, 0, error)) << error;
    EXPECT_EQ(ScanFile(), old_file);
    ASSERT_TRUE(WaitUntil([&] {
        if (!Shown("CPopupDlg")) {
            control.Tap(700, 300);
            std::this_thread::sleep_for(500ms);
        }
        return Shown("CPopupDlg");
    }, kHang)) << "the box does not show the panel after the scan";
    ASSERT_EQ(control.Tap(kPanelCloseX, kPanelCloseY), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !Running(); }, kHang))
        << "the close button stayed disabled\n" << WindowList() << device.Log("TELECAST.EXE");
}

TEST_F(TelecastSteering, ClosedDuringAScanItEndsAndKeepsTheListItHadBeforeTheScan)
{
    DemoBand(200).WriteTo(device);
    WriteTable(kBsacAudioCoding);
    StartTelecast();
    ASSERT_TRUE(WaitUntil([&] { return Tuned("0x101"); }, kHang)) << Situation();
    Command(1007);
    ASSERT_TRUE(WaitUntil([&] { return ScanSteps() >= 2; }, kHang)) << Situation();
    ASSERT_EQ(control.Close(kWindow), 0u);
    ASSERT_TRUE(WaitUntil([&] { return !control.ProgramRunning("TELECAST.EXE"); }, kHang)) << "Telecast did not end";
    const ScanFileLoad load = ParseScanFile(ScanFile());
    ASSERT_EQ(load.status, LoadStatus::Loaded) << load.reason;
    EXPECT_EQ(load.table.records.size(), 2u) << "a cut scan leaves the list it had";
}

TEST_F(TelecastSteering, AHiddenPictureInPictureStartWithoutTheNavigationProgramOnTheCardStaysUsable)
{
    WriteTable(kBsacAudioCoding);
    StartTelecast("PIP -NO");
    ASSERT_TRUE(WaitUntil([&] { return At(Main(), kPipRect); }, kHang)) << Situation();
    const std::uint64_t frames = Frames();
    EXPECT_TRUE(WaitUntil([&] { return Frames() >= frames + 10; }, kHang)) << Situation();
    EXPECT_TRUE(device.WaitForLog("TELECAST.EXE", "cannot start \\STORAGE CARD\\WAYFARER\\WAYFARER.EXE", kHang));

    // HomeDeck takes it out of the corner; the screen is whole and answers.
    DWORD error = 0;
    EXPECT_EQ(control.CopyData(kWindow, COPYDATA_PIP_SHOW, 1, error), 1);
    ASSERT_TRUE(WaitUntil([&] { return At(Main(), kFullScreen) && Shown("CChannelList"); }, kHang));
    EXPECT_EQ(AppValue("PipMode"), 0u);
    Command(1015);
    EXPECT_TRUE(WaitUntil([&] { return !Running(); }, kHang));
}

}  // namespace
}  // namespace telecast
