#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <future>
#include <thread>

#include "platform/devices/wave_out.h"
#include "platform/kernel/kernel.h"
#include "platform/testing/temporary_device.h"
#include "platform/window/window.h"
#include "tools/devicectl/device_control.h"

namespace {

TEST(DeviceControl, StartsListsSignalsAndShutsDownARunningDevice) {
    platform::testing::TemporaryDevice device;
    ASSERT_TRUE(device.Install(platform::testing::ProbeBinary(), "PROBE.EXE"));
    ASSERT_TRUE(device.StartServer());
    devicectl::DeviceControl control(device.Root());
    ASSERT_TRUE(control.Connected());

    DWORD error = 0;
    auto pid = control.Start("\\NAND\\PROBE.EXE", "manual DOOR;wait DOOR 5000", error);
    ASSERT_TRUE(pid) << error;
    ASSERT_TRUE(device.WaitForLog("PROBE.EXE", "event DOOR"));
    bool listed = false;
    for (const auto& process : control.Processes())
        listed = listed || (process.process_id == *pid && process.name == "PROBE.EXE" &&
                            process.command_line == "manual DOOR;wait DOOR 5000");
    EXPECT_TRUE(listed);
    EXPECT_EQ(control.EventOperation("set", "DOOR"), 0u);
    EXPECT_TRUE(device.WaitForLog("PROBE.EXE", "wait DOOR result=0"));
    EXPECT_EQ(control.EventOperation("set", "NO_SUCH_EVENT"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(control.EventOperation("toggle", "DOOR"), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(control.Start("\\NAND\\NOPE.EXE", "", error));
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(control.RegistrySet("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", "MapMode", "1"), 0u);
    EXPECT_EQ(control.RegistrySet("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", "Name", "Route 66"), 0u);
    auto number = control.RegistryGet("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", "MapMode", error);
    ASSERT_TRUE(number);
    EXPECT_EQ(devicectl::Describe(*number), "dword:00000001 (1)");
    auto text = control.RegistryGet("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", "Name", error);
    ASSERT_TRUE(text);
    EXPECT_EQ(devicectl::Describe(*text), "\"Route 66\"");
    EXPECT_FALSE(control.RegistryGet("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", "Missing", error));
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(control.Shutdown(), 0u);
    ASSERT_TRUE(device.StopServer());
    EXPECT_EQ(device.ServerExitStatus(), 0);
    EXPECT_NE(control.Log("server").find("shutdown asked by"), std::string::npos);
}

TEST(DeviceControl, FindsMessagesAndClosesWindows) {
    platform::testing::TemporaryDevice device;
    ASSERT_TRUE(device.Install(platform::testing::WindowProbeBinary(), "WINPROBE.EXE"));
    ASSERT_TRUE(device.StartServer());
    devicectl::DeviceControl control(device.Root());
    DWORD error = 0;
    ASSERT_TRUE(control.Start("\\NAND\\WINPROBE.EXE", "title=APP_MUSIC class=MUSIC_CLASS", error));
    const auto hwnd = control.WaitWindow("APP_MUSIC", std::chrono::seconds(5));
    ASSERT_NE(hwnd, 0u);
    EXPECT_EQ(control.FindWindowByName("MUSIC_CLASS"), hwnd) << "a name that is no title is tried as a class";
    EXPECT_EQ(control.WaitWindow("NOBODY", std::chrono::milliseconds(50)), 0u);

    EXPECT_EQ(control.Send("APP_MUSIC", WM_USER + 1, 40, 2, error), 42);
    EXPECT_FALSE(control.Send("NOBODY", WM_USER + 1, 0, 0, error));
    EXPECT_EQ(error, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_TRUE(control.CopyData("APP_MUSIC", 1069, 7, error).has_value());
    // Any payload goes out as given: the probe answers with a hash of the code and the bytes.
    const auto FnvWithCode = [](std::vector<std::uint8_t> bytes, std::uint32_t code) {
        std::uint32_t hash = 2166136261u;
        for (std::uint8_t byte : bytes) hash = (hash ^ byte) * 16777619u;
        return static_cast<std::int64_t>((hash ^ code) & 0x7FFFFFFF);
    };
    EXPECT_EQ(control.CopyData("APP_MUSIC", 4096, std::vector<std::uint8_t>{}, error), FnvWithCode({}, 4096));
    EXPECT_EQ(control.CopyData("APP_MUSIC", 4099, std::vector<std::uint8_t>{1, 2, 0xFF}, error),
              FnvWithCode({1, 2, 0xFF}, 4099));
    EXPECT_EQ(control.CopyData("APP_MUSIC", 1069, 7, error), FnvWithCode({7, 0, 0, 0}, 1069));
    EXPECT_EQ(control.Post("APP_MUSIC", WM_USER + 10, 5, 6), 0u);
    EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", "APP_MUSIC got 1034 5 6"));
    EXPECT_EQ(control.Broadcast(WM_USER + 10, 8, 9), 0u);
    EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", "APP_MUSIC got 1034 8 9"));
    EXPECT_EQ(control.Foreground("APP_MUSIC"), 0u);
    bool listed = false;
    for (const auto& window : control.Windows())
        listed = listed || (window.hwnd == hwnd && window.foreground && window.program == "WINPROBE.EXE");
    EXPECT_TRUE(listed);
    EXPECT_EQ(control.Close("APP_MUSIC"), 0u);
    for (int i = 0; i < 250 && control.FindWindowByName("APP_MUSIC"); ++i) Sleep(20);
    EXPECT_EQ(control.FindWindowByName("APP_MUSIC"), 0u) << "WM_CLOSE ends the window";
}

TEST(DeviceControl, TapsCountTimesIntervalApartFromPressToPress) {
    platform::testing::TemporaryDevice device;
    ASSERT_TRUE(device.Install(platform::testing::WindowProbeBinary(), "WINPROBE.EXE"));
    ASSERT_TRUE(device.StartServer());
    devicectl::DeviceControl control(device.Root());
    DWORD error = 0;
    ASSERT_TRUE(control.Start("\\NAND\\WINPROBE.EXE", "title=PAD log=513", error));  // logs WM_LBUTTONDOWN
    ASSERT_NE(control.WaitWindow("PAD", std::chrono::seconds(5)), 0u);
    const auto downs = [&] {
        const std::string log = device.Log("WINPROBE.EXE");
        std::size_t count = 0;
        for (auto at = log.find("PAD got 513"); at != std::string::npos; at = log.find("PAD got 513", at + 1)) ++count;
        return count;
    };
    EXPECT_EQ(control.Tap(400, 240), 0u);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(control.Tap(400, 240, 3, std::chrono::milliseconds(150)), 0u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    for (int i = 0; i < 250 && downs() < 4; ++i) Sleep(20);
    EXPECT_EQ(downs(), 4u);
    EXPECT_TRUE(device.WaitForLog("WINPROBE.EXE", "PAD got 513 1 15729040"));  // 400, 240 in the window
    EXPECT_EQ(control.Tap(400, 240, 0, std::chrono::milliseconds(150)), ERROR_INVALID_PARAMETER);
}

TEST(DeviceControl, ReportsDriverStateAndMovesMediaInAndOutWithoutLosingFiles) {
    platform::testing::TemporaryDevice device;
    ASSERT_TRUE(device.StartServer());
    devicectl::DeviceControl control(device.Root());
    auto state = control.DriverState();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->wave_out_volume, 0xFFFFFFFFu);
    EXPECT_EQ(state->cpu_mhz, 249u);
    // The wave-out word read and set from outside, as a program would set it.
    DWORD wave_error = 0;
    EXPECT_EQ(control.WaveOut(std::nullopt, wave_error), 0xFFFFFFFFu);
    EXPECT_EQ(control.WaveOut(0x0000FFFFu, wave_error), 0x0000FFFFu) << "right channel silent";
    EXPECT_EQ(control.DriverState()->wave_out_volume, 0x0000FFFFu);
    // Each change wakes every audio output waiting on the wave-out event; the same value again
    // wakes none.
    const auto wait_for_change = [](DWORD timeout) {
        HANDLE event = OpenEvent(EVENT_ALL_ACCESS, FALSE, kWaveOutVolumeEvent);
        const DWORD result = event ? WaitForSingleObject(event, timeout) : WAIT_FAILED;
        if (event) CloseHandle(event);
        return result;
    };
    // Sets volumes every 50 ms until both waiters have an answer.
    const auto keep_setting = [&](std::future<DWORD>& a, std::future<DWORD>& b, DWORD first, DWORD second) {
        for (int i = 0; a.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready ||
                        b.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready;
             ++i) {
            control.WaveOut(i % 2 ? second : first, wave_error);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    };
    auto first = std::async(std::launch::async, wait_for_change, 5000);
    auto second = std::async(std::launch::async, wait_for_change, 5000);
    keep_setting(first, second, 0x80008000u, 0x40004000u);
    EXPECT_EQ(first.get(), WAIT_OBJECT_0);
    EXPECT_EQ(second.get(), WAIT_OBJECT_0);
    // The same value set again and again is no change.
    control.WaveOut(0x20002000u, wave_error);
    first = std::async(std::launch::async, wait_for_change, 700);
    second = std::async(std::launch::async, wait_for_change, 700);
    keep_setting(first, second, 0x20002000u, 0x20002000u);
    EXPECT_EQ(first.get(), WAIT_TIMEOUT);
    EXPECT_EQ(second.get(), WAIT_TIMEOUT);

    // The AV input's level, set by wave-out message 122 as a program sets it, is kept and shown;
    // a level above 10 or another message changes nothing.
    EXPECT_EQ(control.DriverState()->av_input_level, 0u);
    EXPECT_EQ(waveOutMessage(nullptr, WODM_AV_INPUT_LEVEL, 7, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutMessage(nullptr, WODM_AV_INPUT_LEVEL, 11, 0), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutMessage(nullptr, 121, 3, 0), MMSYSERR_NOTSUPPORTED);
    EXPECT_EQ(control.DriverState()->av_input_level, 7u);
    EXPECT_EQ(waveOutMessage(nullptr, WODM_AV_INPUT_LEVEL, 0, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(control.DriverState()->av_input_level, 0u);

    using Medium = devicectl::DeviceControl::Medium;
    std::string error;
    const auto card = device.Root() / "fs" / "STORAGE CARD";
    EXPECT_FALSE(control.SetMediumInserted(Medium::StorageCard, false, error)) << "nothing to remove";
    ASSERT_TRUE(control.SetMediumInserted(Medium::StorageCard, true, error)) << error;
    std::filesystem::create_directories(card / "MUSIC");
    std::ofstream(card / "MUSIC" / "song.mp3") << "data";
    ASSERT_TRUE(control.SetMediumInserted(Medium::StorageCard, false, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(card));
    ASSERT_TRUE(control.SetMediumInserted(Medium::StorageCard, true, error)) << error;
    EXPECT_TRUE(std::filesystem::exists(card / "MUSIC" / "song.mp3")) << "the card comes back with its files";
    ASSERT_TRUE(control.SetMediumInserted(Medium::UsbDrive, true, error));
    EXPECT_TRUE(std::filesystem::is_directory(device.Root() / "fs" / "USB DRIVE"));
}

// A device root being set up before it boots: devicectl moves the media's folders itself.
TEST(DeviceControl, MovesMediaOfADeviceThatIsNotRunning) {
    platform::testing::TemporaryDevice device;
    devicectl::DeviceControl control(device.Root());
    ASSERT_FALSE(control.Connected());
    using Medium = devicectl::DeviceControl::Medium;
    std::string error;
    const auto usb = device.Root() / "fs" / "USB DRIVE";
    EXPECT_FALSE(control.SetMediumInserted(Medium::UsbDrive, false, error));
    EXPECT_EQ(error, "no USB DRIVE is inserted");
    ASSERT_TRUE(control.SetMediumInserted(Medium::UsbDrive, true, error)) << error;
    std::ofstream(usb / "map.dat") << "data";
    ASSERT_TRUE(control.SetMediumInserted(Medium::UsbDrive, false, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(usb));
    EXPECT_TRUE(std::filesystem::exists(device.Root() / "state" / "removed" / "USB DRIVE" / "map.dat"));
    ASSERT_TRUE(control.SetMediumInserted(Medium::UsbDrive, true, error)) << error;
    EXPECT_TRUE(std::filesystem::exists(usb / "map.dat"));
}

TEST(HexBytes, ReadsPairsOfDigitsAndRefusesAnythingElse) {
    EXPECT_EQ(devicectl::HexBytes(""), std::vector<std::uint8_t>{});
    EXPECT_EQ(devicectl::HexBytes("0102fF"), (std::vector<std::uint8_t>{1, 2, 0xFF}));
    EXPECT_FALSE(devicectl::HexBytes("012"));
    EXPECT_FALSE(devicectl::HexBytes("0g"));
    EXPECT_FALSE(devicectl::HexBytes("01 02"));
}

}  // namespace
