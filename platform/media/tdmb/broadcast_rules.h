// The broadcast simulator's rules, apart from the filters that follow them: where in its media
// a service is at a given moment, which audio decoder plays a service's sound, and when the
// audio the player configured differs from what the service really carries.
#pragma once

#include <cstdint>

#include "platform/devices/tdmb_receiver.h"

namespace platform::tdmb {

inline constexpr std::uint8_t kBsacCoding = 22;
inline constexpr std::uint64_t kTransportPacketSize = 188;

// Seconds into a service's media at the given wall-clock time: a service loops its media
// forever from the epoch, so two receivers tuned at one moment show the same picture. 0 for
// media of no known length.
double BroadcastPosition(double wall_seconds, double media_seconds);

// The start of the transport packet at `position` seconds into media of that length and size,
// taking the stream's rate as even. Always a whole number of packets inside the file.
std::uint64_t BroadcastOffset(double position, double media_seconds, std::uint64_t media_bytes);

enum class AudioDecoderKind { Bsac, HeAac };

// Whether the decoder of this kind plays the service's audio; otherwise it plays silence.
bool DecoderPlays(AudioDecoderKind kind, const TunedService& service);

// The audio the player configured the parser with, as its audio-change message carries it:
// the coding (a byte, padded to a word), then parameters B and A.
struct AudioSettings {
    std::uint32_t coding = 0;
    std::uint32_t b = 0;
    std::uint32_t a = 0;
    bool operator==(const AudioSettings&) const = default;
};

// The audio a tuned TV service really has.
AudioSettings ActualAudio(const TunedService& service);

// True when the player must be told of the service's real audio: a TV service is tuned and
// its audio differs in coding or either parameter from what the player configured.
bool AudioChangeDue(const AudioSettings& configured, const TunedService& service);

}  // namespace platform::tdmb
