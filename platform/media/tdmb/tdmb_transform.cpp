#include "platform/media/tdmb/tdmb_transform.h"

#include <gst/gst.h>

#include <cstring>
#include <memory>

#include "platform/kernel/debug_output.h"

namespace platform::media {
namespace {

struct Routes {
    std::vector<DemuxRoute> routes;
};

void OnPadAdded(GstElement*, GstPad* pad, gpointer data)
{
    const auto* routes = static_cast<const Routes*>(data);
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps) caps = gst_pad_query_caps(pad, nullptr);
    const char* kind = caps && gst_caps_get_size(caps) > 0 ? gst_structure_get_name(gst_caps_get_structure(caps, 0)) : "";
    for (const DemuxRoute& route : routes->routes) {
        if (std::strncmp(kind, route.caps_prefix, std::strlen(route.caps_prefix)) != 0) continue;
        GstPad* sink = gst_element_get_static_pad(route.target, "sink");
        if (sink && !gst_pad_is_linked(sink) && gst_pad_link(pad, sink) != GST_PAD_LINK_OK)
            DebugPrintf("Media: a %s stream of the broadcast cannot be linked\n", kind);
        if (sink) gst_object_unref(sink);
        break;
    }
    if (caps) gst_caps_unref(caps);
}

}  // namespace

bool BuildChain(GstBin* bin, const char* description, std::vector<GstPad*>& pads)
{
    GError* error = nullptr;
    GstElement* chain = gst_parse_bin_from_description(description, TRUE, &error);
    if (!chain) {
        DebugPrintf("Media: cannot make \"%s\": %s\n", description, error ? error->message : "");
        g_clear_error(&error);
        return false;
    }
    gst_bin_add(bin, chain);
    GstPad* sink = gst_element_get_static_pad(chain, "sink");
    GstPad* source = gst_element_get_static_pad(chain, "src");
    if (!sink || !source) {
        if (sink) gst_object_unref(sink);
        if (source) gst_object_unref(source);
        return false;
    }
    pads.push_back(sink);
    pads.push_back(source);
    return true;
}

GstElement* MakeLiveDemux()
{
    constexpr int kLatencyMs = 200;
    GstElement* demux = gst_element_factory_make("tsdemux", nullptr);
    if (demux) g_object_set(demux, "latency", kLatencyMs, nullptr);
    return demux;
}

void RouteDemuxPads(GstElement* demux, std::vector<DemuxRoute> routes)
{
    auto* held = new Routes{std::move(routes)};
    g_signal_connect_data(demux, "pad-added", G_CALLBACK(OnPadAdded), held,
                          [](gpointer data, GClosure*) { delete static_cast<Routes*>(data); }, GConnectFlags(0));
}

}  // namespace platform::media
