// The stand-ins for the programs outside the suite on a real device server: their windows,
// pictures and start lines, the shell's launcher icon, the calibration screen's tap, and the
// navigation program's broadcasts.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/kernel/kernel.h"
#include "platform/testing/temporary_device.h"
#include "platform/window/window.h"
#include "tools/devicectl/device_control.h"

namespace {

using namespace std::chrono_literals;
using platform::testing::StandIn;
using platform::testing::StandInPath;

constexpr UINT kOutsideEvent = 8590;
constexpr UINT kSidePanel = 8599;

class StandIns : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.StartServer()); }
    HANDLE Start(StandIn stand_in, const std::string& arguments = {}) {
        EXPECT_TRUE(device.InstallStandIn(stand_in));
        HANDLE process = programs.Start(StandInPath(stand_in), arguments);
        EXPECT_NE(process, nullptr) << StandInPath(stand_in);
        return process;
    }
    static HWND WaitWindow(const std::string& title) { return platform::testing::WaitForWindow(title); }
    bool Shows(int x, int y, std::uint32_t colour) {
        return control.ScreenShowing(x, y, colour, 2s).At(x, y) == colour;
    }
    static bool Ends(HANDLE process) { return WaitForSingleObject(process, 5000) == WAIT_OBJECT_0; }

    platform::testing::TemporaryDevice device;
    platform::testing::StartedPrograms programs{device};
    devicectl::DeviceControl control{device.Root()};
};

TEST_F(StandIns, EachShowsItsFullScreenPictureLogsItsCommandLineAndEndsOnWmClose) {
    struct Expected {
        StandIn stand_in;
        const char* title;
        const char* log;       // the program's log file
        const char* name;      // the name its log lines start with
        std::uint32_t corner;  // what the screen shows at 20,20
        const char* close_line;
    };
    // The calibration screen is topmost; it comes last so each picture is seen in turn.
    const Expected expected[] = {
        {StandIn::Photo, "APP_PHOTO", "PHOTO.EXE", "Photo", 0x1E6EBE, "Photo: WM_CLOSE\n"},
        {StandIn::Stacker, "STACKER", "STACKER.EXE", "Stacker", 0xDC7814, "Stacker: WM_CLOSE\n"},
        {StandIn::Explorer, "Desktop", "EXPLORER.EXE", "Explorer", 0x006060, nullptr},
        {StandIn::Wayfarer, "Wayfarer", "WAYFARER.EXE", "Wayfarer", 0xE2E8CC, nullptr},
        {StandIn::TouchCalibration, "TouchCalibration", "TCLAUNCH.EXE", "TouchCalibration", 0xFFFFFF, nullptr},
    };
    std::vector<std::pair<HWND, HANDLE>> running;
    for (const auto& program : expected) {
        SCOPED_TRACE(program.title);
        HANDLE process = Start(program.stand_in, "/m two");
        HWND hwnd = WaitWindow(program.title);
        ASSERT_NE(hwnd, nullptr);
        EXPECT_EQ(GetWindowText(hwnd), program.title);
        RECT rect;
        ASSERT_TRUE(GetWindowRect(hwnd, &rect));
        EXPECT_EQ(std::tie(rect.left, rect.top, rect.right, rect.bottom), std::make_tuple(0, 0, 800, 480));
        EXPECT_TRUE(Shows(20, 20, program.corner));
        EXPECT_TRUE(device.WaitForLog(program.log, std::string(program.name) + ": started with \"/m two\"\n"));
        running.emplace_back(hwnd, process);
    }
    // The launcher looks the game up as "Stacker": the device's lookup ignores case.
    EXPECT_EQ(FindWindow("", "Stacker"), running[1].first);

    for (std::size_t i = 0; i < running.size(); ++i) {
        SCOPED_TRACE(expected[i].title);
        ASSERT_TRUE(PostMessage(running[i].first, WM_CLOSE, 0, 0));
        EXPECT_TRUE(Ends(running[i].second));
        if (expected[i].close_line) {
            EXPECT_TRUE(device.WaitForLog(expected[i].log, expected[i].close_line));
        }
    }
}

TEST_F(StandIns, TheShellStartsHomeDeckWhenItsIconIsTapped) {
    Start(StandIn::Explorer);
    ASSERT_NE(WaitWindow("Desktop"), nullptr);
    ASSERT_TRUE(Shows(300, 300, 0x006060));

    ASSERT_EQ(control.Tap(100, 100), 0u);
    EXPECT_TRUE(device.WaitForLog("EXPLORER.EXE", "Explorer: \\NAND\\HOMEDECK.EXE did not start (error 2)\n"))
        << "no HomeDeck installed yet";

    ASSERT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, "\\NAND\\HOMEDECK.EXE"));
    ASSERT_EQ(control.Tap(400, 300), 0u);  // the desktop beside the icon
    ASSERT_EQ(control.Tap(100, 100), 0u);
    EXPECT_NE(WaitWindow("APP_HOMEDECK"), nullptr);
    EXPECT_TRUE(device.WaitForLog("HOMEDECK.EXE", "APP_HOMEDECK: started with \"\"\n"));
    const std::string log = device.Log("EXPLORER.EXE");
    const std::string start_line = "Explorer: starting \\NAND\\HOMEDECK.EXE\n";
    std::size_t starts = 0;
    for (auto at = log.find(start_line); at != std::string::npos; at = log.find(start_line, at + 1)) ++starts;
    EXPECT_EQ(starts, 2u) << "the tap beside the icon starts nothing\n" << log;
}

