// CDMBPipBox: the box Telecast's picture plays in. In the normal state it paints the overlay's
// colour key, so the video shows through it, with the service name and the radio's dynamic
// label over the picture. Over it the player raises one of its states: no signal (a picture
// over the whole box), scanning (a picture, the progress bar, the percent and the services
// found) or tuning (a short animation). A label wider than the box scrolls. A tap on the box
// asks the main window to toggle the layout.
//
// The box is a popup owned by the main window, on a thread of its own, placed in screen
// coordinates at one of four layout rectangles. The player thread and the main dialog change it
// through the calls below, which take the box's lock and post the box a message; the box
// repaints only when what it shows changed. SetMode is the main dialog's.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "framework/thread_window.h"
#include "platform/gfx/gfx.h"

namespace telecast {

// The box's layouts, by mode: the normal screen beside the channel list, full screen,
// picture-in-picture over the navigation program and wide. Left, top, right, bottom.
constexpr int kLayoutModes = 4;
constexpr std::array<RECT, kLayoutModes> kLayoutRects = {{
    {0, 32, 579, 410},
    {0, 0, 800, 480},
    {400, 135, 800, 480},
    {200, 0, 800, 480},
}};
constexpr int kNormalLayout = 0, kFullScreenLayout = 1, kPictureInPictureLayout = 2, kWideLayout = 3;
// The rectangle of a mode; none outside 0..3.
std::optional<RECT> LayoutRect(int mode);

// What the box shows over the video, as PipCtrl takes it.
enum class PipState : int { Video = 0, NoSignal = 1, Scanning = 2, Tuning = 3 };

constexpr COLORREF kVideoColourKey = RGB(16, 0, 16);
constexpr UINT_PTR kAnimationTimer = 100;
constexpr UINT kAnimationMs = 500;
// A dynamic label wider than its room runs right to left, kLabelScrollStep pixels a tick, one
// copy kLabelScrollGap pixels behind the other.
constexpr UINT_PTR kLabelScrollTimer = 101;
constexpr UINT kLabelScrollMs = 100;
constexpr int kLabelScrollStep = 4;
constexpr int kLabelScrollGap = 60;
constexpr int kLayoutToggleCommand = 1019;
constexpr DWORD kTapIntervalMs = 400;
// How far the overlay texts move right while the popup control panel covers the box's left.
constexpr int kOverlayTextShift = 154;

// Skin pictures: the no-signal picture (stretched over the whole box), the scanning picture
// (kScanFrames frames stacked downward), the progress bar (empty row over filled row) and the
// tuning animation (kTuningFrames frames stacked downward).
constexpr UINT kNoSignalImage = 147;
constexpr UINT kScanImage = 154;
constexpr UINT kScanBarImage = 156;
constexpr UINT kTuningImage = 158;
constexpr int kScanFrames = 4;
constexpr int kTuningFrames = 3;

// String table: the scan's percent ("%d" of it) and its counts ("%d" TV, then "%d" radio).
constexpr UINT kScanPercentString = 1;
constexpr UINT kScanCountsString = 2;

class CDMBPipBox : public CThreadWindow {
public:
    // Called on the caller's thread by SetMode before the box moves, with the new mode and its
    // rectangle; the main dialog hands the rectangle to the player.
    using LayoutCallback = std::function<void(int mode, const RECT& rect)>;

    explicit CDMBPipBox(LayoutCallback on_layout = {}) : m_on_layout(std::move(on_layout)) {}

    // Makes the hidden box at the mode's rectangle on its own thread (no callback: the dialog
    // sets up the player's rectangle itself). A mode outside 0..3 counts as 0.
    bool Create(HWND main_window, int mode = kNormalLayout);

    // A layout: calls the owner's callback, then moves the box and repaints it. False, and
    // nothing done, for a mode outside 0..3.
    bool SetMode(int mode);
    int Mode() const;
    // The mode's rectangle, cut to the narrowed width while narrowed.
    RECT Rect() const;
    // Narrows the box to `width` pixels from its left (0: the mode's whole width), as the
    // navigation program's side panel asks in full screen: calls the owner's callback with the
    // new rectangle, then moves the box. A new mode ends the narrowing.
    void Narrow(int width);

    // Raises an overlay state (0..3); any thread. Every call stops the animation, clears the
    // service name and the dynamic label and starts the state from its first frame; scanning
    // and tuning start the animation again. Any other value is only reported on the debug
    // line.
    void PipCtrl(int state);
    int State() const;

    // Any thread; each repaints only when it changed something.
    void SetScanProgress(int percent, int tv_count, int radio_count);
    void SetServiceName(const std::string& text);   // UTF-8
    void SetDynamicLabel(const std::string& text);  // UTF-8
    // The overlay texts start kOverlayTextShift pixels further right while shifted.
    void ShiftTexts(bool shifted);

protected:
    bool OnOpen() override;
    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnThreadEnd() override;

private:
    struct Shown {
        int state = 0;
        int frame = 0;
        int percent = 0;
        int tv_count = 0;
        int radio_count = 0;
        bool shifted = false;
        std::string service_name;
        std::string dynamic_label;
        int label_offset = 0;  // how far a scrolling label has run, in pixels
    };

    // Runs a change of what is shown under the lock and repaints when it made one.
    template <class Change>
    void Changed(Change change);
    void Place();
    void ApplyState();
    void Released();
    void Paint();
    void PaintVideo(HDC dc, int width, int height, const Shown& shown);
    void PaintLabel(HDC dc, const RECT& room, int width, const Shown& shown);
    // Starts or stops the label's scroll timer; `cycle` is a whole run of the label and its gap.
    void ScrollLabel(bool scrolls, int cycle = 0);
    void PaintScanning(CBufferedPaint& paint, const Shown& shown);
    void PaintTuning(CBufferedPaint& paint, const Shown& shown);

    const LayoutCallback m_on_layout;
    // The window thread's own.
    HBITMAP m_no_signal = nullptr;
    HBITMAP m_scan = nullptr;
    HBITMAP m_scan_bar = nullptr;
    HBITMAP m_tuning = nullptr;
    std::string m_percent_format;
    std::string m_counts_format;
    std::optional<DWORD> m_last_tap;
    bool m_label_scrolls = false;
    int m_label_cycle = 0;

    mutable std::mutex m_mutex;
    int m_mode = kNormalLayout;
    int m_width = 0;  // the narrowed width; 0 while not narrowed
    Shown m_shown;
};

}  // namespace telecast
