#include "platform/media/vendor/camera_filter.h"

#include <fcntl.h>
#include <gst/gst.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include "platform/device_root.h"
#include "platform/devices/camera_connector.h"
#include "platform/devices/stream_device.h"
#include "platform/files/files.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/debug_output.h"
#include "platform/media/result_codes.h"

namespace platform::media {
namespace {

constexpr DWORD kChannels = 4;
constexpr DWORD kLargestSide = 4096;
// The test pattern of each channel: bars on the AV inputs, a moving ball on the camera.
constexpr const char* kChannelPatterns[kChannels] = {"smpte", "smpte75", "ball", "checkers-8"};
// How often a running test pattern asks the board whether its camera is still plugged in.
constexpr auto kConnectorPeriod = std::chrono::milliseconds(250);

bool TestPattern(const std::string& camera) { return camera.empty() || camera == "test"; }

// Whether the board's connector has a camera. True when the connector cannot be asked, so that
// a board without one keeps its picture.
bool CameraPlugged()
{
    HANDLE connector = CreateFile(kCameraConnector, GENERIC_READ, 0, OPEN_EXISTING);
    if (connector == INVALID_HANDLE_VALUE) return true;
    DWORD word = 1, returned = 0;
    const BOOL asked = DeviceIoControl(connector, kIoctlCameraSignal, nullptr, 0, &word, sizeof(word), &returned, nullptr);
    CloseHandle(connector);
    return !asked || returned < sizeof(word) || word != 0;
}

// What the test pattern's streaming thread knows of the connector; the probe owns it.
struct ConnectorWatch {
    std::chrono::steady_clock::time_point next_check;
    bool lost = false;
};

// Each frame of the test pattern: now and then asks the board's connector whether the camera
// is still there. Once it is not, no frame passes any more, and the source says so on the bus
// as a V4L2 source says that its device went away.
GstPadProbeReturn OnPatternFrame(GstPad* pad, GstPadProbeInfo*, gpointer data)
{
    auto* watch = static_cast<ConnectorWatch*>(data);
    if (watch->lost) return GST_PAD_PROBE_DROP;
    const auto now = std::chrono::steady_clock::now();
    if (now < watch->next_check) return GST_PAD_PROBE_OK;
    watch->next_check = now + kConnectorPeriod;
    if (CameraPlugged()) return GST_PAD_PROBE_OK;
    watch->lost = true;
    DebugPrintf("Media: TCCCAMFilter: the camera on %s is lost\n", kCameraConnector);
    if (GstElement* source = gst_pad_get_parent_element(pad)) {
        GST_ELEMENT_ERROR(source, RESOURCE, NOT_FOUND, ("The camera was unplugged."), (nullptr));
        gst_object_unref(source);
    }
    return GST_PAD_PROBE_DROP;
}

GstElement* MakeSource(const std::string& camera)
{
    if (TestPattern(camera)) {
        // Each channel's pattern runs sideways, so that a picture that stopped shows at once.
        GstElement* source = gst_element_factory_make("videotestsrc", nullptr);
        if (source) g_object_set(source, "is-live", TRUE, "horizontal-speed", 4, nullptr);
        return source;
    }
    GstElement* source = gst_element_factory_make("v4l2src", nullptr);
    if (source) g_object_set(source, "device", camera.c_str(), nullptr);
    else DebugPrintf("Media: TCCCAMFilter: no V4L2 source for %s\n", camera.c_str());
    return source;
}

}  // namespace

CameraFilter::CameraFilter() : FilterBase(CLSID_CAM, {{"POut", PINDIR_OUTPUT, MEDIATYPE_Video}}) {}

ComClassFactory CameraFilter::Factory()
{
    return [](IUnknown** object) -> HRESULT {
        const std::string camera = Config().Get("camera", "test");
        if (TestPattern(camera) && !CameraPlugged()) {
            DebugPrintf("Media: TCCCAMFilter: no camera on %s\n", kCameraConnector);
            return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
        }
        if (!TestPattern(camera)) {
            const int device = ::open(camera.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            if (device < 0) {
                DebugPrintf("Media: TCCCAMFilter: cannot open %s: %s\n", camera.c_str(), std::strerror(errno));
                return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
            }
            ::close(device);
        }
        return ComFactoryFor<CameraFilter>()(object);
    };
}

CameraFilter::InputSize CameraFilter::Input() const
{
    std::lock_guard lock(m_mutex);
    return m_input;
}

bool CameraFilter::BuildElements(GstBin* bin, std::vector<GstPad*>& pads)
{
    const std::string camera = Config().Get("camera", "test");
    GstElement* source = MakeSource(camera);
    GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
    GstElement* scale = gst_element_factory_make("videoscale", nullptr);
    GstElement* size = gst_element_factory_make("capsfilter", nullptr);
    if (!source || !convert || !scale || !size) {
        for (GstElement* element : {source, convert, scale, size})
            if (element) gst_object_unref(gst_object_ref_sink(element));
        return false;
    }
    gst_bin_add_many(bin, source, convert, scale, size, nullptr);
    if (!gst_element_link_many(source, convert, scale, size, nullptr)) return false;
    std::lock_guard lock(m_mutex);
    m_pattern = G_OBJECT_TYPE(source) == g_type_from_name("GstVideoTestSrc") ? source : nullptr;
    m_size = size;
    ApplyInput();
    if (m_pattern) {
        GstPad* pattern_out = gst_element_get_static_pad(m_pattern, "src");
        gst_pad_add_probe(pattern_out, GST_PAD_PROBE_TYPE_BUFFER, OnPatternFrame, new ConnectorWatch,
                          [](gpointer watch) { delete static_cast<ConnectorWatch*>(watch); });
        gst_object_unref(pattern_out);
    }
    pads.push_back(gst_element_get_static_pad(size, "src"));
    return true;
}

void CameraFilter::ApplyInput()
{
    if (m_pattern) gst_util_set_object_arg(G_OBJECT(m_pattern), "pattern", kChannelPatterns[m_input.channel]);
    if (!m_size) return;
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, static_cast<int>(m_input.width), "height",
                                        G_TYPE_INT, static_cast<int>(m_input.height), nullptr);
    g_object_set(m_size, "caps", caps, nullptr);
    gst_caps_unref(caps);
}

HRESULT CameraFilter::Reserved4()
{
    DebugPrintf("Media: TCCCAMFilter: method 4\n");
    return E_NOTIMPL;
}

HRESULT CameraFilter::SetVideoInputSize(DWORD channel, DWORD width, DWORD height, DWORD value)
{
    DebugPrintf("Media: TCCCAMFilter: SetVideoInputSize(%u, %u, %u, %u)\n", static_cast<unsigned>(channel),
                static_cast<unsigned>(width), static_cast<unsigned>(height), static_cast<unsigned>(value));
    if (channel >= kChannels || width == 0 || height == 0 || width > kLargestSide || height > kLargestSide)
        return E_INVALIDARG;
    std::lock_guard lock(m_mutex);
    m_input.channel = channel;
    m_input.width = width;
    m_input.height = height;
    m_input.value = value;
    ApplyInput();
    return S_OK;
}

HRESULT CameraFilter::SetInputWindow(DWORD width, DWORD height)
{
    DebugPrintf("Media: TCCCAMFilter: SetInputWindow(%u, %u)\n", static_cast<unsigned>(width),
                static_cast<unsigned>(height));
    std::lock_guard lock(m_mutex);
    m_input.window_width = width;
    m_input.window_height = height;
    return S_OK;
}

}  // namespace platform::media
