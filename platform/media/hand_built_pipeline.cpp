#include "platform/media/hand_built_pipeline.h"

#include <gst/gst.h>

#include "platform/kernel/debug_output.h"
#include "platform/media/gstreamer_init.h"
#include "platform/media/result_codes.h"

namespace platform::media {
namespace {

const char* ConverterDescription(PinConverter converter)
{
    switch (converter) {
    case PinConverter::Audio: return "audioconvert ! audioresample";
    case PinConverter::Video: return "videoconvert";
    case PinConverter::None: break;
    }
    return nullptr;
}

// Every message is dropped as it is posted, so none piles up on a bus nobody reads; errors
// and warnings become debug lines.
GstBusSyncReply OnMessage(GstBus*, GstMessage* message, gpointer)
{
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    if (type == GST_MESSAGE_ERROR || type == GST_MESSAGE_WARNING) {
        GError* error = nullptr;
        gchar* details = nullptr;
        if (type == GST_MESSAGE_ERROR) gst_message_parse_error(message, &error, &details);
        else gst_message_parse_warning(message, &error, &details);
        DebugPrintf("Media: %s from %s: %s\n", type == GST_MESSAGE_ERROR ? "error" : "warning",
                    GST_OBJECT_NAME(GST_MESSAGE_SRC(message)), error ? error->message : "");
        g_clear_error(&error);
        g_free(details);
    }
    gst_message_unref(message);
    return GST_BUS_DROP;
}

HRESULT LinkFailure(GstPadLinkReturn result)
{
    return result == GST_PAD_LINK_NOFORMAT ? VFW_E_NO_ACCEPTABLE_TYPES : VFW_E_CANNOT_CONNECT;
}

GstElement* ParentOf(GstElement* element)
{
    return GST_ELEMENT_CAST(GST_OBJECT_PARENT(element));
}

}  // namespace

HandBuiltPipeline::HandBuiltPipeline()
{
    if (!InitialiseGStreamer()) return;
    m_pipeline = GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new("graph")));
    GstBus* bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_sync_handler(bus, OnMessage, nullptr, nullptr);
    gst_object_unref(bus);
}

HandBuiltPipeline::~HandBuiltPipeline()
{
    if (!m_pipeline) return;
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(m_pipeline);
}

HRESULT HandBuiltPipeline::Link(GstElement* out_bin, GstPad* out, GstElement* in_bin, GstPad* in, PinConverter converter)
{
    std::lock_guard lock(m_mutex);
    if (!m_pipeline) return E_FAIL;
    // A bin joins in the pipeline's state, and leaves again when the link fails.
    auto join = [&](GstElement* bin) {
        if (ParentOf(bin) == m_pipeline) return false;
        if (!gst_bin_add(GST_BIN(m_pipeline), bin)) return false;
        return true;
    };
    const bool out_joined = join(out_bin);
    const bool in_joined = join(in_bin);
    if (ParentOf(out_bin) != m_pipeline || ParentOf(in_bin) != m_pipeline) {
        if (out_joined) gst_bin_remove(GST_BIN(m_pipeline), out_bin);
        if (in_joined) gst_bin_remove(GST_BIN(m_pipeline), in_bin);
        return VFW_E_CANNOT_CONNECT;
    }
    auto undo = [&](HRESULT failure) {
        if (out_joined) gst_bin_remove(GST_BIN(m_pipeline), out_bin);
        if (in_joined) gst_bin_remove(GST_BIN(m_pipeline), in_bin);
        return failure;
    };

    const char* description = ConverterDescription(converter);
    if (!description) {
        const GstPadLinkReturn linked = gst_pad_link(out, in);
        return linked == GST_PAD_LINK_OK ? S_OK : undo(LinkFailure(linked));
    }
    GError* error = nullptr;
    GstElement* bin = gst_parse_bin_from_description(description, TRUE, &error);
    if (!bin) {
        DebugPrintf("Media: no converter \"%s\": %s\n", description, error ? error->message : "");
        g_clear_error(&error);
        return undo(VFW_E_CANNOT_CONNECT);
    }
    gst_bin_add(GST_BIN(m_pipeline), bin);
    GstPad* converter_in = gst_element_get_static_pad(bin, "sink");
    GstPad* converter_out = gst_element_get_static_pad(bin, "src");
    GstPadLinkReturn linked = gst_pad_link(out, converter_in);
    if (linked == GST_PAD_LINK_OK) {
        linked = gst_pad_link(converter_out, in);
        if (linked != GST_PAD_LINK_OK) gst_pad_unlink(out, converter_in);
    }
    gst_object_unref(converter_in);
    gst_object_unref(converter_out);
    if (linked != GST_PAD_LINK_OK) {
        gst_bin_remove(GST_BIN(m_pipeline), bin);
        return undo(LinkFailure(linked));
    }
    m_converters[out] = bin;
    return S_OK;
}

