// The screen through the real server: window surfaces composed by z-order, children clipped to
// their parents, the colour-key overlay, the backlight, pen and key input. This test process is
// a program with windows of its own; screenshots and input come through devicectl's library.
#include <chrono>
#include <filesystem>
#include <optional>
#include <gtest/gtest.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "platform/gfx/png_file.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/server_connection.h"
#include "platform/testing/temporary_device.h"
#include "platform/window/video_overlay.h"
#include "platform/window/window.h"
#include "platform/window/window_surface.h"
#include "tools/devicectl/device_control.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How long a wait may take before the test calls it a hang. What is waited for comes far
// sooner, but a loaded machine may hold any step up for seconds.
constexpr auto kHang = 10s;

constexpr DWORD kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF, kYellow = 0xFFFF00;
constexpr DWORD kKey = platform::kOverlayColourKey;
constexpr WPARAM kMkLButton = 1;
constexpr WPARAM kVkReturn = 0x0D;

struct Seen {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    int x, y;  // from lParam, as signed 16-bit words
    bool operator==(const Seen&) const = default;
};
std::vector<Seen> s_seen;

LRESULT ScreenWindowProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_MOUSEMOVE:
        case WM_KEYDOWN:
        case WM_PAINT:
            s_seen.push_back({hwnd, message, wparam, static_cast<short>(LOWORD(static_cast<std::uintptr_t>(lparam))),
                              static_cast<short>(HIWORD(static_cast<std::uintptr_t>(lparam)))});
            break;
        default:
            break;
    }
    return DefWindowProc(hwnd, message, wparam, lparam);
}

class Screen : public ::testing::Test {
protected:
    void SetUp() override {
        s_seen.clear();
        ASSERT_TRUE(device.Install(platform::testing::WindowProbeBinary(), "WINPROBE.EXE"));
        ASSERT_TRUE(device.StartServer());
        static bool registered = false;
        if (!registered) {
            WNDCLASS window_class;
            window_class.lpfnWndProc = ScreenWindowProcedure;
            window_class.lpszClassName = "SCREEN_TEST";
            ASSERT_TRUE(RegisterClass(&window_class));
            registered = true;
        }
    }
    void TearDown() override {
        for (HWND hwnd : m_windows) DestroyWindow(hwnd);
        // What a test left in this thread's queue (a key's WM_KEYUP) does not reach the next.
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        for (HANDLE probe : m_probes) {
            TerminateProcess(probe, 0);
            CloseHandle(probe);
        }
    }
    HWND Window(int x, int y, int width, int height, DWORD colour, DWORD ex_style = 0, HWND parent = nullptr,
                DWORD style = WS_VISIBLE) {
        style |= parent ? WS_CHILD : WS_POPUP;
        HWND hwnd = CreateWindowEx(ex_style, "SCREEN_TEST", "", style, x, y, width, height, parent, nullptr, nullptr, nullptr);
        EXPECT_NE(hwnd, nullptr);
        if (!parent) m_windows.push_back(hwnd);
        Fill(hwnd, colour);
        ValidateRect(hwnd, nullptr);  // filled: its first paint is done
        return hwnd;
    }
    static void Fill(HWND hwnd, DWORD colour) {
        WindowSurface surface;
        ASSERT_TRUE(GetWindowSurface(hwnd, &surface)) << GetLastError();
        for (int y = 0; y < surface.height; ++y)
            for (int x = 0; x < surface.width; ++x) surface.pixels[y * surface.pitch / 4 + x] = colour;
        ASSERT_TRUE(UpdateWindowSurface(hwnd, nullptr));
    }
    devicectl::DeviceControl::Screen Shot() {
        DWORD error = 0;
        auto screen = control.Screenshot(error);
        EXPECT_TRUE(screen) << error;
        return screen ? *screen : devicectl::DeviceControl::Screen{};
    }
    // Pumps this thread's messages until the count of seen messages reaches count (bounded).
    void PumpUntil(std::size_t count, std::chrono::milliseconds timeout = kHang) {
        const auto deadline = Clock::now() + timeout;
        MSG msg;
        while (s_seen.size() < count && Clock::now() < deadline) {
            if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
            else std::this_thread::sleep_for(1ms);
        }
    }
    platform::testing::TemporaryDevice device;
    devicectl::DeviceControl control{device.Root()};
    std::vector<HWND> m_windows;
    std::vector<HANDLE> m_probes;
};

