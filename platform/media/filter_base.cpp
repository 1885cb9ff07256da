#include "platform/media/filter_base.h"

#include <gst/gst.h>

#include <cstdio>
#include <utility>

#include "platform/kernel/debug_output.h"
#include "platform/media/gstreamer_init.h"
#include "platform/media/result_codes.h"

namespace platform::media {
namespace {

// Enumerates a filter's pins in their fixed order, holding the filter while it exists.
class PinEnumerator final : public ComObject<IEnumPins> {
public:
    PinEnumerator(FilterCore& filter, size_t next) : m_filter(filter), m_next(next) { m_filter.Self()->AddRef(); }

    HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) override
    {
        if (!pins || (count > 1 && !fetched)) return E_POINTER;
        ULONG given = 0;
        while (given < count && m_next < m_filter.PinCount()) {
            FilterPin& pin = m_filter.PinAt(m_next++);
            pin.AddRef();
            pins[given++] = &pin;
        }
        if (fetched) *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override
    {
        const size_t left = m_filter.PinCount() - m_next;
        if (count > left) {
            m_next = m_filter.PinCount();
            return S_FALSE;
        }
        m_next += count;
        return S_OK;
    }
    HRESULT Reset() override
    {
        m_next = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumPins** copy) override
    {
        if (!copy) return E_POINTER;
        *copy = new (std::nothrow) PinEnumerator(m_filter, m_next);
        return *copy ? S_OK : E_OUTOFMEMORY;
    }

private:
    ~PinEnumerator() override { m_filter.Self()->Release(); }

    FilterCore& m_filter;
    size_t m_next;
};

bool MajorTypesMatch(const GUID& a, const GUID& b)
{
    return a == GUID{} || b == GUID{} || a == b;
}

}  // namespace

FilterPin::FilterPin(FilterCore& filter, PinSpec spec) : m_filter(filter), m_spec(std::move(spec)) {}

FilterPin* FilterPin::From(IPin* pin)
{
    return dynamic_cast<FilterPin*>(pin);
}

HRESULT FilterPin::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    if (iid != IID_IPin && iid != IID_IUnknown) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *object = static_cast<IPin*>(this);
    return S_OK;
}

ULONG FilterPin::AddRef() { return m_filter.Self()->AddRef(); }
ULONG FilterPin::Release() { return m_filter.Self()->Release(); }

HRESULT FilterPin::Connect(IPin* receive, const AM_MEDIA_TYPE* media_type)
{
    if (!receive) return E_POINTER;
    if (m_spec.direction != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    IFilterGraph* graph = m_filter.Graph();
    return graph ? graph->ConnectDirect(this, receive, media_type) : VFW_E_NOT_IN_GRAPH;
}

// Connections are made by the graph, which links both ends at once.
HRESULT FilterPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE*)
{
    return connector ? E_UNEXPECTED : E_POINTER;
}

HRESULT FilterPin::Disconnect()
{
    if (!Peer()) return S_FALSE;
    IFilterGraph* graph = m_filter.Graph();
    return graph ? graph->Disconnect(this) : VFW_E_NOT_IN_GRAPH;
}

HRESULT FilterPin::ConnectedTo(IPin** pin)
{
    if (!pin) return E_POINTER;
    FilterPin* peer = Peer();
    *pin = peer;
    if (!peer) return VFW_E_NOT_CONNECTED;
    peer->AddRef();
    return S_OK;
}

HRESULT FilterPin::ConnectionMediaType(AM_MEDIA_TYPE* media_type)
{
    if (!media_type) return E_POINTER;
    *media_type = {};
    FilterPin* peer = Peer();
    if (!peer) return VFW_E_NOT_CONNECTED;
    media_type->majortype = m_spec.major_type == GUID{} ? peer->MajorType() : m_spec.major_type;
    return S_OK;
}

HRESULT FilterPin::QueryPinInfo(PIN_INFO* info)
{
    if (!info) return E_POINTER;
    info->pFilter = m_filter.Self();
    info->pFilter->AddRef();
    info->dir = m_spec.direction;
    info->achName = m_spec.name;
    return S_OK;
}

HRESULT FilterPin::QueryDirection(PIN_DIRECTION* direction)
{
    if (!direction) return E_POINTER;
    *direction = m_spec.direction;
    return S_OK;
}

HRESULT FilterPin::QueryId(std::string* id)
{
    if (!id) return E_POINTER;
    *id = m_spec.name;
    return S_OK;
}

HRESULT FilterPin::QueryAccept(const AM_MEDIA_TYPE* media_type)
{
    if (!media_type) return E_POINTER;
    return MajorTypesMatch(m_spec.major_type, media_type->majortype) ? S_OK : S_FALSE;
}

// The formats are agreed inside the pipeline, when the graph starts; a pin lists none.
HRESULT FilterPin::EnumMediaTypes(void** media_types)
{
    if (media_types) *media_types = nullptr;
    return E_NOTIMPL;
}

// Every input of a filter feeds every output of it.
HRESULT FilterPin::QueryInternalConnections(IPin** pins, ULONG* count)
{
    if (pins && count) *count = 0;
    return E_NOTIMPL;
}

