// A filter that stands in the graph's list for a part of the pipeline RenderFile built (the
// source, the audio renderer, the video renderer), so that enumeration, lookup by name and
// the players' tear-down see what plays. The pipeline itself belongs to the graph; removing
// one of these filters only takes it off the list. It has no pins: nothing connects to it.
#pragma once

#include "platform/media/filter_base.h"

namespace platform::media {

class RenderedFilter final : public FilterBase<> {
public:
    explicit RenderedFilter(const CLSID& clsid) : FilterBase(clsid) {}

private:
    ~RenderedFilter() override = default;
};

}  // namespace platform::media
