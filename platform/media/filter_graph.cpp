#include "platform/media/filter_graph.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/media/filter_enumerator.h"
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

// Hundredths of a decibel to a linear gain; the quietest volume is silence.
double GainOf(LONG volume)
{
    return volume <= kBasicAudioSilence ? 0.0 : std::pow(10.0, static_cast<double>(volume) / 2000.0);
}

}  // namespace

CFilterGraph::CFilterGraph(PlaybackSinksFactory sinks)
    : m_video_to_renderer(!sinks), m_sinks(sinks ? std::move(sinks) : PlaybackSinksFactory(MakeDeviceSinks))
{
}

CFilterGraph::~CFilterGraph()
{
    // The pipeline goes first so that nothing plays while its filters leave.
    m_pipeline.reset();
    for (Entry& entry : m_filters) {
        entry.filter->JoinFilterGraph(nullptr, {});
        entry.filter->Release();
    }
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
    return !name.empty() && given != name ? VFW_S_DUPLICATE_NAME : S_OK;
}

HRESULT CFilterGraph::RemoveFilter(IBaseFilter* filter)
{
    IBaseFilter* removed = nullptr;
    {
        std::lock_guard lock(m_filters_mutex);
        auto found = std::find_if(m_filters.begin(), m_filters.end(), [&](const Entry& entry) { return entry.filter == filter; });
        if (found == m_filters.end()) return VFW_E_NOT_FOUND;
        removed = found->filter;
        m_filters.erase(found);
    }
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

// Filters are connected pin to pin only once filters with pins exist.
HRESULT CFilterGraph::ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) { return E_NOTIMPL; }
HRESULT CFilterGraph::Reconnect(IPin*) { return E_NOTIMPL; }
HRESULT CFilterGraph::Disconnect(IPin*) { return E_NOTIMPL; }
HRESULT CFilterGraph::SetDefaultSyncSource() { return S_OK; }
HRESULT CFilterGraph::Connect(IPin*, IPin*) { return E_NOTIMPL; }
HRESULT CFilterGraph::Render(IPin*) { return E_NOTIMPL; }

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
    if (m_pipeline) return VFW_E_WRONG_STATE;
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
    pipeline->SetVolume(GainOf(m_volume));
    m_pipeline = std::move(pipeline);
    m_state = State_Stopped;
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
    std::lock_guard lock(m_playback_mutex);
    if (!m_pipeline) {
        m_state = state;
        return S_OK;
    }
    return m_pipeline->SetState(ToPlaybackState(state));
}

HRESULT CFilterGraph::Run() { return SetState(State_Running); }
HRESULT CFilterGraph::Pause() { return SetState(State_Paused); }
HRESULT CFilterGraph::Stop() { return SetState(State_Stopped); }

HRESULT CFilterGraph::GetState(LONG timeout_ms, OAFilterState* state)
{
    if (!state) return E_POINTER;
    std::lock_guard lock(m_playback_mutex);
    if (!m_pipeline) {
        *state = m_state;
        return S_OK;
    }
    PlaybackState playback = PlaybackState::Stopped;
    HRESULT result = m_pipeline->GetState(StateWait(timeout_ms), &playback);
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
    return m_pipeline ? m_pipeline->Seek(time) : VFW_E_WRONG_STATE;
}

HRESULT CFilterGraph::get_CurrentPosition(REFTIME* time)
{
    if (!time) return E_POINTER;
    *time = 0.0;
    std::lock_guard lock(m_playback_mutex);
    return m_pipeline ? m_pipeline->Position(time) : VFW_E_WRONG_STATE;
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
    std::lock_guard lock(m_playback_mutex);
    m_volume = volume;
    if (m_pipeline) m_pipeline->SetVolume(GainOf(volume));
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

HRESULT CFilterGraph::SetSyncSource(IReferenceClock*) { return S_OK; }
HRESULT CFilterGraph::GetSyncSource(IReferenceClock** clock)
{
    if (!clock) return E_POINTER;
    *clock = nullptr;
    return S_OK;
}

}  // namespace platform::media
