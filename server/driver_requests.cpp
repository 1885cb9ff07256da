// Requests to the board's drivers.
#include "platform/device_root.h"
#include "platform/kernel/debug_output.h"
#include "platform/win32_types.h"
#include "server/device_server.h"

namespace server {
namespace {

constexpr std::uint32_t kMaxIoSize = 64 * 1024;
constexpr std::uint16_t Kind(protocol::RequestId id) { return static_cast<std::uint16_t>(id); }

}  // namespace

void DeviceServer::StartDrivers() {
    const auto config = platform::DeviceConfig::Load(m_options.root / "device.conf");
    const auto cpu = static_cast<std::uint32_t>(config.GetInt("cpu_max_mhz", 498));
    const auto bus = static_cast<std::uint32_t>(config.GetInt("bus_max_mhz", 166));
    m_drivers = std::make_unique<BoardDrivers>(cpu, bus, [](const std::string& line) { DebugPrintf("%s", line.c_str()); });
    // The backlight driver dims or blanks what the screen presents.
    m_drivers->SetBacklightHook([this](std::uint32_t percent, bool on) {
        if (!m_compositor) return;
        m_compositor->SetBacklight(percent, on);
        ScreenChanged();
    });
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::WaveOutVolumeRequest& request) {
    const bool changed = request.set && request.volume != m_wave_out_volume;
    if (request.set) m_wave_out_volume = request.volume;
    client.Reply(sequence, Kind(protocol::RequestId::WaveOutVolume), protocol::WaveOutVolumeReply{0, m_wave_out_volume});
    if (changed && m_wave_out_event) {
        // Every audio output waiting at this moment wakes; the event ends clear.
        m_wave_out_event->Set();
        SatisfyWaits();
        m_wave_out_event->Reset();
    }
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::DriverOpenRequest& request) {
    protocol::StatusReply reply;
    if (!BoardDrivers::Exists(request.device)) reply.error = ERROR_FILE_NOT_FOUND;
    client.Reply(sequence, Kind(protocol::RequestId::DriverOpen), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::DriverIoControlRequest& request) {
    protocol::IoControlReply reply;
    if (request.output_size > kMaxIoSize || request.input.size() > kMaxIoSize) reply.error = ERROR_INVALID_PARAMETER;
    else reply.error = m_drivers->IoControl(request.device, request.code, request.input, reply.output);
    client.Reply(sequence, Kind(protocol::RequestId::DriverIoControl), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::KernelIoControlRequest& request) {
    protocol::IoControlReply reply;
    if (request.output_size > kMaxIoSize || request.input.size() > kMaxIoSize ||
        !m_drivers->KernelIoControl(request.code, request.input, request.output_size, reply.output)) {
        reply.error = ERROR_INVALID_PARAMETER;
        reply.output.clear();
    }
    client.Reply(sequence, Kind(protocol::RequestId::KernelIoControl), reply);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::DriverStateRequest&) {
    const DriverState& state = m_drivers->State();
    protocol::DriverStateReply reply;
    reply.backlight_percent = state.backlight_percent;
    reply.backlight_on = state.backlight_on;
    reply.fm_word = state.fm_word;
    reply.fm_transmitter_on = state.fm_transmitter_on;
    reply.fm_speaker_on = state.fm_speaker_on;
    reply.remote_receiver_on = state.remote_receiver_on;
    reply.cpu_mhz = state.cpu_mhz;
    reply.bus_mhz = state.bus_mhz;
    reply.clock_priority = state.clock_priority;
    reply.wave_out_volume = m_wave_out_volume;
    client.Reply(sequence, Kind(protocol::RequestId::DriverState), reply);
}

}  // namespace server
