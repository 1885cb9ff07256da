// The program double on a real device server: the window name it takes from its file, the
// colour that shows it in front, what it logs of the messages it is sent, and the hang file
// that keeps it from answering WM_CLOSE.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <csignal>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "framework/program_messages.h"
#include "platform/kernel/kernel.h"
#include "platform/testing/temporary_device.h"
#include "platform/window/window.h"
#include "tests/programs/program_double.h"
#include "tools/devicectl/device_control.h"

namespace {

using namespace std::chrono_literals;
using platform::testing::StandIn;

class ProgramDouble : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.StartServer()); }
    HANDLE Start(const std::string& path, const std::string& arguments = {}) {
        EXPECT_TRUE(device.InstallStandIn(StandIn::ProgramDouble, path));
        HANDLE process = programs.Start(path, arguments);
        EXPECT_NE(process, nullptr) << path;
        return process;
    }
    static HWND WaitWindow(const std::string& title) { return platform::testing::WaitForWindow(title); }
    std::vector<std::string> LogLines(const std::string& program) const { return device.LogLines(program); }

    platform::testing::TemporaryDevice device;
    platform::testing::StartedPrograms programs{device};
    devicectl::DeviceControl control{device.Root()};
};

TEST_F(ProgramDouble, TakesItsWindowNameFromTheFileItIsInstalledAsAndShowsItsColour) {
    struct Expected {
        const char* path;
        const char* title;
        const char* log;
    };
    const Expected expected[] = {
        {"\\NAND\\MUSIC.EXE", "APP_MUSIC", "MUSIC.EXE"},
        {"\\NAND\\TELECAST.EXE", "DMB_TELECAST", "TELECAST.EXE"},
        {"\\NAND\\FILESHELF.EXE", "APP_BROWSER", "FILESHELF.EXE"},
        {"\\NAND\\Browser.exe", "APP_BROWSER", "Browser.exe"},
        {"\\STORAGE CARD\\WAYFARER\\WAYFARER.EXE", "Wayfarer", "WAYFARER.EXE"},
        {"\\WINDOWS\\GADGET.EXE", "GADGET", "GADGET.EXE"},
    };
    std::vector<std::uint32_t> colours;
    for (const auto& program : expected) {
        SCOPED_TRACE(program.path);
        Start(program.path, "PIP");
        HWND hwnd = WaitWindow(program.title);
        ASSERT_NE(hwnd, nullptr);
        EXPECT_EQ(GetWindowText(hwnd), program.title);
        EXPECT_TRUE(device.WaitForLog(program.log, std::string(program.title) + ": started with \"PIP\"\n"));
        const std::uint32_t colour = ProgramDoubleColourOf(program.title);
        EXPECT_EQ(control.ScreenShowing(20, 20, colour, 2s).At(20, 20), colour) << "in front, in its colour";
        colours.push_back(colour);
    }
    for (std::size_t i = 1; i < colours.size(); ++i)
        if (std::string(expected[i].title) != expected[i - 1].title) {
            EXPECT_NE(colours[i], colours[i - 1]);
        }
}

