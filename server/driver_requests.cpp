// Requests to the board's drivers.
#include "server/device_server.h"

namespace server {

void DeviceServer::Handle(Client& client, std::uint32_t sequence, const protocol::WaveOutVolumeRequest& request) {
    if (request.set) m_wave_out_volume = request.volume;
    client.Reply(sequence, static_cast<std::uint16_t>(protocol::RequestId::WaveOutVolume),
                 protocol::WaveOutVolumeReply{0, m_wave_out_volume});
}

}  // namespace server
