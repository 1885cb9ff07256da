// One branch of a playback pipeline: from a decoded stream's pad through conversion (and, for
// audio, the sinks' effect and the volume) to the sink the graph's sinks give.
#pragma once

#include <gst/gst.h>

#include <optional>

namespace platform::media {

class PlaybackSinks;

enum class BranchKind { Audio, Video };

struct PlaybackBranch {
    GstElement* volume = nullptr;  // audio only; owned by the pipeline
};

// The branch a decoded pad feeds, from its caps; none for other media (subtitles, ...).
std::optional<BranchKind> BranchKindOf(GstPad* decoded);

// Adds the branch to `bin`, links `decoded` to it and starts it with the bin. On failure
// nothing is left in the bin and a debug line says why. Called on a streaming thread, never
// under a lock the bus handler takes: starting elements posts messages.
std::optional<PlaybackBranch> BuildPlaybackBranch(GstBin* bin, GstPad* decoded, BranchKind kind, PlaybackSinks& sinks);

}  // namespace platform::media
