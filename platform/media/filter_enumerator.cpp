#include "platform/media/filter_enumerator.h"

#include "platform/media/filter_graph.h"
#include "platform/media/result_codes.h"

namespace platform::media {

FilterEnumerator::FilterEnumerator(CFilterGraph* graph) : m_graph(graph), m_filters(graph->Filters())
{
    static_cast<IGraphBuilder*>(m_graph)->AddRef();
}

FilterEnumerator::~FilterEnumerator()
{
    ReleaseFilters();
    static_cast<IGraphBuilder*>(m_graph)->Release();
}

void FilterEnumerator::ReleaseFilters()
{
    for (IBaseFilter* filter : m_filters) filter->Release();
    m_filters.clear();
}

HRESULT FilterEnumerator::Next(ULONG count, IBaseFilter** filters, ULONG* fetched)
{
    if (!filters) return E_POINTER;
    // Asking for several at once needs somewhere to say how many came.
    if (count > 1 && !fetched) return E_INVALIDARG;
    ULONG given = 0;
    while (given < count && m_next < m_filters.size()) {
        filters[given] = m_filters[m_next++];
        filters[given]->AddRef();
        ++given;
    }
    if (fetched) *fetched = given;
    return given == count ? S_OK : S_FALSE;
}

HRESULT FilterEnumerator::Skip(ULONG count)
{
    const size_t left = m_filters.size() - m_next;
    if (count > left) {
        m_next = m_filters.size();
        return S_FALSE;
    }
    m_next += count;
    return S_OK;
}

HRESULT FilterEnumerator::Reset()
{
    ReleaseFilters();
    m_filters = m_graph->Filters();
    m_next = 0;
    return S_OK;
}

HRESULT FilterEnumerator::Clone(IEnumFilters** copy)
{
    if (!copy) return E_POINTER;
    auto* made = new (std::nothrow) FilterEnumerator(m_graph);
    if (!made) {
        *copy = nullptr;
        return E_OUTOFMEMORY;
    }
    made->ReleaseFilters();
    made->m_filters = m_filters;
    for (IBaseFilter* filter : made->m_filters) filter->AddRef();
    made->m_next = m_next;
    *copy = made;
    return S_OK;
}

}  // namespace platform::media
