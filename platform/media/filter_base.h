// What every filter of the platform shares: its class id, the state it was last given, the
// graph and name it joined under, the clock it was handed, and its pins. A filter whose pins
// are connected by hand also brings a GStreamer bin: its elements, with one pad per pin,
// which the graph puts into its pipeline when a pin is connected.
//
//   class ToneSource final : public FilterBase<> {
//   public:
//       ToneSource() : FilterBase(kToneClass, {{"Out", PINDIR_OUTPUT, MEDIATYPE_Audio}}) {}
//   protected:
//       bool BuildElements(GstBin* bin, std::vector<GstPad*>& pads) override;  // one pad a pin
//   };
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/media/com_object.h"
#include "platform/media/filter_interfaces.h"
#include "platform/media/pin_interfaces.h"

typedef struct _GstElement GstElement;
typedef struct _GstBin GstBin;
typedef struct _GstPad GstPad;

namespace platform::media {

class FilterCore;

struct PinSpec {
    std::string name;
    PIN_DIRECTION direction;
    GUID major_type;  // zero: any kind of data
};

// One pin of a filter. Its references are the filter's: a held pin keeps its filter alive.
class FilterPin final : public IPin {
public:
    FilterPin(FilterCore& filter, PinSpec spec);
    FilterPin(const FilterPin&) = delete;
    FilterPin& operator=(const FilterPin&) = delete;

    // The platform's pin behind an interface pointer; null for any other pin.
    static FilterPin* From(IPin* pin);

    FilterCore& Filter() const { return m_filter; }
    const std::string& Name() const { return m_spec.name; }
    PIN_DIRECTION Direction() const { return m_spec.direction; }
    const GUID& MajorType() const { return m_spec.major_type; }
    // The pin at the other end of its connection, set by the graph that made it.
    FilterPin* Peer() const { return m_peer.load(); }
    void SetPeer(FilterPin* peer) { m_peer.store(peer); }

    // IUnknown
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // IPin
    HRESULT Connect(IPin* receive, const AM_MEDIA_TYPE* media_type) override;
    HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* media_type) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(IPin** pin) override;
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE* media_type) override;
    HRESULT QueryPinInfo(PIN_INFO* info) override;
    HRESULT QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT QueryId(std::string* id) override;
    HRESULT QueryAccept(const AM_MEDIA_TYPE* media_type) override;
    HRESULT EnumMediaTypes(void** media_types) override;
    HRESULT QueryInternalConnections(IPin** pins, ULONG* count) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

private:
    FilterCore& m_filter;
    const PinSpec m_spec;
    std::atomic<FilterPin*> m_peer{nullptr};
};

// The part of a filter that does not depend on its interface list.
class FilterCore {
public:
    FilterCore(const FilterCore&) = delete;
    FilterCore& operator=(const FilterCore&) = delete;

    // The platform's filter behind an interface pointer; null for any other filter.
    static FilterCore* From(IBaseFilter* filter);

    IBaseFilter* Self() const { return m_self; }
    size_t PinCount() const { return m_pins.size(); }
    FilterPin& PinAt(size_t index) const { return *m_pins[index]; }
    // The graph the filter is in, not counted; null when it is in none.
    IFilterGraph* Graph() const;

    // The filter's bin, built at the first call with a pad for each pin; null when the
    // filter has no elements or they cannot be made (a debug line says which).
    GstElement* Bin();
    // The bin's pad for `pin`; null without a bin.
    GstPad* PadOf(const FilterPin& pin);

protected:
    FilterCore(IBaseFilter* self, const CLSID& clsid, std::vector<PinSpec> pins);
    virtual ~FilterCore();

    // Puts the filter's elements into `bin` and gives, for each pin in order, the pad of an
    // element inside it (with a reference) that the pin stands for. False when an element
    // cannot be made. A filter without elements keeps the default.
    virtual bool BuildElements(GstBin* bin, std::vector<GstPad*>& pads);
    // Called once the filter has joined a graph (true) or left it (false).
    virtual void GraphChanged(bool in_graph);

    // The bodies of IBaseFilter's methods.
    HRESULT ClassIdOf(CLSID* clsid) const;
    HRESULT SetFilterState(FILTER_STATE state);
    HRESULT FilterState(FILTER_STATE* state);
    HRESULT SetClock(IReferenceClock* clock);
    HRESULT ClockOf(IReferenceClock** clock);
    HRESULT EnumeratePins(IEnumPins** pins);
    HRESULT FindPinNamed(const std::string& id, IPin** pin);
    HRESULT FilterInfo(FILTER_INFO* info);
    HRESULT Join(IFilterGraph* graph, const std::string& name);

private:
    IBaseFilter* const m_self;
    const CLSID m_clsid;
    std::vector<std::unique_ptr<FilterPin>> m_pins;

    mutable std::mutex m_mutex;
    FILTER_STATE m_state = State_Stopped;
    IFilterGraph* m_graph = nullptr;     // not counted: the graph holds this filter
    IReferenceClock* m_clock = nullptr;  // counted
    std::string m_name;
    GstElement* m_bin = nullptr;  // counted
    std::vector<GstPad*> m_pads;  // the bin's, one a pin
    bool m_bin_failed = false;
};

template <class... Extra>
class FilterBase : public ComObject<IBaseFilter, Extra...>, public FilterCore {
public:
    HRESULT GetClassID(CLSID* clsid) override { return ClassIdOf(clsid); }
    // The graph runs the pipeline; a filter keeps the state it was given.
    HRESULT Stop() override { return SetFilterState(State_Stopped); }
    HRESULT Pause() override { return SetFilterState(State_Paused); }
    HRESULT Run(REFERENCE_TIME /*start*/) override { return SetFilterState(State_Running); }
    HRESULT GetState(DWORD /*timeout_ms*/, FILTER_STATE* state) override { return FilterState(state); }
    HRESULT SetSyncSource(IReferenceClock* clock) override { return SetClock(clock); }
    HRESULT GetSyncSource(IReferenceClock** clock) override { return ClockOf(clock); }

    HRESULT EnumPins(IEnumPins** pins) override { return EnumeratePins(pins); }
    HRESULT FindPin(const std::string& id, IPin** pin) override { return FindPinNamed(id, pin); }
    HRESULT QueryFilterInfo(FILTER_INFO* info) override { return FilterInfo(info); }
    HRESULT JoinFilterGraph(IFilterGraph* graph, const std::string& name) override { return Join(graph, name); }
    HRESULT QueryVendorInfo(std::string* vendor_info) override
    {
        if (vendor_info) vendor_info->clear();
        return E_NOTIMPL;
    }

protected:
    explicit FilterBase(const CLSID& clsid, std::vector<PinSpec> pins = {})
        : FilterCore(static_cast<IBaseFilter*>(this), clsid, std::move(pins))
    {
    }
    ~FilterBase() override = default;
};

}  // namespace platform::media