void HandBuiltPipeline::Unlink(GstPad* out)
{
    std::lock_guard lock(m_mutex);
    if (!m_pipeline) return;
    GstPad* peer = gst_pad_get_peer(out);
    if (!peer) return;
    gst_pad_unlink(out, peer);
    gst_object_unref(peer);
    const auto converter = m_converters.find(out);
    if (converter == m_converters.end()) return;
    GstElement* bin = converter->second;
    m_converters.erase(converter);
    GstPad* converter_out = gst_element_get_static_pad(bin, "src");
    if (GstPad* next = gst_pad_get_peer(converter_out)) {
        gst_pad_unlink(converter_out, next);
        gst_object_unref(next);
    }
    gst_object_unref(converter_out);
    gst_element_set_state(bin, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(m_pipeline), bin);
}

void HandBuiltPipeline::Remove(GstElement* bin)
{
    std::lock_guard lock(m_mutex);
    if (!m_pipeline || ParentOf(bin) != m_pipeline) return;
    gst_element_set_state(bin, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(m_pipeline), bin);
}

bool HandBuiltPipeline::Stopped() const
{
    std::lock_guard lock(m_mutex);
    return m_state == PlaybackState::Stopped;
}

HRESULT HandBuiltPipeline::SetState(PlaybackState state)
{
    std::lock_guard lock(m_mutex);
    if (!m_pipeline) return E_FAIL;
    const GstState target = state == PlaybackState::Running  ? GST_STATE_PLAYING
                            : state == PlaybackState::Paused ? GST_STATE_PAUSED
                                                             : GST_STATE_READY;
    m_state = state;
    if (gst_element_set_state(m_pipeline, target) == GST_STATE_CHANGE_FAILURE) {
        DebugPrintf("Media: the graph refused to go to %s\n", gst_element_state_get_name(target));
        if (state != PlaybackState::Stopped) {
            gst_element_set_state(m_pipeline, GST_STATE_READY);
            m_state = PlaybackState::Stopped;
        }
        return E_FAIL;
    }
    return S_OK;
}

HRESULT HandBuiltPipeline::GetState(std::chrono::milliseconds timeout, PlaybackState* state)
{
    std::lock_guard lock(m_mutex);
    *state = m_state;
    if (!m_pipeline) return S_OK;
    switch (gst_element_get_state(m_pipeline, nullptr, nullptr, static_cast<GstClockTime>(timeout.count()) * GST_MSECOND)) {
    case GST_STATE_CHANGE_FAILURE: return E_FAIL;
    case GST_STATE_CHANGE_ASYNC: return VFW_S_STATE_INTERMEDIATE;
    default: return S_OK;
    }
}

HRESULT HandBuiltPipeline::Position(double* seconds)
{
    std::lock_guard lock(m_mutex);
    *seconds = 0.0;
    if (!m_pipeline) return VFW_E_WRONG_STATE;
    gint64 position = 0;
    if (!gst_element_query_position(m_pipeline, GST_FORMAT_TIME, &position) || position < 0) return S_OK;
    *seconds = static_cast<double>(position) / static_cast<double>(GST_SECOND);
    return S_OK;
}

void HandBuiltPipeline::UseClock(GstClock* clock)
{
    std::lock_guard lock(m_mutex);
    if (!m_pipeline) return;
    if (clock) gst_pipeline_use_clock(GST_PIPELINE(m_pipeline), clock);
    else gst_pipeline_auto_clock(GST_PIPELINE(m_pipeline));
}

}  // namespace platform::media
