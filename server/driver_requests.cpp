// Requests to the board's drivers.
#include <filesystem>

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
    // The T-DMB receiver plays the band of the ensemble file, a path relative to the root or
    // absolute.
    std::string ensemble = config.Get("tdmb_ensemble", "");
    if (!ensemble.empty() && std::filesystem::path(ensemble).is_relative())
        ensemble = (m_options.root / ensemble).string();
    m_receiver = std::make_unique<tdmb::Receiver>(ensemble, [](const std::string& line) { DebugPrintf("%s", line.c_str()); });
    // The flash disk: flash_sectors sectors of 512 bytes; a value that is not a positive number
    // keeps the board's size.
    long sectors = config.GetInt("flash_sectors", static_cast<long>(FlashDisk::kDefaultSectors));
    if (sectors <= 0) sectors = static_cast<long>(FlashDisk::kDefaultSectors);
    m_flash_disk = std::make_unique<FlashDisk>(m_options.root / "state", m_options.root / "fs",
                                               static_cast<std::uint64_t>(sectors),
                                               [](const std::string& line) { DebugPrintf("%s", line.c_str()); });
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::WaveOutMessageRequest& request) {
    std::uint32_t error = 0;
    if (request.message != protocol::kWaveOutAvInputLevel) error = ERROR_NOT_SUPPORTED;
    else if (request.param1 > protocol::kMostAvInputLevel) error = ERROR_INVALID_PARAMETER;
    else m_av_input_level = request.param1;
    client.Reply(sequence, Kind(protocol::RequestId::WaveOutMessage), protocol::WaveOutMessageReply{error});
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
    int image_fd = -1;
    if (FlashDisk::IsFlashDiskName(request.device)) {
        reply.error = m_flash_disk->Open(static_cast<std::uint32_t>(client.Pid()));
        if (!reply.error) image_fd = m_flash_disk->ImageFd();
    } else if (!BoardDrivers::Exists(request.device) && !tdmb::Receiver::IsReceiverName(request.device)) {
        reply.error = ERROR_FILE_NOT_FOUND;
    }
    client.Reply(sequence, Kind(protocol::RequestId::DriverOpen), reply, image_fd);
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::DriverCloseRequest& request) {
    if (FlashDisk::IsFlashDiskName(request.device)) m_flash_disk->Close(static_cast<std::uint32_t>(client.Pid()));
    client.Reply(sequence, Kind(protocol::RequestId::DriverClose), protocol::StatusReply{});
}

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::DriverIoControlRequest& request) {
    protocol::IoControlReply reply;
    if (request.output_size > kMaxIoSize || request.input.size() > kMaxIoSize) {
        reply.error = ERROR_INVALID_PARAMETER;
    } else if (FlashDisk::IsFlashDiskName(request.device)) {
        reply.error = m_flash_disk->IoControl(request.code, request.input, request.output_size, reply.output);
    } else if (tdmb::Receiver::IsReceiverName(request.device)) {
        tdmb::ReceiverAnswer answer = m_receiver->IoControl(request.code, request.input, request.output_size);
        reply.error = answer.error;
        reply.output = std::move(answer.output);
        // The receiver takes its time (a scan step, a lock): the caller's thread waits for it,
        // the server does not.
        if (answer.delay_ms > 0) {
            m_driver_replies.push_back(
                {client.Id(), sequence, Clock::now() + std::chrono::milliseconds(answer.delay_ms), std::move(reply)});
            return;
        }
    } else {
        reply.error = m_drivers->IoControl(request.device, request.code, request.input, reply.output);
    }
    client.Reply(sequence, Kind(protocol::RequestId::DriverIoControl), reply);
}

void DeviceServer::FinishDriverReplies(Clock::time_point now) {
    for (auto it = m_driver_replies.begin(); it != m_driver_replies.end();) {
        if (it->reply_at > now) {
            ++it;
            continue;
        }
        const PendingDriverReply done = std::move(*it);
        it = m_driver_replies.erase(it);
        if (Client* requester = FindClient(done.requester)) {
            requester->Reply(done.sequence, Kind(protocol::RequestId::DriverIoControl), done.reply);
            UpdateWriteInterest(*requester);
        }
    }
}

std::optional<Clock::time_point> DeviceServer::NextDriverReplyDeadline() const {
    std::optional<Clock::time_point> next;
    for (const PendingDriverReply& pending : m_driver_replies)
        if (!next || pending.reply_at < *next) next = pending.reply_at;
    return next;
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
    reply.av_input_level = m_av_input_level;
    reply.camera_connected = state.camera_connected;
    reply.flash_sectors = m_flash_disk->SectorCount();
    reply.flash_bytes_in_use = m_flash_disk->BytesInUse();
    if (auto size = m_flash_disk->BootLoaderSize()) {
        reply.boot_loader_installed = true;
        reply.boot_loader_bytes = *size;
    }
    client.Reply(sequence, Kind(protocol::RequestId::DriverState), reply);
}

}  // namespace server
