// CFilterControl over the platform's real filter graph on a real device server: the players'
// full order for a file with its debug lines, the mended edges, Music's equaliser with and
// without its class, and the message box of a graph that cannot be made.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include "movie/filter_control.h"
#include "platform/device_root.h"
#include "platform/media/class_registry.h"
#include "platform/media/com_object.h"
#include "platform/media/media_classes.h"
#include "platform/media/media_ids.h"
#include "platform/media/result_codes.h"
#include "platform/testing/media_clips.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using movie::CFilterControl;
using movie::FilterControlVariant;

class FilterControl : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string failed;
        ASSERT_TRUE(platform::testing::MakeClips(FILTER_CONTROL_CLIP_DIR, platform::testing::StandardClips(), failed))
            << failed;
    }
    void SetUp() override {
        ASSERT_TRUE(device.StartServer());
        ASSERT_EQ(platform::RegisterMediaClasses(), S_OK);
        m_live_at_start = platform::ComLiveObjects();
    }
    void TearDown() override { EXPECT_EQ(platform::ComLiveObjects(), m_live_at_start) << "a COM object was left"; }

    // Puts a clip on the storage card; its device path.
    std::string Place(const std::string& clip) {
        const fs::path folder = device.Root() / "fs" / "STORAGE CARD" / "Movie";
        fs::create_directories(folder);
        fs::copy_file(fs::path(FILTER_CONTROL_CLIP_DIR) / clip, folder / clip, fs::copy_options::overwrite_existing);
        return "\\STORAGE CARD\\Movie\\" + clip;
    }
    std::string Log() const { return device.Log(platform::ProgramName()); }
    // Answers the message box titled `caption` with Enter, again until the call that showed it
    // returns: a key that reaches the screen before the box has the focus is lost on a busy
    // machine. A box still up after 5 s is closed, so that the call never keeps the test waiting.
    template <class Result>
    bool Answer(const std::string& caption, std::future<Result>& call) {
        devicectl::DeviceControl device_control(device.Root());
        const bool answered = platform::testing::WaitUntil([&] {
            device_control.Key("enter");
            return call.wait_for(200ms) == std::future_status::ready;
        }, 5s);
        if (!answered) device_control.Close(caption);
        return answered;
    }
    std::size_t Count(const std::string& line) const {
        const std::string log = Log();
        std::size_t count = 0;
        for (auto at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++count;
        return count;
    }

    platform::testing::TemporaryDevice device;
    std::size_t m_live_at_start = 0;
};