TEST_F(Screen, AFilledSurfaceShowsExactlyAtItsWindowsRectangleAndInTheScreenshotFile) {
    HWND hwnd = Window(100, 50, 200, 100, kRed);
    WindowSurface surface;
    ASSERT_TRUE(GetWindowSurface(hwnd, &surface));
    EXPECT_EQ(surface.width, 200);
    EXPECT_EQ(surface.height, 100);
    EXPECT_GE(surface.pitch, 200 * 4);
    auto screen = Shot();
    ASSERT_EQ(screen.width, 800u);
    ASSERT_EQ(screen.height, 480u);
    const std::tuple<int, int, DWORD> expected[] = {
        {100, 50, kRed}, {299, 149, kRed}, {99, 50, 0}, {100, 49, 0}, {300, 149, 0}, {299, 150, 0}, {0, 0, 0}};
    for (auto [x, y, colour] : expected) EXPECT_EQ(screen.At(x, y), colour) << x << "," << y;

    const auto file = device.Root() / "shot.png";
    std::string error;
    ASSERT_TRUE(control.SaveScreenshot(file, error)) << error;
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    ASSERT_TRUE(platform::ReadPng(file, width, height, pixels, error)) << error;
    EXPECT_EQ(width, 800u);
    EXPECT_EQ(height, 480u);
    EXPECT_EQ(pixels, screen.pixels);

    // A resize makes the surface anew at the new size, black until drawn.
    ASSERT_TRUE(MoveWindow(hwnd, 100, 50, 50, 40, TRUE));
    ASSERT_TRUE(GetWindowSurface(hwnd, &surface));
    EXPECT_EQ(surface.width, 50);
    EXPECT_EQ(surface.height, 40);
    EXPECT_EQ(surface.pixels[0], 0u);
    screen = Shot();
    EXPECT_EQ(screen.At(100, 50), 0u);
    EXPECT_EQ(screen.At(200, 100), 0u) << "what lay outside the new size is gone";
}

TEST_F(Screen, AWaitForTheNextFrameSleepsUntilTheScreenChangesOrItsTimeIsUp) {
    HWND hwnd = Window(10, 10, 50, 50, kRed);
    const std::uint64_t frame = Shot().frame;
    ASSERT_GT(frame, 0u) << "a screenshot shows a presented frame";
    EXPECT_EQ(control.WaitScreenChange(frame - 1, 5s), frame) << "a frame already newer answers at once";

    // Nothing changes: the wait ends at its time with the same frame.
    const auto start = Clock::now();
    EXPECT_EQ(control.WaitScreenChange(frame, 300ms), frame);
    EXPECT_GE(Clock::now() - start, 250ms);

    // A change ends a wait made on another connection at the frame that shows it.
    std::optional<std::uint64_t> woken;
    Clock::time_point woken_at;
    std::thread watcher([&] {
        woken = devicectl::DeviceControl(device.Root()).WaitScreenChange(frame, 20s);
        woken_at = Clock::now();
    });
    std::this_thread::sleep_for(200ms);
    const auto changed_at = Clock::now();
    Fill(hwnd, kGreen);
    watcher.join();
    ASSERT_TRUE(woken);
    EXPECT_GT(*woken, frame);
    EXPECT_LT(woken_at - changed_at, 5s) << "woken by the change, not by the time-out";
    const auto after = Shot();
    EXPECT_EQ(after.At(20, 20), kGreen);
    EXPECT_GE(after.frame, *woken);

    EXPECT_FALSE(control.WaitScreenChange(after.frame, 61s)) << "longer than a minute is refused";
}

