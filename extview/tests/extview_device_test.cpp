// Extview on a real device server: the AV input's picture in its box and full screen, the
// reversing camera that Movie and Telecast give the picture up for and get it back from, and
// the sound level of its buttons, with program doubles standing in for the other programs.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "framework/program_messages.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

using platform::testing::StandIn;
using platform::testing::WaitUntil;
using namespace std::chrono_literals;

constexpr auto kHang = 15s;
constexpr char kWindow[] = "APP_EXTVIEW";

bool Same(const protocol::Rect& rect, int left, int top, int right, int bottom)
{
    return rect.left == left && rect.top == top && rect.right == right && rect.bottom == bottom;
}

class ExtviewDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(device.InstallWithResources(EXTVIEW_BINARY, "EXTVIEW.EXE", EXTVIEW_RESOURCES));
    }
    void TearDown() override
    {
        if (!started) return;
        control.KillPrograms();
    }
    void StartDouble(const char* path, const char* title)
    {
        ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, path));
        ASSERT_TRUE(device.StartServer());
        started = true;
        DWORD error = 0;
        ASSERT_TRUE(control.Start(path, "", error)) << path;
        ASSERT_NE(control.WaitWindow(title, kHang), 0u) << title;
    }
    void StartExtview(const std::string& arguments)
    {
        ASSERT_TRUE(device.StartServer());
        started = true;
        DWORD error = 0;
        ASSERT_TRUE(control.Start("\\NAND\\EXTVIEW.EXE", arguments, error)) << error;
        ASSERT_NE(control.WaitWindow(kWindow, kHang), 0u) << device.Log("EXTVIEW.EXE");
    }
    // The overlay shows Extview's picture at the rectangle, and the picture moves.
    bool PictureAt(int left, int top, int right, int bottom)
    {
        std::uint64_t frames = 0;
        return WaitUntil([&] {
            const auto overlay = control.Overlay();
            if (!overlay || !overlay->open || overlay->program != "EXTVIEW.EXE" ||
                !Same(overlay->destination, left, top, right, bottom))
                return false;
            if (frames == 0) frames = overlay->frames + 1;
            return overlay->frames > frames + 5;
        }, kHang);
    }
    // Answers the camera's message box with Enter once it is in front: a key that reaches the
    // screen before the box has the focus would go to Extview.
    bool AnswerCameraBox()
    {
        const bool in_front = WaitUntil([&] {
            for (const auto& window : control.Windows())
                if (window.title == "TCCAMManager" && window.foreground) return true;
            return false;
        }, kHang);
        if (!in_front || control.Key("enter") != 0) return false;
        return WaitUntil([&] { return control.FindWindowByName("TCCAMManager") == 0; }, kHang);
    }
    std::string OverlayText()
    {
        const auto overlay = control.Overlay();
        if (!overlay) return "no overlay answer";
        const auto& at = overlay->destination;
        return "overlay " + std::string(overlay->open ? "open" : "closed") + " by " + overlay->program + " at " +
               std::to_string(at.left) + "," + std::to_string(at.top) + " " + std::to_string(at.right) + "," +
               std::to_string(at.bottom) + ", frames " + std::to_string(overlay->frames);
    }
    bool Ended()
    {
        return WaitUntil([&] { return !control.ProgramRunning("EXTVIEW.EXE"); }, kHang);
    }
    int AvInputLevel() { return static_cast<int>(control.DriverState()->av_input_level); }

    platform::testing::TemporaryDevice device;
    devicectl::DeviceControl control{device.Root()};
    bool started = false;
};

TEST_F(ExtviewDevice, TheAvInputShowsBetweenTheBarsAndATapTogglesFullScreen)
{
    StartExtview("1");
    ASSERT_TRUE(PictureAt(0, 32, 800, 408)) << device.Log("EXTVIEW.EXE");
    ASSERT_EQ(control.Tap(400, 200), 0u);
    EXPECT_TRUE(PictureAt(0, 0, 800, 480)) << "a tap goes full screen";
    ASSERT_EQ(control.Tap(400, 200), 0u);
    EXPECT_TRUE(PictureAt(0, 32, 800, 408)) << "the next comes back";

    // Outside requests: 0 full screen and in front, 1 back; other codes nothing.
    DWORD error = 0;
    control.CopyData(kWindow, 7, 1, error);
    control.CopyData(kWindow, 0, std::vector<std::uint8_t>{}, error);
    EXPECT_TRUE(PictureAt(0, 0, 800, 480));
    control.CopyData(kWindow, 1, 0, error);
    EXPECT_TRUE(PictureAt(0, 32, 800, 408));
    EXPECT_NE(control.FindWindowByName(kWindow), 0u) << "Extview stays";
}

