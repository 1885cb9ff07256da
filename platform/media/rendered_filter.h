// A filter that stands in the graph's list for a part of the pipeline RenderFile built (the
// source, the audio renderer, the video renderer), so that enumeration, lookup by name and
// the players' tear-down see what plays. The pipeline itself belongs to the graph; removing
// one of these filters only takes it off the list.
#pragma once

#include <string>

#include "platform/media/com_object.h"
#include "platform/media/filter_interfaces.h"

namespace platform::media {

class RenderedFilter final : public ComObject<IBaseFilter> {
public:
    explicit RenderedFilter(const CLSID& clsid) : m_clsid(clsid) {}

    HRESULT GetClassID(CLSID* clsid) override;

    // The graph drives the pipeline; a filter only keeps the state it was last given.
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(DWORD timeout_ms, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(IReferenceClock** clock) override;

    // Pins come with the filters that are connected by hand.
    HRESULT EnumPins(IEnumPins** pins) override;
    HRESULT FindPin(const std::string& id, IPin** pin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, const std::string& name) override;
    HRESULT QueryVendorInfo(std::string* vendor_info) override;

private:
    ~RenderedFilter() override = default;

    const CLSID m_clsid;
    FILTER_STATE m_state = State_Stopped;
    IFilterGraph* m_graph = nullptr;  // not counted: the graph holds this filter
    std::string m_name;
};

}  // namespace platform::media
