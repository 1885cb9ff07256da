#include "telecast/telecast_player.h"

#include <atomic>
#include <iterator>

#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"
#include "platform/media/com_runtime.h"
#include "platform/media/graph_control_interfaces.h"
#include "platform/media/media_ids.h"
#include "platform/media/tdmb/tdmb_interfaces.h"
#include "platform/media/vendor/vendor_interfaces.h"
#include "platform/window/window.h"

namespace telecast {
namespace {

// The filters' names in the graph.
constexpr char kTunerName[] = "TCC TELECASTTune";
constexpr char kTeeName[] = "TCC Infinite Filter";
constexpr char kMp2Name[] = "TCC MP2Dec Filter";
constexpr char kPadName[] = "TCC PAD Praser";
constexpr char kParserName[] = "Tcc DMB System Parser";
constexpr char kH264Name[] = "TCC H264Dec Filter";
constexpr char kBsacName[] = "TCC BSACDec Filter";
constexpr char kEaacName[] = "TCC EAACPLUSDec Filter";
constexpr char kVideoName[] = "TCC Video Renderer";
constexpr char kAudioName[] = "Audio Renderer";

constexpr char kAudioRendererPin[] = "Audio Input pin (rendered)";
constexpr DWORD kStateTimeoutMs = 1000;
constexpr DWORD kPauseBeforeStopMs = 50;

// The PAD parser's callbacks carry no context: the one player of the program takes the labels.
std::atomic<TelecastPlayer*> s_label_player{nullptr};

void OnPadText(const WCHAR* text)
{
    TelecastPlayer* player = s_label_player.load();
    if (!player || !text) return;
    player->TakeDynamicLabel(std::u16string(reinterpret_cast<const char16_t*>(text)));
}

void OnPadPicture(const WCHAR*) {}

template <class Interface>
Held<Interface> Query(IUnknown* object)
{
    Held<Interface> found;
    if (object) object->QueryInterface(platform::InterfaceTraits<Interface>::kId, found.OutVoid());
    return found;
}

template <class Settings>
bool SetWords(IBaseFilter* filter, DWORD property, std::initializer_list<DWORD> words)
{
    Held<Settings> settings = Query<Settings>(filter);
    if (!settings) return false;
    std::vector<DWORD> value(words);
    return SUCCEEDED(settings->Set(property, value.data()));
}

std::u16string WideOf(const char* text)
{
    std::u16string wide;
    for (const char* c = text; *c; ++c) wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(*c)));
    return wide;
}

}  // namespace

TelecastPlayer::TelecastPlayer() = default;

TelecastPlayer::~TelecastPlayer()
{
    Teardown();
    TelecastPlayer* self = this;
    s_label_player.compare_exchange_strong(self, nullptr);
}

bool TelecastPlayer::Fail(DWORD status)
{
    m_status = status;
    return false;
}

bool TelecastPlayer::CreateGraph()
{
    if (m_graph) return true;
    // The window thread's COM, held until the graph goes.
    if (!m_com_initialised) m_com_initialised = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, m_graph.OutVoid())) ||
        !m_graph) {
        DebugPrintf("[TelecastPlayer] Could not create Filter Graph\n");
        return Fail(kStatusNoGraph);
    }
    m_helper.SetGraph(m_graph.Get());
    return true;
}

void TelecastPlayer::RemoveAllFilters()
{
    if (!m_graph) return;
    Held<IBaseFilter>* known[] = {&m_slots.tuner, &m_slots.audio_renderer, &m_slots.video_renderer,
                                  &m_slots.system_parser, &m_slots.h264, &m_slots.bsac, &m_slots.eaac,
                                  &m_slots.tee, &m_slots.mp2, &m_slots.pad};
    for (Held<IBaseFilter>* slot : known) {
        if (*slot) m_graph->RemoveFilter(slot->Get());
        slot->Reset();
    }
    m_has_audio_decoder = false;
    // Whatever else the graph still lists (converters it put between pins, strays).
    for (;;) {
        Held<IEnumFilters> filters;
        Held<IBaseFilter> filter;
        ULONG fetched = 0;
        if (FAILED(m_graph->EnumFilters(filters.Out())) || !filters ||
            filters->Next(1, filter.Out(), &fetched) != S_OK || fetched != 1)
            break;
        if (FAILED(m_graph->RemoveFilter(filter.Get()))) break;
    }
}

