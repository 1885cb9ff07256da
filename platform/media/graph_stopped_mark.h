// A stopped graph and a paused one are the same pipeline state, PAUSED: a stopped graph is
// paused at its start (playback_pipeline.h). The pipeline marks which of the two it is, so that
// its audio output can report the graph's state as the program set it.
#pragma once

typedef struct _GstElement GstElement;

namespace platform::media {

void MarkGraphStopped(GstElement* pipeline, bool stopped);
// Whether the top-level pipeline the element is in is marked stopped; false outside one.
bool GraphMarkedStopped(GstElement* element);

}  // namespace platform::media
