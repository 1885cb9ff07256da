// The board's stream drivers and the clock manager, as the device server keeps them:
//   "BKL1:" backlight (brightness percent, power), "FMM0:" FM transmitter (frequency word,
//   transmitter and speaker switches), "REM0:" remote-control receiver switch, "CAM1:" the
//   camera and AV input connector, and the chip vendor's clock manager behind the kernel's
//   platform control call.
// Every request is logged as the drivers log it; what a driver does with a request beyond
// keeping its state is the board's business.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace server {

// Device-control codes of the board.
constexpr std::uint32_t kIoctlBacklightBrightness = 0x223484;
constexpr std::uint32_t kIoctlBacklightPower = 0x223488;
constexpr std::uint32_t kIoctlFmFrequencyWord = 0x222B38;
constexpr std::uint32_t kIoctlFmTransmitterOff = 0x222B30;
constexpr std::uint32_t kIoctlFmTransmitterOn = 0x222B34;
constexpr std::uint32_t kIoctlFmSpeakerOn = 0x222B28;
constexpr std::uint32_t kIoctlFmSpeakerOff = 0x222B2C;
constexpr std::uint32_t kIoctlRemoteReceiver = 0x223368;

// The clock manager's platform control call and its operations.
constexpr std::uint32_t kIoctlClockControl = 0x01010FA0;
constexpr std::uint32_t kClockSet = 0x2229C0;
constexpr std::uint32_t kClockSetWithPriority = 0x2229C4;
constexpr std::uint32_t kClockReturn = 0x2229C8;
constexpr std::uint32_t kClockGetCurrent = 0x2229CC;
constexpr std::uint32_t kClockGetMax = 0x2229E0;
constexpr std::size_t kClockRequestSize = 60;
constexpr std::size_t kClockReplySize = 148;

struct DriverState {
    std::uint32_t backlight_percent = 100;  // the board powers up at full brightness
    bool backlight_on = true;
    std::uint32_t fm_word = 0;
    bool fm_transmitter_on = false;
    bool fm_speaker_on = true;
    bool remote_receiver_on = true;
    bool camera_connected = true;
    std::uint32_t cpu_mhz = 0;
    std::uint32_t bus_mhz = 0;
    std::uint32_t clock_priority = 0;
    std::uint32_t max_cpu_mhz = 0;
    std::uint32_t max_bus_mhz = 0;
};

class BoardDrivers {
public:
    using Log = std::function<void(const std::string&)>;
    // Called when the backlight changes, so the screen follows it.
    using BacklightHook = std::function<void(std::uint32_t percent, bool on)>;

    BoardDrivers(std::uint32_t max_cpu_mhz, std::uint32_t max_bus_mhz, Log log);
    void SetBacklightHook(BacklightHook hook) { m_backlight_hook = std::move(hook); }

    static bool Exists(const std::string& device_name);
    // A stream driver request; returns the device's error code (0, ERROR_INVALID_PARAMETER
    // 87 for a short input, ERROR_NOT_SUPPORTED 50 for a code the driver does not know).
    std::uint32_t IoControl(const std::string& device_name, std::uint32_t code, const std::vector<std::uint8_t>& input,
                            std::vector<std::uint8_t>& output);
    // The kernel's platform control call; false when the call fails.
    bool KernelIoControl(std::uint32_t code, const std::vector<std::uint8_t>& input, std::uint32_t output_size,
                         std::vector<std::uint8_t>& output);

    const DriverState& State() const { return m_state; }

private:
    bool ClockControl(const std::vector<std::uint8_t>& input, std::vector<std::uint8_t>& output);

    DriverState m_state;
    // Clock settings in force before each priority request, for "return".
    std::vector<DriverState> m_clock_stack;
    Log m_log;
    BacklightHook m_backlight_hook;
};

}  // namespace server
