// CExtviewPipBox: the window that marks where the AV input's picture shows. It paints itself in
// the overlay's colour key, so the picture shows through it; a release on it asks the main
// window to change the display mode (command 1012). On a thread of its own; any thread may
// show, hide or move it.
#pragma once

#include "extview/extview_rules.h"
#include "framework/thread_window.h"

namespace extview {

constexpr COLORREF kPipColourKey = RGB(16, 0, 16);
constexpr int kTapCommand = 1012;

class CExtviewPipBox : public CThreadWindow {
public:
    // The hidden box at `rect`, owned by the main window.
    bool Create(HWND main_window, const ModeRect& rect);
    // Moves the box to `rect` (its thread does it).
    void MoveTo(const ModeRect& rect) const;

protected:
    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    void Paint();
};

}  // namespace extview