bool TelecastPlayer::Build(int layout)
{
    if (!m_graph) return Fail(kStatusNoGraph);
    if (m_connected) Disconnect();
    RemoveAllFilters();
    m_layout = layout;
    struct Wanted {
        const CLSID* clsid;
        const char* name;
        Held<IBaseFilter>* slot;
    };
    std::vector<Wanted> wanted;
    switch (layout) {
    case 0:
        wanted = {{&CLSID_TelecastTuner, kTunerName, &m_slots.tuner}};
        break;
    case 1:
        wanted = {{&CLSID_TelecastTuner, kTunerName, &m_slots.tuner}, {&CLSID_InfiniteTee, kTeeName, &m_slots.tee},
                  {&CLSID_MP2Decoder, kMp2Name, &m_slots.mp2},         {&CLSID_PadParser, kPadName, &m_slots.pad},
                  {&CLSID_VRenderer, kVideoName, &m_slots.video_renderer},
                  {&CLSID_AudioRender, kAudioName, &m_slots.audio_renderer}};
        break;
    case 2:
        wanted = {{&CLSID_TelecastTuner, kTunerName, &m_slots.tuner},
                  {&CLSID_DmbSystemParser, kParserName, &m_slots.system_parser},
                  {&CLSID_H264Decoder, kH264Name, &m_slots.h264},
                  {&CLSID_BsacDecoder, kBsacName, &m_slots.bsac},
                  {&CLSID_EaacPlusDecoder, kEaacName, &m_slots.eaac},
                  {&CLSID_VRenderer, kVideoName, &m_slots.video_renderer},
                  {&CLSID_AudioRender, kAudioName, &m_slots.audio_renderer}};
        break;
    default:
        return Fail(kStatusBadLayout);
    }
    for (Wanted& filter : wanted) {
        if (!m_helper.CreateFilter(*filter.clsid, filter.name, *filter.slot)) {
            RemoveAllFilters();
            return Fail(kStatusFilterFailed);
        }
    }
    m_status = kStatusOk;
    return true;
}

bool TelecastPlayer::ConnectLayout1()
{
    SetWords<IMP2DecoderSettings>(m_slots.mp2.Get(), 1, {1});
    bool all = true;
    all &= m_helper.Connect(m_slots.tuner.Get(), PinChoice::Named("AOut"), m_slots.tee.Get(), PinChoice::Named("Input"));
    all &= m_helper.Connect(m_slots.tee.Get(), PinChoice::Named("Output1"), m_slots.mp2.Get(), PinChoice::Named("XForm In"));
    all &= m_helper.Connect(m_slots.mp2.Get(), PinChoice::Named("XForm Out"), m_slots.audio_renderer.Get(),
                            PinChoice::Named(kAudioRendererPin));
    all &= m_helper.Connect(m_slots.tee.Get(), PinChoice::Named("Output2"), m_slots.pad.Get(), PinChoice::Named("XForm In"));
    all &= m_helper.Connect(m_slots.pad.Get(), PinChoice::Named("XForm Out"), m_slots.video_renderer.Get(),
                            PinChoice::Named("Input"));
    return all;
}

