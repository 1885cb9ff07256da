// The dialog keys through a real server: the remote's Enter, pressed while a dialog is the
// foreground window, runs its OnOK; Escape runs its OnCancel.
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "platform/app/dialog.h"
#include "platform/kernel/kernel.h"
#include "platform/testing/temporary_device.h"
#include "platform/window/window.h"
#include "tools/devicectl/device_control.h"

namespace {

using namespace std::chrono_literals;

class DialogKeys : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.Install(platform::testing::WindowProbeBinary(), "WINPROBE.EXE"));
        ASSERT_TRUE(device.StartServer());
    }
    // Starts a probe dialog and waits until it is the foreground window.
    HWND StartDialog(const std::string& title) {
        SHELLEXECUTEINFO info;
        info.lpFile = "\\NAND\\WINPROBE.EXE";
        info.lpParameters = "dialog title=" + title;
        EXPECT_TRUE(ShellExecuteEx(&info));
        EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", title + " dialog ready"));
        HWND dialog = FindWindow("", title);
        for (int i = 0; i < 250 && GetForegroundWindow() != dialog; ++i) std::this_thread::sleep_for(20ms);
        EXPECT_EQ(GetForegroundWindow(), dialog);
        return dialog;
    }
    platform::testing::TemporaryDevice device;
};

TEST_F(DialogKeys, EnterRunsOnOkAndEscapeRunsOnCancel) {
    devicectl::DeviceControl control(device.Root());
    HWND dialog = StartDialog("APP_OK");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(control.Key("enter"), 0u);
    EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", "APP_OK OnOK"));
    EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", "APP_OK dialog ended 1"));

    // The remote has no Escape key; a keyboard's, posted as the server posts keys, cancels.
    dialog = StartDialog("APP_ESC");
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(PostMessage(dialog, WM_KEYDOWN, VK_ESCAPE, 1));
    EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", "APP_ESC dialog ended 2"));
    EXPECT_EQ(device.Log("WINPROBE.EXE").find("APP_ESC OnOK"), std::string::npos);
}

}  // namespace
