#include "platform/media/gstreamer_init.h"

#include <gst/gst.h>

#include "platform/kernel/debug_output.h"

namespace platform::media {

bool InitialiseGStreamer()
{
    static const bool initialised = [] {
        GError* error = nullptr;
        if (!gst_init_check(nullptr, nullptr, &error)) {
            DebugPrintf("Media: GStreamer cannot start: %s\n", error ? error->message : "unknown error");
            g_clear_error(&error);
            return false;
        }
        // Streaming threads come from GLib's shared thread pool, which would otherwise keep
        // finished threads waiting for more work; a graph's threads must end with the graph.
        g_thread_pool_set_max_unused_threads(0);
        return true;
    }();
    return initialised;
}

}  // namespace platform::media