TEST_F(FilterControl, TheFullOrderForAFileWithItsLines) {
    CFilterControl control;
    double seconds = -1;
    EXPECT_FALSE(control.RunGraph()) << "no graph yet";
    EXPECT_FALSE(control.GetDuration(seconds));
    EXPECT_EQ(seconds, 0.0) << "a failure leaves 0, not what was there";

    ASSERT_TRUE(control.CreateFilterForPlaying(Place("movie.ogg"), RECT{0, 0, 800, 410}));
    EXPECT_EQ(control.LastResult(), S_OK);
    EXPECT_EQ(Log().find("Fail to find Video Render\n"), std::string::npos) << "the graph's renderer is found";
    // The picture is placed in the rectangle at once, with the file's first frame, keeping its
    // 4:3 shape in the middle.
    devicectl::DeviceControl device_control(device.Root());
    auto overlay = device_control.Overlay();
    ASSERT_TRUE(overlay && overlay->open);
    EXPECT_EQ(overlay->destination.left, 126);
    EXPECT_EQ(overlay->destination.right, 673);
    EXPECT_EQ(overlay->destination.bottom, 410);
    ASSERT_TRUE(control.GetDuration(seconds));
    EXPECT_NEAR(seconds, 6.0, 0.05);
    EXPECT_TRUE(control.SetVolume(7));
    ASSERT_TRUE(control.RunGraph());
    std::this_thread::sleep_for(600ms);
    ASSERT_TRUE(control.GetPosition(seconds));
    EXPECT_GT(seconds, 0.2);
    ASSERT_TRUE(control.SetPosition(4.0));
    ASSERT_TRUE(control.GetPosition(seconds));
    EXPECT_NEAR(seconds, 4.0, 0.1);

    // Stop after pause really stops: the running flag stays set while paused.
    ASSERT_TRUE(control.PauseGraph());
    EXPECT_TRUE(control.Running());
    EXPECT_TRUE(control.StopGraph());
    EXPECT_FALSE(control.Running());
    ASSERT_TRUE(control.GetPosition(seconds));
    EXPECT_EQ(seconds, 0.0) << "a stopped graph is back at the start";
    EXPECT_FALSE(control.StopGraph());
    EXPECT_EQ(Count("Succeed to stop Graph\n"), 1u);
    EXPECT_EQ(Count("StopGraph(SKIPPED) since it's already stopped\n"), 1u);

    // Three filters come down as index 1, 0, 2, between the two memory lines.
    ASSERT_TRUE(control.DeleteFilters());
    const std::string log = Log();
    const auto listed = log.find("DeleteFiltersForPlaying:3\n");
    ASSERT_NE(listed, std::string::npos) << log;
    const auto one = log.find("DeleteFilters(1) - Audio Renderer\n", listed);
    const auto zero = log.find("DeleteFilters(0) - Source\n", listed);
    const auto two = log.find("DeleteFilters(2) - TCC Video Renderer\n", listed);
    ASSERT_NE(one, std::string::npos) << log;
    EXPECT_LT(one, zero);
    EXPECT_LT(zero, two);
    EXPECT_NE(log.find("KB/", two), std::string::npos) << "the memory line after";
    EXPECT_NE(log.rfind("KB/", listed), std::string::npos) << "the memory line before";
    EXPECT_FALSE(device_control.Overlay()->open) << "the renderer left with its picture";
    control.DestroyFilterGraph();
    EXPECT_FALSE(control.HasGraph());
}

