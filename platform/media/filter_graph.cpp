#include "platform/media/filter_graph.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <utility>

#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/media/audio_renderer.h"
#include "platform/media/filter_base.h"
#include "platform/media/filter_enumerator.h"
#include "platform/media/graph_reporter.h"
#include "platform/media/hand_built_pipeline.h"
#include "platform/media/playback_pipeline.h"
#include "platform/media/playback_sinks.h"
#include "platform/media/rendered_filter.h"
#include "platform/media/result_codes.h"
#include "platform/media/vendor/deq_filter.h"
#include "platform/media/vendor/video_renderer.h"

namespace platform::media {
namespace {

// How long RenderFile waits for the file's first frames.
constexpr std::chrono::milliseconds kRenderTimeout{2000};
// The longest a state query waits, also when asked to wait without limit.
constexpr std::chrono::milliseconds kLongestStateWait{10000};
constexpr CLSID kNoClass{};
constexpr const char* kVideoRendererName = "TCC Video Renderer";

std::chrono::milliseconds StateWait(LONG timeout_ms)
{
    if (timeout_ms < 0) return kLongestStateWait;
    return std::min(std::chrono::milliseconds(timeout_ms), kLongestStateWait);
}

PlaybackState ToPlaybackState(FILTER_STATE state)
{
    switch (state) {
    case State_Running: return PlaybackState::Running;
    case State_Paused: return PlaybackState::Paused;
    default: return PlaybackState::Stopped;
    }
}

FILTER_STATE ToFilterState(PlaybackState state)
{
    switch (state) {
    case PlaybackState::Running: return State_Running;
    case PlaybackState::Paused: return State_Paused;
    default: return State_Stopped;
    }
}

// The converter a connection between pins of these kinds needs for raw data.
PinConverter ConverterFor(const FilterPin& out, const FilterPin& in)
{
    for (const GUID* major : {&out.MajorType(), &in.MajorType()}) {
        if (*major == MEDIATYPE_Audio) return PinConverter::Audio;
        if (*major == MEDIATYPE_Video) return PinConverter::Video;
    }
    return PinConverter::None;
}

bool MajorTypesMeet(const GUID& a, const GUID& b)
{
    return a == GUID{} || b == GUID{} || a == b;
}

// Gives a filter the graph's volume, when it is one that plays sound.
void PassVolume(IBaseFilter* filter, LONG volume)
{
    IBasicAudio* audio = nullptr;
    if (SUCCEEDED(filter->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio)))) {
        audio->put_Volume(volume);
        audio->Release();
    }
}

}  // namespace

CFilterGraph::CFilterGraph(PlaybackSinksFactory sinks)
    : m_video_to_renderer(!sinks), m_sinks(sinks ? std::move(sinks) : PlaybackSinksFactory(MakeDeviceSinks))
{
}

CFilterGraph::~CFilterGraph()
{
    // The reporter goes first, with its closed report, while the pipeline it reads is there.
    // The pipelines go next so that nothing plays while their filters leave; the filters'
    // bins leave with the hand-built one, and their connections end with it.
    m_reporter.reset();
    m_pipeline.reset();
    m_hand_built.reset();
    for (Entry& entry : m_filters) {
        if (FilterCore* core = FilterCore::From(entry.filter)) {
            for (size_t index = 0; index < core->PinCount(); ++index) core->PinAt(index).SetPeer(nullptr);
        }
        entry.filter->SetSyncSource(nullptr);
        entry.filter->JoinFilterGraph(nullptr, {});
        entry.filter->Release();
    }
    if (m_sync_source) m_sync_source->Release();
}

std::vector<IBaseFilter*> CFilterGraph::Filters()
{
    std::lock_guard lock(m_filters_mutex);
    std::vector<IBaseFilter*> filters;
    filters.reserve(m_filters.size());
    for (Entry& entry : m_filters) {
        entry.filter->AddRef();
        filters.push_back(entry.filter);
    }
    return filters;
}

