// Controls of another program (CONTROLS.EXE): found by id through the server, read and tapped
// through devicectl, and safe from pointers that are not theirs.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "platform/app/controls.h"
#include "platform/kernel/kernel.h"
#include "platform/testing/temporary_device.h"
#include "platform/window/local_windows.h"
#include "tools/devicectl/device_control.h"

namespace {

using namespace std::chrono_literals;
using platform::testing::WaitUntil;

constexpr UINT kAddLines = WM_USER + 1;
constexpr UINT kPing = WM_USER + 2;

constexpr const char* kTemplate = R"(dialog probe 800x480 "Probe"
control 1001 button 20,20 160x40 center "CONNECTION"
control 1015 static 20,80 200x24 left "STATE:"
control 1011 listbox 20,150 400x200 -
)";

class ProbeControls : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.Install(CONTROLS_PROBE_BINARY, "CONTROLS.EXE"));
        const auto resources = device.Root() / "fs" / "NAND" / "CONTROLS";
        std::filesystem::create_directories(resources);
        std::ofstream(resources / "dialog.txt", std::ios::binary) << kTemplate;
        ASSERT_TRUE(device.StartServer());
        ASSERT_NE(programs.Start("\\NAND\\CONTROLS.EXE"), nullptr);
        ASSERT_TRUE(device.WaitForLog("CONTROLS.EXE", "probe ready"));
        dialog = platform::testing::WaitForWindow("Probe");
        ASSERT_NE(dialog, nullptr);
    }
    // Whether the screen shows the colour somewhere in the rectangle, within 5 s (or stops
    // showing it, wanted false).
    bool ShowsSoon(RECT r, std::uint32_t colour, bool wanted) {
        return WaitUntil([&] {
            DWORD error = 0;
            const auto screen = control.Screenshot(error);
            if (!screen) return false;
            bool shows = false;
            for (LONG y = r.top; y < r.bottom && !shows; ++y)
                for (LONG x = r.left; x < r.right && !shows; ++x)
                    shows = screen->At(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)) == colour;
            return shows == wanted;
        }, 5s);
    }
    // A message the probe logs: everything sent to it before has been handled once it is in.
    void Settle(unsigned mark) {
        PostMessage(dialog, kPing, mark, 0);
        ASSERT_TRUE(device.WaitForLog("CONTROLS.EXE", "probe ping " + std::to_string(mark)));
    }

    platform::testing::TemporaryDevice device;
    platform::testing::StartedPrograms programs{device};
    devicectl::DeviceControl control{device.Root()};
    HWND dialog = nullptr;
};

TEST_F(ProbeControls, AnotherProgramsControlsAreFoundByIdAndReadThroughTheServer) {
    HWND button = GetDlgItem(dialog, 1001);
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(platform::LocalWindows::Instance().Get(platform::WindowNumber(button))) << "not one of ours";
    EXPECT_EQ(GetDlgCtrlID(button), 1001);
    EXPECT_EQ(GetDlgItemText(dialog, 1001), "CONNECTION");
    EXPECT_EQ(GetDlgItemText(dialog, 1015), "STATE:");
    SetLastError(0xdeadbeef);
    EXPECT_EQ(GetDlgItem(dialog, 7), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CONTROL_ID_NOT_FOUND);
    DWORD error = 0;
    EXPECT_EQ(control.FindControl("Probe", 1001, error), platform::WindowNumber(button));
    EXPECT_EQ(control.ControlText("Probe", 1015, error).value_or("?"), "STATE:");

    // Its text set from here repaints it there.
    EXPECT_TRUE(ShowsSoon({20, 80, 220, 104}, 0x000000, true));
    ASSERT_TRUE(SetDlgItemText(dialog, 1015, ""));
    EXPECT_EQ(control.ControlText("Probe", 1015, error).value_or("?"), "");
    EXPECT_TRUE(ShowsSoon({20, 80, 220, 104}, 0x000000, false));

    ASSERT_EQ(control.Click("Probe", 1001), 0u);
    EXPECT_TRUE(device.WaitForLog("CONTROLS.EXE", "probe command 1001 0"));
}

TEST_F(ProbeControls, ItsListsItemsArePublishedAndItsPointersAreItsOwn) {
    HWND list = GetDlgItem(dialog, 1011);
    ASSERT_NE(list, nullptr);
    // A text pointer of this program means nothing there: refused, and the probe lives on.
    EXPECT_EQ(SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("not yours")), LB_ERR);
    char buffer[64] = {};
    EXPECT_EQ(SendMessage(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), LB_ERR);
    EXPECT_EQ(SendMessage(list, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x")), FALSE);
    EXPECT_EQ(SendMessage(list, LB_GETCOUNT, 0, 0), 0);

    PostMessage(dialog, kAddLines, 500, 0);
    DWORD error = 0;
    std::optional<devicectl::DeviceControl::ControlItems> items;
    ASSERT_TRUE(WaitUntil([&] {
        items = control.Items("Probe", 1011, error);
        return items && items->count == 500;
    }, 5s));
    ASSERT_EQ(items->items.size(), 500u);
    EXPECT_EQ(items->items.front(), "line 0");
    EXPECT_EQ(items->items.back(), "line 499");
    EXPECT_EQ(SendMessage(list, LB_GETCOUNT, 0, 0), 500);
    EXPECT_GT(SendMessage(list, LB_GETTOPINDEX, 0, 0), 0) << "scrolled to the last lines";

    EXPECT_FALSE(control.Items("Probe", 1001, error)) << "a button has no items";
    EXPECT_EQ(error, ERROR_NOT_SUPPORTED);
    Settle(1);
}

}  // namespace
