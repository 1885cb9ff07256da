#include "framework/device_services.h"

#include <cstring>

#include "platform/devices/stream_device.h"
#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace {

constexpr DWORD kIoctlBacklightBrightness = 0x223484;
constexpr DWORD kIoctlBacklightPower = 0x223488;
constexpr DWORD kIoctlFmFrequencyWord = 0x222B38;
constexpr DWORD kIoctlFmTransmitterOff = 0x222B30;
constexpr DWORD kIoctlFmTransmitterOn = 0x222B34;
constexpr DWORD kIoctlFmSpeakerOn = 0x222B28;
constexpr DWORD kIoctlFmSpeakerOff = 0x222B2C;
constexpr DWORD kIoctlRemoteReceiver = 0x223368;

constexpr DWORD kClockControl = 0x01010FA0;
constexpr std::uint32_t kClockSet = 0x2229C0;
constexpr std::uint32_t kClockSetWithPriority = 0x2229C4;
constexpr std::uint32_t kClockReturn = 0x2229C8;
constexpr std::uint32_t kClockGetCurrent = 0x2229CC;
constexpr std::uint32_t kClockGetMax = 0x2229E0;
constexpr std::uint32_t kMaxCpuMhz = 498;
constexpr std::uint32_t kMaxBusMhz = 166;

// Opens a device, sends each request in turn (a value, or none), and closes it.
void SendToDevice(const char* device_name, DWORD disposition, std::initializer_list<std::pair<DWORD, const DWORD*>> requests) {
    HANDLE device = CreateFile(device_name, GENERIC_READ | GENERIC_WRITE, 0, disposition);
    if (device == INVALID_HANDLE_VALUE) return;
    for (const auto& [code, value] : requests) {
        DWORD returned = 0;
        DeviceIoControl(device, code, value, value ? sizeof(DWORD) : 0, nullptr, 0, &returned, nullptr);
    }
    CloseHandle(device);
}

std::uint32_t WordAt(const std::array<std::uint8_t, 148>& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof(value));
    return value;
}

bool ClockCall(std::uint32_t operation, std::uint32_t cpu, std::uint32_t bus, std::uint32_t priority, ClockRecord& record) {
    std::array<std::uint8_t, 60> request{};
    std::memcpy(request.data(), &operation, 4);
    std::memcpy(request.data() + 44, &cpu, 4);
    std::memcpy(request.data() + 48, &bus, 4);
    std::memcpy(request.data() + 56, &priority, 4);
    DWORD returned = 0;
    return KernelIoControl(kClockControl, request.data(), static_cast<DWORD>(request.size()), record.bytes.data(),
                           static_cast<DWORD>(record.bytes.size()), &returned) == TRUE;
}

}  // namespace

std::uint32_t ClockRecord::BusMhz() const { return WordAt(bytes, 0) / 10000; }
std::uint32_t ClockRecord::CpuMhz() const { return WordAt(bytes, 8) / 10000; }
std::uint32_t ClockRecord::Priority() const { return WordAt(bytes, 144); }

void SetBacklightLevel(int level) {
    const DWORD percent = static_cast<DWORD>(level) * 10;
    SendToDevice("BKL1:", OPEN_EXISTING, {{kIoctlBacklightBrightness, &percent}});
}

void SetBacklightPower(bool on) {
    const DWORD power = on ? 1 : 0;
    SendToDevice("BKL1:", OPEN_EXISTING, {{kIoctlBacklightPower, &power}});
}

DWORD FmFrequencyWord(int channel_index, int frequency) {
    const DWORD bits = static_cast<DWORD>(frequency) & 0x7FF;
    return bits | (channel_index == 0 ? 0xCC4800u : 0xCC0800u);
}