std::string CFilterGraph::UniqueName(const std::string& wanted) const
{
    auto taken = [&](const std::string& name) {
        return std::any_of(m_filters.begin(), m_filters.end(), [&](const Entry& entry) { return entry.name == name; });
    };
    if (!wanted.empty() && !taken(wanted)) return wanted;
    for (unsigned number = 1;; ++number) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%04u", number);
        std::string name = wanted.empty() ? suffix : wanted + " " + suffix;
        if (!taken(name)) return name;
    }
}

HRESULT CFilterGraph::AddFilter(IBaseFilter* filter, const std::string& name)
{
    if (!filter) return E_POINTER;
    std::string given;
    {
        std::lock_guard lock(m_filters_mutex);
        if (std::any_of(m_filters.begin(), m_filters.end(), [&](const Entry& entry) { return entry.filter == filter; }))
            return E_INVALIDARG;
        given = UniqueName(name);
        filter->AddRef();
        m_filters.push_back({filter, given});
    }
    // Outside the lock: a filter may look at the graph while it joins.
    HRESULT joined = filter->JoinFilterGraph(this, given);
    if (FAILED(joined)) {
        std::lock_guard lock(m_filters_mutex);
        auto added = std::find_if(m_filters.begin(), m_filters.end(), [&](const Entry& entry) { return entry.filter == filter; });
        if (added != m_filters.end()) {
            m_filters.erase(added);
            filter->Release();
        }
        return joined;
    }
    // Not under the playback lock, which RenderFile holds while it lists what it built.
    PassVolume(filter, m_volume.load());
    return !name.empty() && given != name ? VFW_S_DUPLICATE_NAME : S_OK;
}

HRESULT CFilterGraph::RemoveFilter(IBaseFilter* filter)
{
    if (!filter) return E_POINTER;
    if (!InGraph(filter)) return VFW_E_NOT_FOUND;
    // A filter leaves with its connections broken and its elements out of the pipeline.
    if (FilterCore* core = FilterCore::From(filter)) {
        std::lock_guard lock(m_playback_mutex);
        for (size_t index = 0; index < core->PinCount(); ++index) {
            FilterPin& pin = core->PinAt(index);
            if (!pin.Peer()) continue;
            const HRESULT disconnected = DisconnectLocked(pin);
            if (FAILED(disconnected)) return disconnected;
        }
        if (m_hand_built && core->Bin()) m_hand_built->Remove(core->Bin());
    }
    IBaseFilter* removed = nullptr;
    {
        std::lock_guard lock(m_filters_mutex);
        auto found = std::find_if(m_filters.begin(), m_filters.end(), [&](const Entry& entry) { return entry.filter == filter; });
        if (found == m_filters.end()) return VFW_E_NOT_FOUND;
        removed = found->filter;
        m_filters.erase(found);
    }
    // A filter that was the graph's clock stops being it; none keeps a clock of this graph.
    IReferenceClock* clock = nullptr;
    if (SUCCEEDED(removed->QueryInterface(IID_IReferenceClock, reinterpret_cast<void**>(&clock)))) {
        IReferenceClock* dropped = nullptr;
        {
            std::lock_guard lock(m_playback_mutex);
            if (m_sync_source == clock) dropped = std::exchange(m_sync_source, nullptr);
            if (dropped && m_hand_built) m_hand_built->UseClock(nullptr);
        }
        if (dropped) dropped->Release();
        clock->Release();
    }
    removed->SetSyncSource(nullptr);
    removed->JoinFilterGraph(nullptr, {});
    removed->Release();
    return S_OK;
}

HRESULT CFilterGraph::EnumFilters(IEnumFilters** filters)
{
    if (!filters) return E_POINTER;
    *filters = new (std::nothrow) FilterEnumerator(this);
    return *filters ? S_OK : E_OUTOFMEMORY;
}

HRESULT CFilterGraph::FindFilterByName(const std::string& name, IBaseFilter** filter)
{
    if (!filter) return E_POINTER;
    *filter = nullptr;
    std::lock_guard lock(m_filters_mutex);
    auto found = std::find_if(m_filters.begin(), m_filters.end(), [&](const Entry& entry) { return entry.name == name; });
    if (found == m_filters.end()) return VFW_E_NOT_FOUND;
    *filter = found->filter;
    (*filter)->AddRef();
    return S_OK;
}