TEST_F(ExtviewDevice, TheCameraSuspendsMovieAndTelecastAndResumesThemOnceWhenItLetsGo)
{
    StartDouble("\\NAND\\MOVIE.EXE", "APP_MOVIE");
    StartDouble("\\NAND\\TELECAST.EXE", "DMB_TELECAST");
    StartDouble("\\NAND\\ROUTEKIT.EXE", "APP_ROUTEKIT");
    StartExtview("2");
    EXPECT_TRUE(device.WaitForLog("MOVIE.EXE", "APP_MOVIE: WM_EXTVIEW_SUSPEND", kHang));
    EXPECT_TRUE(device.WaitForLog("TELECAST.EXE", "DMB_TELECAST: WM_EXTVIEW_SUSPEND", kHang));
    EXPECT_TRUE(WaitUntil([&] { return control.FindWindowByName("APP_ROUTEKIT") == 0; }, kHang)) << "RouteKit closes";
    ASSERT_TRUE(PictureAt(0, 0, 800, 480)) << device.Log("EXTVIEW.EXE");
    EXPECT_TRUE(control.DriverState()->remote_receiver_on);
    ASSERT_EQ(control.Tap(400, 200), 0u);
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(PictureAt(0, 0, 800, 480)) << "a tap changes nothing for the camera";

    DWORD error = 0;
    control.CopyData(kWindow, 1, 0, error);
    control.CopyData(kWindow, 1, 0, error);
    EXPECT_TRUE(Ended()) << device.Log("EXTVIEW.EXE");
    EXPECT_FALSE(control.DriverState()->remote_receiver_on);
    for (const char* program : {"MOVIE.EXE", "TELECAST.EXE"}) {
        const std::string log = device.Log(program);
        const auto first = log.find("WM_EXTVIEW_RESUME");
        ASSERT_NE(first, std::string::npos) << program;
        EXPECT_EQ(log.find("WM_EXTVIEW_RESUME", first + 1), std::string::npos) << program << " resumed twice";
    }
}

TEST_F(ExtviewDevice, TheButtonsSetTheAvInputsLevelAndTheNavigationVoiceSilencesIt)
{
    StartExtview("1");
    DWORD error = 0;
    ASSERT_TRUE(control.Send(kWindow, WM_MMS_SETTING, RELAY_VOLUME, 5, error)) << error;
    EXPECT_TRUE(WaitUntil([&] { return AvInputLevel() == 5; }, kHang));
    control.Post(kWindow, WM_OUTSIDE_AUDIO_EVENT, 1, 0);
    EXPECT_TRUE(WaitUntil([&] { return AvInputLevel() == 0; }, kHang)) << "silent at once";
    control.Post(kWindow, WM_OUTSIDE_AUDIO_EVENT, 0, 0);
    std::this_thread::sleep_for(600ms);
    EXPECT_EQ(AvInputLevel(), 0) << "not before the second is out";
    EXPECT_TRUE(WaitUntil([&] { return AvInputLevel() == 5; }, kHang));
    ASSERT_EQ(control.Close(kWindow), 0u);
    EXPECT_TRUE(Ended());
}

TEST_F(ExtviewDevice, VolumeMuteAndFmButtonsShowTheirStateAndTellHomeDeck)
{
    std::ofstream(device.Root() / "device.conf", std::ios::app) << "trace_text = 1\n";
    ASSERT_TRUE(device.Install(platform::testing::WindowProbeBinary(), "WINPROBE.EXE"));
    ASSERT_TRUE(device.StartServer());
    started = true;
    DWORD error = 0;
    ASSERT_TRUE(control.Start("\\NAND\\WINPROBE.EXE", "title=APP_HOMEDECK log=1127", error)) << error;
    ASSERT_NE(control.WaitWindow("APP_HOMEDECK", kHang), 0u);
    StartExtview("1");
    ASSERT_TRUE(control.Send(kWindow, WM_MMS_SETTING, RELAY_VOLUME, 10, error)) << error;
    std::this_thread::sleep_for(300ms);
    const auto heard = [&](const std::string& what) { return device.Log("WINPROBE.EXE").find(what) != std::string::npos; };
    // Extview's id in the high word of what HomeDeck hears.
    const auto told = [](unsigned value) { return std::to_string((PROGRAM_EXTVIEW << 16) | value); };

    // Volume up at 10 does nothing and tells nothing.
    ASSERT_EQ(control.Tap(239, 445), 0u);
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(heard("got 1127 201")) << device.Log("WINPROBE.EXE");
    // Down to 0: the text "0", the muted picture, 204 with 1 and the level 0.
    for (int step = 0; step < 10; ++step) {
        ASSERT_EQ(control.Tap(119, 445), 0u);
        std::this_thread::sleep_for(120ms);
    }
    EXPECT_TRUE(WaitUntil([&] { return heard("got 1127 201 " + told(0)); }, kHang)) << device.Log("WINPROBE.EXE");
    EXPECT_TRUE(heard("got 1127 204 " + told(1)));
    EXPECT_TRUE(device.WaitForLog("EXTVIEW.EXE", "DrawText 149,411,209,480 \"0\"", kHang));
    EXPECT_EQ(AvInputLevel(), 0);

    // The FM transmitter: four presses to channel 4, the fifth off, with an empty text.
    for (int press = 1; press <= 5; ++press) {
        ASSERT_EQ(control.Tap(329, 445), 0u);
        ASSERT_TRUE(WaitUntil([&] { return heard("got 1127 202 " + told(static_cast<unsigned>(press % 5))); }, kHang))
            << press;
    }
    const std::string server = control.Log("server");
    EXPECT_NE(server.rfind("FMM0: transmitter off"), std::string::npos) << server;
    EXPECT_GT(server.rfind("FMM0: transmitter off"), server.rfind("FMM0: transmitter on"));
}

