#include "movie/filter_control.h"

#include <cstdio>
#include <vector>

#include "platform/app/message_box.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"
#include "platform/media/com_runtime.h"
#include "platform/media/guid.h"
#include "platform/media/media_ids.h"
#include "platform/media/pin_interfaces.h"
#include "platform/media/result_codes.h"

namespace movie {
namespace {

constexpr const char* kVideoRendererName = "TCC Video Renderer";
constexpr const char* kEqualiserName = "TCC DEQ Filter";
constexpr const char* kCameraName = "TCCCAMFilter";
constexpr const char* kCameraCaption = "TCCAMManager";

template <class Interface>
Interface* Query(IUnknown* object) {
    void* found = nullptr;
    if (!object || FAILED(object->QueryInterface(platform::InterfaceTraits<Interface>::kId, &found))) return nullptr;
    return static_cast<Interface*>(found);
}

template <class Interface>
void Release(Interface*& object) {
    if (object) object->Release();
    object = nullptr;
}

// "[FAIL]CoCreateInstance(%x%x%x%x), %s": the class id's four 32-bit words run together.
std::string CreateFailure(REFCLSID clsid, const char* what) {
    const auto words = platform::GuidWords(clsid);
    char text[160];
    std::snprintf(text, sizeof text, "[FAIL]CoCreateInstance(%x%x%x%x), %s", static_cast<unsigned>(words[0]),
                  static_cast<unsigned>(words[1]), static_cast<unsigned>(words[2]), static_cast<unsigned>(words[3]),
                  what);
    return text;
}

// The renderer's display parameters for a picture between left, top, right and bottom. A
// turned-round rectangle shows no picture rather than one drawn outside it.
platform::vendor::RendererDisplay DisplayOf(int left, int top, int right, int bottom) {
    platform::vendor::RendererDisplay display;
    if (right >= left && bottom >= top) {
        display.enable = 1;
        display.left = left;
        display.top = top;
        display.width = right - left;
        display.height = bottom - top;
    }
    return display;
}

HRESULT Show(IVRendererDisplay* display, const platform::vendor::RendererDisplay& d) {
    return display ? display->SetDisplay(d.enable, d.left, d.top, d.width, d.height, d.reserved[0], d.reserved[1],
                                         d.reserved[2], d.reserved[3], d.reserved[4])
                   : E_NOINTERFACE;
}

// The filter's pin of that direction and name, found by walking its pins; counted.
IPin* FindPin(IBaseFilter* filter, PIN_DIRECTION direction, const std::string& name) {
    IEnumPins* pins = nullptr;
    if (!filter || FAILED(filter->EnumPins(&pins)) || !pins) return nullptr;
    IPin* found = nullptr;
    IPin* pin = nullptr;
    while (!found && pins->Next(1, &pin, nullptr) == S_OK) {
        PIN_INFO info;
        if (SUCCEEDED(pin->QueryPinInfo(&info))) {
            if (info.pFilter) info.pFilter->Release();
            if (info.dir == direction && info.achName == name) {
                found = pin;
                continue;
            }
        }
        pin->Release();
    }
    pins->Release();
    return found;
}

void CameraBox(const std::string& text, UINT icon = MB_OK) {
    MessageBox(nullptr, text, kCameraCaption, MB_OK | icon);
}

}  // namespace

CFilterControl::CFilterControl(FilterControlVariant variant) : m_variant(variant) {}

CFilterControl::~CFilterControl() {
    // Releasing the graph takes its filters with it.
    DestroyFilterGraph();
}

bool CFilterControl::CreateFilterGraph() {
    // A graph still held (Music keeps it across a stop) is let go first, with its COM
    // initialisation, so that a track change leaks neither.
    if (m_graph || m_com_initialised) DestroyFilterGraph();
    const HRESULT initialised = CoInitializeEx(nullptr, 0);
    m_com_initialised = SUCCEEDED(initialised);
    void* graph = nullptr;
    if (!Remember(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, &graph))) {
        MessageBox(nullptr, CreateFailure(CLSID_FilterGraph, "CLSID_FilterGraph fail"),
                   m_variant == FilterControlVariant::Music ? "Music" : "Movie", MB_OK);
        if (m_com_initialised) CoUninitialize();
        m_com_initialised = false;
        return false;
    }
    m_graph = static_cast<IGraphBuilder*>(graph);
    m_running = false;
    if (m_variant == FilterControlVariant::Music) AddEqualiser();
    return true;
}