bool TelecastPlayer::ConnectLayout2()
{
    m_audio_decoder_is_bsac = true;
    m_has_audio_decoder = true;
    IBaseFilter* decoder = CurrentAudioDecoder().Get();
    bool all = true;
    all &= m_helper.Connect(m_slots.tuner.Get(), PinChoice::Named("TSOut"), m_slots.system_parser.Get(),
                            PinChoice::Named("DMB In"));
    all &= m_helper.Connect(m_slots.system_parser.Get(), PinChoice::Named("Video Out"), m_slots.h264.Get(),
                            PinChoice::Named("XForm In"));
    all &= m_helper.Connect(m_slots.h264.Get(), PinChoice::Named("XForm Out"), m_slots.video_renderer.Get(),
                            PinChoice::Named("Input"));
    all &= m_helper.Connect(m_slots.system_parser.Get(), PinChoice::Named("Audio Out"), decoder,
                            PinChoice::Named("XForm In"));
    all &= m_helper.Connect(decoder, PinChoice::Named("XForm Out"), m_slots.audio_renderer.Get(),
                            PinChoice::Named(kAudioRendererPin));
    return all;
}

bool TelecastPlayer::SyncToAudioRenderer()
{
    Held<IMediaFilter> graph = Query<IMediaFilter>(m_graph.Get());
    Held<IReferenceClock> clock = Query<IReferenceClock>(m_slots.audio_renderer.Get());
    return graph && clock && SUCCEEDED(graph->SetSyncSource(clock.Get()));
}

bool TelecastPlayer::Connect()
{
    if (m_connected) return true;
    if (!m_graph) return Fail(kStatusNoGraph);
    bool all = false;
    if (m_layout == 1) all = ConnectLayout1();
    else if (m_layout == 2) all = ConnectLayout2();
    else return Fail(kStatusBadLayout);
    if (all && SyncToAudioRenderer()) {
        m_connected = true;
        m_status = kStatusOk;
        return true;
    }
    Disconnect();
    return Fail(kStatusNotConnected);
}

void TelecastPlayer::Disconnect()
{
    if (m_layout == 1) {
        m_helper.Disconnect(m_slots.tuner.Get(), PinChoice::Named("AOut"), m_slots.tee.Get(), PinChoice::Named("Input"));
        m_helper.Disconnect(m_slots.tee.Get(), PinChoice::Named("Output1"), m_slots.mp2.Get(), PinChoice::Named("XForm In"));
        m_helper.Disconnect(m_slots.mp2.Get(), PinChoice::Named("XForm Out"), m_slots.audio_renderer.Get(),
                            PinChoice::Named(kAudioRendererPin));
        m_helper.Disconnect(m_slots.tee.Get(), PinChoice::Named("Output2"), m_slots.pad.Get(), PinChoice::Named("XForm In"));
        m_helper.Disconnect(m_slots.pad.Get(), PinChoice::Named("XForm Out"), m_slots.video_renderer.Get(),
                            PinChoice::Named("Input"));
    } else if (m_layout == 2) {
        m_helper.Disconnect(m_slots.tuner.Get(), PinChoice::Named("TSOut"), m_slots.system_parser.Get(),
                            PinChoice::Named("DMB In"));
        m_helper.Disconnect(m_slots.system_parser.Get(), PinChoice::Named("Video Out"), m_slots.h264.Get(),
                            PinChoice::Named("XForm In"));
        m_helper.Disconnect(m_slots.h264.Get(), PinChoice::Named("XForm Out"), m_slots.video_renderer.Get(),
                            PinChoice::Named("Input"));
        if (m_has_audio_decoder) {
            IBaseFilter* decoder = CurrentAudioDecoder().Get();
            m_helper.Disconnect(m_slots.system_parser.Get(), PinChoice::Named("Audio Out"), decoder,
                                PinChoice::Named("XForm In"));
            m_helper.Disconnect(decoder, PinChoice::Named("XForm Out"), m_slots.audio_renderer.Get(),
                                PinChoice::Named(kAudioRendererPin));
        }
    }
    m_connected = false;
}