std::string CFilterGraph::NameInGraph(IBaseFilter* filter)
{
    std::lock_guard lock(m_filters_mutex);
    for (const Entry& entry : m_filters)
        if (entry.filter == filter) return entry.name;
    return {};
}

bool CFilterGraph::InGraph(IBaseFilter* filter)
{
    std::lock_guard lock(m_filters_mutex);
    return std::any_of(m_filters.begin(), m_filters.end(), [&](const Entry& entry) { return entry.filter == filter; });
}

HRESULT CFilterGraph::ConnectPins(IPin* out, IPin* in, const AM_MEDIA_TYPE* media_type, bool convert)
{
    if (!out || !in) return E_POINTER;
    FilterPin* from = FilterPin::From(out);
    FilterPin* to = FilterPin::From(in);
    if (!from || !to || !InGraph(from->Filter().Self()) || !InGraph(to->Filter().Self())) return VFW_E_NOT_IN_GRAPH;
    if (from->Direction() != PINDIR_OUTPUT || to->Direction() != PINDIR_INPUT) return VFW_E_INVALID_DIRECTION;
    if (&from->Filter() == &to->Filter()) return VFW_E_CANNOT_CONNECT;
    const std::string source = NameInGraph(from->Filter().Self());
    const GUID wanted = media_type ? media_type->majortype : GUID{};
    if (!MajorTypesMeet(from->MajorType(), to->MajorType()) || !MajorTypesMeet(from->MajorType(), wanted) ||
        !MajorTypesMeet(to->MajorType(), wanted))
        return VFW_E_NO_ACCEPTABLE_TYPES;

    std::lock_guard lock(m_playback_mutex);
    if (m_pipeline) return VFW_E_WRONG_STATE;
    if (from->Peer() || to->Peer()) return VFW_E_ALREADY_CONNECTED;
    if (m_hand_built && !m_hand_built->Stopped()) return VFW_E_NOT_STOPPED;
    GstElement* from_bin = from->Filter().Bin();
    GstElement* to_bin = to->Filter().Bin();
    if (!from_bin || !to_bin) return VFW_E_CANNOT_CONNECT;
    if (!m_hand_built) {
        m_hand_built = std::make_unique<HandBuiltPipeline>();
        if (auto* clock = dynamic_cast<AudioRenderer*>(m_sync_source)) m_hand_built->UseClock(clock->Clock());
    }
    const HRESULT linked = m_hand_built->Link(from_bin, from->Filter().PadOf(*from), to_bin, to->Filter().PadOf(*to),
                                              convert ? ConverterFor(*from, *to) : PinConverter::None);
    if (FAILED(linked)) {
        DebugPrintf("Media: %s cannot connect to %s: %s\n", from->Name().c_str(), to->Name().c_str(), ResultName(linked).c_str());
        return linked;
    }
    from->SetPeer(to);
    to->SetPeer(from);
    // A graph connected by hand is listed under the filter its first connection leaves.
    if (!m_reporter) m_reporter = std::make_unique<GraphReporter>(source, [this] { return ReadForReport(); });
    return S_OK;
}

HRESULT CFilterGraph::DisconnectLocked(FilterPin& pin)
{
    FilterPin* peer = pin.Peer();
    if (!peer) return S_FALSE;
    if (m_hand_built && !m_hand_built->Stopped()) return VFW_E_NOT_STOPPED;
    FilterPin& out = pin.Direction() == PINDIR_OUTPUT ? pin : *peer;
    if (m_hand_built) m_hand_built->Unlink(out.Filter().PadOf(out));
    pin.SetPeer(nullptr);
    peer->SetPeer(nullptr);
    return S_OK;
}

HRESULT CFilterGraph::ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* media_type)
{
    return ConnectPins(out, in, media_type, false);
}

HRESULT CFilterGraph::Connect(IPin* out, IPin* in)
{
    return ConnectPins(out, in, nullptr, true);
}

