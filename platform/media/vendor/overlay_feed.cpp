#include "platform/media/vendor/overlay_feed.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/kernel/debug_output.h"

namespace platform::media {
namespace {

// The decoded frame as the overlay stores it: one 32-bit word a pixel, 0x00RRGGBB in the
// machine's byte order; the unused byte is masked off while copying.
constexpr GstVideoFormat kFrameFormat = G_BYTE_ORDER == G_LITTLE_ENDIAN ? GST_VIDEO_FORMAT_BGRx : GST_VIDEO_FORMAT_xRGB;
constexpr std::uint32_t kPixelMask = 0x00FFFFFF;

std::shared_ptr<OverlayFeed>& FeedOf(gpointer data)
{
    return *static_cast<std::shared_ptr<OverlayFeed>*>(data);
}

GstFlowReturn OnPreroll(GstAppSink* sink, gpointer data)
{
    if (GstSample* sample = gst_app_sink_pull_preroll(sink)) {
        FeedOf(data)->Show(sample);
        gst_sample_unref(sample);
    }
    return GST_FLOW_OK;
}

GstFlowReturn OnSample(GstAppSink* sink, gpointer data)
{
    if (GstSample* sample = gst_app_sink_pull_sample(sink)) {
        FeedOf(data)->Show(sample);
        gst_sample_unref(sample);
    }
    return GST_FLOW_OK;
}

// The largest rectangle of the picture's shape centred in `destination`: the picture keeps its
// aspect ratio (its pixels' own included), and the rest of the rectangle stays the key colour.
RECT FittedInto(const RECT& destination, const GstVideoInfo& info)
{
    const double width = static_cast<double>(destination.right) - destination.left;
    const double height = static_cast<double>(destination.bottom) - destination.top;
    const int par_n = GST_VIDEO_INFO_PAR_N(&info) > 0 ? GST_VIDEO_INFO_PAR_N(&info) : 1;
    const int par_d = GST_VIDEO_INFO_PAR_D(&info) > 0 ? GST_VIDEO_INFO_PAR_D(&info) : 1;
    const double aspect = static_cast<double>(GST_VIDEO_INFO_WIDTH(&info)) * par_n /
                          (static_cast<double>(GST_VIDEO_INFO_HEIGHT(&info)) * par_d);
    if (width <= 0 || height <= 0 || !(aspect > 0)) return destination;
    double fitted_width = width;
    double fitted_height = std::round(width / aspect);
    if (fitted_height > height) {
        fitted_height = height;
        fitted_width = std::round(height * aspect);
    }
    const auto left = static_cast<LONG>(destination.left + std::floor((width - fitted_width) / 2));
    const auto top = static_cast<LONG>(destination.top + std::floor((height - fitted_height) / 2));
    return RECT{left, top, static_cast<LONG>(left + fitted_width), static_cast<LONG>(top + fitted_height)};
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

OverlayFeed::~OverlayFeed()
{
    ForgetLastFrame();
}

GstElement* OverlayFeed::MakeSink()
{
    GstElement* sink = gst_element_factory_make("appsink", "video-sink");
    if (!sink) return nullptr;
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING,
                                        gst_video_format_to_string(kFrameFormat), nullptr);
    // The feed keeps the last frame itself; the sink need not hold one more.
    g_object_set(sink, "sync", TRUE, "caps", caps, "enable-last-sample", FALSE, nullptr);
    gst_caps_unref(caps);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = OnPreroll;
    callbacks.new_sample = OnSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, new std::shared_ptr<OverlayFeed>(shared_from_this()),
                               [](gpointer data) { delete static_cast<std::shared_ptr<OverlayFeed>*>(data); });
    return sink;
}

void OverlayFeed::Place(const std::optional<RECT>& destination)
{
    std::lock_guard lock(m_mutex);
    m_destination = destination;
    m_refusal_logged = false;
    if (!Shown()) {
        m_overlay.Close();
    } else if (m_overlay.IsOpen()) {
        // The frame on show moves without being drawn again.
        GstVideoInfo info;
        GstCaps* caps = m_last ? gst_sample_get_caps(m_last) : nullptr;
        m_shown_at = caps && gst_video_info_from_caps(&info, caps) ? FittedInto(*m_destination, info) : *m_destination;
        m_overlay.Move(m_shown_at);
    } else if (m_last) {
        Draw(m_last);
    }
}

void OverlayFeed::SetAttached(bool attached)
{
    std::lock_guard lock(m_mutex);
    m_attached = attached;
    if (!Shown()) m_overlay.Close();
    else if (!m_overlay.IsOpen() && m_last) Draw(m_last);
}

void OverlayFeed::Show(GstSample* sample)
{
    std::lock_guard lock(m_mutex);
    gst_sample_ref(sample);
    ForgetLastFrame();
    m_last = sample;
    if (Shown()) Draw(sample);
}

void OverlayFeed::ForgetLastFrame()
{
    if (m_last) gst_sample_unref(m_last);
    m_last = nullptr;
}

// The overlay takes the frame's own size, so the compositor does the scaling into the
// rectangle; a frame of another size opens it anew.
void OverlayFeed::Draw(GstSample* sample)
{
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstVideoInfo info;
    if (!caps || !buffer || !gst_video_info_from_caps(&info, caps) || GST_VIDEO_INFO_FORMAT(&info) != kFrameFormat)
        return;
    GstVideoFrame frame;
    // Mapping checks the buffer against the frame's size and strides, so no row is read
    // past its end; a frame that fails leaves the overlay as it was.
    if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) return;
    const int width = GST_VIDEO_FRAME_WIDTH(&frame);
    const int height = GST_VIDEO_FRAME_HEIGHT(&frame);
    const RECT fitted = FittedInto(*m_destination, info);
    if (m_overlay.IsOpen() && m_overlay.Width() == width && m_overlay.Height() == height) {
        if (!SameRect(fitted, m_shown_at)) m_overlay.Move(fitted);
    } else {
        if (!m_overlay.Open(width, height, fitted)) {
            if (!m_refusal_logged) {
                DebugPrintf("Video renderer: the overlay refused a %dx%d frame (%u)\n", width, height,
                            static_cast<unsigned>(GetLastError()));
            }
            m_refusal_logged = true;
            gst_video_frame_unmap(&frame);
            return;
        }
    }
    const auto* rows = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    const int row_count = std::min(height, m_overlay.Height());
    const int column_count = std::min(width, m_overlay.Width());
    const int pitch_pixels = m_overlay.Pitch() / 4;
    for (int y = 0; y < row_count; ++y) {
        const std::uint8_t* in = rows + static_cast<std::ptrdiff_t>(y) * stride;
        DWORD* out = m_overlay.Pixels() + static_cast<std::ptrdiff_t>(y) * pitch_pixels;
        for (int x = 0; x < column_count; ++x) {
            std::uint32_t pixel;
            std::memcpy(&pixel, in + static_cast<std::ptrdiff_t>(x) * 4, sizeof pixel);
            out[x] = pixel & kPixelMask;
        }
    }
    gst_video_frame_unmap(&frame);
    m_shown_at = fitted;
    m_overlay.Present();
}

}  // namespace platform::media
