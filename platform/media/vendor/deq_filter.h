// The chip vendor's equaliser, "TCC DEQ Filter" (CLSID_DEQFilter): up to twelve bands of
// shelves and peaks on a graph's audio, set by a parameter record through its settings
// interface (deq_bands.h says how each field is read). A record applies at once, also while
// the graph plays; one with the enable flag 0, the state it starts in, leaves every sample
// exactly as it was.
//
// The pipeline is the graph's; a graph that holds this filter when it renders a file asks it
// for the audio branch's equaliser element (WithEqualiser), which follows this filter's
// record for as long as the filter lives.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/media/com_object.h"
#include "platform/media/filter_interfaces.h"
#include "platform/media/vendor/vendor_interfaces.h"

namespace platform::media {

class PlaybackSinks;

class DeqFilter final : public ComObject<IBaseFilter, IDEQSettings> {
public:
    DeqFilter();

    // The same sinks with this filter's equaliser as the audio effect.
    std::unique_ptr<PlaybackSinks> WithEqualiser(std::unique_ptr<PlaybackSinks> sinks);

    // IMediaFilter: the graph drives the pipeline; the filter keeps the state it was given.
    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(DWORD timeout_ms, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(IReferenceClock** clock) override;

    // IBaseFilter. Pins come with the graphs that are connected by hand.
    HRESULT EnumPins(IEnumPins** pins) override;
    HRESULT FindPin(const std::string& id, IPin** pin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, const std::string& name) override;
    HRESULT QueryVendorInfo(std::string* vendor_info) override;

    // IDEQSettings
    HRESULT Reserved4() override;
    HRESULT SetParameters(vendor::DeqRecord record) override;

    // The equaliser the filter's elements share with the streaming threads; it outlives
    // the filter while a pipeline still holds one of them.
    class Equaliser;

private:
    ~DeqFilter() override;

    const std::shared_ptr<Equaliser> m_equaliser;

    mutable std::mutex m_mutex;
    FILTER_STATE m_state = State_Stopped;
    IFilterGraph* m_graph = nullptr;  // not counted: the graph holds this filter
    std::string m_name;
};

}  // namespace platform::media
