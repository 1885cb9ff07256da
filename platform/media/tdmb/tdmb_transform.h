// What the T-DMB parser and decoders share: a configuration interface whose values are kept
// per property (tdmb_properties.h gives each filter's), and elements made from a GStreamer
// description whose first element takes the input and last gives the output.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "platform/media/filter_base.h"
#include "platform/media/tdmb/setting_values.h"
#include "platform/media/tdmb/tdmb_interfaces.h"

namespace platform::media {

// Makes the elements of `description` ("aacparse ! avdec_aac") in `bin` and gives the first
// element's sink pad and the last one's source pad. False when an element cannot be made.
bool BuildChain(GstBin* bin, const char* description, std::vector<GstPad*>& pads);

// A transport stream demultiplexer for the tuner's live stream. The tuner hands the stream on
// at its broadcast pace a few packets at a time, so the demultiplexer holds back 200 ms rather
// than the 700 ms it keeps for bursty live sources, which would freeze the first picture of
// every channel change (and delay a radio service's sound) for as long. Null when it cannot be
// made.
GstElement* MakeLiveDemux();

// Links each new pad of a demultiplexer whose caps start with one of the prefixes to the
// matching target's sink pad, the first such pad only; pads of other kinds stay unlinked.
struct DemuxRoute {
    const char* caps_prefix;
    GstElement* target;
};
void RouteDemuxPads(GstElement* demux, std::vector<DemuxRoute> routes);

// Interface: the parser's or decoder's configuration interface.
template <class Interface>
class TdmbTransform : public FilterBase<Interface> {
public:
    HRESULT Get(DWORD property, void* value) override { return m_settings.Get(property, value); }
    HRESULT Set(DWORD property, void* value) override { return m_settings.Set(property, value); }

    const tdmb::SettingValues& Settings() const { return m_settings; }

protected:
    TdmbTransform(const CLSID& clsid, std::vector<PinSpec> pins, std::span<const tdmb::SettingProperty> properties)
        : FilterBase<Interface>(clsid, std::move(pins)), m_settings(properties)
    {
    }
    ~TdmbTransform() override = default;

private:
    tdmb::SettingValues m_settings;
};

}  // namespace platform::media
