// What the video renderer shows and where: the frames of a playback pipeline's video branch,
// drawn into the display's overlay plane at the renderer's rectangle. The renderer filter and
// the GStreamer sinks it makes share one feed, so a sink that outlives the filter (the graph
// keeps its pipeline until it goes) only ever draws while the filter is in a graph.
//
// Frames come on a GStreamer streaming thread and placements on the player's thread; both go
// to the server through their own thread's connection, under the feed's lock.
#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "platform/window/video_overlay.h"

typedef struct _GstElement GstElement;
typedef struct _GstSample GstSample;

namespace platform::media {

class OverlayFeed : public std::enable_shared_from_this<OverlayFeed> {
public:
    OverlayFeed() = default;
    ~OverlayFeed();
    OverlayFeed(const OverlayFeed&) = delete;
    OverlayFeed& operator=(const OverlayFeed&) = delete;

    // A new, floating sink element (one always sink pad) that keeps the pipeline clock's pace
    // and hands every frame, prerolled ones included, to this feed. Null when GStreamer lacks
    // the element.
    GstElement* MakeSink();

    // The rectangle the picture shows in, keeping its aspect ratio; none hides it. A shown
    // picture is moved at once, or drawn from the last frame when nothing was showing.
    void Place(const std::optional<RECT>& destination);
    // Whether frames reach the screen at all: the renderer is in a graph. Leaving closes the
    // overlay; the last frame is kept for a return.
    void SetAttached(bool attached);

    // What the sink calls with each frame.
    void Show(GstSample* sample);

private:
    bool Shown() const { return m_attached && m_destination.has_value(); }
    void Draw(GstSample* sample);
    void ForgetLastFrame();

    std::mutex m_mutex;
    VideoOverlay m_overlay;
    GstSample* m_last = nullptr;  // counted; the frame a new placement draws
    std::optional<RECT> m_destination;
    RECT m_shown_at{};  // where the overlay last drew: the destination fitted to the picture's shape
    bool m_attached = false;
    bool m_refusal_logged = false;  // one debug line per placement when the overlay will not open
};

}  // namespace platform::media
