#include "platform/devices/wave_out.h"

#include "platform/kernel/server_connection.h"

namespace {

MMRESULT Call(bool set, DWORD value, DWORD* volume) {
    auto* connection = platform::ServerConnection::Current();
    protocol::WaveOutVolumeRequest request{set, value};
    protocol::WaveOutVolumeReply reply;
    if (!connection || !connection->Call(request, reply) || reply.error) return MMSYSERR_ERROR;
    if (volume) *volume = reply.volume;
    return MMSYSERR_NOERROR;
}

}  // namespace

MMRESULT waveOutSetVolume(HWAVEOUT, DWORD volume) { return Call(true, volume, nullptr); }

MMRESULT waveOutGetVolume(HWAVEOUT, DWORD* volume) {
    if (!volume) return MMSYSERR_INVALPARAM;
    return Call(false, 0, volume);
}
