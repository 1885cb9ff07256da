// The platform's taskbar through a real server: which windows it hears about, in what order,
// and that each one's title is set when it is first announced.
#include "platform/window/tests/probe_device.h"

namespace window_tests {
namespace {

struct Notice {
    HWND taskbar;
    WPARAM code;
    HWND hwnd;
    std::string title;  // the window's title when the taskbar handled the notice
    bool operator==(const Notice&) const = default;
};
std::vector<Notice> s_notices;

LRESULT TaskbarProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_TASKBAR_NOTIFY) return DefWindowProc(hwnd, message, wparam, lparam);
    HWND about = reinterpret_cast<HWND>(lparam);
    s_notices.push_back({hwnd, wparam, about, GetWindowText(about)});
    return 0;
}

class Taskbar : public ProbeDevice {
protected:
    void SetUp() override {
        ProbeDevice::SetUp();
        s_notices.clear();
        static const bool registered = [] {
            WNDCLASS window_class;
            window_class.lpfnWndProc = TaskbarProcedure;
            window_class.lpszClassName = "HHTaskBar";
            return RegisterClass(&window_class) != 0;
        }();
        ASSERT_TRUE(registered);
    }
    // A taskbar window as the launcher makes one: created visible, hidden at once, registered.
    HWND MakeTaskbar() {
        HWND taskbar = CreateWindowEx(WS_EX_TOPMOST, "HHTaskBar", "", WS_POPUP | WS_VISIBLE, 98, 0, 72, 51, nullptr,
                                      nullptr, nullptr, nullptr);
        ShowWindow(taskbar, SW_HIDE);
        EXPECT_TRUE(RegisterTaskBar(taskbar));
        return taskbar;
    }
    bool WaitNotices(std::size_t count) {
        return PumpUntil([&] { return s_notices.size() >= count; });
    }
};

TEST_F(Taskbar, HearsOfOwnerlessTopLevelWindowsOnceShownActivatedAndDestroyedWithTheirTitles) {
    HWND taskbar = MakeTaskbar();
    HWND music = StartProbe("", "APP_MUSIC");
    HANDLE music_program = LastProbe();
    HWND toolbox = StartProbe("tool", "TOOLBOX");
    StartProbe("owner=APP_MUSIC", "OWNED");
    // The dialog asks to be shown 300 ms before its title is set, while this taskbar handles
    // what it hears at once: the dialog must still come with its title.
    StartProbe("dialog showininit", "APP_MOVIE", "");
    ASSERT_TRUE(WaitNotices(4));
    HWND movie = FindWindow("", "APP_MOVIE");
    HWND early = StartProbe("hidden", "EARLY");
    SetForegroundWindow(early);  // active before it shows: announced as created, then active
    ShowWindow(early, SW_SHOWNA);
    HWND later = StartProbe("hidden", "LATER");
    ShowWindow(later, SW_SHOWNA);
    ShowWindow(later, SW_HIDE);
    ShowWindow(later, SW_SHOWNA);
    SetForegroundWindow(toolbox);
    SetForegroundWindow(taskbar);
    SetForegroundWindow(music);
    ASSERT_TRUE(WaitNotices(8));
    // Its window owned by another program stays, without an owner and unannounced.
    ASSERT_TRUE(TerminateProcess(music_program, 0));
    ASSERT_TRUE(WaitNotices(9));
    HWND owned = FindWindow("", "OWNED");
    EXPECT_NE(owned, nullptr);
    EXPECT_EQ(GetWindow(owned, GW_OWNER), nullptr);
    PumpUntil([] { return false; }, 200ms);
    const std::vector<Notice> expected = {
        {taskbar, TASKBAR_WINDOW_CREATED, music, "APP_MUSIC"},
        {taskbar, TASKBAR_WINDOW_ACTIVATED, music, "APP_MUSIC"},  // made visible, it comes to the front
        {taskbar, TASKBAR_WINDOW_CREATED, movie, "APP_MOVIE"},
        {taskbar, TASKBAR_WINDOW_ACTIVATED, movie, "APP_MOVIE"},
        {taskbar, TASKBAR_WINDOW_CREATED, early, "EARLY"},
        {taskbar, TASKBAR_WINDOW_ACTIVATED, early, "EARLY"},
        {taskbar, TASKBAR_WINDOW_CREATED, later, "LATER"},
        {taskbar, TASKBAR_WINDOW_ACTIVATED, music, "APP_MUSIC"},
        {taskbar, TASKBAR_WINDOW_DESTROYED, music, ""},
    };
    EXPECT_EQ(s_notices, expected);
    EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", "APP_MOVIE visible during init 0"));
}

TEST_F(Taskbar, ASecondRegistrationReplacesTheFirstAndARegistrationEndsWithItsWindow) {
    HWND first = MakeTaskbar();
    HWND second = MakeTaskbar();  // a new window to the first taskbar, then the taskbar itself
    HWND a = StartProbe("", "A");
    ShowWindow(second, SW_SHOW);  // the taskbar hears nothing about itself
    ASSERT_TRUE(WaitNotices(4));
    ASSERT_TRUE(DestroyWindow(second));
    StartProbe("", "B");  // nobody is registered
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(RegisterTaskBar(a));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << "a program registers only its own windows";
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(RegisterTaskBar(second));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    ASSERT_TRUE(RegisterTaskBar(first));
    HWND c = StartProbe("", "C");
    ASSERT_TRUE(WaitNotices(6));
    PumpUntil([] { return false; }, 200ms);
    const std::vector<Notice> expected = {
        {first, TASKBAR_WINDOW_CREATED, second, ""},    {first, TASKBAR_WINDOW_ACTIVATED, second, ""},
        {second, TASKBAR_WINDOW_CREATED, a, "A"},       {second, TASKBAR_WINDOW_ACTIVATED, a, "A"},
        {first, TASKBAR_WINDOW_CREATED, c, "C"},        {first, TASKBAR_WINDOW_ACTIVATED, c, "C"},
    };
    EXPECT_EQ(s_notices, expected);
}

}  // namespace
}  // namespace window_tests
