// Owners, children and z-order as EnumWindows, GetWindow and GetWindowLong report them, and the
// icons DefWindowProc keeps, through a real server.
#include "platform/window/tests/probe_device.h"

namespace window_tests {
namespace {

std::vector<HWND> s_destroyed;

LRESULT PlainProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) s_destroyed.push_back(hwnd);
    return DefWindowProc(hwnd, message, wparam, lparam);
}

class WindowRelations : public ProbeDevice {
protected:
    void SetUp() override {
        ProbeDevice::SetUp();
        s_destroyed.clear();
        static const bool registered = [] {
            WNDCLASS window_class;
            window_class.lpfnWndProc = PlainProcedure;
            window_class.lpszClassName = "PLAIN";
            return RegisterClass(&window_class) != 0;
        }();
        ASSERT_TRUE(registered);
    }
    static HWND Make(DWORD ex_style, DWORD style, int x, HWND parent = nullptr) {
        return CreateWindowEx(ex_style, "PLAIN", "", style | WS_VISIBLE, x, x, 100, 100, parent, nullptr, nullptr,
                              nullptr);
    }
    static std::vector<HWND> TopLevel(int stop_after = 1000) {
        std::pair<std::vector<HWND>, int> walk{{}, stop_after};
        EnumWindows(
            [](HWND hwnd, LPARAM lparam) -> BOOL {
                auto* state = reinterpret_cast<std::pair<std::vector<HWND>, int>*>(lparam);
                state->first.push_back(hwnd);
                return static_cast<int>(state->first.size()) < state->second;
            },
            reinterpret_cast<LPARAM>(&walk));
        return walk.first;
    }
};

TEST_F(WindowRelations, AParentWithoutWsChildIsTheOwnerAndOwnedWindowsGoWithIt) {
    HWND owner = Make(0, WS_POPUP, 50);
    HWND child = Make(0, WS_CHILD, 5, owner);
    HWND owned = Make(0, WS_POPUP, 10, owner);
    HWND owned_by_child = Make(0, WS_POPUP, 20, child);  // owned by the child's top-level window
    HWND topmost = Make(WS_EX_TOPMOST, WS_POPUP, 30);
    EXPECT_EQ(TopLevel(), (std::vector<HWND>{topmost, owned_by_child, owned, owner}));
    EXPECT_EQ(TopLevel(2), (std::vector<HWND>{topmost, owned_by_child})) << "FALSE stops the walk";
    EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);
    EXPECT_EQ(GetWindow(owned_by_child, GW_OWNER), owner);
    EXPECT_EQ(GetWindow(child, GW_OWNER), nullptr);
    EXPECT_EQ(GetWindow(owner, GW_CHILD), child) << "an owned window is no child";
    EXPECT_EQ(GetWindow(owned, GW_HWNDNEXT), owner);
    EXPECT_EQ(GetWindow(child, GW_HWNDNEXT), nullptr);
    RECT rect;
    ASSERT_TRUE(GetWindowRect(owned, &rect));
    EXPECT_EQ(rect.left, 10) << "an owned window is placed on the screen, not in its owner";

    ASSERT_TRUE(DestroyWindow(owner));
    for (HWND gone : {owner, child, owned, owned_by_child}) EXPECT_FALSE(IsWindow(gone));
    EXPECT_EQ(s_destroyed.size(), 4u) << "each was told with WM_DESTROY";
    EXPECT_TRUE(IsWindow(topmost));
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(GetWindow(owner, GW_OWNER), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    DestroyWindow(topmost);
}

TEST_F(WindowRelations, StylesAreReadOfAnyWindowAndTheTopmostBandShowsInTheExtendedStyle) {
    HWND tool = Make(WS_EX_TOOLWINDOW, WS_POPUP, 0);
    HWND probe = StartProbe("tool topmost", "FOREIGN");
    EXPECT_EQ(GetWindowLong(tool, GWL_STYLE), static_cast<LONG_PTR>(WS_POPUP | WS_VISIBLE));
    EXPECT_EQ(GetWindowLong(probe, GWL_EXSTYLE), static_cast<LONG_PTR>(WS_EX_TOOLWINDOW | WS_EX_TOPMOST));
    SetWindowPos(probe, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(tool, SW_HIDE);
    EXPECT_EQ(GetWindowLong(probe, GWL_EXSTYLE), static_cast<LONG_PTR>(WS_EX_TOOLWINDOW));
    EXPECT_EQ(GetWindowLong(tool, GWL_STYLE), static_cast<LONG_PTR>(WS_POPUP));
    DestroyWindow(tool);
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(GetWindowLong(tool, GWL_STYLE), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(WindowRelations, DefWindowProcKeepsEachKindOfIconAndReturnsThePreviousOne) {
    HWND probe = StartProbe("", "ICONS");  // another program's window: its DefWindowProc keeps them
    const struct {
        UINT message;
        WPARAM kind;
        LPARAM icon;
        LRESULT expected;
    } steps[] = {
        {WM_GETICON, ICON_BIG, 0, 0},
        {WM_SETICON, ICON_BIG, 0x1100, 0},
        {WM_SETICON, ICON_SMALL, 0x2200, 0},
        {WM_SETICON, ICON_BIG, 0x3300, 0x1100},  // the previous big icon
        {WM_SETICON, 7, 0x4400, 0},              // no such kind: nothing kept
        {WM_GETICON, ICON_BIG, 0, 0x3300},
        {WM_GETICON, ICON_SMALL, 0, 0x2200},
        {WM_SETICON, ICON_SMALL, 0, 0x2200},     // cleared
        {WM_GETICON, ICON_SMALL, 0, 0},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const auto& step = steps[i];
        EXPECT_EQ(SendMessage(probe, step.message, step.kind, step.icon), step.expected) << "step " << i;
    }
}

}  // namespace
}  // namespace window_tests
