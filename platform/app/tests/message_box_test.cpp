// The message box through a real server: it shows in front, in the middle of the screen, logs
// its text, keeps its owner from input while it shows, and ends on a tap on OK or on Enter.
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <thread>

#include "platform/app/message_box.h"
#include "platform/device_root.h"
#include "platform/kernel/kernel.h"
#include "platform/testing/temporary_device.h"
#include "platform/window/window.h"
#include "tools/devicectl/device_control.h"

namespace {

using namespace std::chrono_literals;

LRESULT OwnerProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProc(hwnd, message, wparam, lparam);
}

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.StartServer()); }

    // The box runs on a thread of its own, as a program's window thread would run it.
    std::future<int> Show(HWND owner, const std::string& text, const std::string& caption, UINT type) {
        return std::async(std::launch::async, [=] { return MessageBox(owner, text, caption, type); });
    }

    platform::testing::TemporaryDevice device;
    devicectl::DeviceControl control{device.Root()};
};

TEST_F(MessageBoxTest, ShowsInFrontLogsItsTextAndEndsOnATapOnOk) {
    WNDCLASS window_class;
    window_class.lpfnWndProc = OwnerProcedure;
    window_class.lpszClassName = "OWNER";
    RegisterClass(&window_class);
    HWND owner = CreateWindowEx(0, "OWNER", "OWNER", WS_POPUP | WS_VISIBLE, 0, 0, 800, 480, nullptr, nullptr, nullptr,
                                nullptr);
    ASSERT_NE(owner, nullptr);

    auto result = Show(owner, "[FAIL]CoCreateInstance(e436ebb311ce524f2000539f70a70baf), CLSID_FilterGraph fail",
                       "Movie", MB_OK | MB_ICONSTOP);
    HWND box = platform::testing::WaitForWindow("Movie");
    ASSERT_NE(box, nullptr);
    RECT rect;
    ASSERT_TRUE(GetWindowRect(box, &rect));
    EXPECT_EQ(rect.left, 160);
    EXPECT_EQ(rect.top, 130);
    EXPECT_EQ(rect.right - rect.left, 480);
    EXPECT_TRUE(device.WaitForLog(platform::ProgramName(),
                                  "MessageBox: Movie: [FAIL]CoCreateInstance(e436ebb311ce524f2000539f70a70baf), "
                                  "CLSID_FilterGraph fail\n"));
    EXPECT_FALSE(IsWindowEnabled(owner)) << "the owner takes no input while the box shows";
    for (int i = 0; i < 250 && GetForegroundWindow() != box; ++i) std::this_thread::sleep_for(20ms);
    EXPECT_EQ(GetForegroundWindow(), box);

    // A tap beside OK does nothing; one on it ends the box.
    ASSERT_EQ(control.Tap(170, 250), 0u);
    EXPECT_EQ(result.wait_for(300ms), std::future_status::timeout);
    ASSERT_EQ(control.Tap(400, 312), 0u);
    ASSERT_EQ(result.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(result.get(), IDOK);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(FindWindow("", "Movie"), nullptr);
    DestroyWindow(owner);
}

TEST_F(MessageBoxTest, EnterEndsItWithoutAnOwner) {
    auto result = Show(nullptr, "Error Code 5", "SatScope", MB_OK | MB_ICONSTOP);
    HWND box = platform::testing::WaitForWindow("SatScope");
    ASSERT_NE(box, nullptr);
    for (int i = 0; i < 250 && GetForegroundWindow() != box; ++i) std::this_thread::sleep_for(20ms);
    ASSERT_EQ(control.Key("enter"), 0u);
    ASSERT_EQ(result.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(result.get(), IDOK);
}

}  // namespace
