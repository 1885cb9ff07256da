// The pipeline of a graph whose filters are connected pin to pin by their callers (a camera
// into the video renderer, a tuner through its decoders to the renderers). A filter's bin
// joins the pipeline with its first connection and leaves it when the filter leaves the
// graph; filters never connected stay out, so an unused one holds nothing up.
//
// Stopped is GStreamer's ready state: the connections and the devices stay, and the next
// run starts afresh. Connections change only while stopped. Errors are debug lines; no bus
// message is kept.
#pragma once

#include <chrono>
#include <map>
#include <mutex>

#include "platform/media/playback_pipeline.h"
#include "platform/win32_types.h"

typedef struct _GstElement GstElement;
typedef struct _GstPad GstPad;
typedef struct _GstClock GstClock;

namespace platform::media {

// What a connection puts between two pins so that their formats meet.
enum class PinConverter { None, Audio, Video };

class HandBuiltPipeline {
public:
    HandBuiltPipeline();
    // Takes the pipeline down to NULL, which joins its streaming threads; the filters' bins
    // leave it and stay their filters'.
    ~HandBuiltPipeline();
    HandBuiltPipeline(const HandBuiltPipeline&) = delete;
    HandBuiltPipeline& operator=(const HandBuiltPipeline&) = delete;

    // Links `out` (a pad of `out_bin`) to `in` (a pad of `in_bin`), through the converter asked
    // for; a bin not yet in the pipeline joins it. VFW_E_NO_ACCEPTABLE_TYPES when the formats
    // cannot meet, VFW_E_CANNOT_CONNECT for any other refusal; nothing changes on failure.
    HRESULT Link(GstElement* out_bin, GstPad* out, GstElement* in_bin, GstPad* in, PinConverter converter);
    // Breaks the link that leaves `out`, with the converter between.
    void Unlink(GstPad* out);
    // Takes a filter's bin out of the pipeline, if it is in.
    void Remove(GstElement* bin);

    bool Stopped() const;
    HRESULT SetState(PlaybackState state);
    // The state last asked for; VFW_S_STATE_INTERMEDIATE when the pipeline has not reached it
    // within `timeout`, E_FAIL when it cannot.
    HRESULT GetState(std::chrono::milliseconds timeout, PlaybackState* state);
    // The running time since the last start, in seconds.
    HRESULT Position(double* seconds);
    // The clock the pipeline runs by from its next start; null lets it choose.
    void UseClock(GstClock* clock);

private:
    GstElement* m_pipeline = nullptr;              // owned
    std::map<GstPad*, GstElement*> m_converters;  // by the output pad they follow; the pipeline's
    mutable std::mutex m_mutex;
    PlaybackState m_state = PlaybackState::Stopped;
};

}  // namespace platform::media
