#include "server/drivers/board_drivers.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/devices/camera_connector.h"

namespace server {
namespace {

constexpr std::uint32_t kErrorNotSupported = 50;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorFileNotFound = 2;

std::uint32_t Word(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    if (offset + 4 <= bytes.size()) std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

void PutWord(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    if (offset + 4 <= bytes.size()) std::memcpy(bytes.data() + offset, &value, 4);
}

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%X", value);
    return text;
}

std::string Upper(std::string text) {
    for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

BoardDrivers::BoardDrivers(std::uint32_t max_cpu_mhz, std::uint32_t max_bus_mhz, Log log) : m_log(std::move(log)) {
    m_state.max_cpu_mhz = max_cpu_mhz;
    m_state.max_bus_mhz = max_bus_mhz;
    // The board starts at a moderate clock; HomeDeck raises it to the maximum at start-up.
    m_state.cpu_mhz = max_cpu_mhz / 2;
    m_state.bus_mhz = max_bus_mhz / 2;
}

bool BoardDrivers::Exists(const std::string& device_name) {
    const std::string name = Upper(device_name);
    return name == "BKL1:" || name == "FMM0:" || name == "REM0:" || name == "CAM1:";
}

std::uint32_t BoardDrivers::IoControl(const std::string& device_name, std::uint32_t code,
                                      const std::vector<std::uint8_t>& input, std::vector<std::uint8_t>& output) {
    output.clear();
    const std::string name = Upper(device_name);
    const bool has_word = input.size() >= 4;
    const std::uint32_t word = Word(input, 0);
    if (name == "BKL1:") {
        if (code != kIoctlBacklightBrightness && code != kIoctlBacklightPower) return kErrorNotSupported;
        if (!has_word) return kErrorInvalidParameter;
        if (code == kIoctlBacklightBrightness) {
            m_state.backlight_percent = word > 100 ? 100 : word;
            m_log("BKL1: brightness " + std::to_string(word));
        } else {
            m_state.backlight_on = word != 0;
            m_log("BKL1: power " + std::to_string(word));
        }
        if (m_backlight_hook) m_backlight_hook(m_state.backlight_percent, m_state.backlight_on);
        return 0;
    }
    if (name == "FMM0:") {
        switch (code) {
            case kIoctlFmFrequencyWord:
                if (!has_word) return kErrorInvalidParameter;
                m_state.fm_word = word;
                m_log("FMM0: frequency word " + Hex(word));
                return 0;
            case kIoctlFmTransmitterOff:
                m_state.fm_transmitter_on = false;
                m_log("FMM0: transmitter off");
                return 0;
            case kIoctlFmTransmitterOn:
                m_state.fm_transmitter_on = true;
                m_log("FMM0: transmitter on");
                return 0;
            case kIoctlFmSpeakerOn:
                m_state.fm_speaker_on = true;
                m_log("FMM0: speaker on");
                return 0;
            case kIoctlFmSpeakerOff:
                m_state.fm_speaker_on = false;
                m_log("FMM0: speaker off");
                return 0;
            default:
                m_log("FMM0: unknown request " + Hex(code));
                return kErrorNotSupported;
        }
    }
    if (name == "REM0:") {
        if (code != kIoctlRemoteReceiver) return kErrorNotSupported;
        if (!has_word) return kErrorInvalidParameter;
        m_state.remote_receiver_on = word != 0;
        m_log("REM0: receiver " + std::string(word ? "on" : "off"));
        return 0;
    }
    if (name == "CAM1:") {
        if (code == platform::kIoctlCameraSignal) {
            output.assign(4, 0);
            PutWord(output, 0, m_state.camera_connected ? 1 : 0);
            return 0;
        }
        if (code != platform::kIoctlCameraPlug) return kErrorNotSupported;
        if (!has_word) return kErrorInvalidParameter;
        m_state.camera_connected = word != 0;
        m_log("CAM1: camera " + std::string(word ? "in" : "out"));
        return 0;
    }
    return kErrorFileNotFound;
}

bool BoardDrivers::KernelIoControl(std::uint32_t code, const std::vector<std::uint8_t>& input,
                                   std::uint32_t output_size, std::vector<std::uint8_t>& output) {
    output.assign(output_size, 0);
    if (code != kIoctlClockControl) {
        m_log("kernel: unknown platform control " + Hex(code));
        return false;
    }
    if (input.size() < kClockRequestSize || output_size < kClockReplySize) return false;
    return ClockControl(input, output);
}

bool BoardDrivers::ClockControl(const std::vector<std::uint8_t>& input, std::vector<std::uint8_t>& output) {
    const std::uint32_t operation = Word(input, 0);
    auto reply = [&](std::uint32_t cpu, std::uint32_t bus, std::uint32_t priority) {
        // The manager reports clocks in units of 100 Hz.
        PutWord(output, 0, bus * 10000);
        PutWord(output, 8, cpu * 10000);
        PutWord(output, 144, priority);
        return true;
    };
    switch (operation) {
        case kClockGetCurrent:
            return reply(m_state.cpu_mhz, m_state.bus_mhz, m_state.clock_priority);
        case kClockGetMax:
            return reply(m_state.max_cpu_mhz, m_state.max_bus_mhz, 0);
        case kClockSet:
        case kClockSetWithPriority: {
            const std::uint32_t cpu = Word(input, 44), bus = Word(input, 48), priority = Word(input, 56);
            if (cpu == 0 || bus == 0 || cpu > m_state.max_cpu_mhz || bus > m_state.max_bus_mhz || priority > 4) {
                m_log("clock: refused CPU " + std::to_string(cpu) + " BUS " + std::to_string(bus));
                return false;
            }
            if (operation == kClockSetWithPriority) m_clock_stack.push_back(m_state);
            m_state.cpu_mhz = cpu;
            m_state.bus_mhz = bus;
            m_state.clock_priority = operation == kClockSet ? 0 : priority;
            m_log("clock: CPU " + std::to_string(cpu) + " MHz, BUS " + std::to_string(bus) + " MHz, priority " +
                  std::to_string(m_state.clock_priority));
            return reply(cpu, bus, m_state.clock_priority);
        }
        case kClockReturn:
            if (!m_clock_stack.empty()) {
                const DriverState previous = m_clock_stack.back();
                m_clock_stack.pop_back();
                m_state.cpu_mhz = previous.cpu_mhz;
                m_state.bus_mhz = previous.bus_mhz;
                m_state.clock_priority = previous.clock_priority;
            }
            m_log("clock: returned to CPU " + std::to_string(m_state.cpu_mhz) + " MHz");
            return reply(m_state.cpu_mhz, m_state.bus_mhz, m_state.clock_priority);
        default:
            m_log("clock: unknown operation " + Hex(operation));
            return false;
    }
}

}  // namespace server