TEST_F(Screen, ZOrderTopmostBandAndHiddenWindowsDecideWhatShows) {
    HWND back = Window(0, 0, 800, 480, kBlue);
    HWND front = Window(50, 50, 100, 100, kRed);
    HWND topmost = Window(0, 0, 100, 100, kGreen, WS_EX_TOPMOST);
    HWND hidden = Window(600, 0, 100, 100, kWhite, 0, nullptr, 0);
    auto screen = Shot();
    EXPECT_EQ(screen.At(75, 75), kGreen) << "the topmost band covers a later normal window";
    EXPECT_EQ(screen.At(120, 120), kRed);
    EXPECT_EQ(screen.At(400, 300), kBlue);
    EXPECT_EQ(screen.At(650, 50), kBlue) << "a hidden window does not show";

    ASSERT_TRUE(SetForegroundWindow(back));
    screen = Shot();
    EXPECT_EQ(screen.At(120, 120), kBlue) << "brought to the front of its band";
    EXPECT_EQ(screen.At(75, 75), kGreen) << "still behind the topmost band";

    ShowWindow(topmost, SW_HIDE);
    ShowWindow(hidden, SW_SHOW);  // activates it: the front of its band
    Fill(hidden, kWhite);
    screen = Shot();
    EXPECT_EQ(screen.At(75, 75), kBlue);
    EXPECT_EQ(screen.At(650, 50), kWhite);
    (void)front;
}

TEST_F(Screen, ChildrenDrawAboveTheirParentClippedToIt) {
    HWND parent = Window(100, 100, 100, 100, kWhite);
    HWND child = Window(50, 50, 100, 100, kRed, 0, parent);
    HWND sibling = Window(0, 0, 60, 60, kGreen, 0, parent);  // created last: in front of the first child
    auto screen = Shot();
    EXPECT_EQ(screen.At(120, 120), kGreen);
    EXPECT_EQ(screen.At(155, 155), kGreen) << "the later sibling is in front";
    EXPECT_EQ(screen.At(170, 170), kRed);
    EXPECT_EQ(screen.At(199, 199), kRed);
    EXPECT_EQ(screen.At(210, 210), 0u) << "the child's part outside its parent is clipped";
    EXPECT_EQ(screen.At(105, 195), kWhite);

    ShowWindow(parent, SW_HIDE);
    screen = Shot();
    EXPECT_EQ(screen.At(170, 170), 0u) << "a hidden parent hides its children";
    ShowWindow(parent, SW_SHOWNA);
    DestroyWindow(sibling);
    screen = Shot();
    EXPECT_EQ(screen.At(155, 155), kRed);
    (void)child;
}

