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

MMRESULT waveOutMessage(HWAVEOUT, UINT message, DWORD_PTR param1, DWORD_PTR) {
    if (message != WODM_AV_INPUT_LEVEL) return MMSYSERR_NOTSUPPORTED;
    if (param1 > protocol::kMostAvInputLevel) return MMSYSERR_INVALPARAM;
    auto* connection = platform::ServerConnection::Current();
    protocol::WaveOutMessageRequest request{message, static_cast<std::uint32_t>(param1)};
    protocol::WaveOutMessageReply reply;
    if (!connection || !connection->Call(request, reply)) return MMSYSERR_ERROR;
    if (reply.error == ERROR_INVALID_PARAMETER) return MMSYSERR_INVALPARAM;
    if (reply.error == ERROR_NOT_SUPPORTED) return MMSYSERR_NOTSUPPORTED;
    return reply.error ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
}

MMRESULT waveOutGetVolume(HWAVEOUT, DWORD* volume) {
    if (!volume) return MMSYSERR_INVALPARAM;
    return Call(false, 0, volume);
}