// No camera to open: a V4L2 device that is not there, or the board's connector with none
// plugged in.
class ExtviewWithoutCamera : public ExtviewDevice, public ::testing::WithParamInterface<bool> {};

TEST_P(ExtviewWithoutCamera, ACameraThatCannotBeOpenedSaysSoAndTheButtonsStillWork)
{
    const bool unplugged = GetParam();
    if (!unplugged) std::ofstream(device.Root() / "device.conf", std::ios::app) << "camera = /dev/no-such-video9\n";
    if (unplugged) {
        ASSERT_TRUE(device.StartServer());
        started = true;
        DWORD error = 0;
        ASSERT_TRUE(control.SetCameraConnected(false, error)) << error;
    }
    StartExtview("1");
    ASSERT_TRUE(device.WaitForLog("EXTVIEW.EXE", "MessageBox: TCCAMManager: [FAIL]CoCreateInstance(", kHang))
        << device.Log("EXTVIEW.EXE");
    EXPECT_NE(device.Log("EXTVIEW.EXE").find("CLSID_CAM fail"), std::string::npos);
    ASSERT_TRUE(AnswerCameraBox()) << device.Log("EXTVIEW.EXE");
    const auto overlay = control.Overlay();
    EXPECT_FALSE(overlay && overlay->open && overlay->program == "EXTVIEW.EXE") << "a picture without a camera";

    // The buttons answer; a tap where the picture would be does nothing harmful.
    DWORD error = 0;
    ASSERT_TRUE(control.Send(kWindow, WM_MMS_SETTING, RELAY_VOLUME, 4, error)) << error;
    ASSERT_EQ(control.Tap(400, 200), 0u);
    ASSERT_EQ(control.Tap(239, 445), 0u);
    EXPECT_TRUE(WaitUntil([&] { return AvInputLevel() == 5; }, kHang)) << "volume up did not act";
    ASSERT_EQ(control.Close(kWindow), 0u);
    EXPECT_TRUE(Ended());
}