// Data flows between the filters' elements inside the pipeline, never through these calls.
HRESULT FilterPin::EndOfStream() { return E_UNEXPECTED; }
HRESULT FilterPin::BeginFlush() { return E_UNEXPECTED; }
HRESULT FilterPin::EndFlush() { return E_UNEXPECTED; }
HRESULT FilterPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return E_UNEXPECTED; }

FilterCore::FilterCore(IBaseFilter* self, const CLSID& clsid, std::vector<PinSpec> pins) : m_self(self), m_clsid(clsid)
{
    m_pins.reserve(pins.size());
    for (PinSpec& spec : pins) m_pins.push_back(std::make_unique<FilterPin>(*this, std::move(spec)));
}

FilterCore::~FilterCore()
{
    if (m_clock) m_clock->Release();
    if (m_bin) {
        gst_element_set_state(m_bin, GST_STATE_NULL);
        gst_object_unref(m_bin);
    }
}

FilterCore* FilterCore::From(IBaseFilter* filter)
{
    return dynamic_cast<FilterCore*>(filter);
}

IFilterGraph* FilterCore::Graph() const
{
    std::lock_guard lock(m_mutex);
    return m_graph;
}

GstElement* FilterCore::Bin()
{
    std::lock_guard lock(m_mutex);
    if (m_bin || m_bin_failed) return m_bin;
    m_bin_failed = true;
    if (m_pins.empty() || !InitialiseGStreamer()) return nullptr;

    GstElement* bin = GST_ELEMENT(gst_object_ref_sink(gst_bin_new(nullptr)));
    std::vector<GstPad*> inner;
    const bool built = BuildElements(GST_BIN(bin), inner) && inner.size() == m_pins.size();
    std::vector<GstPad*> pads;
    for (size_t index = 0; built && index < inner.size(); ++index) {
        char name[32];
        std::snprintf(name, sizeof name, "pin%zu", index);
        GstPad* pad = inner[index] ? gst_ghost_pad_new(name, inner[index]) : nullptr;
        if (!pad || !gst_element_add_pad(bin, pad)) break;
        pads.push_back(pad);
    }
    for (GstPad* pad : inner)
        if (pad) gst_object_unref(pad);
    if (!built || pads.size() != m_pins.size()) {
        DebugPrintf("Media: the elements of filter \"%s\" cannot be made\n", m_name.c_str());
        gst_object_unref(bin);
        return nullptr;
    }
    m_bin_failed = false;
    m_bin = bin;
    m_pads = std::move(pads);
    return m_bin;
}

GstPad* FilterCore::PadOf(const FilterPin& pin)
{
    if (!Bin()) return nullptr;
    std::lock_guard lock(m_mutex);
    for (size_t index = 0; index < m_pins.size(); ++index)
        if (m_pins[index].get() == &pin) return m_pads[index];
    return nullptr;
}

bool FilterCore::BuildElements(GstBin*, std::vector<GstPad*>&)
{
    return false;
}

void FilterCore::GraphChanged(bool) {}

HRESULT FilterCore::ClassIdOf(CLSID* clsid) const
{
    if (!clsid) return E_POINTER;
    *clsid = m_clsid;
    return S_OK;
}

HRESULT FilterCore::SetFilterState(FILTER_STATE state)
{
    std::lock_guard lock(m_mutex);
    m_state = state;
    return S_OK;
}

HRESULT FilterCore::FilterState(FILTER_STATE* state)
{
    if (!state) return E_POINTER;
    std::lock_guard lock(m_mutex);
    *state = m_state;
    return S_OK;
}

HRESULT FilterCore::SetClock(IReferenceClock* clock)
{
    if (clock) clock->AddRef();
    IReferenceClock* old = nullptr;
    {
        std::lock_guard lock(m_mutex);
        old = std::exchange(m_clock, clock);
    }
    // Outside the lock: the old clock may be this filter's own.
    if (old) old->Release();
    return S_OK;
}

HRESULT FilterCore::ClockOf(IReferenceClock** clock)
{
    if (!clock) return E_POINTER;
    std::lock_guard lock(m_mutex);
    *clock = m_clock;
    if (m_clock) m_clock->AddRef();
    return S_OK;
}

HRESULT FilterCore::EnumeratePins(IEnumPins** pins)
{
    if (!pins) return E_POINTER;
    *pins = new (std::nothrow) PinEnumerator(*this, 0);
    return *pins ? S_OK : E_OUTOFMEMORY;
}

HRESULT FilterCore::FindPinNamed(const std::string& id, IPin** pin)
{
    if (!pin) return E_POINTER;
    *pin = nullptr;
    for (const auto& candidate : m_pins) {
        if (candidate->Name() != id) continue;
        candidate->AddRef();
        *pin = candidate.get();
        return S_OK;
    }
    return VFW_E_NOT_FOUND;
}

HRESULT FilterCore::FilterInfo(FILTER_INFO* info)
{
    if (!info) return E_POINTER;
    std::lock_guard lock(m_mutex);
    info->achName = m_name;
    info->pGraph = m_graph;
    if (m_graph) m_graph->AddRef();
    return S_OK;
}

HRESULT FilterCore::Join(IFilterGraph* graph, const std::string& name)
{
    {
        std::lock_guard lock(m_mutex);
        m_graph = graph;
        m_name = graph ? name : std::string();
    }
    GraphChanged(graph != nullptr);
    return S_OK;
}

}  // namespace platform::media
