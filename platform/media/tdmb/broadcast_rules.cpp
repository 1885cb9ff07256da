#include "platform/media/tdmb/broadcast_rules.h"

#include <cmath>

#include "platform/media/tdmb/tdmb_properties.h"

namespace platform::tdmb {

double BroadcastPosition(double wall_seconds, double media_seconds)
{
    if (!(media_seconds > 0.0) || !std::isfinite(media_seconds) || !std::isfinite(wall_seconds)) return 0.0;
    const double position = std::fmod(wall_seconds, media_seconds);
    return position < 0.0 ? position + media_seconds : position;
}

std::uint64_t BroadcastOffset(double position, double media_seconds, std::uint64_t media_bytes)
{
    const std::uint64_t packets = media_bytes / kTransportPacketSize;
    if (packets == 0 || !(media_seconds > 0.0) || !(position > 0.0)) return 0;
    const double share = position >= media_seconds ? 1.0 : position / media_seconds;
    std::uint64_t packet = static_cast<std::uint64_t>(share * static_cast<double>(packets));
    if (packet >= packets) packet = packets - 1;
    return packet * kTransportPacketSize;
}

bool DecoderPlays(AudioDecoderKind kind, const TunedService& service)
{
    const bool bsac = service.audio_coding == kBsacCoding;
    return kind == AudioDecoderKind::Bsac ? bsac : !bsac;
}

AudioSettings ActualAudio(const TunedService& service)
{
    return {service.audio_coding, service.audio_b, service.audio_a};
}

bool AudioChangeDue(const AudioSettings& configured, const TunedService& service)
{
    if (!service.tuned || service.type != 2) return false;
    // The player keeps the coding in a byte: only that byte of the configured word counts.
    const AudioSettings as_kept{configured.coding & 0xFF, configured.b, configured.a};
    return !(as_kept == ActualAudio(service));
}

std::optional<TunerProperty> FindTunerProperty(DWORD number, PropertyAccess access)
{
    for (const TunerProperty& property : kTunerProperties)
        if (property.number == number && property.access == access) return property;
    return std::nullopt;
}

}  // namespace platform::tdmb