INSTANTIATE_TEST_SUITE_P(Cameras, ExtviewWithoutCamera, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Unplugged" : "NoSuchDevice"; });

TEST_F(ExtviewDevice, ACameraPulledOutWhileShownStopsThePictureSaysSoAndClosesCleanly)
{
    StartExtview("1");
    ASSERT_TRUE(PictureAt(0, 32, 800, 408));
    DWORD error = 0;
    ASSERT_TRUE(control.SetCameraConnected(false, error)) << error;
    EXPECT_FALSE(control.DriverState()->camera_connected);
    ASSERT_TRUE(device.WaitForLog("EXTVIEW.EXE", "Media: TCCCAMFilter: the camera on CAM1: is lost", kHang))
        << device.Log("EXTVIEW.EXE");
    EXPECT_TRUE(device.WaitForLog("EXTVIEW.EXE", "The camera was unplugged.", kHang));
    // No frame comes after the loss: the count stands still over a second.
    std::this_thread::sleep_for(200ms);
    const std::uint64_t frames = control.Overlay()->frames;
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(control.Overlay()->frames, frames) << "the picture goes on without a camera";

    // The buttons still answer, and the close is clean.
    ASSERT_TRUE(control.Send(kWindow, WM_MMS_SETTING, RELAY_VOLUME, 4, error)) << error;
    ASSERT_EQ(control.Tap(239, 445), 0u);
    EXPECT_TRUE(WaitUntil([&] { return AvInputLevel() == 5; }, kHang)) << "volume up did not act";

    // A tap asks for full screen; without a camera the rebuild fails with the camera box, and
    // the picture's box stays hidden rather than mark a picture that is not there.
    ASSERT_EQ(control.Tap(400, 200), 0u);
    ASSERT_TRUE(device.WaitForLog("EXTVIEW.EXE", "MessageBox: TCCAMManager: [FAIL]CoCreateInstance(", kHang))
        << device.Log("EXTVIEW.EXE");
    ASSERT_TRUE(AnswerCameraBox()) << device.Log("EXTVIEW.EXE");
    EXPECT_TRUE(WaitUntil([&] {
        for (const auto& window : control.Windows())
            if (window.class_name == "CExtviewPipBox") return !window.visible;
        return true;
    }, kHang)) << "the box shows over no picture";
    const auto overlay = control.Overlay();
    EXPECT_FALSE(overlay && overlay->open && overlay->program == "EXTVIEW.EXE") << OverlayText();
    // Another tap there finds no box to toggle and nothing to tear down.
    ASSERT_EQ(control.Tap(400, 200), 0u);
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(control.Close(kWindow), 0u);
    EXPECT_TRUE(Ended());
    EXPECT_TRUE(device.WaitForLog("EXTVIEW.EXE", "PipCtrl::WM_DESTROY"));
}

// A capture device of this machine, when it has one that opens: its picture plays in the box.
TEST_F(ExtviewDevice, AV4l2CaptureDeviceShowsItsPicture)
{
    std::string camera;
    for (int index = 0; index < 10 && camera.empty(); ++index) {
        const std::string path = "/dev/video" + std::to_string(index);
        if (std::ifstream(path).good()) camera = path;
    }
    if (camera.empty()) GTEST_SKIP() << "this machine has no V4L2 capture device";
    std::ofstream(device.Root() / "device.conf", std::ios::app) << "camera = " << camera << "\n";
    StartExtview("1");
    EXPECT_TRUE(PictureAt(0, 32, 800, 408)) << device.Log("EXTVIEW.EXE");
    ASSERT_EQ(control.Close(kWindow), 0u);
    EXPECT_TRUE(Ended());
}

TEST_F(ExtviewDevice, RequestsAndTapsInQuickSuccessionLeaveOnePictureInTheLastModesBox)
{
    StartExtview("1");
    ASSERT_TRUE(PictureAt(0, 32, 800, 408));
    DWORD error = 0;
    // Codes 0 and 1 back to back, twice, and taps between them; then odd payloads and codes.
    for (int round = 0; round < 2; ++round) {
        control.CopyData(kWindow, 0, 0, error);
        control.Tap(400, 200);
        control.CopyData(kWindow, 1, std::vector<std::uint8_t>{1, 2, 3}, error);
    }
    control.CopyData(kWindow, 5, std::vector<std::uint8_t>(100, 0xFF), error);
    control.CopyData(kWindow, 0xFFFFFFFFu, std::vector<std::uint8_t>{}, error);
    // However the requests fell, the box and the picture come to agree and stay so, and one
    // picture plays there. A tap still on its way may move both once more: the rectangle
    // counts once it has held for a second and a half.
    protocol::Rect settled{};
    std::uint64_t frames_then = 0;
    auto since = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitUntil([&] {
        const auto now = std::chrono::steady_clock::now();
        const auto overlay = control.Overlay();
        std::optional<protocol::WindowInfo> box;
        for (const auto& window : control.Windows())
            if (window.class_name == "CExtviewPipBox") box = window;
        const bool agree = overlay && overlay->open && overlay->program == "EXTVIEW.EXE" && box && box->visible &&
                           Same(overlay->destination, box->rect.left, box->rect.top, box->rect.right, box->rect.bottom);
        if (!agree) {
            settled = {};
            return false;
        }
        const protocol::Rect& at = overlay->destination;
        if (!Same(settled, at.left, at.top, at.right, at.bottom)) {
            settled = at;
            since = now;
            frames_then = overlay->frames;
            return false;
        }
        return now - since >= 1500ms && overlay->frames > frames_then + 10;
    }, kHang)) << OverlayText() << "\n" << device.Log("EXTVIEW.EXE");
    // A close in the middle of a rebuild ends it cleanly.
    control.Tap(400, 200);
    ASSERT_EQ(control.Close(kWindow), 0u);
    EXPECT_TRUE(Ended());
    EXPECT_TRUE(device.WaitForLog("EXTVIEW.EXE", "PipCtrl::WM_DESTROY"));
}

}  // namespace