TEST_F(StandIns, TheCalibrationScreenEndsOnATap) {
    HANDLE process = Start(StandIn::TouchCalibration);
    ASSERT_NE(WaitWindow("TouchCalibration"), nullptr);
    ASSERT_TRUE(Shows(400, 240, 0x000000)) << "the cross at the centre";
    EXPECT_EQ(WaitForSingleObject(process, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ASSERT_EQ(control.Tap(400, 240), 0u);
    EXPECT_TRUE(Ends(process));
    EXPECT_TRUE(device.WaitForLog("TCLAUNCH.EXE", "TouchCalibration: tapped at 400,240\n"));
}

// A hidden top-level window of the test that keeps the navigation program's broadcasts.
class Listener {
public:
    using Heard = std::tuple<UINT, WPARAM, LPARAM>;

    Listener() {
        s_heard.clear();
        WNDCLASS window_class;
        window_class.lpfnWndProc = Procedure;
        window_class.lpszClassName = "StandInListener";
        RegisterClass(&window_class);
        m_hwnd = CreateWindowEx(0, "StandInListener", "listener", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                nullptr);
    }
    ~Listener() { DestroyWindow(m_hwnd); }

    // Handles this thread's messages until `count` broadcasts were heard or the time is up.
    std::vector<Heard> Wait(std::size_t count, std::chrono::milliseconds timeout = 5s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (s_heard.size() < count && std::chrono::steady_clock::now() < deadline) {
            MSG msg;
            if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
            else std::this_thread::sleep_for(5ms);
        }
        return s_heard;
    }

private:
    static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
        if (message == kOutsideEvent || message == kSidePanel) s_heard.emplace_back(message, wparam, lparam);
        return DefWindowProc(hwnd, message, wparam, lparam);
    }
    static inline std::vector<Heard> s_heard;
    HWND m_hwnd = nullptr;
};

// Asks the navigation program for a broadcast: WM_COPYDATA whose data code is the message.
LRESULT Ask(HWND wayfarer, std::uintptr_t message, std::vector<std::int32_t> words) {
    COPYDATASTRUCT copy;
    copy.dwData = message;
    copy.cbData = static_cast<DWORD>(words.size() * sizeof(std::int32_t));
    copy.lpData = words.data();
    return SendMessage(wayfarer, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
}

TEST_F(StandIns, TheNavigationProgramBroadcastsMapShownOnItsFirstPaintAndMapGoneAsItEnds) {
    Listener listener;
    HANDLE process = Start(StandIn::Wayfarer);
    HWND wayfarer = WaitWindow("Wayfarer");
    ASSERT_NE(wayfarer, nullptr);
    EXPECT_EQ(listener.Wait(1), (std::vector<Listener::Heard>{{kOutsideEvent, 51, 0}}));
    EXPECT_TRUE(Shows(20, 20, 0xE2E8CC)) << "the map is on the screen";
    ASSERT_TRUE(PostMessage(wayfarer, WM_CLOSE, 0, 0));
    EXPECT_EQ(listener.Wait(2), (std::vector<Listener::Heard>{{kOutsideEvent, 51, 0}, {kOutsideEvent, 10, 0}}));
    EXPECT_TRUE(Ends(process));
    EXPECT_TRUE(device.WaitForLog("WAYFARER.EXE", "Wayfarer: broadcast 8590 51 0 (shown)\n"));
    EXPECT_TRUE(device.WaitForLog("WAYFARER.EXE", "Wayfarer: broadcast 8590 10 0 (ending)\n"));
}

TEST_F(StandIns, TheNavigationProgramBroadcastsWhatItIsAskedAndWhatItsMapAreasSay) {
    Listener listener;
    Start(StandIn::Wayfarer);
    HWND wayfarer = WaitWindow("Wayfarer");
    ASSERT_NE(wayfarer, nullptr);
    ASSERT_EQ(listener.Wait(1).size(), 1u);

    EXPECT_EQ(Ask(wayfarer, kOutsideEvent, {50}), 1);
    EXPECT_EQ(Ask(wayfarer, kOutsideEvent, {30, 1}), 1);
    EXPECT_EQ(Ask(wayfarer, kSidePanel, {120}), 1);
    EXPECT_EQ(Ask(wayfarer, kOutsideEvent, {1, 2, 3}), 0) << "12 bytes is neither form";
    EXPECT_EQ(Ask(wayfarer, kOutsideEvent, {}), 0);
    EXPECT_EQ(Ask(wayfarer, kSidePanel, {1, 2}), 0);
    EXPECT_EQ(Ask(wayfarer, 1069, {3}), 1) << "the volume still comes by 1069";

    // The bottom row of the map: "11 menu", then "8599 panel" twice (from the asked 120 to
    // 0, then to its own width), the map between the areas, and "30 TV".
    for (auto [x, y] : {std::pair{350, 440}, {750, 440}, {750, 440}, {400, 300}, {450, 440}})
        ASSERT_EQ(control.Tap(x, y), 0u);

    const std::vector<Listener::Heard> expected = {
        {kOutsideEvent, 51, 0}, {kOutsideEvent, 50, 0}, {kOutsideEvent, 30, 1}, {kSidePanel, 120, 0},
        {kOutsideEvent, 11, 0}, {kSidePanel, 0, 0},     {kSidePanel, 240, 0},  {kOutsideEvent, 30, 1},
    };
    EXPECT_EQ(listener.Wait(expected.size()), expected);
    EXPECT_EQ(listener.Wait(expected.size() + 1, 300ms).size(), expected.size()) << "nothing more";
    EXPECT_TRUE(device.WaitForLog("WAYFARER.EXE", "Wayfarer: broadcast request 8590 of 12 bytes ignored\n"));
    EXPECT_TRUE(device.WaitForLog("WAYFARER.EXE", "Wayfarer: volume 3\n"));
    EXPECT_TRUE(device.WaitForLog("WAYFARER.EXE", "Wayfarer: broadcast 8599 240 0 (tap)\n"));
}

}  // namespace