TEST_F(Screen, TheOverlayShowsThroughTheColourKeyOnlyInsideItsRectangle) {
    HWND hwnd = Window(0, 0, 800, 480, kKey);
    WindowSurface surface;
    ASSERT_TRUE(GetWindowSurface(hwnd, &surface));
    for (int y = 0; y < 480; ++y)
        for (int x = 400; x < 800; ++x) surface.pixels[y * surface.pitch / 4 + x] = kWhite;
    UpdateWindowSurface(hwnd, nullptr);

    platform::VideoOverlay overlay;
    ASSERT_TRUE(overlay.Open(4, 2, RECT{0, 0, 600, 200})) << GetLastError();
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) overlay.Pixels()[y * overlay.Pitch() / 4 + x] = x < 2 ? kYellow : kGreen;
    ASSERT_TRUE(overlay.Present());
    auto screen = Shot();
    EXPECT_EQ(screen.At(10, 10), kYellow) << "key colour inside the rectangle";
    EXPECT_EQ(screen.At(350, 150), kGreen) << "the buffer is stretched over the rectangle";
    EXPECT_EQ(screen.At(500, 10), kWhite) << "other colours inside the rectangle stay";
    EXPECT_EQ(screen.At(10, 300), kKey) << "key colour outside the rectangle stays";

    ASSERT_TRUE(overlay.Move(RECT{0, 250, 300, 480}));
    screen = Shot();
    EXPECT_EQ(screen.At(10, 10), kKey);
    EXPECT_EQ(screen.At(10, 300), kYellow);
    overlay.Close();
    EXPECT_EQ(Shot().At(10, 300), kKey);

    SetLastError(0);
    EXPECT_FALSE(overlay.Open(4096, 16, RECT{0, 0, 10, 10}));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    // The overlay is the program's: another of its threads moves and closes it.
    ASSERT_TRUE(overlay.Open(1, 1, RECT{0, 0, 100, 100}));
    overlay.Pixels()[0] = kYellow;
    overlay.Present();
    std::thread([] {
        platform::VideoOverlay other;
        EXPECT_TRUE(other.Open(1, 1, RECT{0, 0, 800, 480})) << "a second open takes it over";
        EXPECT_TRUE(other.Move(RECT{0, 0, 50, 50}));
        other.Pixels()[0] = kGreen;
        other.Present();
    }).join();  // its destructor closed it
    EXPECT_EQ(Shot().At(10, 10), kKey);
    EXPECT_FALSE(overlay.Move(RECT{0, 0, 10, 10})) << "closed by the other thread";

    // The overlay of a program that ends leaves the screen.
    SHELLEXECUTEINFO info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = "\\NAND\\WINPROBE.EXE";
    info.lpParameters = "title=VIDEO hidden overlay=00ff00";
    ASSERT_TRUE(ShellExecuteEx(&info));
    m_probes.push_back(info.hProcess);
    ASSERT_TRUE(device.WaitForLog("WINPROBE.EXE", "VIDEO overlay ready"));
    const auto shown = Clock::now() + kHang;
    while (Shot().At(10, 10) != kGreen && Clock::now() < shown) std::this_thread::sleep_for(5ms);
    EXPECT_EQ(Shot().At(10, 10), kGreen);
    ASSERT_TRUE(TerminateProcess(info.hProcess, 1));
    ASSERT_EQ(WaitForSingleObject(info.hProcess, 5000), WAIT_OBJECT_0);
    const auto gone = Clock::now() + kHang;
    while (Shot().At(10, 10) != kKey && Clock::now() < gone) std::this_thread::sleep_for(5ms);
    EXPECT_EQ(Shot().At(10, 10), kKey);
}

// Each frame the player puts into the overlay reaches the screen and is counted; the count
// starts again when the plane is opened anew.
TEST_F(Screen, EveryOverlayFrameIsShownAndCounted) {
    Window(0, 0, 800, 480, kKey);
    EXPECT_FALSE(control.Overlay()->open);
    platform::VideoOverlay overlay;
    ASSERT_TRUE(overlay.Open(2, 2, RECT{100, 100, 300, 200}));
    const DWORD colours[] = {kYellow, kGreen, kBlue, kRed};
    for (DWORD colour : colours) {
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) overlay.Pixels()[y * overlay.Pitch() / 4 + x] = colour;
        ASSERT_TRUE(overlay.Present());
        const auto shown = Clock::now() + kHang;
        while (Shot().At(150, 150) != colour && Clock::now() < shown) std::this_thread::sleep_for(5ms);
        EXPECT_EQ(Shot().At(150, 150), colour) << "frame " << colour;
    }
    auto info = control.Overlay();
    ASSERT_TRUE(info && info->open);
    EXPECT_EQ(info->owner, GetCurrentProcessId());
    EXPECT_EQ(info->frames, 4u);
    EXPECT_EQ(info->width, 2u);
    EXPECT_EQ(info->destination.left, 100);
    EXPECT_EQ(info->destination.bottom, 200);

    ASSERT_TRUE(overlay.Open(4, 4, RECT{0, 0, 800, 480}));
    EXPECT_EQ(control.Overlay()->frames, 0u) << "opened anew";
    overlay.Close();
    EXPECT_FALSE(control.Overlay()->open);
}