void CFilterControl::AddEqualiser() {
    void* created = nullptr;
    HRESULT result = CoCreateInstance(CLSID_DEQFilter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, &created);
    auto* filter = static_cast<IBaseFilter*>(created);
    if (SUCCEEDED(result)) result = m_graph->AddFilter(filter, kEqualiserName);
    if (FAILED(result)) {
        // Playback goes on without the equaliser; presets then change nothing.
        DebugPrintf("HR = %08X\n", static_cast<unsigned>(result));
        Release(filter);
        return;
    }
    m_equaliser = Query<IDEQSettings>(filter);
    Release(filter);  // the graph holds it
    if (m_equaliser) m_equaliser->SetParameters(m_equaliser_record);
}

bool CFilterControl::ApplyEqualiser(const platform::vendor::DeqRecord& record) {
    m_equaliser_record = record;
    if (!m_equaliser) return false;
    return Remember(m_equaliser->SetParameters(record));
}

bool CFilterControl::CreateFilterForPlaying(const std::string& path, const RECT& rect) {
    const bool music = m_variant == FilterControlVariant::Music;
    if (music) DebugPrintf("[CFilterControl::CreateFilterForPlaying]\n");
    if (!CreateFilterGraph()) return false;
    const bool rendered = Remember(m_graph->RenderFile(path, nullptr));
    const HRESULT render_result = m_last_result;
    SetVideoWindow(rect.left, rect.top, rect.right, rect.bottom);
    m_last_result = render_result;  // what the caller asks about is the file
    if (music) {
        if (!rendered) return false;
        DebugPrintf("[CFilterControl::CreateFilterForPlaying]OK\n");
    }
    // Movie goes on whatever the file gave: its own probe has already refused bad files.
    return true;
}

bool CFilterControl::RunGraph() {
    if (!m_graph) return false;
    IMediaControl* control = Query<IMediaControl>(m_graph);
    const HRESULT result = control ? control->Run() : E_NOINTERFACE;
    Release(control);
    m_running = true;
    if (FAILED(result)) DebugPrintf("Fail : RunGraph(ret=0x%x)\r\n", static_cast<unsigned>(result));
    return Remember(result);
}

bool CFilterControl::PauseGraph() {
    if (!m_graph) return false;
    IMediaControl* control = Query<IMediaControl>(m_graph);
    const HRESULT result = control ? control->Pause() : E_NOINTERFACE;
    Release(control);
    m_running = true;  // paused counts as running: a stop must still stop it
    if (FAILED(result)) DebugPrintf("Fail : StopGraph(ret=0x%x)\r\n", static_cast<unsigned>(result));
    return Remember(result);
}

bool CFilterControl::StopGraph() {
    if (!m_graph) return false;
    if (!m_running) {
        DebugPrintf("StopGraph(SKIPPED) since it's already stopped\r\n");
        return false;
    }
    IMediaControl* control = Query<IMediaControl>(m_graph);
    if (!control) {
        DebugPrintf("Fail : mpGraph->QueryInterface(IID_IMediaControl)\n");
        return Remember(E_NOINTERFACE);
    }
    const HRESULT result = control->Stop();
    Release(control);
    m_running = false;
    if (SUCCEEDED(result)) DebugPrintf("Succeed to stop Graph\n");
    else DebugPrintf("Fail : StopGraph 0x%x\n", static_cast<unsigned>(result));
    return Remember(result);
}

bool CFilterControl::ReadSeconds(HRESULT (IMediaPosition::*read)(REFTIME*), double& seconds) {
    seconds = 0;  // a failure leaves a defined value
    if (!m_graph) return false;
    IMediaPosition* position = Query<IMediaPosition>(m_graph);
    double value = 0;
    const HRESULT result = position ? (position->*read)(&value) : E_NOINTERFACE;
    Release(position);
    if (SUCCEEDED(result)) seconds = value;
    return Remember(result);
}

bool CFilterControl::GetDuration(double& seconds) { return ReadSeconds(&IMediaPosition::get_Duration, seconds); }

