// The chip vendor's video renderer, "TCC Video Renderer" (CLSID_VRenderer): the sink of a
// graph's video, shown on the display's overlay plane in the rectangle its display interface
// was given. It shows nothing until it is enabled with a rectangle of some size, and nothing
// once it leaves its graph.
//
// The pipeline is the graph's; the renderer gives the graph the GStreamer sink of its video
// branch (WithVideoSink), which keeps drawing for this renderer while it is in a graph.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/media/com_object.h"
#include "platform/media/filter_interfaces.h"
#include "platform/media/vendor/vendor_interfaces.h"

namespace platform::media {

class OverlayFeed;
class PlaybackSinks;

class VideoRenderer final : public ComObject<IBaseFilter, IVRendererDisplay> {
public:
    VideoRenderer();

    // The same sinks with this renderer's sink for the video branch.
    std::unique_ptr<PlaybackSinks> WithVideoSink(std::unique_ptr<PlaybackSinks> sinks);

    vendor::RendererDisplay Display() const;
    DWORD PictureMode() const;
    DWORD PictureOption() const;

    // IMediaFilter: the graph drives the pipeline; the filter keeps the state it was given.
    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(DWORD timeout_ms, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(IReferenceClock** clock) override;

    // IBaseFilter. Pins come with the graphs that are connected by hand.
    HRESULT EnumPins(IEnumPins** pins) override;
    HRESULT FindPin(const std::string& id, IPin** pin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, const std::string& name) override;
    HRESULT QueryVendorInfo(std::string* vendor_info) override;

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

private:
    ~VideoRenderer() override;

    const std::shared_ptr<OverlayFeed> m_feed;

    mutable std::mutex m_mutex;
    vendor::RendererDisplay m_display;
    DWORD m_picture_mode = 0;
    DWORD m_picture_option = 0;
    FILTER_STATE m_state = State_Stopped;
    IFilterGraph* m_graph = nullptr;  // not counted: the graph holds this filter
    std::string m_name;
};

}  // namespace platform::media
