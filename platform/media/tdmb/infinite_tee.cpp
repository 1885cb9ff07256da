#include "platform/media/tdmb/infinite_tee.h"

#include <gst/gst.h>

namespace platform::media {

InfiniteTee::InfiniteTee()
    : FilterBase(CLSID_InfiniteTee,
                 {{"Input", PINDIR_INPUT, MEDIATYPE_Stream},
                  {"Output1", PINDIR_OUTPUT, MEDIATYPE_Stream},
                  {"Output2", PINDIR_OUTPUT, MEDIATYPE_Stream}})
{
}

bool InfiniteTee::BuildElements(GstBin* bin, std::vector<GstPad*>& pads)
{
    GstElement* tee = gst_element_factory_make("tee", nullptr);
    if (!tee) return false;
    g_object_set(tee, "allow-not-linked", TRUE, nullptr);
    gst_bin_add(bin, tee);
    pads.push_back(gst_element_get_static_pad(tee, "sink"));
    for (size_t output = 1; output < PinCount(); ++output) pads.push_back(gst_element_request_pad_simple(tee, "src_%u"));
    return true;
}

}  // namespace platform::media
