#include "platform/media/tdmb/pad_parser.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>

#include "platform/files/codepage.h"
#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/media/result_codes.h"
#include "platform/media/tdmb/telecast_tuner.h"

namespace platform::media {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kFramesPerSecond = 5;
constexpr auto kFramePeriod = std::chrono::milliseconds(1000 / kFramesPerSecond);
constexpr std::size_t kFrameBytes = std::size_t{PadParser::kWidth} * PadParser::kHeight * 4;
constexpr guint64 kMostQueuedBytes = kFrameBytes * 4;
constexpr GstClockTime kPictureWait = 5 * GST_SECOND;

using Frame = std::vector<std::uint8_t>;

// The picture at the host path, decoded and scaled whole into the frame (bordered where its
// shape differs); nothing when it cannot be read.
std::optional<Frame> LoadPicture(const std::string& path)
{
    if (path.empty() || !std::filesystem::is_regular_file(path)) return std::nullopt;
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(
        "filesrc name=file ! decodebin ! videoconvert ! videoscale add-borders=true "
        "! video/x-raw,format=BGRx,width=320,height=240,pixel-aspect-ratio=1/1 ! appsink name=out sync=false",
        &error);
    if (!pipeline) {
        g_clear_error(&error);
        return std::nullopt;
    }
    GstElement* file = gst_bin_get_by_name(GST_BIN(pipeline), "file");
    GstElement* out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    g_object_set(file, "location", path.c_str(), nullptr);
    std::optional<Frame> frame;
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE) {
        if (GstSample* sample = gst_app_sink_try_pull_preroll(GST_APP_SINK(out), kPictureWait)) {
            GstMapInfo map;
            GstBuffer* buffer = gst_sample_get_buffer(sample);
            if (buffer && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
                if (map.size >= kFrameBytes) frame = Frame(map.data, map.data + kFrameBytes);
                gst_buffer_unmap(buffer, &map);
            }
            gst_sample_unref(sample);
        }
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(file);
    gst_object_unref(out);
    gst_object_unref(pipeline);
    if (!frame) DebugPrintf("Media: TCC PAD Praser: cannot show %s\n", path.c_str());
    return frame;
}

std::string FileName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

}  // namespace

PadParser::PadParser()
    : FilterBase(CLSID_PadParser, {{"XForm In", PINDIR_INPUT, MEDIATYPE_Stream}, {"XForm Out", PINDIR_OUTPUT, MEDIATYPE_Video}})
{
}

PadParser::~PadParser()
{
    Finish();
}

std::string PadParser::DefaultPicture() const
{
    std::lock_guard lock(m_mutex);
    return m_default_picture;
}

std::vector<std::string> PadParser::PicturesShown() const
{
    std::lock_guard lock(m_mutex);
    return m_shown;
}

bool PadParser::BuildElements(GstBin* bin, std::vector<GstPad*>& pads)
{
    // The stream itself carries nothing the parser shows: the service's slides and labels
    // come with the tuned service.
    GstElement* input = gst_element_factory_make("fakesink", nullptr);
    GstElement* output = gst_element_factory_make("appsrc", nullptr);
    if (!input || !output) {
        for (GstElement* element : {input, output})
            if (element) gst_object_unref(gst_object_ref_sink(element));
        return false;
    }
    g_object_set(input, "sync", FALSE, "async", FALSE, nullptr);
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", "width", G_TYPE_INT, kWidth, "height",
                                        G_TYPE_INT, kHeight, "framerate", GST_TYPE_FRACTION, kFramesPerSecond, 1,
                                        "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
    g_object_set(output, "caps", caps, "is-live", TRUE, "do-timestamp", TRUE, "format", GST_FORMAT_TIME, "block", FALSE,
                 nullptr);
    gst_caps_unref(caps);
    gst_bin_add_many(bin, input, output, nullptr);
    pads.push_back(gst_element_get_static_pad(input, "sink"));
    pads.push_back(gst_element_get_static_pad(output, "src"));
    std::lock_guard lock(m_mutex);
    m_output = output;
    return true;
}

void PadParser::GraphChanged(bool in_graph)
{
    if (!in_graph) Finish();
}

HRESULT PadParser::Stop()
{
    Finish();
    return SetFilterState(State_Stopped);
}

HRESULT PadParser::Pause()
{
    Start();
    return SetFilterState(State_Paused);
}

HRESULT PadParser::Run(REFERENCE_TIME)
{
    Start();
    return SetFilterState(State_Running);
}