TEST_F(FilterControl, MendedEdgesRefuseOrReportInsteadOfReadingPastTheirData) {
    CFilterControl control;
    // A file that is not there: the graph holds no filter and tear-down reads nothing past it.
    ASSERT_TRUE(control.CreateFilterForPlaying("\\STORAGE CARD\\Movie\\gone.ogg", RECT{0, 0, 800, 480}));
    EXPECT_EQ(control.LastResult(), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(control.DeleteFilters());
    EXPECT_NE(Log().find("DeleteFiltersForPlaying:0\n"), std::string::npos);
    control.DestroyFilterGraph();

    // A volume outside the table is refused and the last good one stays.
    ASSERT_TRUE(control.CreateFilterForPlaying(Place("tone.wav"), RECT{0, 0, 800, 480}));
    EXPECT_TRUE(control.SetVolume(3));
    for (int index : {-1, 11, 1000}) {
        EXPECT_FALSE(control.SetVolume(index)) << index;
        EXPECT_EQ(control.LastResult(), E_INVALIDARG);
    }
    // A second graph over a held one: the first is let go, nothing piles up.
    const std::size_t live = platform::ComLiveObjects();
    ASSERT_TRUE(control.CreateFilterForPlaying(Place("tone.wav"), RECT{0, 0, 800, 480}));
    EXPECT_EQ(platform::ComLiveObjects(), live);
    EXPECT_TRUE(control.RunGraph());
    EXPECT_TRUE(control.StopGraph());
    EXPECT_TRUE(control.DeleteFilters());
    control.DestroyFilterGraph();
    control.DestroyFilterGraph();  // twice: nothing left to release
}

TEST_F(FilterControl, MusicAddsItsEqualiserToTheGraphAndAppliesPresetsWhilePlaying) {
    CFilterControl control(FilterControlVariant::Music);
    ASSERT_TRUE(control.CreateFilterForPlaying(Place("tone.wav"), RECT{0, 0, 0, 0}));
    EXPECT_EQ(Log().find("HR = "), std::string::npos) << Log();
    EXPECT_TRUE(control.RunGraph());
    platform::vendor::DeqRecord preset;
    preset.enable = 1;
    preset.frequency[0] = 1000;
    preset.width[0] = 9;
    preset.kind[0] = 1;
    preset.gain[0] = 6;
    EXPECT_TRUE(control.ApplyEqualiser(preset));
    std::this_thread::sleep_for(300ms);
    double seconds = 0;
    EXPECT_TRUE(control.GetPosition(seconds));
    EXPECT_GT(seconds, 0.1) << "plays through the equaliser";
    EXPECT_TRUE(control.StopGraph());
    ASSERT_TRUE(control.DeleteFilters());
    EXPECT_NE(Log().find(" - TCC DEQ Filter\n"), std::string::npos) << Log();
    control.DestroyFilterGraph();
}

TEST_F(FilterControl, MusicPlaysWithoutItsEqualiserWhenTheClassIsMissing) {
    ASSERT_EQ(platform::UnregisterComClass(CLSID_DEQFilter), S_OK);
    CFilterControl control(FilterControlVariant::Music);
    ASSERT_TRUE(control.CreateFilterForPlaying(Place("tone.wav"), RECT{0, 0, 0, 0}));
    EXPECT_NE(Log().find("HR = 80040154\n"), std::string::npos);
    EXPECT_NE(Log().find("[CFilterControl::CreateFilterForPlaying]OK\n"), std::string::npos);
    EXPECT_FALSE(control.ApplyEqualiser(platform::vendor::DeqRecord{})) << "no equaliser: a preset changes nothing";
    EXPECT_TRUE(control.RunGraph());
    std::this_thread::sleep_for(300ms);
    double seconds = 0;
    EXPECT_TRUE(control.GetPosition(seconds));
    EXPECT_GT(seconds, 0.1);
    EXPECT_TRUE(control.StopGraph());
    EXPECT_TRUE(control.DeleteFilters());
    control.DestroyFilterGraph();
    EXPECT_NE(Log().find("[DestroyFilterGraph]End\n"), std::string::npos);

    // Music reports a file that would not render.
    EXPECT_FALSE(control.CreateFilterForPlaying("\\STORAGE CARD\\Movie\\gone.wav", RECT{0, 0, 0, 0}));
    control.DestroyFilterGraph();
}

TEST_F(FilterControl, AGraphThatCannotBeMadeShowsTheBox) {
    ASSERT_EQ(platform::UnregisterComClass(CLSID_FilterGraph), S_OK);
    CFilterControl control;
    auto created = std::async(std::launch::async, [&] { return control.CreateFilterGraph(); });
    ASSERT_NE(platform::testing::WaitForWindow("Movie"), nullptr);
    EXPECT_NE(Log().find("MessageBox: Movie: [FAIL]CoCreateInstance(e436ebb311ce524f2000539f70a70baf), "
                         "CLSID_FilterGraph fail\n"),
              std::string::npos)
        << Log();
    ASSERT_TRUE(Answer("Movie", created));
    EXPECT_FALSE(created.get());
    EXPECT_EQ(control.LastResult(), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(control.HasGraph());
    EXPECT_FALSE(control.RunGraph());
}

// Extview's camera graph, built by hand: the camera's picture at the rectangle, moved by the
// input size, gone after the tear-down, and the failures in their "TCCAMManager" boxes.
TEST_F(FilterControl, ExtviewBuildsTheCameraGraphByHandAndTakesItDown) {
    devicectl::DeviceControl device_control(device.Root());
    auto frames = [&] {
        auto info = device_control.Overlay();
        return info && info->open ? info->frames : 0;
    };
    CFilterControl control(FilterControlVariant::Extview);
    ASSERT_TRUE(control.CreateFilterGraph());
    ASSERT_TRUE(control.BuildCameraGraph(RECT{0, 0, 400, 240}));
    EXPECT_EQ(control.Display().width, 400);
    ASSERT_TRUE(control.SetVideoInputSize(0, 320, 240, 100, 50));
    EXPECT_EQ(control.Display().left, 100);
    EXPECT_EQ(control.Display().height, 240);
    ASSERT_TRUE(control.RunGraph());
    ASSERT_TRUE(platform::testing::WaitUntil([&] { return frames() >= 5; }, 3s)) << "no camera picture";
    auto info = device_control.Overlay();
    ASSERT_TRUE(info && info->open);
    EXPECT_EQ(info->width, 320u) << "the camera gives the size asked for";
    EXPECT_EQ(info->destination.left, 100);
    EXPECT_EQ(info->destination.right, 420);

    // The display mode changes by a full tear-down and a new build.
    EXPECT_TRUE(control.StopGraph());
    control.TearDownCameraGraph();
    EXPECT_TRUE(platform::testing::WaitUntil([&] { return !device_control.Overlay()->open; }, 2s));
    ASSERT_TRUE(control.BuildCameraGraph(RECT{0, 0, 800, 480}));
    ASSERT_TRUE(control.SetVideoInputSize(2, 720, 480, 0, 0));
    ASSERT_TRUE(control.RunGraph());
    EXPECT_TRUE(platform::testing::WaitUntil([&] { return frames() >= 5 && device_control.Overlay()->width == 720; }, 3s));
    EXPECT_TRUE(control.StopGraph());
    control.TearDownCameraGraph();
    control.DestroyFilterGraph();
    EXPECT_EQ(Log().find("MessageBox:"), std::string::npos) << Log();
}

TEST_F(FilterControl, ExtviewShowsEachCameraFailureInItsBox) {
    CFilterControl control(FilterControlVariant::Extview);
    ASSERT_TRUE(control.CreateFilterGraph());
    // The camera refuses a channel it does not have.
    ASSERT_TRUE(control.BuildCameraGraph(RECT{0, 0, 400, 240}));
    auto refused = std::async(std::launch::async, [&] { return control.SetVideoInputSize(9, 720, 480, 0, 0); });
    ASSERT_NE(platform::testing::WaitForWindow("TCCAMManager"), nullptr);
    EXPECT_NE(Log().find("MessageBox: TCCAMManager: SetVideoInputSize: CH9 (720,480,10)\n"), std::string::npos) << Log();
    ASSERT_TRUE(Answer("TCCAMManager", refused));
    EXPECT_FALSE(refused.get());
    EXPECT_EQ(control.LastResult(), E_INVALIDARG);
    control.TearDownCameraGraph();

    control.DestroyFilterGraph();

    // A camera class that is not there; the control is used from one thread, as a player does.
    ASSERT_EQ(platform::UnregisterComClass(CLSID_CAM), S_OK);
    auto built = std::async(std::launch::async, [&] {
        CFilterControl camera(FilterControlVariant::Extview);
        const bool made = camera.CreateFilterGraph() && camera.BuildCameraGraph(RECT{0, 0, 400, 240});
        return std::pair(made, camera.LastResult());
    });
    ASSERT_NE(platform::testing::WaitForWindow("TCCAMManager"), nullptr);
    EXPECT_NE(Log().find("MessageBox: TCCAMManager: [FAIL]CoCreateInstance(5bc39bdc471b86ab5e7e5487f57087eb), "
                         "CLSID_CAM fail\n"),
              std::string::npos)
        << Log();
    ASSERT_TRUE(Answer("TCCAMManager", built));
    const auto [made, result] = built.get();
    EXPECT_FALSE(made);
    EXPECT_EQ(result, REGDB_E_CLASSNOTREG);
}

}  // namespace
