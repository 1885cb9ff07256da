// Enumerates a graph's filters in the order they were added. The enumerator reads the list
// when it is made and at each Reset, and keeps the graph alive while it exists.
#pragma once

#include <vector>

#include "platform/media/com_object.h"
#include "platform/media/filter_interfaces.h"

namespace platform::media {

class CFilterGraph;

class FilterEnumerator final : public ComObject<IEnumFilters> {
public:
    explicit FilterEnumerator(CFilterGraph* graph);

    HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumFilters** copy) override;

private:
    ~FilterEnumerator() override;
    void ReleaseFilters();

    CFilterGraph* m_graph;               // counted
    std::vector<IBaseFilter*> m_filters;  // counted
    size_t m_next = 0;
};

}  // namespace platform::media