// Breaks the connection at both of its ends; a second call for the other end finds none.
HRESULT CFilterGraph::Disconnect(IPin* pin)
{
    if (!pin) return E_POINTER;
    FilterPin* own = FilterPin::From(pin);
    if (!own || !InGraph(own->Filter().Self())) return VFW_E_NOT_IN_GRAPH;
    std::lock_guard lock(m_playback_mutex);
    return DisconnectLocked(*own);
}

HRESULT CFilterGraph::Reconnect(IPin* pin)
{
    if (!pin) return E_POINTER;
    FilterPin* own = FilterPin::From(pin);
    if (!own || !InGraph(own->Filter().Self())) return VFW_E_NOT_IN_GRAPH;
    FilterPin* peer = own->Peer();
    if (!peer) return VFW_E_NOT_CONNECTED;
    FilterPin* out = own->Direction() == PINDIR_OUTPUT ? own : peer;
    FilterPin* in = out == own ? peer : own;
    const HRESULT disconnected = Disconnect(pin);
    return FAILED(disconnected) ? disconnected : Connect(out, in);
}

HRESULT CFilterGraph::SetDefaultSyncSource() { return SetSyncSource(nullptr); }

// A pin is rendered only as part of a file; pins are otherwise connected one by one.
HRESULT CFilterGraph::Render(IPin* out) { return out ? E_NOTIMPL : E_POINTER; }

HRESULT CFilterGraph::AddRenderedFilter(const CLSID& clsid, const std::string& name)
{
    auto* filter = new (std::nothrow) RenderedFilter(clsid);
    if (!filter) return E_OUTOFMEMORY;
    HRESULT added = AddFilter(filter, name);
    filter->Release();
    return added;
}

template <class Filter>
Filter* CFilterGraph::FirstAdded()
{
    std::lock_guard lock(m_filters_mutex);
    for (Entry& entry : m_filters) {
        if (auto* filter = dynamic_cast<Filter*>(entry.filter)) {
            filter->AddRef();
            return filter;
        }
    }
    return nullptr;
}

HRESULT CFilterGraph::RenderFile(const std::string& file, const char* /*play_list*/)
{
    std::lock_guard lock(m_playback_mutex);
    if (m_pipeline || m_hand_built) return VFW_E_WRONG_STATE;
    // The video goes to the renderer a player added, else to one of the graph's own, which
    // is listed only when the file has video.
    VideoRenderer* added = FirstAdded<VideoRenderer>();
    std::unique_ptr<VideoRenderer, void (*)(VideoRenderer*)> renderer(
        added ? added : new (std::nothrow) VideoRenderer(), [](VideoRenderer* held) { held->Release(); });
    if (!renderer) return E_OUTOFMEMORY;
    std::unique_ptr<PlaybackSinks> sinks = m_sinks();
    if (m_video_to_renderer) sinks = renderer->WithVideoSink(std::move(sinks));
    // The audio goes through the equaliser a player added, whatever its sinks.
    if (DeqFilter* equaliser = FirstAdded<DeqFilter>()) {
        sinks = equaliser->WithEqualiser(std::move(sinks));
        equaliser->Release();
    }
    auto pipeline = std::make_unique<PlaybackPipeline>(std::move(sinks));
    HRESULT opened = pipeline->Open(HostPathOf(file), kRenderTimeout);
    if (FAILED(opened)) {
        DebugPrintf("Media: RenderFile %s: %s\n", file.c_str(), ResultName(opened).c_str());
        return opened;
    }
    pipeline->SetVolume(LinearGainOf(m_volume));
    m_pipeline = std::move(pipeline);
    m_state = State_Stopped;
    // Its first report waits for the playback lock, so it shows the graph as rendered.
    m_reporter = std::make_unique<GraphReporter>(file, [this] { return ReadForReport(); });
    AddRenderedFilter(kNoClass, "Source");
    if (m_pipeline->HasAudio()) AddRenderedFilter(CLSID_AudioRender, "Audio Renderer");
    if (m_pipeline->HasVideo() && !added) AddFilter(renderer.get(), kVideoRendererName);
    return S_OK;
}