TEST_F(ProgramDouble, LogsTheSuiteMessagesItIsSentAndEndsOnWmClose) {
    HANDLE process = Start("\\NAND\\TELECAST.EXE");
    HWND telecast = WaitWindow("DMB_TELECAST");
    ASSERT_NE(telecast, nullptr);

    const auto copy_data = [&](std::uintptr_t code, const void* data, DWORD size) {
        COPYDATASTRUCT copy;
        copy.dwData = code;
        copy.cbData = size;
        copy.lpData = const_cast<void*>(data);
        return SendMessage(telecast, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
    };
    const std::int32_t one = 1;
    const std::int32_t pair[] = {-1, 70000};
    const std::uint8_t bytes[] = {1, 2, 255};
    EXPECT_EQ(copy_data(COPYDATA_PIP_SHOW, &one, sizeof(one)), 1);
    EXPECT_EQ(copy_data(COPYDATA_PIP_TOGGLE, pair, sizeof(pair)), 1);
    EXPECT_EQ(copy_data(5, bytes, sizeof(bytes)), 1);
    EXPECT_EQ(copy_data(COPYDATA_PIP_HOMEDECK, nullptr, 0), 1);
    EXPECT_EQ(SendMessage(telecast, WM_MMS_SETTING, RELAY_VOLUME, 7), 0);
    EXPECT_EQ(SendMessage(telecast, WM_MMS_SETTING, SETTING_RELOAD, -3), 0);
    EXPECT_EQ(SendMessage(telecast, WM_USER + 1, 1234, 0), 0) << "not a suite message: not logged";
    ASSERT_TRUE(PostMessage(HWND_BROADCAST, WM_OUTSIDE_AUDIO_EVENT, 1, 0));
    ASSERT_TRUE(device.WaitForLog("TELECAST.EXE", "WM_OUTSIDE_AUDIO_EVENT"));
    ASSERT_TRUE(PostMessage(telecast, WM_CLOSE, 0, 0));
    ASSERT_EQ(WaitForSingleObject(process, 5000), WAIT_OBJECT_0);

    const std::vector<std::string> expected = {
        "DMB_TELECAST: started with \"\"",
        "DMB_TELECAST: WM_COPYDATA code=4096 size=4 data=1 foreground=DMB_TELECAST",
        "DMB_TELECAST: WM_COPYDATA code=4097 size=8 data=-1 70000 foreground=DMB_TELECAST",
        "DMB_TELECAST: WM_COPYDATA code=5 size=3 data=1 2 255 foreground=DMB_TELECAST",
        "DMB_TELECAST: WM_COPYDATA code=4099 size=0 data= foreground=DMB_TELECAST",
        "DMB_TELECAST: WM_MMS_SETTING wparam=100 lparam=7",
        "DMB_TELECAST: WM_MMS_SETTING wparam=203 lparam=-3",
        "DMB_TELECAST: WM_OUTSIDE_AUDIO_EVENT wparam=1 lparam=0",
        "DMB_TELECAST: WM_CLOSE",
    };
    EXPECT_EQ(LogLines("TELECAST.EXE"), expected);
}

TEST_F(ProgramDouble, AHangFileBesideItKeepsItFromAnsweringWmClose) {
    const auto hang_file = device.Root() / "fs" / "NAND" / "MUSIC.hang";
    HANDLE process = Start("\\NAND\\MUSIC.EXE");
    HWND music = WaitWindow("APP_MUSIC");
    ASSERT_NE(music, nullptr);
    std::ofstream(hang_file).put('\n');

    std::atomic<bool> answered = false;
    std::thread closer([&] {
        SendMessage(music, WM_CLOSE, 0, 0);
        answered = true;
    });
    EXPECT_TRUE(device.WaitForLog("MUSIC.EXE", "APP_MUSIC: WM_CLOSE held while \\NAND\\MUSIC.hang exists\n"));
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(answered) << "WM_CLOSE is not answered while the hang file is there";
    EXPECT_EQ(WaitForSingleObject(process, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    std::filesystem::remove(hang_file);
    for (int i = 0; i < 200 && !answered; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(answered) << "answered once the file is gone";
    closer.join();
    EXPECT_TRUE(device.WaitForLog("MUSIC.EXE", "APP_MUSIC: WM_CLOSE let go after "));
    EXPECT_TRUE(IsWindow(music)) << "the held close is refused";
    EXPECT_EQ(WaitForSingleObject(process, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    ASSERT_TRUE(PostMessage(music, WM_CLOSE, 0, 0));
    EXPECT_EQ(WaitForSingleObject(process, 5000), WAIT_OBJECT_0) << "without the file, it closes";
}

// A process running a program file of a test device that outlives its server (one hung on its
// way out) ends with the device, so that it cannot hold the test runner's output open.
TEST(TestDevice, EndsEveryProcessOfItsProgramsWhenItGoes) {
    pid_t pid = -1;
    {
        platform::testing::TemporaryDevice device;
        std::string program = (device.Root() / "fs" / "NAND" / "STUCK.EXE").string();
        std::filesystem::copy_file("/bin/sleep", program);
        std::string seconds = "600";
        char* argv[] = {program.data(), seconds.data(), nullptr};
        ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
        std::this_thread::sleep_for(100ms);  // time to exec, so that the process runs the file
    }
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 500 && ended == 0; ++i) {
        ended = waitpid(pid, &status, WNOHANG);
        if (ended == 0) std::this_thread::sleep_for(10ms);
    }
    if (ended == 0) kill(pid, SIGKILL), waitpid(pid, &status, 0);
    ASSERT_EQ(ended, pid) << "the program outlived its device";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

}  // namespace
