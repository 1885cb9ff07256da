// The device's audio output: where a playback pipeline's audio branch ends. The audio first
// takes the device's wave-out volume (each channel on its own), then goes where device.conf's
// `audio` says:
//   auto     the system's default output; when it has none that can be opened, the same as
//            fake, with one debug line
//   fake     consumed at the pipeline clock's pace, so playback keeps real time without a
//            sound card
//   capture  as fake, and what would be heard is also written as a 16-bit WAV file,
//            state/audio/<program>-<n>.wav, n counting the program's outputs from 1
#pragma once

#include <optional>
#include <string_view>

typedef struct _GstElement GstElement;

namespace platform::media {

enum class AudioOutputMode { Auto, Fake, Capture };

// The mode a device.conf value names, ignoring case; none for any other value.
std::optional<AudioOutputMode> AudioOutputModeOf(std::string_view value);
// The mode the device's device.conf asks for: auto when it names none, and auto with a debug
// line when it names one that does not exist.
AudioOutputMode ConfiguredAudioOutputMode();

// A new, floating element with one sink pad that takes raw audio of any layout the branch's
// converter can give; null when it cannot be made (with a debug line). Its wave-out volume
// follows the device's for as long as it exists.
GstElement* MakeAudioOutput(AudioOutputMode mode);

}  // namespace platform::media