bool TelecastPlayer::ConfigureLayout1()
{
    Held<IVRendererDisplay> display = Query<IVRendererDisplay>(m_slots.video_renderer.Get());
    Held<IPadParserSettings> pad = Query<IPadParserSettings>(m_slots.pad.Get());
    if (!display || !pad) return Fail(kStatusNoInterface);
    display->SetPictureMode(0);
    const std::u16string picture = WideOf(kDefaultPicture);
    pad->SetDefaultPicture(reinterpret_cast<const WCHAR*>(picture.c_str()));
    pad->SetPictureCallback(&OnPadPicture);
    s_label_player.store(this);
    pad->SetTextCallback(&OnPadText);
    ClearDynamicLabel();
    return true;
}

bool TelecastPlayer::ConfigureLayout2(const ChannelRecord& record)
{
    const auto b = static_cast<DWORD>(record.audio_b);
    const auto a = static_cast<DWORD>(record.audio_a);
    if (m_connected && m_has_audio_decoder) {
        IBaseFilter* decoder = CurrentAudioDecoder().Get();
        m_helper.Disconnect(m_slots.system_parser.Get(), PinChoice::Named("Audio Out"), decoder, PinChoice::Named("XForm In"));
        m_helper.Disconnect(decoder, PinChoice::Named("XForm Out"), m_slots.audio_renderer.Get(),
                            PinChoice::Named(kAudioRendererPin));
    }
    m_audio_decoder_is_bsac = record.audio_coding == kBsacAudioCoding;
    m_has_audio_decoder = true;
    bool configured = m_audio_decoder_is_bsac
                          ? SetWords<IBsacDecoderSettings>(m_slots.bsac.Get(), 2, {b})
                          : SetWords<IEaacPlusDecoderSettings>(m_slots.eaac.Get(), 2, {b}) &&
                                SetWords<IEaacPlusDecoderSettings>(m_slots.eaac.Get(), 3, {1});
    if (configured && !m_audio_decoder_is_bsac)
        DebugPrintf("[TelecastPlayer] EAACPLUS decoder: rate %d, property 3 = 1\r\n", static_cast<int>(b));
    configured = configured &&
                 SetWords<ISystemParserSettings>(m_slots.system_parser.Get(), 1, {record.audio_coding, b, a});
    if (m_connected) {
        IBaseFilter* decoder = CurrentAudioDecoder().Get();
        m_helper.Connect(m_slots.system_parser.Get(), PinChoice::Named("Audio Out"), decoder, PinChoice::Named("XForm In"));
        m_helper.Connect(decoder, PinChoice::Named("XForm Out"), m_slots.audio_renderer.Get(),
                         PinChoice::Named(kAudioRendererPin));
    }
    configured = configured && SetWords<IH264DecoderSettings>(m_slots.h264.Get(), 1, {1});
    return configured || Fail(kStatusNoInterface);
}

bool TelecastPlayer::Configure(const ChannelRecord& record)
{
    if (!m_graph) return Fail(kStatusNoGraph);
    bool done = true;
    if (m_layout == 1) done = ConfigureLayout1();
    else if (m_layout == 2) done = ConfigureLayout2(record);
    if (done) m_status = kStatusOk;
    return done;
}

bool TelecastPlayer::Run()
{
    Held<IMediaControl> control = Query<IMediaControl>(m_graph.Get());
    if (!control) return Fail(kStatusNoInterface);
    // A picture that StopPlayback hid shows again with the run.
    if (Held<IVideoWindow> window = Query<IVideoWindow>(m_graph.Get()); window && m_slots.video_renderer)
        window->put_Visible(OATRUE);
    if (FAILED(control->Run())) return false;
    m_running = true;
    return true;
}

bool TelecastPlayer::Pause()
{
    Held<IMediaControl> control = Query<IMediaControl>(m_graph.Get());
    if (!control) return Fail(kStatusNoInterface);
    if (FAILED(control->Pause())) return false;
    m_running = true;
    return true;
}

