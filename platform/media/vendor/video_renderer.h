// The chip vendor's video renderer, "TCC Video Renderer" (CLSID_VRenderer): the sink of a
// graph's video, shown on the display's overlay plane in the rectangle its display interface
// was given. It shows nothing until it is enabled with a rectangle of some size, and nothing
// once it leaves its graph.
//
// A graph that renders a file takes the GStreamer sink of its video branch from the renderer
// (WithVideoSink); in a graph connected by hand, the renderer's input pin "Input" takes raw
// video of any format. Either way the picture is drawn only while the renderer is in a graph.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "platform/media/filter_base.h"
#include "platform/media/vendor/vendor_interfaces.h"

namespace platform::media {

class OverlayFeed;
class PlaybackSinks;

class VideoRenderer final : public FilterBase<IVRendererDisplay> {
public:
    VideoRenderer();

    // The same sinks with this renderer's sink for the video branch.
    std::unique_ptr<PlaybackSinks> WithVideoSink(std::unique_ptr<PlaybackSinks> sinks);

    vendor::RendererDisplay Display() const;
    DWORD PictureMode() const;
    DWORD PictureOption() const;

    // IVRendererDisplay
    HRESULT Reserved4() override;
    // Shows the picture stretched into left, top, width, height when enable is not 0 and the
    // size is above 0 both ways; otherwise hides it. The five further values are kept; the
    // picture is the same whatever they hold.
    HRESULT SetDisplay(DWORD enable, LONG left, LONG top, LONG width, LONG height, DWORD value5, DWORD value6,
                       DWORD value7, DWORD value8, DWORD value9) override;
    // Kept and read back. The picture is always the whole frame stretched over the
    // rectangle, so a mode or option other than 0 changes nothing on the screen yet.
    HRESULT SetPictureMode(DWORD mode) override;
    HRESULT SetPictureOption(DWORD option) override;

protected:
    bool BuildElements(GstBin* bin, std::vector<GstPad*>& pads) override;
    void GraphChanged(bool in_graph) override;

private:
    ~VideoRenderer() override;

    const std::shared_ptr<OverlayFeed> m_feed;

    mutable std::mutex m_mutex;
    vendor::RendererDisplay m_display;
    DWORD m_picture_mode = 0;
    DWORD m_picture_option = 0;
};

}  // namespace platform::media
