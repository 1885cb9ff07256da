// The board devices the programs drive directly: backlight, FM transmitter, remote-control
// receiver, and the processor clock through the kernel's platform control call. Each call
// opens its device, sends its requests and closes it; a device that cannot be opened makes
// the call do nothing.
#pragma once

#include <array>
#include <cstdint>

#include "platform/win32_types.h"

// Backlight brightness is level x 10 percent (level 0..10).
void SetBacklightLevel(int level);
void SetBacklightPower(bool on);

// The FM transmitter's frequency word for a frequency in 0.1 MHz: channel index 0 uses the
// 0xCC4800 form, presets 1..4 the 0xCC0800 form.
DWORD FmFrequencyWord(int channel_index, int frequency);
// Tunes the transmitter for an FM mode (0 transmitter, 1 speaker, 2 both), a channel index
// (0 off, 1..4 presets) and that index's frequency.
void TuneFmTransmitter(int fm_mode, int channel_index, int frequency);

// The remote-control receiver switch.
void SetRemoteReceiver(bool on);

// The clock manager's reply: bus clock at offset 0 and CPU clock at offset 8 in units of
// 100 Hz, the priority in force at offset 144.
struct ClockRecord {
    std::array<std::uint8_t, 148> bytes{};
    std::uint32_t BusMhz() const;
    std::uint32_t CpuMhz() const;
    std::uint32_t Priority() const;
};

constexpr int CLOCK_OPERATION_RETURN = 0;
constexpr int CLOCK_OPERATION_SET = 1;

// 1 on success, 0 or -1 on failure (with its debug line).
int SetSystemClockWithPriority(std::uint32_t cpu_mhz, std::uint32_t bus_mhz, std::uint32_t priority, int operation);
int SetSystemMaxClock();
int GetCurrentSystemClock(ClockRecord& record);
int GetMaxSystemClock(ClockRecord& record);