TEST_F(Screen, BacklightScalesBrightnessAndOffOrZeroIsBlack) {
    Window(0, 0, 800, 480, 0xC86432);  // RGB(200, 100, 50)
    DWORD error = 0;
    ASSERT_TRUE(control.Backlight(50, std::nullopt, error));
    EXPECT_EQ(Shot().At(10, 10), 0x643219u);
    auto drivers = control.DriverState();
    ASSERT_TRUE(drivers);
    EXPECT_EQ(drivers->backlight_percent, 50u) << "set through the backlight driver";
    EXPECT_TRUE(device.WaitForLog("server", "BKL1: brightness 50"));
    ASSERT_TRUE(control.Backlight(0, std::nullopt, error));
    EXPECT_EQ(Shot().At(10, 10), 0u);
    ASSERT_TRUE(control.Backlight(100, false, error));
    EXPECT_EQ(Shot().At(10, 10), 0u) << "power off presents black at any level";
    auto state = control.Backlight(std::nullopt, true, error);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->level, 100u);
    EXPECT_EQ(Shot().At(10, 10), 0xC86432u);
    EXPECT_FALSE(control.Backlight(101, std::nullopt, error));
    EXPECT_EQ(error, ERROR_INVALID_PARAMETER);
}

TEST_F(Screen, ATapReachesTheWindowUnderThePointInClientCoordinatesAndSetsTheTouchEvent) {
    HWND back = Window(0, 0, 800, 480, kBlue);
    HWND panel = Window(200, 100, 300, 200, kWhite);
    HWND button = Window(20, 30, 100, 50, kRed, 0, panel);
    HWND hidden_child = Window(0, 0, 300, 200, kGreen, 0, panel, 0);
    HANDLE touch = OpenEvent(EVENT_ALL_ACCESS, FALSE, "KTOUCH_EVENT");
    ASSERT_NE(touch, nullptr) << "the server makes the touch panel's event";
    EXPECT_EQ(WaitForSingleObject(touch, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    ASSERT_EQ(control.Tap(230, 140), 0u);
    EXPECT_EQ(WaitForSingleObject(touch, 2000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(touch, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "auto-reset";
    ASSERT_EQ(control.Tap(205, 105), 0u);
    ASSERT_EQ(control.Tap(5, 6), 0u);
    PumpUntil(6);
    const std::vector<Seen> expected = {
        {button, WM_LBUTTONDOWN, kMkLButton, 10, 10}, {button, WM_LBUTTONUP, 0, 10, 10},
        {panel, WM_LBUTTONDOWN, kMkLButton, 5, 5},    {panel, WM_LBUTTONUP, 0, 5, 5},
        {back, WM_LBUTTONDOWN, kMkLButton, 5, 6},     {back, WM_LBUTTONUP, 0, 5, 6},
    };
    EXPECT_EQ(s_seen, expected);
    CloseHandle(touch);
    (void)hidden_child;
}

TEST_F(Screen, CaptureTakesMovesAndTheReleaseWhereverThePenGoes) {
    HWND left = Window(0, 0, 400, 480, kBlue);
    HWND right = Window(400, 0, 400, 480, kRed);
    ASSERT_EQ(control.Press(100, 100), 0u);
    PumpUntil(1);
    SetCapture(left);
    ASSERT_EQ(control.Move(500, 120), 0u);
    ASSERT_EQ(control.Release(600, 130), 0u);
    ReleaseCapture();
    ASSERT_EQ(control.Move(550, 10), 0u);
    // A drag ends with its release at the end point.
    ASSERT_EQ(control.Drag(10, 10, 30, 50, 40ms), 0u);
    PumpUntil(8);
    ASSERT_GE(s_seen.size(), 8u);
    const std::vector<Seen> expected = {
        {left, WM_LBUTTONDOWN, kMkLButton, 100, 100},
        {left, WM_MOUSEMOVE, kMkLButton, 500, 120},
        {left, WM_LBUTTONUP, 0, 600, 130},
        {right, WM_MOUSEMOVE, 0, 150, 10},
        {left, WM_LBUTTONDOWN, kMkLButton, 10, 10},
    };
    EXPECT_EQ(std::vector<Seen>(s_seen.begin(), s_seen.begin() + 5), expected);
    EXPECT_EQ(s_seen.back(), (Seen{left, WM_LBUTTONUP, 0, 30, 50}));
    for (std::size_t i = 5; i + 1 < s_seen.size(); ++i) {
        EXPECT_EQ(s_seen[i].message, static_cast<UINT>(WM_MOUSEMOVE));
        EXPECT_EQ(s_seen[i].wparam, kMkLButton);
    }
    // Captured, a point left of the window comes as negative client coordinates.
    s_seen.clear();
    SetCapture(right);
    ASSERT_EQ(control.Tap(10, 10), 0u);
    PumpUntil(2);
    ASSERT_EQ(s_seen.size(), 2u);
    EXPECT_EQ(s_seen[0], (Seen{right, WM_LBUTTONDOWN, kMkLButton, -390, 10}));
    ReleaseCapture();
}

TEST_F(Screen, APressActivatesItsWindowAndDisabledWindowsTakeNoPen) {
    HWND left = Window(0, 0, 400, 480, kBlue);
    HWND right = Window(400, 0, 400, 480, kRed);
    HWND right_button = Window(10, 10, 100, 50, kWhite, 0, right);
    ASSERT_TRUE(SetForegroundWindow(left));
    ASSERT_EQ(control.Tap(600, 300), 0u);
    PumpUntil(2);
    EXPECT_EQ(GetForegroundWindow(), right) << "the pressed window's program comes to the front";
    ASSERT_EQ(control.Tap(420, 20), 0u);
    PumpUntil(4);
    EXPECT_EQ(GetForegroundWindow(), right) << "a child's press activates its top-level window";
    ASSERT_EQ(s_seen.size(), 4u);
    EXPECT_EQ(s_seen[2], (Seen{right_button, WM_LBUTTONDOWN, kMkLButton, 10, 10}));

    // Disabled: neither the window nor anything inside it gets the pen or the foreground,
    // while the touch panel's event is still set.
    ASSERT_TRUE(SetForegroundWindow(left));
    EnableWindow(right, FALSE);
    HANDLE touch = OpenEvent(EVENT_ALL_ACCESS, FALSE, "KTOUCH_EVENT");
    ASSERT_NE(touch, nullptr);
    WaitForSingleObject(touch, 0);
    s_seen.clear();
    ASSERT_EQ(control.Tap(600, 300), 0u);
    ASSERT_EQ(control.Tap(420, 20), 0u);
    EXPECT_EQ(WaitForSingleObject(touch, 2000), WAIT_OBJECT_0);
    ASSERT_EQ(control.Tap(100, 100), 0u);
    PumpUntil(2);
    ASSERT_EQ(s_seen.size(), 2u);
    EXPECT_EQ(s_seen[0], (Seen{left, WM_LBUTTONDOWN, kMkLButton, 100, 100})) << "only the enabled window's tap";
    EXPECT_EQ(GetForegroundWindow(), left);
    EnableWindow(right, TRUE);
    CloseHandle(touch);
}

TEST_F(Screen, AWindowThatAsksNotToBeActivatedTakesThePressButNeitherTheFrontNorTheForeground) {
    HWND back = Window(0, 0, 800, 480, kBlue, WS_EX_NOACTIVATE);
    HWND front = Window(300, 0, 200, 480, kRed);
    ASSERT_TRUE(SetForegroundWindow(front));
    s_seen.clear();
    ASSERT_EQ(control.Tap(100, 100), 0u);
    PumpUntil(2);
    ASSERT_EQ(s_seen.size(), 2u);
    EXPECT_EQ(s_seen[0], (Seen{back, WM_LBUTTONDOWN, kMkLButton, 100, 100})) << "the press still comes";
    EXPECT_EQ(GetForegroundWindow(), front);
    DWORD error = 0;
    const auto screen = control.Screenshot(error);
    ASSERT_TRUE(screen) << error;
    EXPECT_EQ(screen->At(400, 100) & 0xFFFFFF, kRed) << "the pressed window came forward";
}

TEST_F(Screen, RemoteKeysSetTheirEventsAndEnterGoesToTheForegroundWindow) {
    HWND hwnd = Window(0, 0, 800, 480, kBlue);
    ASSERT_TRUE(SetForegroundWindow(hwnd));
    HANDLE five = OpenEvent(EVENT_ALL_ACCESS, FALSE, "REMOCON_EVENT_5");
    HANDLE six = OpenEvent(EVENT_ALL_ACCESS, FALSE, "REMOCON_EVENT_6");
    HANDLE left = OpenEvent(EVENT_ALL_ACCESS, FALSE, "REMOCON_EVENT_L");
    HANDLE right = OpenEvent(EVENT_ALL_ACCESS, FALSE, "REMOCON_EVENT_R");
    ASSERT_TRUE(five && six && left && right);
    ASSERT_EQ(control.Key("5"), 0u);
    EXPECT_EQ(WaitForSingleObject(five, 2000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(six, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "only the key's own event";
    ASSERT_EQ(control.Key("left"), 0u);
    ASSERT_EQ(control.Key("right"), 0u);
    EXPECT_EQ(WaitForSingleObject(left, 2000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(right, 2000), WAIT_OBJECT_0);
    EXPECT_EQ(control.Key("0"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(control.Key("up"), ERROR_INVALID_PARAMETER);

    ASSERT_EQ(control.Key("enter"), 0u);
    PumpUntil(1);
    ASSERT_EQ(s_seen.size(), 1u);
    EXPECT_EQ(s_seen[0].hwnd, hwnd);
    EXPECT_EQ(s_seen[0].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(s_seen[0].wparam, kVkReturn);
    for (HANDLE event : {five, six, left, right}) CloseHandle(event);
}

TEST_F(Screen, PaintComesAfterPostedMessagesUntilTheWindowIsValidated) {
    HWND hwnd = CreateWindowEx(0, "SCREEN_TEST", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                               nullptr);
    ASSERT_NE(hwnd, nullptr);
    m_windows.push_back(hwnd);
    MSG msg;
    RECT update;
    ASSERT_TRUE(GetUpdateRect(hwnd, &update, FALSE)) << "a new visible window waits for its first paint";
    EXPECT_EQ(std::tie(update.left, update.top, update.right, update.bottom), std::make_tuple(0L, 0L, 100L, 100L));
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    DispatchMessage(&msg);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) << "once painted, nothing waits";
    ShowWindow(hwnd, SW_HIDE);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) << "hiding paints nothing";
    ShowWindow(hwnd, SW_SHOW);
    EXPECT_TRUE(GetUpdateRect(hwnd, nullptr, FALSE)) << "shown again, it is painted whole";
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    DispatchMessage(&msg);
    ShowWindow(hwnd, SW_SHOW);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) << "showing a shown window paints nothing";

    RECT first{10, 10, 20, 20}, second{50, 60, 70, 80};
    ASSERT_TRUE(InvalidateRect(hwnd, &first, FALSE));
    ASSERT_TRUE(InvalidateRect(hwnd, &second, FALSE));
    ASSERT_TRUE(PostMessage(hwnd, WM_USER, 1, 2));
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER)) << "posted messages come before paint";
    ASSERT_TRUE(GetUpdateRect(hwnd, &update, FALSE));
    EXPECT_EQ(std::tie(update.left, update.top, update.right, update.bottom), std::make_tuple(10L, 10L, 70L, 80L));
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) << "WM_PAINT repeats until validated";
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_PAINT));
    RECT part{10, 10, 20, 20};
    ValidateRect(hwnd, &part);
    EXPECT_TRUE(GetUpdateRect(hwnd, nullptr, FALSE)) << "a part validated leaves the rest waiting";
    DispatchMessage(&msg);  // DefWindowProc validates
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));

    // From another thread, the invalidation reaches the owner's loop.
    std::thread([&] { EXPECT_TRUE(InvalidateRect(hwnd, nullptr, FALSE)); }).join();
    s_seen.clear();
    PumpUntil(1);
    ASSERT_EQ(s_seen.size(), 1u);
    EXPECT_EQ(s_seen[0].message, static_cast<UINT>(WM_PAINT));
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
}

TEST_F(Screen, AnotherProgramsWindowIsRefusedAndADeadProgramsWindowsLeaveTheScreen) {
    Window(0, 0, 800, 480, kRed);
    SHELLEXECUTEINFO info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = "\\NAND\\WINPROBE.EXE";
    info.lpParameters = "title=COVER topmost";
    ASSERT_TRUE(ShellExecuteEx(&info));
    m_probes.push_back(info.hProcess);
    ASSERT_TRUE(device.WaitForLog("WINPROBE.EXE", "COVER window ready"));
    HWND cover = FindWindow("", "COVER");
    ASSERT_NE(cover, nullptr);
    EXPECT_EQ(Shot().At(400, 240), 0u) << "a shown window that has not drawn is black";

    WindowSurface surface;
    SetLastError(0);
    EXPECT_FALSE(GetWindowSurface(cover, &surface)) << "the library refuses before the server must";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    // Asked anyway, the server drops that connection alone.
    std::thread([&] {
        protocol::GetSurfaceRequest request;
        request.hwnd = platform::WindowNumber(cover);
        protocol::SurfaceReply reply;
        auto* connection = platform::ServerConnection::Current();
        ASSERT_NE(connection, nullptr);
        EXPECT_FALSE(connection->Call(request, reply));
    }).join();
    EXPECT_TRUE(device.WaitForLog("server", "GetSurface: another program's window"));
    // So are damage to another program's window and an overlay operation that does not exist;
    // input of an unknown kind is only refused.
    std::thread([&] {
        auto* connection = platform::ServerConnection::Current();
        ASSERT_NE(connection, nullptr);
        protocol::InputRequest input;
        input.kind = 9;
        protocol::StatusReply status;
        ASSERT_TRUE(connection->Call(input, status));
        EXPECT_EQ(status.error, ERROR_INVALID_PARAMETER);
        protocol::SurfaceDamageRequest damage;
        damage.hwnd = platform::WindowNumber(cover);
        EXPECT_FALSE(connection->Call(damage, status)) << "no answer: the connection is dropped";
        EXPECT_FALSE(connection->Call(input, status)) << "the connection was dropped";
    }).join();
    EXPECT_TRUE(device.WaitForLog("server", "SurfaceDamage: another program's window"));
    std::thread([&] {
        protocol::OverlayRequest request;
        request.operation = 7;
        protocol::OverlayReply reply;
        EXPECT_FALSE(platform::ServerConnection::Current()->Call(request, reply));
    }).join();
    EXPECT_TRUE(device.WaitForLog("server", "Overlay: unknown operation 7"));
    EXPECT_EQ(Shot().At(400, 240), 0u) << "the server serves on";

    ASSERT_TRUE(TerminateProcess(info.hProcess, 1));
    ASSERT_EQ(WaitForSingleObject(info.hProcess, 5000), WAIT_OBJECT_0);
    const auto deadline = Clock::now() + kHang;
    while (Shot().At(400, 240) != kRed && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
    EXPECT_EQ(Shot().At(400, 240), kRed) << "the dead program's window and surface are gone";
}

}  // namespace