bool TelecastPlayer::Stop()
{
    const int state = State();
    if (state == kGraphStopped || state == kGraphOther) return true;
    Held<IMediaControl> control = Query<IMediaControl>(m_graph.Get());
    if (!control || FAILED(control->Stop())) return false;
    m_running = false;
    return true;
}

int TelecastPlayer::State()
{
    Held<IMediaControl> control = Query<IMediaControl>(m_graph.Get());
    OAFilterState state = -1;
    if (!control || FAILED(control->GetState(kStateTimeoutMs, &state))) return kGraphOther;
    switch (state) {
    case State_Stopped: return kGraphStopped;
    case State_Running: return kGraphRunning;
    case State_Paused: return kGraphPaused;
    default: return kGraphOther;
    }
}

bool TelecastPlayer::Play()
{
    if (!m_graph) return Fail(kStatusNoGraph);
    const bool ran = Run();  // from pause or from stop, the graph runs
    if (ran) m_status = kStatusOk;
    return ran;
}

bool TelecastPlayer::StopPlayback()
{
    if (!m_graph) return Fail(kStatusNoGraph);
    const int state = State();
    if (state != kGraphStopped && state != kGraphOther) {
        Pause();
        Sleep(kPauseBeforeStopMs);
        Stop();
    }
    if (Held<IVideoWindow> window = Query<IVideoWindow>(m_graph.Get())) {
        window->put_Visible(0);
        window->put_Owner(0);
    }
    m_status = kStatusOk;
    return true;
}

void TelecastPlayer::Teardown()
{
    if (!m_graph) return;
    if (Held<IMediaControl> control = Query<IMediaControl>(m_graph.Get())) control->Stop();
    m_running = false;
    if (m_connected) Disconnect();
    RemoveAllFilters();
    m_layout = -1;
    m_helper.SetGraph(nullptr);
    m_graph.Reset();
    if (m_com_initialised) CoUninitialize();
    m_com_initialised = false;
}

bool TelecastPlayer::TunerGet(DWORD property, DWORD* record)
{
    Held<ITunerControl> tuner = Query<ITunerControl>(m_slots.tuner.Get());
    return tuner && SUCCEEDED(tuner->Get(property, record));
}

bool TelecastPlayer::TunerSet(DWORD property, DWORD* record)
{
    Held<ITunerControl> tuner = Query<ITunerControl>(m_slots.tuner.Get());
    return tuner && SUCCEEDED(tuner->Set(property, record, 0));
}

bool TelecastPlayer::SetVideoRect(const RECT* rect)
{
    const RECT whole = {0, 0, 800, 480};
    const RECT& r = rect ? *rect : whole;
    Held<IVRendererDisplay> display = Query<IVRendererDisplay>(m_slots.video_renderer.Get());
    if (!display) return false;
    // The layout's own left and top: zeros would put the picture beside the box.
    return SUCCEEDED(display->SetDisplay(1, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, 0, 0, 0));
}

bool TelecastPlayer::SetVolumeStep(int step) { return m_helper.SetVolumeStep(step); }

bool TelecastPlayer::VolumeStep(int& step) { return m_helper.VolumeStep(step); }

std::u16string TelecastPlayer::DynamicLabel() const
{
    std::lock_guard lock(m_label_mutex);
    return m_label;
}

void TelecastPlayer::ClearDynamicLabel()
{
    std::lock_guard lock(m_label_mutex);
    m_label.clear();
}

void TelecastPlayer::TakeDynamicLabel(const std::u16string& text)
{
    const std::u16string label = text.substr(0, kDynamicLabelChars - 1);
    {
        std::lock_guard lock(m_label_mutex);
        if (label == m_label) return;
        m_label = label;
    }
    if (m_main_window) PostMessage(m_main_window, WM_COMMAND, kDynamicLabelCommand, 0);
}

}  // namespace telecast