bool CFilterControl::GetPosition(double& seconds) {
    return ReadSeconds(&IMediaPosition::get_CurrentPosition, seconds);
}

bool CFilterControl::SetPosition(double seconds) {
    if (!m_graph) return false;
    IMediaPosition* position = Query<IMediaPosition>(m_graph);
    const HRESULT result = position ? position->put_CurrentPosition(seconds) : E_NOINTERFACE;
    Release(position);
    return Remember(result);
}

bool CFilterControl::GetState(int& state, DWORD timeout_ms) {
    state = -1;
    if (!m_graph) return false;
    IMediaControl* control = Query<IMediaControl>(m_graph);
    OAFilterState value = -1;
    const HRESULT result = control ? control->GetState(static_cast<LONG>(timeout_ms), &value) : E_NOINTERFACE;
    Release(control);
    if (SUCCEEDED(result)) state = static_cast<int>(value);
    return Remember(result);
}

bool CFilterControl::SetVolume(int index) {
    if (!m_graph) return false;
    // An index outside the table is refused; the volume stays as it was.
    if (index < 0 || index > 10) return Remember(E_INVALIDARG);
    IBasicAudio* audio = Query<IBasicAudio>(m_graph);
    const HRESULT result = audio ? audio->put_Volume(kGraphVolumeTable[index]) : E_NOINTERFACE;
    Release(audio);
    return Remember(result);
}

bool CFilterControl::SetVideoWindow(int left, int top, int right, int bottom) {
    if (!m_graph) return false;
    IBaseFilter* renderer = nullptr;
    if (FAILED(m_graph->FindFilterByName(kVideoRendererName, &renderer)) || !renderer) {
        DebugPrintf("Fail to find Video Render\n");
        return Remember(VFW_E_NOT_FOUND);
    }
    m_display = DisplayOf(left, top, right, bottom);
    IVRendererDisplay* display = Query<IVRendererDisplay>(renderer);
    Release(renderer);
    const HRESULT result = Show(display, m_display);
    Release(display);
    return Remember(result);
}

void CFilterControl::TearDown() {
    if (!m_graph) return;
    StopGraph();
    DeleteFilters();
    DestroyFilterGraph();
}

IBaseFilter* CFilterControl::AddCameraGraphFilter(REFCLSID clsid, const char* failure, const char* name) {
    void* created = nullptr;
    if (!Remember(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, &created))) {
        CameraBox(CreateFailure(clsid, failure));
        return nullptr;
    }
    auto* filter = static_cast<IBaseFilter*>(created);
    if (!Remember(m_graph->AddFilter(filter, name))) {
        CameraBox(std::string("[FAIL]AddFilter ") + name);
        Release(filter);
    }
    return filter;
}

bool CFilterControl::ShowCameraPicture() {
    IVRendererDisplay* display = Query<IVRendererDisplay>(m_renderer);
    HRESULT result = Show(display, m_display);
    if (SUCCEEDED(result)) result = display->SetPictureOption(0);
    Release(display);
    return Remember(result);
}

bool CFilterControl::BuildCameraGraph(const RECT& rect) {
    if (!m_graph) return false;
    if (m_camera || m_renderer) TearDownCameraGraph();
    m_camera = AddCameraGraphFilter(CLSID_CAM, "CLSID_CAM fail", kCameraName);
    if (!m_camera) return false;
    m_renderer = AddCameraGraphFilter(CLSID_VRenderer, "CLSID_VRenderer fail", kVideoRendererName);
    if (!m_renderer) return false;
    m_display = DisplayOf(rect.left, rect.top, rect.right, rect.bottom);
    ShowCameraPicture();

    IPin* out = FindPin(m_camera, PINDIR_OUTPUT, "POut");
    IPin* in = FindPin(m_renderer, PINDIR_INPUT, "Input");
    bool connected = false;
    if (!out || !in) {
        CameraBox(std::string("FindPin ") + (out ? "Input" : "POut") + " fail");
        Remember(VFW_E_NOT_FOUND);
    } else if (!Remember(m_graph->Connect(out, in))) {
        char text[160];
        std::snprintf(text, sizeof text, "%s(0x%x=%d)%d", "Failed to connect TCCAMFilter and TCCMP4EncFilter.",
                      static_cast<unsigned>(m_last_result), static_cast<int>(m_last_result),
                      static_cast<int>(GetLastError()));
        CameraBox(text);
    } else {
        connected = true;
    }
    Release(out);
    Release(in);
    return connected;
}

