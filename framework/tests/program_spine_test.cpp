// The suite's programs on a real device server: one running copy, the hub's relay, the
// navigation program's volume.
#include <algorithm>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <thread>

#include "framework/program_messages.h"
#include "platform/devices/wave_out.h"
#include "platform/kernel/kernel.h"
#include "platform/testing/temporary_device.h"
#include "platform/window/window.h"

namespace {

using namespace std::chrono_literals;
using platform::testing::TemporaryDevice;

class ProgramSpine : public ::testing::Test {
protected:
    void SetUp() override {
        for (auto [binary, name] : {std::pair{HOMEDECK_BINARY, "HOMEDECK.EXE"}, {MUSIC_BINARY, "MUSIC.EXE"},
                                    {TELECAST_BINARY, "TELECAST.EXE"}}) {
            ASSERT_TRUE(device.Install(binary, name));
        }
        ASSERT_TRUE(device.Install(platform::testing::WindowProbeBinary(), "WINPROBE.EXE"));
        std::filesystem::create_directories(device.Root() / "fs" / "STORAGE CARD" / "WAYFARER");
        std::filesystem::copy_file(WAYFARER_BINARY, device.Root() / "fs" / "STORAGE CARD" / "WAYFARER" / "WAYFARER.EXE");
        ASSERT_TRUE(device.StartServer());
    }
    HANDLE Start(const std::string& path, const std::string& arguments) {
        HANDLE process = programs.Start(path, arguments);
        EXPECT_NE(process, nullptr) << path;
        return process;
    }
    HWND WaitWindow(const std::string& title) { return platform::testing::WaitForWindow(title); }
    std::string SettingsFile() {
        std::ifstream in(device.Root() / "fs" / "NAND" / "System.dat", std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    TemporaryDevice device;
    platform::testing::StartedPrograms programs{device};
};

TEST_F(ProgramSpine, ASecondStartHandsOverItsCommandLineAndBringsTheFirstToTheFront) {
    HANDLE first = Start("\\NAND\\MUSIC.EXE", "");
    HWND music = WaitWindow("APP_MUSIC");
    ASSERT_NE(music, nullptr);
    Start("\\NAND\\WINPROBE.EXE", "title=OTHER");
    HWND other = WaitWindow("OTHER");
    ASSERT_TRUE(SetForegroundWindow(other));

    const std::string line255(255, 'x');
    HANDLE second = Start("\\NAND\\MUSIC.EXE", line255);
    ASSERT_EQ(WaitForSingleObject(second, 5000), WAIT_OBJECT_0) << "a second copy must end";
    EXPECT_TRUE(device.WaitForLog("MUSIC.EXE", "CMusicApp:: WakeUp Music Application is detected: " + line255 + "\n"));
    EXPECT_TRUE(device.WaitForLog("MUSIC.EXE", "Second Instance of HomeDeck Application is detected.\n"));
    for (int i = 0; i < 100 && GetForegroundWindow() != music; ++i) std::this_thread::sleep_for(20ms);
    EXPECT_EQ(GetForegroundWindow(), music);
    EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_TIMEOUT) << "the first copy runs on";

    // 256 characters do not fit: the first copy is woken and reads an empty text.
    HANDLE third = Start("\\NAND\\MUSIC.EXE", std::string(256, 'y'));
    ASSERT_EQ(WaitForSingleObject(third, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(device.WaitForLog("MUSIC.EXE", "CMusicApp:: WakeUp Music Application is detected: \n"));
    EXPECT_EQ(device.Log("MUSIC.EXE").find(std::string(256, 'y')), std::string::npos);
}

TEST_F(ProgramSpine, ASecondTelecastWithPipChangesNothingButTheLogLine) {
    Start("\\NAND\\TELECAST.EXE", "");
    HWND telecast = WaitWindow("DMB_TELECAST");
    ASSERT_NE(telecast, nullptr);
    RECT before;
    GetWindowRect(telecast, &before);
    HANDLE second = Start("\\NAND\\TELECAST.EXE", "PIP");
    ASSERT_EQ(WaitForSingleObject(second, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(device.WaitForLog("TELECAST.EXE", "CTelecastApp:: WakeUp HomeDeck Application is detected: PIP\n"));
    RECT after;
    GetWindowRect(telecast, &after);
    EXPECT_EQ(FindWindow("", "DMB_TELECAST"), telecast);
    EXPECT_EQ(after.right - after.left, before.right - before.left) << "no picture-in-picture box";
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
}

TEST_F(ProgramSpine, HomeDeckStoresAppliesAndRelaysAPlayersSettingChange) {
    Start("\\NAND\\HOMEDECK.EXE", "");
    HWND homedeck = WaitWindow("APP_HOMEDECK");
    ASSERT_NE(homedeck, nullptr);
    // Stand-ins for the players, and the navigation program.
    for (const char* title : {"APP_MUSIC", "APP_MOVIE", "DMB_TELECAST", "APP_EXTVIEW", "APP_BROWSER", "APP_ROUTEKIT"}) {
        Start("\\NAND\\WINPROBE.EXE", std::string("log=1127 title=") + title);
        ASSERT_NE(WaitWindow(title), nullptr) << title;
    }
    Start("\\STORAGE CARD\\WAYFARER\\WAYFARER.EXE", "/m");
    ASSERT_NE(WaitWindow("Wayfarer"), nullptr);

    // Music (id 1) turns the volume to 7.
    EXPECT_EQ(SendMessage(homedeck, WM_MMS_SETTING, 200, (1 << 16) | 7), 0);
    for (const char* title : {"APP_MOVIE", "DMB_TELECAST", "APP_EXTVIEW"})
        EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", std::string(title) + " got 1127 100 7")) << title;
    EXPECT_TRUE(device.WaitForLog("WAYFARER.EXE", "Wayfarer: volume 4"));
    const std::string log = device.Log("WINPROBE.EXE");
    for (const char* title : {"APP_MUSIC", "APP_BROWSER", "APP_ROUTEKIT"})
        EXPECT_EQ(log.find(std::string(title) + " got 1127"), std::string::npos) << title << " must not get it";
    DWORD volume = 0;
    ASSERT_EQ(waveOutGetVolume(nullptr, &volume), MMSYSERR_NOERROR);
    EXPECT_EQ(volume, WaveOutVolumeFromLevel(7));
    EXPECT_EQ(SettingsFile().substr(0, 10), "1002\n5\n7\n0") << SettingsFile();

    // Extview's 201 is a volume change like 200; level 10 is 39321 on each channel.
    SendMessage(homedeck, WM_MMS_SETTING, 201, (7 << 16) | 10);
    EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", "APP_MUSIC got 1127 100 10"));
    ASSERT_EQ(waveOutGetVolume(nullptr, &volume), MMSYSERR_NOERROR);
    EXPECT_EQ(volume, 0x99999999u);
    EXPECT_TRUE(device.WaitForLog("WAYFARER.EXE", "Wayfarer: volume 5"));

    // Mute on: silence, the navigation program gets 0, the others 102 with 1; off restores.
    SendMessage(homedeck, WM_MMS_SETTING, 204, (2 << 16) | 1);
    ASSERT_EQ(waveOutGetVolume(nullptr, &volume), MMSYSERR_NOERROR);
    EXPECT_EQ(volume, 0u);
    EXPECT_TRUE(device.WaitForLog("WAYFARER.EXE", "Wayfarer: volume 0"));
    EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", "APP_MUSIC got 1127 102 1"));
    EXPECT_EQ(device.Log("WINPROBE.EXE").find("APP_MOVIE got 1127 102"), std::string::npos);
    SendMessage(homedeck, WM_MMS_SETTING, 204, (2 << 16) | 0);
    ASSERT_EQ(waveOutGetVolume(nullptr, &volume), MMSYSERR_NOERROR);
    EXPECT_EQ(volume, 0x99999999u);

    // A value out of range is refused whole: nothing stored, applied or relayed.
    SendMessage(homedeck, WM_MMS_SETTING, 200, (1 << 16) | 50);
    EXPECT_TRUE(device.WaitForLog("HOMEDECK.EXE", "value 50 out of range, ignored"));
    EXPECT_EQ(device.Log("WINPROBE.EXE").find("got 1127 100 50"), std::string::npos);
    EXPECT_EQ(SettingsFile().substr(0, 11), "1002\n5\n10\n0");
}

TEST_F(ProgramSpine, APlayerStartedBeforeHomeDeckSendsNothingAllItsLife) {
    CHomeDeckLink early;
    early.Attach(PROGRAM_MUSIC);  // HomeDeck does not run yet
    EXPECT_EQ(early.Window(), nullptr);
    Start("\\NAND\\HOMEDECK.EXE", "");
    ASSERT_NE(WaitWindow("APP_HOMEDECK"), nullptr);
    Start("\\NAND\\WINPROBE.EXE", "log=1127 title=APP_MOVIE");
    ASSERT_NE(WaitWindow("APP_MOVIE"), nullptr);

    early.NotifyHomeDeck(200, 3);
    CHomeDeckLink late;
    late.Attach(PROGRAM_MUSIC);
    ASSERT_NE(late.Window(), nullptr);
    late.NotifyHomeDeck(202, 2);  // reaches HomeDeck, which relays 101 with 2
    EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", "APP_MOVIE got 1127 101 2"));
    EXPECT_EQ(device.Log("WINPROBE.EXE").find("got 1127 100"), std::string::npos) << "the early link sent nothing";
}

TEST_F(ProgramSpine, AtShutdownHomeDeckClosesItsDialogAndWritesTheSettingsFile) {
    Start("\\NAND\\HOMEDECK.EXE", "");
    ASSERT_NE(WaitWindow("APP_HOMEDECK"), nullptr);
    EXPECT_TRUE(SettingsFile().empty());
    ASSERT_TRUE(device.StopServer());
    const std::string text = SettingsFile();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 12) << text << device.Log("HOMEDECK.EXE");
    EXPECT_EQ(text.substr(0, 5), "1002\n");
}

TEST(ProgramMessages, VolumeConversionsAndTheApplicationTable) {
    EXPECT_EQ(WaveOutVolumeFromLevel(0), 0u);
    EXPECT_EQ(WaveOutVolumeFromLevel(10) & 0xFFFF, 39321u);
    EXPECT_EQ(WaveOutVolumeFromLevel(10) >> 16, 39321u);
    EXPECT_EQ(WaveOutVolumeFromLevel(5) & 0xFFFF, 19660u);
    const int navigation[] = {0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5};
    for (int level = 0; level <= 10; ++level) EXPECT_EQ(NavigationVolumeFromLevel(level), navigation[level]) << level;
    EXPECT_EQ(ProgramWindowName(PROGRAM_FILESHELF), "APP_BROWSER");
    EXPECT_EQ(ProgramWindowName(PROGRAM_TELECAST), "DMB_TELECAST");
    EXPECT_EQ(ProgramWindowName(42), "");
    EXPECT_STREQ(SuiteMessageName(WM_MMS_SETTING), "WM_MMS_SETTING");
    int relayed = 0;
    for (const auto& entry : kApplicationTable) relayed += entry.id < PROGRAM_TABLE_END && entry.relay == 1;
    EXPECT_EQ(relayed, 4);
}

}  // namespace
