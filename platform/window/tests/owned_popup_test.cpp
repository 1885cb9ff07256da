// Owned popups through a real server: a window created with WS_POPUP and a parent handle is a
// top-level window placed on the screen, kept in front of its owner, and destroyed with it.
#include <atomic>
#include <thread>

#include "platform/app/dialog.h"
#include "platform/gfx/gfx.h"
#include "platform/gfx/window_dc.h"
#include "platform/window/tests/probe_device.h"
#include "tools/devicectl/device_control.h"

namespace window_tests {
namespace {

// Screen pixels read 0x00RRGGBB.
constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;

std::vector<std::string> s_events;
std::atomic<int> s_paints{0};

// A window filled with the colour given as its creation parameter; its title names it in the
// event log, with whether its owned popup still existed when it was told WM_DESTROY.
LRESULT ColourProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            SetWindowLong(hwnd, GWL_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCT*>(lparam)->lpCreateParams));
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            if (HDC hdc = BeginPaint(hwnd, &paint)) {
                const auto colour = static_cast<std::uint32_t>(GetWindowLong(hwnd, GWL_USERDATA));
                HBRUSH brush = CreateSolidBrush(RGB(colour >> 16, (colour >> 8) & 0xFF, colour & 0xFF));
                RECT all = {0, 0, 1000, 1000};
                FillRect(hdc, &all, brush);
                DeleteObject(brush);
                EndPaint(hwnd, &paint);
                ++s_paints;
            }
            return 0;
        }
        case WM_DESTROY: {
            std::string event = GetWindowText(hwnd);
            if (HWND popup = FindWindow("", "popup"); event == "owner") event += popup ? " +popup" : " -popup";
            s_events.push_back(event);
            return 0;
        }
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

class OwnedPopup : public ProbeDevice {
protected:
    void SetUp() override {
        ProbeDevice::SetUp();
        s_events.clear();
        s_paints = 0;
        static const bool registered = [] {
            WNDCLASS window_class;
            window_class.lpfnWndProc = ColourProcedure;
            window_class.lpszClassName = "COLOUR";
            return RegisterClass(&window_class) != 0;
        }();
        ASSERT_TRUE(registered);
    }
    static HWND Make(const char* title, std::uint32_t colour, DWORD style, DWORD ex_style, RECT at,
                     HWND parent = nullptr) {
        return CreateWindowEx(ex_style, "COLOUR", title, style | WS_VISIBLE, at.left, at.top, at.right - at.left,
                              at.bottom - at.top, parent, nullptr, nullptr,
                              reinterpret_cast<void*>(static_cast<std::uintptr_t>(colour)));
    }
    bool Painted(int windows) { return PumpUntil([&] { return s_paints >= windows; }); }
    // The colour at a point once it shows it (or what it shows when the second is up).
    std::uint32_t Showing(std::uint32_t x, std::uint32_t y, std::uint32_t colour) {
        return devicectl::DeviceControl(device.Root()).ScreenShowing(x, y, colour).At(x, y);
    }
};