HRESULT PadParser::SetTextCallback(PadTextCallback callback)
{
    m_text_callback.store(callback);
    return S_OK;
}

HRESULT PadParser::SetPictureCallback(PadPictureCallback callback)
{
    m_picture_callback.store(callback);
    return S_OK;
}

HRESULT PadParser::Reserved6() { return E_NOTIMPL; }

HRESULT PadParser::SetDefaultPicture(const WCHAR* device_path)
{
    if (!device_path) return E_POINTER;
    std::string path = WideToUtf8(device_path);
    if (path.empty()) return E_INVALIDARG;
    if (path.front() != '\\' && path.front() != '/') path = "\\" + path;
    const std::string host = HostPathOf(path);
    if (host.empty()) return E_INVALIDARG;
    std::lock_guard lock(m_mutex);
    m_default_picture = host;
    return S_OK;
}

void PadParser::Start()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_thread.joinable()) return;
    }
    // Looked up here, on the caller's thread: the showing thread never touches the graph,
    // which may be going away when the thread is told to finish.
    TelecastTuner* tuner = TelecastTuner::FindIn(Graph());
    tdmb::TunedService service = tuner ? tuner->ServiceForRun() : tdmb::TunedService{};
    std::lock_guard lock(m_mutex);
    m_stopping = false;
    m_shown.clear();
    m_thread = std::thread([this, tuner, service = std::move(service)] {
        Show(tuner, service);
        if (tuner) tuner->Release();
    });
}

void PadParser::Finish()
{
    std::thread thread;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        thread = std::move(m_thread);
    }
    m_wake.notify_all();
    if (thread.joinable()) thread.join();
}

void PadParser::Show(TelecastTuner* tuner, const tdmb::TunedService& service)
{
    std::vector<std::string> pictures{DefaultPicture()};
    pictures.insert(pictures.end(), service.slides.begin(), service.slides.end());
    const auto slide_time = std::chrono::seconds(std::max<std::uint32_t>(service.slide_seconds, 1));
    const auto label_time = std::chrono::seconds(std::max<std::uint32_t>(service.dynamic_label_seconds, 1));

    std::map<std::string, Frame> decoded;
    const Frame black(kFrameBytes, 0);
    SteadyClock::duration on_air{};  // how long the tuner has sent this run
    std::optional<std::size_t> picture_shown, label_sent;
    auto last = SteadyClock::now();

    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            if (m_wake.wait_for(lock, picture_shown ? kFramePeriod : SteadyClock::duration{}, [this] { return m_stopping; }))
                break;
        }
        const auto now = SteadyClock::now();
        const bool sending = !tuner || tuner->Sending();
        if (sending) on_air += now - last;
        last = now;
        if (!sending && picture_shown) continue;

        // The default picture once, then the slides in turn.
        const auto turn = static_cast<std::size_t>(on_air / slide_time);
        const std::size_t picture = turn == 0 || pictures.size() == 1 ? 0 : 1 + (turn - 1) % (pictures.size() - 1);
        if (picture != picture_shown) {
            picture_shown = picture;
            const std::string& path = pictures[picture];
            if (!decoded.count(path)) decoded[path] = LoadPicture(path).value_or(black);
            {
                std::lock_guard lock(m_mutex);
                m_shown.push_back(FileName(path));
            }
            if (PadPictureCallback callback = m_picture_callback.load())
                callback(Utf8ToWide(FileName(path)).c_str());
        }
        if (!service.dynamic_labels.empty() && sending) {
            const std::size_t label = static_cast<std::size_t>(on_air / label_time) % service.dynamic_labels.size();
            if (label != label_sent) {
                const bool changed = !label_sent || service.dynamic_labels[label] != service.dynamic_labels[*label_sent];
                label_sent = label;
                if (PadTextCallback callback = m_text_callback.load(); callback && changed)
                    callback(Utf8ToWide(service.dynamic_labels[label]).c_str());
            }
        }

        GstElement* output = nullptr;
        {
            std::lock_guard lock(m_mutex);
            output = m_output;
        }
        if (!output || !sending || gst_app_src_get_current_level_bytes(GST_APP_SRC(output)) > kMostQueuedBytes) continue;
        const Frame& frame = decoded[pictures[*picture_shown]];
        GstBuffer* buffer = gst_buffer_new_memdup(frame.data(), frame.size());
        GST_BUFFER_DURATION(buffer) = GST_SECOND / kFramesPerSecond;
        gst_app_src_push_buffer(GST_APP_SRC(output), buffer);
    }
}

}  // namespace platform::media
