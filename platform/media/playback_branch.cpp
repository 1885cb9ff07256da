#include "platform/media/playback_branch.h"

#include <vector>

#include "platform/kernel/debug_output.h"
#include "platform/media/playback_sinks.h"

namespace platform::media {
namespace {

// The converters between the decoder and each branch's sink. The audio then passes the
// sinks' effect, if any, so that an equaliser works on the stream's own rate and layout, and
// the volume last, so that the listener's volume scales what the equaliser gives.
const std::vector<const char*>& ConvertersOf(BranchKind kind)
{
    static const std::vector<const char*> audio = {"audioconvert", "audioresample"};
    static const std::vector<const char*> video = {"videoconvert"};
    return kind == BranchKind::Audio ? audio : video;
}

// The audio's elements after its converters: the sinks' effect when they give one, then the
// volume.
void AddAudioStages(std::vector<GstElement*>& elements, PlaybackSinks& sinks)
{
    if (GstElement* effect = sinks.MakeAudioEffect()) elements.push_back(effect);
    elements.push_back(gst_element_factory_make("volume", nullptr));
}

void Discard(GstBin* bin, const std::vector<GstElement*>& added)
{
    for (GstElement* element : added) {
        gst_element_set_state(element, GST_STATE_NULL);
        gst_bin_remove(bin, element);
    }
}

}  // namespace

std::optional<BranchKind> BranchKindOf(GstPad* decoded)
{
    GstCaps* caps = gst_pad_get_current_caps(decoded);
    if (!caps) caps = gst_pad_query_caps(decoded, nullptr);
    std::optional<BranchKind> kind;
    if (caps && gst_caps_get_size(caps) > 0) {
        const char* media = gst_structure_get_name(gst_caps_get_structure(caps, 0));
        if (g_str_has_prefix(media, "audio/")) kind = BranchKind::Audio;
        else if (g_str_has_prefix(media, "video/")) kind = BranchKind::Video;
    }
    if (caps) gst_caps_unref(caps);
    return kind;
}

std::optional<PlaybackBranch> BuildPlaybackBranch(GstBin* bin, GstPad* decoded, BranchKind kind, PlaybackSinks& sinks)
{
    const char* what = kind == BranchKind::Audio ? "audio" : "video";
    std::vector<GstElement*> elements;
    for (const char* factory : ConvertersOf(kind)) elements.push_back(gst_element_factory_make(factory, nullptr));
    if (kind == BranchKind::Audio) AddAudioStages(elements, sinks);
    elements.push_back(kind == BranchKind::Audio ? sinks.MakeAudioSink() : sinks.MakeVideoSink());
    bool complete = true;
    for (GstElement* element : elements) complete = complete && element;
    if (!complete) {
        DebugPrintf("Media: the %s branch cannot be made; its stream is not played\n", what);
        for (GstElement* element : elements) {
            if (element) gst_object_unref(gst_object_ref_sink(element));
        }
        return std::nullopt;
    }

    for (GstElement* element : elements) gst_bin_add(bin, element);
    bool linked = true;
    for (size_t i = 1; i < elements.size(); ++i) linked = linked && gst_element_link(elements[i - 1], elements[i]);
    // Started sink first and before the decoder is linked, so that no data reaches an element
    // that is not running yet.
    if (linked) {
        for (auto it = elements.rbegin(); it != elements.rend(); ++it) gst_element_sync_state_with_parent(*it);
    }
    GstPad* input = gst_element_get_static_pad(elements.front(), "sink");
    linked = linked && input && gst_pad_link(decoded, input) == GST_PAD_LINK_OK;
    if (input) gst_object_unref(input);
    if (!linked) {
        // A sink left behind unlinked would wait for data forever and keep the whole
        // pipeline from getting ready.
        DebugPrintf("Media: the %s branch cannot be linked; its stream is not played\n", what);
        Discard(bin, elements);
        return std::nullopt;
    }
    PlaybackBranch branch;
    if (kind == BranchKind::Audio) branch.volume = elements[elements.size() - 2];
    return branch;
}

}  // namespace platform::media
