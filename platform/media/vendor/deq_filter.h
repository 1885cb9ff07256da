// The chip vendor's equaliser, "TCC DEQ Filter" (CLSID_DEQFilter): up to twelve bands of
// shelves and peaks on a graph's audio, set by a parameter record through its settings
// interface (deq_bands.h says how each field is read). A record applies at once, also while
// the graph plays; one with the enable flag 0, the state it starts in, leaves every sample
// exactly as it was.
//
// A graph that holds this filter when it renders a file asks it for the audio branch's
// equaliser element (WithEqualiser); in a graph connected by hand the audio goes in at
// "XForm In" and out at "XForm Out". Either element follows this filter's record for as long
// as the filter lives.
#pragma once

#include <memory>
#include <vector>

#include "platform/media/filter_base.h"
#include "platform/media/vendor/vendor_interfaces.h"

namespace platform::media {

class PlaybackSinks;

class DeqFilter final : public FilterBase<IDEQSettings> {
public:
    DeqFilter();

    // The same sinks with this filter's equaliser as the audio effect.
    std::unique_ptr<PlaybackSinks> WithEqualiser(std::unique_ptr<PlaybackSinks> sinks);

    // IDEQSettings
    HRESULT Reserved4() override;
    HRESULT SetParameters(vendor::DeqRecord record) override;

    // The equaliser the filter's elements share with the streaming threads; it outlives
    // the filter while a pipeline still holds one of them.
    class Equaliser;

protected:
    bool BuildElements(GstBin* bin, std::vector<GstPad*>& pads) override;

private:
    ~DeqFilter() override;

    const std::shared_ptr<Equaliser> m_equaliser;
};

}  // namespace platform::media
