// The chip vendor's tee, "TCC Infinite Filter" (CLSID_InfiniteTee): what comes in on "Input"
// goes out unchanged on "Output1" and "Output2" alike (a radio service's stream to the audio
// decoder and to the PAD parser). An output left unconnected holds nothing up.
#pragma once

#include "platform/media/filter_base.h"

namespace platform::media {

// The tee has no configuration; its interface list is IBaseFilter's alone.
class InfiniteTee final : public FilterBase<> {
public:
    InfiniteTee();

protected:
    bool BuildElements(GstBin* bin, std::vector<GstPad*>& pads) override;

private:
    ~InfiniteTee() override = default;
};

}  // namespace platform::media
