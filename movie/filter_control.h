// CFilterControl: a player's hold on the platform's filter graph for one file at a time.
// It builds the graph for a file, runs, pauses and stops it, reads and sets the position and
// the volume, places the picture through the vendor renderer, and takes the graph down filter
// by filter with a memory report in the debug log. Every call does nothing and reports
// false while there is no graph; the last result code stays readable for the caller.
//
// The players carry the same class with small differences, chosen at construction: Movie's
// is the plain one; Music's also puts the vendor equaliser into the graph and reports a file
// that would not render; Extview's builds its graph by hand: the camera filter's "POut" into
// the vendor renderer's "Input", with its failures in "TCCAMManager" message boxes.
#pragma once

#include <string>

#include "platform/media/filter_interfaces.h"
#include "platform/media/graph_control_interfaces.h"
#include "platform/media/vendor/vendor_interfaces.h"
#include "platform/win32_types.h"
#include "platform/window/window.h"

namespace movie {

enum class FilterControlVariant { Movie, Music, Extview };

// The graph volume index 0..10 in hundredths of a decibel.
constexpr LONG kGraphVolumeTable[11] = {-10000, -5600, -4500, -3350, -2800, -2200, -1750, -1300, -800, -500, 0};

class CFilterControl {
public:
    explicit CFilterControl(FilterControlVariant variant = FilterControlVariant::Movie);
    ~CFilterControl();
    CFilterControl(const CFilterControl&) = delete;
    CFilterControl& operator=(const CFilterControl&) = delete;

    bool CreateFilterGraph();
    bool CreateFilterForPlaying(const std::string& path, const RECT& rect);
    bool RunGraph();
    bool PauseGraph();
    bool StopGraph();
    bool GetDuration(double& seconds);
    bool GetPosition(double& seconds);
    bool SetPosition(double seconds);
    bool SetVolume(int index);
    // The graph's state (0 stopped, 1 paused, 2 running), waiting at most timeout_ms for a
    // change in progress.
    bool GetState(int& state, DWORD timeout_ms = 200);
    bool SetVideoWindow(int left, int top, int right, int bottom);
    bool DeleteFilters();
    void DestroyFilterGraph();
    // What a player does when a file stops for good: stop, delete the filters, destroy the graph.
    // Nothing without a graph.
    void TearDown();

    // Music's equaliser: the record handed to the equaliser filter, now and at every graph
    // built later; false when the graph holds no equaliser.
    bool ApplyEqualiser(const platform::vendor::DeqRecord& record);

    // Extview's camera graph, shown at the rectangle (left, top, right, bottom). False, after
    // its message box, when a filter cannot be made or added, a pin is missing or the pins
    // do not connect; what was added stays for the tear-down.
    bool BuildCameraGraph(const RECT& rect);
    // The camera's channel and picture size; on success the picture moves to x, y, width,
    // height. False, after its message box, when the camera refuses them.
    bool SetVideoInputSize(int channel, int width, int height, int x, int y);
    // Disconnects "POut" and removes and releases both filters.
    void TearDownCameraGraph();

    bool HasGraph() const { return m_graph != nullptr; }
    bool Running() const { return m_running; }
    HRESULT LastResult() const { return m_last_result; }
    const platform::vendor::RendererDisplay& Display() const { return m_display; }

private:
    void AddEqualiser();
    // Creates a filter by class id and adds it under `name`; null, after the box, on failure.
    IBaseFilter* AddCameraGraphFilter(REFCLSID clsid, const char* failure, const char* name);
    // The renderer's display interface given m_display, then its seventh method with 0.
    bool ShowCameraPicture();
    bool ReadSeconds(HRESULT (IMediaPosition::*read)(REFTIME*), double& seconds);
    void LogMemory();
    bool Remember(HRESULT result) {
        m_last_result = result;
        return SUCCEEDED(result);
    }

    FilterControlVariant m_variant;
    IGraphBuilder* m_graph = nullptr;
    IDEQSettings* m_equaliser = nullptr;
    IBaseFilter* m_camera = nullptr;    // Extview's, while its graph is built
    IBaseFilter* m_renderer = nullptr;  // Extview's, while its graph is built
    platform::vendor::DeqRecord m_equaliser_record;  // enable 0 until a preset is applied
    bool m_com_initialised = false;
    bool m_running = false;
    HRESULT m_last_result = S_OK;
    platform::vendor::RendererDisplay m_display;
};

}  // namespace movie
