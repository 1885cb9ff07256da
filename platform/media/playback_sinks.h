// The elements a playback pipeline's branches end in, and what the audio passes through on
// its way. The graph asks for one audio and one video sink (and one audio effect) per
// rendered file; replacing this object is how a different audio output, video renderer or
// equaliser takes over without touching the pipeline's building.
#pragma once

#include <memory>

typedef struct _GstElement GstElement;

namespace platform::media {

class PlaybackSinks {
public:
    virtual ~PlaybackSinks() = default;
    // A new, floating element with one always sink pad, or null when it cannot be made (the
    // branch is then left out and logged).
    virtual GstElement* MakeAudioSink() = 0;
    virtual GstElement* MakeVideoSink() = 0;
    // A new, floating element with one sink and one source pad that the audio passes through
    // after its conversion and before its volume (an equaliser); null for none.
    virtual GstElement* MakeAudioEffect() { return nullptr; }
};

// Sinks that consume buffers at the pipeline clock's pace and output nothing: playback keeps
// real-time timing without a sound card or a screen.
std::unique_ptr<PlaybackSinks> MakeClockedNullSinks();

// The device's own sinks: audio goes to the device's audio output, in the mode its
// device.conf names (audio_output.h); video as the null sinks' until its renderer is ours.
std::unique_ptr<PlaybackSinks> MakeDeviceSinks();

}  // namespace platform::media