HRESULT CFilterGraph::AddSourceFilter(const std::string&, const std::string&, IBaseFilter** filter)
{
    if (filter) *filter = nullptr;
    return E_NOTIMPL;
}

HRESULT CFilterGraph::SetLogFile(DWORD_PTR) { return S_OK; }
HRESULT CFilterGraph::Abort() { return S_OK; }
HRESULT CFilterGraph::ShouldOperationContinue() { return S_OK; }

HRESULT CFilterGraph::GetTypeInfoCount(UINT* count)
{
    if (count) *count = 0;
    return E_NOTIMPL;
}
HRESULT CFilterGraph::GetTypeInfo(UINT, LCID, void** type_info)
{
    if (type_info) *type_info = nullptr;
    return E_NOTIMPL;
}
HRESULT CFilterGraph::GetIDsOfNames(REFIID, void*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT CFilterGraph::Invoke(DISPID, REFIID, LCID, WORD, void*, void*, void*, UINT*) { return E_NOTIMPL; }

HRESULT CFilterGraph::SetState(FILTER_STATE state)
{
    for (IBaseFilter* filter : Filters()) {
        if (state == State_Running) filter->Run(0);
        else if (state == State_Paused) filter->Pause();
        else filter->Stop();
        filter->Release();
    }
    std::lock_guard lock(m_playback_mutex);
    m_state = state;
    if (m_pipeline) {
        const HRESULT result = m_pipeline->SetState(ToPlaybackState(state));
        ReportChange();
        return result;
    }
    if (m_hand_built) {
        const HRESULT result = m_hand_built->SetState(ToPlaybackState(state));
        ReportChange();
        return result;
    }
    return S_OK;
}

void CFilterGraph::ReportChange()
{
    if (m_reporter) m_reporter->Changed();
}

GraphSnapshot CFilterGraph::ReadForReport()
{
    GraphSnapshot snapshot;
    std::lock_guard lock(m_playback_mutex);
    snapshot.volume = m_volume;
    if (!m_pipeline && !m_hand_built) return snapshot;
    // The state the pipeline took on: a state it refused is not reported.
    PlaybackState state = PlaybackState::Stopped;
    if (m_pipeline) m_pipeline->GetState(std::chrono::milliseconds(0), &state);
    else m_hand_built->GetState(std::chrono::milliseconds(0), &state);
    snapshot.state = state == PlaybackState::Running  ? protocol::AudioGraphState::Running
                     : state == PlaybackState::Paused ? protocol::AudioGraphState::Paused
                                                      : protocol::AudioGraphState::Stopped;
    double seconds = 0.0;
    if (m_hand_built) {
        // A stream connected by hand has a running time and no length.
        if (SUCCEEDED(m_hand_built->Position(&seconds))) snapshot.position_ms = std::llround(seconds * 1000.0);
        return snapshot;
    }
    if (SUCCEEDED(m_pipeline->Position(&seconds))) snapshot.position_ms = std::llround(seconds * 1000.0);
    if (SUCCEEDED(m_pipeline->Duration(&seconds))) snapshot.duration_ms = std::llround(seconds * 1000.0);
    return snapshot;
}

HRESULT CFilterGraph::Run() { return SetState(State_Running); }
HRESULT CFilterGraph::Pause() { return SetState(State_Paused); }
HRESULT CFilterGraph::Stop() { return SetState(State_Stopped); }

HRESULT CFilterGraph::GetState(LONG timeout_ms, OAFilterState* state)
{
    if (!state) return E_POINTER;
    std::lock_guard lock(m_playback_mutex);
    if (!m_pipeline && !m_hand_built) {
        *state = m_state;
        return S_OK;
    }
    PlaybackState playback = PlaybackState::Stopped;
    HRESULT result = m_pipeline ? m_pipeline->GetState(StateWait(timeout_ms), &playback)
                                : m_hand_built->GetState(StateWait(timeout_ms), &playback);
    *state = ToFilterState(playback);
    return result;
}

HRESULT CFilterGraph::RenderFile(const std::string& file) { return RenderFile(file, nullptr); }

HRESULT CFilterGraph::AddSourceFilter(const std::string&, IDispatch** filter)
{
    if (filter) *filter = nullptr;
    return E_NOTIMPL;
}
HRESULT CFilterGraph::get_FilterCollection(IDispatch** collection)
{
    if (collection) *collection = nullptr;
    return E_NOTIMPL;
}
HRESULT CFilterGraph::get_RegFilterCollection(IDispatch** collection)
{
    if (collection) *collection = nullptr;
    return E_NOTIMPL;
}
HRESULT CFilterGraph::StopWhenReady() { return E_NOTIMPL; }

HRESULT CFilterGraph::get_Duration(REFTIME* length)
{
    if (!length) return E_POINTER;
    *length = 0.0;
    std::lock_guard lock(m_playback_mutex);
    return m_pipeline ? m_pipeline->Duration(length) : VFW_E_WRONG_STATE;
}

HRESULT CFilterGraph::put_CurrentPosition(REFTIME time)
{
    std::lock_guard lock(m_playback_mutex);
    if (!m_pipeline) return VFW_E_WRONG_STATE;
    const HRESULT result = m_pipeline->Seek(time);
    ReportChange();
    return result;
}

HRESULT CFilterGraph::get_CurrentPosition(REFTIME* time)
{
    if (!time) return E_POINTER;
    *time = 0.0;
    std::lock_guard lock(m_playback_mutex);
    if (m_pipeline) return m_pipeline->Position(time);
    return m_hand_built ? m_hand_built->Position(time) : VFW_E_WRONG_STATE;
}

HRESULT CFilterGraph::get_StopTime(REFTIME* time) { return get_Duration(time); }
HRESULT CFilterGraph::put_StopTime(REFTIME) { return E_NOTIMPL; }

HRESULT CFilterGraph::get_PrerollTime(REFTIME* time)
{
    if (!time) return E_POINTER;
    *time = 0.0;
    return S_OK;
}
HRESULT CFilterGraph::put_PrerollTime(REFTIME) { return E_NOTIMPL; }

// Playback runs at its own speed only.
HRESULT CFilterGraph::put_Rate(double rate) { return rate == 1.0 ? S_OK : E_NOTIMPL; }
HRESULT CFilterGraph::get_Rate(double* rate)
{
    if (!rate) return E_POINTER;
    *rate = 1.0;
    return S_OK;
}

HRESULT CFilterGraph::CanSeekForward(LONG* can_seek)
{
    if (!can_seek) return E_POINTER;
    std::lock_guard lock(m_playback_mutex);
    *can_seek = m_pipeline ? OATRUE : OAFALSE;
    return S_OK;
}
HRESULT CFilterGraph::CanSeekBackward(LONG* can_seek) { return CanSeekForward(can_seek); }

HRESULT CFilterGraph::put_Volume(LONG volume)
{
    if (volume < kBasicAudioSilence || volume > kBasicAudioFull) return E_INVALIDARG;
    {
        std::lock_guard lock(m_playback_mutex);
        m_volume = volume;
        if (m_pipeline) m_pipeline->SetVolume(LinearGainOf(volume));
        ReportChange();
    }
    // The renderers connected by hand play at the graph's volume.
    for (IBaseFilter* filter : Filters()) {
        PassVolume(filter, volume);
        filter->Release();
    }
    return S_OK;
}

HRESULT CFilterGraph::get_Volume(LONG* volume)
{
    if (!volume) return E_POINTER;
    std::lock_guard lock(m_playback_mutex);
    *volume = m_volume;
    return S_OK;
}

// The audio output is not panned yet; the centre is the only balance.
HRESULT CFilterGraph::put_Balance(LONG balance)
{
    if (balance < -10000 || balance > 10000) return E_INVALIDARG;
    return balance == 0 ? S_OK : E_NOTIMPL;
}
HRESULT CFilterGraph::get_Balance(LONG* balance)
{
    if (!balance) return E_POINTER;
    *balance = 0;
    return S_OK;
}

HRESULT CFilterGraph::put_Visible(LONG visible)
{
    VideoRenderer* renderer = FirstAdded<VideoRenderer>();
    if (!renderer) return E_NOINTERFACE;
    vendor::RendererDisplay display = renderer->Display();
    display.enable = visible != OAFALSE ? 1 : 0;
    const HRESULT result = renderer->SetDisplay(display.enable, display.left, display.top, display.width, display.height,
                                                display.reserved[0], display.reserved[1], display.reserved[2],
                                                display.reserved[3], display.reserved[4]);
    renderer->Release();
    return result;
}

HRESULT CFilterGraph::get_Visible(LONG* visible)
{
    if (!visible) return E_POINTER;
    *visible = OAFALSE;
    VideoRenderer* renderer = FirstAdded<VideoRenderer>();
    if (!renderer) return E_NOINTERFACE;
    *visible = renderer->Display().enable != 0 ? OATRUE : OAFALSE;
    renderer->Release();
    return S_OK;
}

// The owner is kept for those who ask; the picture lies on the overlay plane whatever it is.
HRESULT CFilterGraph::put_Owner(OAHWND owner)
{
    m_video_owner = owner;
    return S_OK;
}

HRESULT CFilterGraph::get_Owner(OAHWND* owner)
{
    if (!owner) return E_POINTER;
    *owner = m_video_owner;
    return S_OK;
}

HRESULT CFilterGraph::SetWindowPosition(LONG left, LONG top, LONG width, LONG height)
{
    VideoRenderer* renderer = FirstAdded<VideoRenderer>();
    if (!renderer) return E_NOINTERFACE;
    const vendor::RendererDisplay display = renderer->Display();
    const HRESULT result = renderer->SetDisplay(display.enable, left, top, width, height, display.reserved[0],
                                                display.reserved[1], display.reserved[2], display.reserved[3],
                                                display.reserved[4]);
    renderer->Release();
    return result;
}

HRESULT CFilterGraph::GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height)
{
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    VideoRenderer* renderer = FirstAdded<VideoRenderer>();
    if (!renderer) return E_NOINTERFACE;
    const vendor::RendererDisplay display = renderer->Display();
    renderer->Release();
    *left = display.left;
    *top = display.top;
    *width = display.width;
    *height = display.height;
    return S_OK;
}