bool CFilterControl::SetVideoInputSize(int channel, int width, int height, int x, int y) {
    ICamInput* input = Query<ICamInput>(m_camera);
    const HRESULT result = input ? input->SetVideoInputSize(static_cast<DWORD>(channel), static_cast<DWORD>(width),
                                                            static_cast<DWORD>(height), 10)
                                 : E_NOINTERFACE;
    if (!Remember(result)) {
        char text[96];
        std::snprintf(text, sizeof text, "SetVideoInputSize: CH%d (%d,%d,%d)", channel, width, height, 10);
        CameraBox(text, MB_ICONEXCLAMATION);
        Release(input);
        return false;
    }
    m_display = DisplayOf(x, y, x + width, y + height);
    ShowCameraPicture();
    input->SetInputWindow(320, 240);
    Release(input);
    m_last_result = result;
    return true;
}

void CFilterControl::TearDownCameraGraph() {
    // Connections change only while the graph is stopped.
    if (m_running && (m_camera || m_renderer)) StopGraph();
    if (m_graph && m_camera) {
        if (IPin* out = FindPin(m_camera, PINDIR_OUTPUT, "POut")) {
            m_graph->Disconnect(out);
            Release(out);
        }
    }
    for (IBaseFilter** filter : {&m_camera, &m_renderer}) {
        if (m_graph && *filter) m_graph->RemoveFilter(*filter);
        Release(*filter);
    }
}

void CFilterControl::LogMemory() {
    MEMORYSTATUS memory;
    GlobalMemoryStatus(&memory);
    DebugPrintf("%dKB, %dKB/%dKB\n", static_cast<int>((memory.dwTotalPhys - memory.dwAvailPhys) / 1000),
                static_cast<int>(memory.dwAvailPhys / 1000), static_cast<int>(memory.dwTotalPhys / 1000));
}

bool CFilterControl::DeleteFilters() {
    if (!m_graph) return false;
    LogMemory();
    IEnumFilters* enumerator = nullptr;
    if (!Remember(m_graph->EnumFilters(&enumerator)) || !enumerator) return false;
    ULONG count = 0;
    while (enumerator->Skip(1) == S_OK) ++count;
    enumerator->Reset();
    std::vector<IBaseFilter*> filters(count, nullptr);
    ULONG fetched = 0;
    if (count) enumerator->Next(count, filters.data(), &fetched);
    Release(enumerator);
    // Only what the enumerator returned is there: a graph of 0 or 1 filters has no index 1.
    filters.resize(fetched);
    DebugPrintf("DeleteFiltersForPlaying:%d\n", static_cast<int>(fetched));
    // The second filter first, then the first, then the rest in order.
    std::vector<std::size_t> order;
    if (fetched > 1) order.push_back(1);
    if (fetched > 0) order.push_back(0);
    for (std::size_t i = 2; i < fetched; ++i) order.push_back(i);
    for (std::size_t index : order) {
        IBaseFilter* filter = filters[index];
        FILTER_INFO info;
        if (filter && SUCCEEDED(filter->QueryFilterInfo(&info))) {
            DebugPrintf("DeleteFilters(%d) - %s\n", static_cast<int>(index), info.achName.c_str());
            if (info.pGraph) info.pGraph->Release();
        }
        // Removed while this reference still holds it, released after.
        if (filter) m_graph->RemoveFilter(filter);
        Release(filter);
    }
    Release(m_equaliser);  // it left the graph with the others
    LogMemory();
    return true;
}

void CFilterControl::DestroyFilterGraph() {
    const bool music = m_variant == FilterControlVariant::Music;
    if (music) DebugPrintf("[DestroyFilterGraph]Start\n");
    Release(m_equaliser);
    TearDownCameraGraph();
    Release(m_graph);
    m_running = false;
    if (m_com_initialised) CoUninitialize();
    m_com_initialised = false;
    if (music) DebugPrintf("[DestroyFilterGraph]End\n");
}

}  // namespace movie
