// The filter graph the players create under CLSID_FilterGraph: an ordered list of named
// filters, and their playback (a GStreamer pipeline) driven through IMediaControl,
// IMediaPosition and IBasicAudio. A graph plays either a file it rendered or the filters its
// caller connected pin to pin (hand_built_pipeline.h), never both. Filters enumerate in the
// order they were added. Safe to call from any thread. A graph that rendered a file reports
// what it plays to the device server (graph_reporter.h) until it is released.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/media/com_object.h"
#include "platform/media/filter_interfaces.h"
#include "platform/media/graph_control_interfaces.h"
#include "platform/media/pin_interfaces.h"

namespace platform::media {

class FilterPin;
class GraphReporter;
struct GraphSnapshot;
class HandBuiltPipeline;
class PlaybackPipeline;
class PlaybackSinks;
class VideoRenderer;

using PlaybackSinksFactory = std::function<std::unique_ptr<PlaybackSinks>()>;

class CFilterGraph final
    : public ComObject<IGraphBuilder, IMediaControl, IMediaPosition, IBasicAudio, IVideoWindow, IMediaFilter> {
public:
    // The graph's sinks come from `sinks` at each RenderFile; the device's own when none is
    // given: the device's audio output, and the graph's video renderer, "TCC Video Renderer",
    // showing the video on the overlay plane. Whatever the sinks, the audio passes through the
    // equaliser, "TCC DEQ Filter", when a caller added one before RenderFile.
    explicit CFilterGraph(PlaybackSinksFactory sinks = {});

    // The filters in order, each with a reference the caller releases.
    std::vector<IBaseFilter*> Filters();

    // IFilterGraph
    HRESULT AddFilter(IBaseFilter* filter, const std::string& name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override;
    HRESULT EnumFilters(IEnumFilters** filters) override;
    HRESULT FindFilterByName(const std::string& name, IBaseFilter** filter) override;
    HRESULT ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* media_type) override;
    HRESULT Reconnect(IPin* pin) override;
    HRESULT Disconnect(IPin* pin) override;
    HRESULT SetDefaultSyncSource() override;

    // IGraphBuilder
    HRESULT Connect(IPin* out, IPin* in) override;
    HRESULT Render(IPin* out) override;
    HRESULT RenderFile(const std::string& file, const char* play_list = nullptr) override;
    HRESULT AddSourceFilter(const std::string& file, const std::string& filter_name, IBaseFilter** filter) override;
    HRESULT SetLogFile(DWORD_PTR file) override;
    HRESULT Abort() override;
    HRESULT ShouldOperationContinue() override;

    // IDispatch, shared by the control interfaces
    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID locale, void** type_info) override;
    HRESULT GetIDsOfNames(REFIID iid, void* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, void* parameters, void* result, void* exception,
                   UINT* argument_error) override;

    // IMediaControl (Stop and Pause also serve IMediaFilter)
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT GetState(LONG timeout_ms, OAFilterState* state) override;
    HRESULT RenderFile(const std::string& file) override;
    HRESULT AddSourceFilter(const std::string& file, IDispatch** filter) override;
    HRESULT get_FilterCollection(IDispatch** collection) override;
    HRESULT get_RegFilterCollection(IDispatch** collection) override;
    HRESULT StopWhenReady() override;

    // IMediaPosition
    HRESULT get_Duration(REFTIME* length) override;
    HRESULT put_CurrentPosition(REFTIME time) override;
    HRESULT get_CurrentPosition(REFTIME* time) override;
    HRESULT get_StopTime(REFTIME* time) override;
    HRESULT put_StopTime(REFTIME time) override;
    HRESULT get_PrerollTime(REFTIME* time) override;
    HRESULT put_PrerollTime(REFTIME time) override;
    HRESULT put_Rate(double rate) override;
    HRESULT get_Rate(double* rate) override;
    HRESULT CanSeekForward(LONG* can_seek) override;
    HRESULT CanSeekBackward(LONG* can_seek) override;

    // IBasicAudio
    HRESULT put_Volume(LONG volume) override;
    HRESULT get_Volume(LONG* volume) override;
    HRESULT put_Balance(LONG balance) override;
    HRESULT get_Balance(LONG* balance) override;

    // IVideoWindow: the picture of the first video renderer in the graph.
    HRESULT put_Visible(LONG visible) override;
    HRESULT get_Visible(LONG* visible) override;
    HRESULT put_Owner(OAHWND owner) override;
    HRESULT get_Owner(OAHWND* owner) override;
    HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override;
    HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) override;

    // IMediaFilter
    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(DWORD timeout_ms, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(IReferenceClock** clock) override;

private:
    struct Entry {
        IBaseFilter* filter;  // counted
        std::string name;
    };

    ~CFilterGraph() override;

    std::string UniqueName(const std::string& wanted) const;
    HRESULT AddRenderedFilter(const CLSID& clsid, const std::string& name);
    // The first filter of the class a caller added (a video renderer, an equaliser), counted;
    // null when there is none.
    template <class Filter>
    Filter* FirstAdded();
    HRESULT SetState(FILTER_STATE state);
    // Connects two pins of filters in this graph, with `convert` through a converter for raw
    // audio or video.
    HRESULT ConnectPins(IPin* out, IPin* in, const AM_MEDIA_TYPE* media_type, bool convert);
    // Breaks a pin's connection; the caller holds the playback lock.
    HRESULT DisconnectLocked(FilterPin& pin);
    bool InGraph(IBaseFilter* filter);
    // The name `filter` was added with; empty when it is not in the graph.
    std::string NameInGraph(IBaseFilter* filter);
    // What the graph's reports show, read on the reporter's thread.
    GraphSnapshot ReadForReport();
    // Tells the reporter, if there is one, that what it shows has changed.
    void ReportChange();

    const bool m_video_to_renderer;  // declared first: the factory is moved from below
    const PlaybackSinksFactory m_sinks;

    std::mutex m_filters_mutex;
    std::vector<Entry> m_filters;

    // Playback calls are serialised: a state change, a seek and a volume change never overlap.
    std::mutex m_playback_mutex;
    std::unique_ptr<PlaybackPipeline> m_pipeline;
    std::unique_ptr<HandBuiltPipeline> m_hand_built;  // from the first connection
    std::unique_ptr<GraphReporter> m_reporter;          // with the rendered file's pipeline
    IReferenceClock* m_sync_source = nullptr;          // counted
    FILTER_STATE m_state = State_Stopped;  // the state of a graph with nothing rendered
    std::atomic<LONG> m_volume{kBasicAudioFull};
    std::atomic<OAHWND> m_video_owner{0};
};

}  // namespace platform::media
