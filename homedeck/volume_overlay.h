// The volume strip HomeDeck shows for a second over another program when the remote's left
// and right keys change the volume there: the label, the slider track and one segment per
// level on a piece of HomeDeck's panel, at the bottom of the screen. It never takes the foreground or the pen, and the
// taskbar does not list it.
#pragma once

#include "platform/gfx/gfx.h"
#include "platform/window/window.h"

namespace homedeck {

class CVolumeOverlay {
public:
    static constexpr const char* kClassName = "CVolumeOverlay";
    static constexpr int kX = 190, kY = 395, kWidth = 420, kHeight = 70;
    static constexpr UINT kShownMs = 1000;

    CVolumeOverlay() = default;
    ~CVolumeOverlay();
    CVolumeOverlay(const CVolumeOverlay&) = delete;
    CVolumeOverlay& operator=(const CVolumeOverlay&) = delete;

    // Shows the level (0..10) for a second, from the start again if it already shows. The
    // window is made on the calling thread, which must pump its messages, at the first call.
    void Show(int level);
    void Destroy();
    HWND Window() const { return m_hwnd; }

private:
    static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    void Paint();

    HWND m_hwnd = nullptr;
    HBITMAP m_panel = nullptr;
    HBITMAP m_label = nullptr;
    HBITMAP m_track = nullptr;
    HBITMAP m_segment = nullptr;
    int m_level = 0;
};

}  // namespace homedeck
