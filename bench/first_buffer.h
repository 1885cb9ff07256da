// A GStreamer pipeline set to PLAYING, timed to the first buffer its sink is handed, prerolled
// or played: what GStreamer alone takes to open, demultiplex and decode the start of a file.
#pragma once

#include <gst/gst.h>

#include <optional>

#include "bench/bench_report.h"

namespace bench {

// Sets the pipeline to PLAYING and waits at most 5 s for `sink` (a fakesink) to be handed a
// buffer; the milliseconds since `started`, or nothing. The pipeline is left to the caller.
inline std::optional<double> PlayingToFirstBuffer(GstElement* pipeline, GstElement* sink, Clock::time_point started) {
    struct Arrival {
        GMutex mutex;
        GCond cond;
        bool arrived = false;
    } arrival;
    g_mutex_init(&arrival.mutex);
    g_cond_init(&arrival.cond);
    g_object_set(sink, "signal-handoffs", TRUE, nullptr);
    const auto handed = +[](GstElement*, GstBuffer*, GstPad*, gpointer data) {
        auto* seen = static_cast<Arrival*>(data);
        g_mutex_lock(&seen->mutex);
        seen->arrived = true;
        g_cond_signal(&seen->cond);
        g_mutex_unlock(&seen->mutex);
    };
    const gulong preroll = g_signal_connect(sink, "preroll-handoff", G_CALLBACK(handed), &arrival);
    const gulong handoff = g_signal_connect(sink, "handoff", G_CALLBACK(handed), &arrival);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    g_mutex_lock(&arrival.mutex);
    const gint64 deadline = g_get_monotonic_time() + 5 * G_TIME_SPAN_SECOND;
    while (!arrival.arrived && g_cond_wait_until(&arrival.cond, &arrival.mutex, deadline)) {
    }
    const bool arrived = arrival.arrived;
    g_mutex_unlock(&arrival.mutex);
    const double taken = Millis(Clock::now() - started);
    // The streaming threads stop before the arrival record goes.
    gst_element_set_state(pipeline, GST_STATE_NULL);
    g_signal_handler_disconnect(sink, preroll);
    g_signal_handler_disconnect(sink, handoff);
    g_cond_clear(&arrival.cond);
    g_mutex_clear(&arrival.mutex);
    if (!arrived) return std::nullopt;
    return taken;
}

}  // namespace bench