HRESULT CFilterGraph::GetClassID(CLSID* clsid)
{
    if (!clsid) return E_POINTER;
    *clsid = CLSID_FilterGraph;
    return S_OK;
}

HRESULT CFilterGraph::Run(REFERENCE_TIME /*start*/) { return Run(); }

HRESULT CFilterGraph::GetState(DWORD timeout_ms, FILTER_STATE* state)
{
    if (!state) return E_POINTER;
    OAFilterState read = State_Stopped;
    HRESULT result = GetState(timeout_ms == INFINITE ? LONG{-1} : static_cast<LONG>(std::min<DWORD>(timeout_ms, 0x7FFFFFFF)), &read);
    *state = static_cast<FILTER_STATE>(read);
    return result;
}

// The hand-built pipeline runs by the audio renderer's clock when that is the sync source;
// another clock is kept for those who ask, and the pipeline chooses its own.
HRESULT CFilterGraph::SetSyncSource(IReferenceClock* clock)
{
    if (clock) clock->AddRef();
    IReferenceClock* old = nullptr;
    {
        std::lock_guard lock(m_playback_mutex);
        if (m_hand_built && !m_hand_built->Stopped()) {
            if (clock) clock->Release();
            return VFW_E_NOT_STOPPED;
        }
        old = std::exchange(m_sync_source, clock);
        auto* renderer = dynamic_cast<AudioRenderer*>(clock);
        if (m_hand_built) m_hand_built->UseClock(renderer ? renderer->Clock() : nullptr);
    }
    for (IBaseFilter* filter : Filters()) {
        filter->SetSyncSource(clock);
        filter->Release();
    }
    if (old) old->Release();
    return S_OK;
}

HRESULT CFilterGraph::GetSyncSource(IReferenceClock** clock)
{
    if (!clock) return E_POINTER;
    std::lock_guard lock(m_playback_mutex);
    *clock = m_sync_source;
    if (m_sync_source) m_sync_source->AddRef();
    return S_OK;
}

}  // namespace platform::media