void TuneFmTransmitter(int fm_mode, int channel_index, int frequency) {
    if (channel_index < 0 || channel_index > 4) return;
    const DWORD word = FmFrequencyWord(channel_index, frequency);
    const DWORD second = channel_index == 0 ? kIoctlFmTransmitterOff : kIoctlFmTransmitterOn;
    const DWORD final_step = (channel_index == 0 || fm_mode == 2) ? kIoctlFmSpeakerOn : kIoctlFmSpeakerOff;
    SendToDevice("FMM0:", OPEN_ALWAYS, {{kIoctlFmFrequencyWord, &word}, {second, nullptr}, {final_step, nullptr}});
}

void SetRemoteReceiver(bool on) {
    const DWORD value = on ? 1 : 0;
    SendToDevice("REM0:", OPEN_EXISTING, {{kIoctlRemoteReceiver, &value}});
}

int GetCurrentSystemClock(ClockRecord& record) {
    if (ClockCall(kClockGetCurrent, 0, 0, 0, record)) return 1;
    DebugPrintf("[TCW:GetCurrentSystemClock]Fail to get current Clock\n");
    return 0;
}

int GetMaxSystemClock(ClockRecord& record) {
    if (ClockCall(kClockGetMax, 0, 0, 0, record)) return 1;
    DebugPrintf("[TCW:GetMaxSystemClock]Fail to get Max system Clock\n");
    return 0;
}

int SetSystemClockWithPriority(std::uint32_t cpu_mhz, std::uint32_t bus_mhz, std::uint32_t priority, int operation) {
    ClockRecord current;
    if (GetCurrentSystemClock(current) && current.CpuMhz() == cpu_mhz && current.BusMhz() == bus_mhz &&
        current.Priority() == priority)
        return 1;
    std::uint32_t code = 0;
    if (operation == CLOCK_OPERATION_RETURN) {
        DebugPrintf("[TCW:SetSystemClockWithPriority]TWS_CLK_RETURN\n");
        code = kClockReturn;
    } else if (operation == CLOCK_OPERATION_SET) {
        if (cpu_mhz == 0 || bus_mhz == 0 || cpu_mhz > kMaxCpuMhz || bus_mhz > kMaxBusMhz) {
            DebugPrintf("[TCW:SetSystemClockWithPriority]clock is wrong : %d,%d\n", static_cast<int>(cpu_mhz),
                        static_cast<int>(bus_mhz));
            return -1;
        }
        code = kClockSet;
        if (priority != 0) {
            code = kClockSetWithPriority;
            DebugPrintf("[TCW:SetSystemClockWithPriority]IOCTL_CKC_SET_SYSTEMCLKCTL\n");
        }
    } else {
        DebugPrintf("[TCW:SetSystemClockWithPriority]Unknown Clock operation : %d\n", operation);
        return -1;
    }
    if (priority > 4 || (priority == 0 && operation == CLOCK_OPERATION_RETURN)) {
        DebugPrintf("[TCW:SetSystemClockWithPriority]Wrong Priority[%d]\n", static_cast<int>(priority));
        return -1;
    }
    DebugPrintf("[TCW:SetSystemClockWithPriority]KernelIoControl : %d\n", static_cast<int>(priority));
    ClockRecord reply;
    const int result = ClockCall(code, cpu_mhz, bus_mhz, priority, reply) ? 1 : 0;
    if (result != 1) DebugPrintf("[TCW:SetSystemClockWithPriority]Fail to call KernelIoControl\n");
    return result;
}

int SetSystemMaxClock() {
    ClockRecord max;
    GetMaxSystemClock(max);
    const std::uint32_t cpu = max.CpuMhz(), bus = max.BusMhz();
    if (cpu == 0 || bus == 0) {
        DebugPrintf("[TCW:SetSystemLowClock]Max clock is 0 : CPU %d, BUS %d\n", static_cast<int>(cpu), static_cast<int>(bus));
        return 0;
    }
    DebugPrintf("[TCW:SetSystemMaxClock]Max clock : CPU %d, BUS %d\n", static_cast<int>(cpu), static_cast<int>(bus));
    return SetSystemClockWithPriority(cpu, bus, 4, CLOCK_OPERATION_SET);
}
