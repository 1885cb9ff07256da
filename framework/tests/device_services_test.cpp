// The board devices through the real server's drivers.
#include <algorithm>
#include <gtest/gtest.h>

#include "framework/device_services.h"
#include "platform/device_root.h"
#include "platform/devices/stream_device.h"
#include "platform/files/files.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/server_connection.h"
#include "platform/testing/temporary_device.h"
#include "platform/window/window_surface.h"
#include "tools/devicectl/device_control.h"

namespace {

protocol::DriverStateReply State() {
    protocol::DriverStateReply reply;
    auto* connection = platform::ServerConnection::Current();
    EXPECT_TRUE(connection && connection->Call(protocol::DriverStateRequest{}, reply));
    return reply;
}

class DeviceServices : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.StartServer());
        platform::SetProgramName("SERVICES.EXE");
    }
    platform::testing::TemporaryDevice device;
};

TEST_F(DeviceServices, BacklightLevelsBecomeBrightnessPercentAndPower) {
    SetBacklightLevel(0);
    EXPECT_EQ(State().backlight_percent, 0u);
    SetBacklightLevel(10);
    EXPECT_EQ(State().backlight_percent, 100u);
    SetBacklightPower(false);
    EXPECT_FALSE(State().backlight_on);
    SetBacklightPower(true);
    EXPECT_TRUE(State().backlight_on);
    EXPECT_TRUE(device.WaitForLog("server", "BKL1: brightness 0"));
    EXPECT_TRUE(device.WaitForLog("server", "BKL1: brightness 100"));
}

TEST_F(DeviceServices, BacklightLevelZeroPresentsABlackScreen) {
    WNDCLASS window_class;
    window_class.lpfnWndProc = DefWindowProc;
    window_class.lpszClassName = "LIT";
    RegisterClass(&window_class);
    HWND hwnd = CreateWindowEx(0, "LIT", "LIT", WS_POPUP | WS_VISIBLE, 0, 0, 800, 480, nullptr, nullptr, nullptr, nullptr);
    WindowSurface surface;
    ASSERT_TRUE(GetWindowSurface(hwnd, &surface));
    for (int y = 0; y < surface.height; ++y)
        for (int x = 0; x < surface.width; ++x) surface.pixels[y * surface.pitch / 4 + x] = 0xFFFFFF;
    UpdateWindowSurface(hwnd, nullptr);
    devicectl::DeviceControl control(device.Root());
    auto brightest = [&] {
        DWORD error = 0;
        std::uint32_t brightest_pixel = 0;
        for (int i = 0; i < 50; ++i) {
            auto screen = control.Screenshot(error);
            if (!screen) continue;
            brightest_pixel = *std::max_element(screen->pixels.begin(), screen->pixels.end());
            Sleep(20);
            if (brightest_pixel == 0 || brightest_pixel == 0xFFFFFF) break;
        }
        return brightest_pixel;
    };
    SetBacklightLevel(10);
    EXPECT_EQ(brightest(), 0xFFFFFFu);
    SetBacklightLevel(0);
    EXPECT_EQ(brightest(), 0u) << "brightness 0 presents black";
    DestroyWindow(hwnd);
}

TEST_F(DeviceServices, FmWordsAndTheThreeStepsForEachMode) {
    EXPECT_EQ(FmFrequencyWord(0, 881), 0xCC4B71u);
    EXPECT_EQ(FmFrequencyWord(3, 1079), 0xCC0C37u);

    TuneFmTransmitter(1, 0, 881);  // speaker only: transmitter off, speaker on
    auto state = State();
    EXPECT_EQ(state.fm_word, 0xCC4B71u);
    EXPECT_FALSE(state.fm_transmitter_on);
    EXPECT_TRUE(state.fm_speaker_on);
    EXPECT_TRUE(device.WaitForLog("server", "FMM0: frequency word 0xCC4B71"));

    TuneFmTransmitter(0, 4, 1079);  // transmitter only
    state = State();
    EXPECT_EQ(state.fm_word, 0xCC0C37u);
    EXPECT_TRUE(state.fm_transmitter_on);
    EXPECT_FALSE(state.fm_speaker_on);
    EXPECT_TRUE(device.WaitForLog("server", "FMM0: frequency word 0xCC0C37"));

    TuneFmTransmitter(2, 2, 883);  // both
    state = State();
    EXPECT_TRUE(state.fm_transmitter_on);
    EXPECT_TRUE(state.fm_speaker_on);
    TuneFmTransmitter(2, 7, 900);  // no such index: nothing sent
    EXPECT_EQ(State().fm_word, FmFrequencyWord(2, 883));
}

TEST_F(DeviceServices, ClockRequestsAreCheckedAndApplied) {
    EXPECT_EQ(SetSystemClockWithPriority(500, 100, 4, CLOCK_OPERATION_SET), -1);
    EXPECT_TRUE(device.WaitForLog("SERVICES.EXE", "[TCW:SetSystemClockWithPriority]clock is wrong : 500,100"));
    EXPECT_EQ(SetSystemClockWithPriority(300, 100, 7, CLOCK_OPERATION_SET), -1);
    EXPECT_TRUE(device.WaitForLog("SERVICES.EXE", "Wrong Priority[7]"));
    EXPECT_EQ(SetSystemClockWithPriority(300, 100, 0, 9), -1);
    EXPECT_TRUE(device.WaitForLog("SERVICES.EXE", "Unknown Clock operation : 9"));

    EXPECT_EQ(SetSystemMaxClock(), 1);
    EXPECT_TRUE(device.WaitForLog("SERVICES.EXE", "[TCW:SetSystemMaxClock]Max clock : CPU 498, BUS 166"));
    ClockRecord current;
    ASSERT_EQ(GetCurrentSystemClock(current), 1);
    EXPECT_EQ(current.CpuMhz(), 498u);
    EXPECT_EQ(current.BusMhz(), 166u);
    EXPECT_EQ(current.Priority(), 4u);
    EXPECT_EQ(SetSystemClockWithPriority(498, 166, 4, CLOCK_OPERATION_SET), 1) << "already in force";
    EXPECT_EQ(SetSystemClockWithPriority(0, 0, 4, CLOCK_OPERATION_RETURN), 1);
    ASSERT_EQ(GetCurrentSystemClock(current), 1);
    EXPECT_EQ(current.CpuMhz(), 249u) << "back to the clock before the priority request";
}

TEST_F(DeviceServices, UnknownDevicesAndShortRequestsFailCleanly) {
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(CreateFile("XYZ9:", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    HANDLE backlight = CreateFile("BKL1:", GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
    ASSERT_NE(backlight, INVALID_HANDLE_VALUE);
    DWORD returned = 0;
    std::uint8_t one_byte = 5;
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(DeviceIoControl(backlight, 0x223484, &one_byte, 1, nullptr, 0, &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(DeviceIoControl(backlight, 0x123456, nullptr, 0, nullptr, 0, &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    CloseHandle(backlight);
    SetRemoteReceiver(false);
    EXPECT_FALSE(State().remote_receiver_on);
    std::uint8_t short_request[10] = {};
    std::uint8_t reply[148];
    EXPECT_FALSE(KernelIoControl(0x01010FA0, short_request, sizeof(short_request), reply, sizeof(reply), &returned));
}

}  // namespace
