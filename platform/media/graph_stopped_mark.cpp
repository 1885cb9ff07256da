#include "platform/media/graph_stopped_mark.h"

#include <gst/gst.h>

namespace platform::media {
namespace {

constexpr const char* kStoppedKey = "graph-stopped";

}  // namespace

void MarkGraphStopped(GstElement* pipeline, bool stopped)
{
    g_object_set_data(G_OBJECT(pipeline), kStoppedKey, GINT_TO_POINTER(stopped ? 1 : 0));
}

bool GraphMarkedStopped(GstElement* element)
{
    GstObject* top = GST_OBJECT(gst_object_ref(element));
    while (GstObject* parent = gst_object_get_parent(top)) {
        gst_object_unref(top);
        top = parent;
    }
    const bool stopped = g_object_get_data(G_OBJECT(top), kStoppedKey) != nullptr &&
                         GPOINTER_TO_INT(g_object_get_data(G_OBJECT(top), kStoppedKey)) != 0;
    gst_object_unref(top);
    return stopped;
}

}  // namespace platform::media
