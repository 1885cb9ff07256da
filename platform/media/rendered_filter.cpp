#include "platform/media/rendered_filter.h"

#include "platform/media/result_codes.h"

namespace platform::media {

HRESULT RenderedFilter::GetClassID(CLSID* clsid)
{
    if (!clsid) return E_POINTER;
    *clsid = m_clsid;
    return S_OK;
}

HRESULT RenderedFilter::Stop()
{
    m_state = State_Stopped;
    return S_OK;
}

HRESULT RenderedFilter::Pause()
{
    m_state = State_Paused;
    return S_OK;
}

HRESULT RenderedFilter::Run(REFERENCE_TIME /*start*/)
{
    m_state = State_Running;
    return S_OK;
}

HRESULT RenderedFilter::GetState(DWORD /*timeout_ms*/, FILTER_STATE* state)
{
    if (!state) return E_POINTER;
    *state = m_state;
    return S_OK;
}

HRESULT RenderedFilter::SetSyncSource(IReferenceClock* /*clock*/)
{
    return S_OK;
}

HRESULT RenderedFilter::GetSyncSource(IReferenceClock** clock)
{
    if (!clock) return E_POINTER;
    *clock = nullptr;
    return S_OK;
}

HRESULT RenderedFilter::EnumPins(IEnumPins** pins)
{
    if (pins) *pins = nullptr;
    return E_NOTIMPL;
}

HRESULT RenderedFilter::FindPin(const std::string& /*id*/, IPin** pin)
{
    if (pin) *pin = nullptr;
    return E_NOTIMPL;
}

HRESULT RenderedFilter::QueryFilterInfo(FILTER_INFO* info)
{
    if (!info) return E_POINTER;
    info->achName = m_name;
    info->pGraph = m_graph;
    if (m_graph) m_graph->AddRef();
    return S_OK;
}

HRESULT RenderedFilter::JoinFilterGraph(IFilterGraph* graph, const std::string& name)
{
    m_graph = graph;
    m_name = graph ? name : std::string();
    return S_OK;
}

HRESULT RenderedFilter::QueryVendorInfo(std::string* vendor_info)
{
    if (vendor_info) vendor_info->clear();
    return E_NOTIMPL;
}

}  // namespace platform::media
