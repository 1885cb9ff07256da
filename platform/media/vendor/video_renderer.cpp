#include "platform/media/vendor/video_renderer.h"

#include <gst/gst.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "platform/media/playback_sinks.h"
#include "platform/media/result_codes.h"
#include "platform/media/vendor/overlay_feed.h"

namespace platform::media {
namespace {

class RendererVideoSinks final : public PlaybackSinks {
public:
    RendererVideoSinks(std::unique_ptr<PlaybackSinks> rest, std::shared_ptr<OverlayFeed> feed)
        : m_rest(std::move(rest)), m_feed(std::move(feed))
    {
    }
    GstElement* MakeAudioSink() override { return m_rest ? m_rest->MakeAudioSink() : nullptr; }
    GstElement* MakeVideoSink() override { return m_feed->MakeSink(); }
    GstElement* MakeAudioEffect() override { return m_rest ? m_rest->MakeAudioEffect() : nullptr; }

private:
    const std::unique_ptr<PlaybackSinks> m_rest;
    const std::shared_ptr<OverlayFeed> m_feed;
};

// The screen rectangle of the display parameters, or none when they show no picture. A
// right or bottom edge beyond the coordinate range stops at its end.
std::optional<RECT> DestinationOf(const vendor::RendererDisplay& display)
{
    if (display.enable == 0 || display.width <= 0 || display.height <= 0) return std::nullopt;
    auto end = [](LONG start, LONG size) {
        return static_cast<LONG>(std::min<std::int64_t>(std::int64_t{start} + size, std::numeric_limits<LONG>::max()));
    };
    return RECT{display.left, display.top, end(display.left, display.width), end(display.top, display.height)};
}

}  // namespace

VideoRenderer::VideoRenderer()
    : FilterBase(CLSID_VRenderer, {{"Input", PINDIR_INPUT, MEDIATYPE_Video}}), m_feed(std::make_shared<OverlayFeed>())
{
}

VideoRenderer::~VideoRenderer()
{
    // The pipeline may keep the sink, and with it the feed, a while longer: it must not
    // draw for a renderer that is gone.
    m_feed->SetAttached(false);
}

std::unique_ptr<PlaybackSinks> VideoRenderer::WithVideoSink(std::unique_ptr<PlaybackSinks> sinks)
{
    return std::make_unique<RendererVideoSinks>(std::move(sinks), m_feed);
}

vendor::RendererDisplay VideoRenderer::Display() const
{
    std::lock_guard lock(m_mutex);
    return m_display;
}

DWORD VideoRenderer::PictureMode() const
{
    std::lock_guard lock(m_mutex);
    return m_picture_mode;
}

DWORD VideoRenderer::PictureOption() const
{
    std::lock_guard lock(m_mutex);
    return m_picture_option;
}

bool VideoRenderer::BuildElements(GstBin* bin, std::vector<GstPad*>& pads)
{
    GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
    GstElement* sink = m_feed->MakeSink();
    if (!convert || !sink) {
        for (GstElement* element : {convert, sink})
            if (element) gst_object_unref(gst_object_ref_sink(element));
        return false;
    }
    gst_bin_add_many(bin, convert, sink, nullptr);
    if (!gst_element_link(convert, sink)) return false;
    pads.push_back(gst_element_get_static_pad(convert, "sink"));
    return true;
}

void VideoRenderer::GraphChanged(bool in_graph)
{
    m_feed->SetAttached(in_graph);
}

HRESULT VideoRenderer::Reserved4() { return E_NOTIMPL; }

HRESULT VideoRenderer::SetDisplay(DWORD enable, LONG left, LONG top, LONG width, LONG height, DWORD value5,
                                  DWORD value6, DWORD value7, DWORD value8, DWORD value9)
{
    std::lock_guard lock(m_mutex);
    m_display = {enable, left, top, width, height, {value5, value6, value7, value8, value9}};
    // Under the renderer's lock, so that two placements reach the screen in the order stored.
    m_feed->Place(DestinationOf(m_display));
    return S_OK;
}

HRESULT VideoRenderer::SetPictureMode(DWORD mode)
{
    std::lock_guard lock(m_mutex);
    m_picture_mode = mode;
    return S_OK;
}

HRESULT VideoRenderer::SetPictureOption(DWORD option)
{
    std::lock_guard lock(m_mutex);
    m_picture_option = option;
    return S_OK;
}

}  // namespace platform::media