TEST_F(OwnedPopup, ShowsInFrontOfItsOwnerAtScreenCoordinatesAndStaysThere) {
    HWND owner = Make("owner", kRed, WS_POPUP, 0, {100, 100, 300, 250});
    HWND child = Make("child", kBlue, WS_CHILD, 0, {10, 10, 40, 40}, owner);
    HWND popup = Make("popup", kGreen, WS_POPUP, 0, {250, 200, 370, 280}, owner);
    ASSERT_TRUE(owner && child && popup);
    ASSERT_TRUE(Painted(3));
    EXPECT_EQ(Showing(260, 210, kGreen), kGreen) << "over its owner";
    EXPECT_EQ(Showing(360, 270, kGreen), kGreen) << "beyond its owner: the point is on the screen, not in the owner";
    EXPECT_EQ(Showing(150, 150, kRed), kRed);
    EXPECT_EQ(Showing(115, 115, kBlue), kBlue) << "a child lies inside its parent";

    EXPECT_EQ(GetWindow(popup, GW_OWNER), owner);
    EXPECT_EQ(GetParent(popup), owner) << "a popup's parent is its owner";
    EXPECT_EQ(GetParent(child), owner);
    EXPECT_EQ(GetParent(owner), nullptr);
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(GetParent(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);

    // Bringing the owner forward brings its popup with it.
    for (int step = 0; step < 2; ++step) {
        if (step == 0) ASSERT_TRUE(SetForegroundWindow(owner));
        else ASSERT_TRUE(SetWindowPos(popup, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
        EXPECT_EQ(GetWindow(owner, GW_HWNDPREV), popup) << "step " << step;
        EXPECT_EQ(Showing(260, 210, kGreen), kGreen) << "step " << step;
    }
}

TEST_F(OwnedPopup, ATopmostPopupStaysInFrontOfOtherWindowsAndATopmostOwnerTakesItsPopupsAlong) {
    HWND owner = Make("owner", kRed, WS_POPUP, 0, {0, 0, 100, 100});
    HWND topmost = Make("topmost popup", kGreen, WS_POPUP, WS_EX_TOPMOST, {200, 200, 260, 260}, owner);
    HWND plain = Make("popup", kBlue, WS_POPUP, 0, {300, 200, 360, 260}, owner);
    ASSERT_TRUE(owner && topmost && plain);
    ASSERT_TRUE(Painted(3));
    HWND other = Make("other", kRed, WS_POPUP, 0, {150, 150, 450, 300});  // covers both popups
    ASSERT_TRUE(Painted(4));
    ASSERT_TRUE(SetForegroundWindow(other));
    EXPECT_EQ(Showing(230, 230, kGreen), kGreen) << "the topmost popup";
    EXPECT_EQ(Showing(330, 230, kRed), kRed) << "the plain popup is behind the other window";

    ASSERT_TRUE(SetWindowPos(owner, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE));
    EXPECT_TRUE(GetWindowLong(plain, GWL_EXSTYLE) & WS_EX_TOPMOST) << "its owned windows went topmost with it";
    EXPECT_EQ(Showing(330, 230, kBlue), kBlue);
    HWND late = Make("late", kGreen, WS_POPUP, 0, {0, 300, 10, 310}, owner);
    EXPECT_TRUE(GetWindowLong(late, GWL_EXSTYLE) & WS_EX_TOPMOST) << "a topmost owner's new window is topmost";
}

TEST_F(OwnedPopup, DestroyingTheOwnerDestroysItsPopupsFirst) {
    HWND owner = Make("owner", kRed, WS_POPUP, 0, {100, 100, 300, 250});
    Make("child", kBlue, WS_CHILD, 0, {10, 10, 40, 40}, owner);
    HWND popup = Make("popup", kGreen, WS_POPUP, 0, {250, 200, 370, 280}, owner);
    HWND nested = Make("nested", kBlue, WS_POPUP, 0, {0, 0, 10, 10}, popup);
    ASSERT_TRUE(Painted(4));
    ASSERT_EQ(Showing(360, 270, kGreen), kGreen);

    ASSERT_TRUE(DestroyWindow(owner));
    // What each was told, in order; the owner found its popup gone already.
    EXPECT_EQ(s_events, (std::vector<std::string>{"nested", "popup", "owner -popup", "child"}));
    EXPECT_FALSE(IsWindow(popup));
    EXPECT_FALSE(IsWindow(nested));
    EXPECT_NE(Showing(360, 270, 0), kGreen) << "the popup left the screen";
}

// A popup made by another thread is that thread's to destroy: its owner going leaves it without
// an owner, and the thread closes it when told.
TEST_F(OwnedPopup, APopupOfAnotherThreadLosesItsOwnerAndItsThreadClosesIt) {
    HWND owner = Make("owner", kRed, WS_POPUP, 0, {100, 100, 300, 250});
    std::atomic<HWND> popup{nullptr};
    std::atomic<bool> loop_ended{false};
    std::thread painter([&] {
        popup = Make("popup", kGreen, WS_POPUP, 0, {250, 200, 370, 280}, owner);
        MSG msg;
        while (GetMessage(&msg, nullptr, 0, 0) > 0) {
            DispatchMessage(&msg);  // WM_CLOSE destroys it
            if (!IsWindow(popup)) break;
        }
        loop_ended = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return popup.load() != nullptr; }));
    ASSERT_NE(popup.load(), nullptr);
    EXPECT_EQ(GetWindow(popup, GW_OWNER), owner);

    ASSERT_TRUE(DestroyWindow(owner));
    EXPECT_EQ(s_events, (std::vector<std::string>{"owner +popup"})) << "the other thread's popup was not touched";
    EXPECT_TRUE(IsWindow(popup));
    EXPECT_EQ(GetWindow(popup, GW_OWNER), nullptr);
    EXPECT_EQ(GetParent(popup), nullptr);

    ASSERT_TRUE(PostMessage(popup, WM_CLOSE, 0, 0));
    ASSERT_TRUE(PumpUntil([&] { return loop_ended.load(); })) << "its thread closed it";
    painter.join();
    EXPECT_FALSE(IsWindow(popup));
}

// A panel made as a modeless dialog: it remembers that it was initialised and what it was told.
class PanelDialog : public CDialog {
public:
    PanelDialog() : CDialog("PANEL", "panel") { SetInitialRect({250, 200, 370, 280}); }
    bool initialised = false;
    int destroyed = 0;

protected:
    BOOL OnInitDialog() override {
        initialised = true;
        return TRUE;
    }
    void OnDestroy() override { ++destroyed; }
};

TEST_F(OwnedPopup, AModelessDialogIsAHiddenPopupOfItsOwnerAndGoesWithIt) {
    HWND owner = Make("owner", kRed, WS_POPUP, 0, {100, 100, 300, 250});
    ASSERT_TRUE(owner);
    PanelDialog panel;
    ASSERT_TRUE(panel.Create(owner));
    EXPECT_FALSE(panel.Create(owner)) << "one window per dialog";
    HWND window = panel.GetSafeHwnd();
    ASSERT_TRUE(window);
    EXPECT_TRUE(panel.initialised);
    EXPECT_FALSE(IsWindowVisible(window)) << "it waits to be shown";
    EXPECT_EQ(GetWindow(window, GW_OWNER), owner);
    panel.ShowWindow(SW_SHOWNA);
    EXPECT_EQ(GetWindow(owner, GW_HWNDPREV), window) << "in front of its owner";

    ASSERT_TRUE(DestroyWindow(owner));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(panel.destroyed, 1);
    EXPECT_EQ(panel.GetSafeHwnd(), nullptr) << "the dialog lets go of the window its owner took";
    panel.DestroyModeless();  // nothing left to destroy
    EXPECT_EQ(panel.destroyed, 1);
}

TEST_F(OwnedPopup, BringWindowToTopRaisesAndActivatesWithinItsBand) {
    HWND back = Make("back", kRed, WS_POPUP, 0, {0, 0, 200, 200});
    HWND front = Make("front", kBlue, WS_POPUP, 0, {0, 0, 200, 200});
    HWND topmost = Make("topmost", kGreen, WS_POPUP, WS_EX_TOPMOST, {150, 150, 250, 250});
    ASSERT_TRUE(back && front && topmost);
    ASSERT_TRUE(Painted(3));
    ASSERT_TRUE(BringWindowToTop(back));
    EXPECT_EQ(GetForegroundWindow(), back);
    EXPECT_EQ(Showing(50, 50, kRed), kRed) << "in front of the other plain window";
    EXPECT_EQ(Showing(175, 175, kGreen), kGreen) << "still behind the topmost one";
    EXPECT_FALSE(BringWindowToTop(nullptr));
}

}  // namespace
}  // namespace window_tests
