// The filter graph's filter-side interfaces: a filter (IBaseFilter over IMediaFilter over
// IPersist), the graph that holds filters by name (IFilterGraph, IGraphBuilder) and the
// enumeration of its filters. Methods keep the device's order, since vendor callers reach
// some of them by position. Names and paths are UTF-8 strings.
#pragma once

#include <string>

#include "platform/media/unknown.h"
#include "platform/win32_types.h"

struct IPin;
struct IEnumPins;
struct IReferenceClock;
struct IFilterGraph;
struct AM_MEDIA_TYPE;

// A time in units of 100 ns.
using REFERENCE_TIME = LONGLONG;

enum FILTER_STATE : LONG { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

// What QueryFilterInfo reports. pGraph holds a reference the caller releases, or is null
// when the filter is in no graph.
struct FILTER_INFO {
    std::string achName;
    IFilterGraph* pGraph = nullptr;
};

struct IPersist : IUnknown {
    virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

struct IMediaFilter : IPersist {
    virtual HRESULT Stop() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Run(REFERENCE_TIME start) = 0;
    // VFW_S_STATE_INTERMEDIATE when the state is still changing after `timeout_ms`.
    virtual HRESULT GetState(DWORD timeout_ms, FILTER_STATE* state) = 0;
    virtual HRESULT SetSyncSource(IReferenceClock* clock) = 0;
    virtual HRESULT GetSyncSource(IReferenceClock** clock) = 0;
};

struct IBaseFilter : IMediaFilter {
    virtual HRESULT EnumPins(IEnumPins** pins) = 0;
    virtual HRESULT FindPin(const std::string& id, IPin** pin) = 0;
    virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
    // Called by the graph when the filter is added (graph and name) and removed (null, "").
    // The filter must not hold a reference on the graph, which holds one on the filter.
    virtual HRESULT JoinFilterGraph(IFilterGraph* graph, const std::string& name) = 0;
    virtual HRESULT QueryVendorInfo(std::string* vendor_info) = 0;
};

struct IEnumFilters : IUnknown {
    // S_OK when `count` filters were returned (each with a reference), S_FALSE when fewer.
    virtual HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumFilters** copy) = 0;
};

struct IFilterGraph : IUnknown {
    // An empty or taken name gets a numbered one; a taken name is reported with
    // VFW_S_DUPLICATE_NAME.
    virtual HRESULT AddFilter(IBaseFilter* filter, const std::string& name) = 0;
    virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
    virtual HRESULT EnumFilters(IEnumFilters** filters) = 0;
    virtual HRESULT FindFilterByName(const std::string& name, IBaseFilter** filter) = 0;
    virtual HRESULT ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* media_type) = 0;
    virtual HRESULT Reconnect(IPin* pin) = 0;
    virtual HRESULT Disconnect(IPin* pin) = 0;
    virtual HRESULT SetDefaultSyncSource() = 0;
};

struct IGraphBuilder : IFilterGraph {
    virtual HRESULT Connect(IPin* out, IPin* in) = 0;
    virtual HRESULT Render(IPin* out) = 0;
    // Builds the playback of a file given by device path. The play list is not used.
    virtual HRESULT RenderFile(const std::string& file, const char* play_list = nullptr) = 0;
    virtual HRESULT AddSourceFilter(const std::string& file, const std::string& filter_name, IBaseFilter** filter) = 0;
    virtual HRESULT SetLogFile(DWORD_PTR file) = 0;
    virtual HRESULT Abort() = 0;
    virtual HRESULT ShouldOperationContinue() = 0;
};

template <>
struct platform::InterfaceTraits<IPersist> {
    static constexpr const IID& kId = IID_IPersist;
    using Base = IUnknown;
};
template <>
struct platform::InterfaceTraits<IMediaFilter> {
    static constexpr const IID& kId = IID_IMediaFilter;
    using Base = IPersist;
};
template <>
struct platform::InterfaceTraits<IBaseFilter> {
    static constexpr const IID& kId = IID_IBaseFilter;
    using Base = IMediaFilter;
};
template <>
struct platform::InterfaceTraits<IEnumFilters> {
    static constexpr const IID& kId = IID_IEnumFilters;
    using Base = IUnknown;
};
template <>
struct platform::InterfaceTraits<IFilterGraph> {
    static constexpr const IID& kId = IID_IFilterGraph;
    using Base = IUnknown;
};
template <>
struct platform::InterfaceTraits<IGraphBuilder> {
    static constexpr const IID& kId = IID_IGraphBuilder;
    using Base = IFilterGraph;
};
