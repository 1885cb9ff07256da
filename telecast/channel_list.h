// CChannelList: the services of the current list type on the right of Telecast's screen, nine
// rows a page over the list background, the selected row on its bar and a scroll thumb when
// there is more than one page. A press on a row selects it; the release tells the main window
// which line was chosen (message 1124 with 1017 and the line).
//
// The lines are those of a hidden list box the main window owns; the list reads them when it
// paints. The list is a popup owned by the main window, on the main window's thread, so it reads the
// list box directly. Its calls are for that thread only, except Refresh, which the player
// thread calls after it added lines to the list box.
#pragma once

#include <string>

#include "platform/gfx/gfx.h"
#include "platform/win32_types.h"
#include "platform/window/window.h"
#include "telecast/player_rules.h"

namespace telecast {

constexpr RECT kChannelListRect = {580, 72, 800, 411};  // in the main window
constexpr UINT kChannelChosenMessage = WM_USER + 100;  // 1124
constexpr WPARAM kChannelChosen = 1017;
constexpr UINT kChannelListBackground = 141;
constexpr UINT kChannelListHighlight = 139;  // 220 × 37
constexpr UINT kChannelListThumb = 157;      // 4 × 64
constexpr int kThumbX = 214, kThumbWidth = 4, kThumbHeight = 64;
constexpr int kRowTextLeft = 2, kRowTextRight = 222, kRowTextInset = 4;
constexpr int kRowTextHeight = 14;

class CChannelList {
public:
    CChannelList() = default;
    ~CChannelList();
    CChannelList(const CChannelList&) = delete;
    CChannelList& operator=(const CChannelList&) = delete;

    // Makes the hidden list in the main window, drawing the lines of the list box `lines`.
    // False when the window could not be made (or the list has one already).
    bool Create(HWND main_window, HWND lines);
    // Destroys the window (the main window's destruction does it too).
    void Destroy();

    // The selected line: setting it shows its page. Each repaints when it changed something.
    void SetPosition(int line);
    int Position() const { return m_position.Line(); }
    ListPosition Cursor() const { return m_position; }
    void PageDown();
    void PageUp();
    // The next or previous line, round from the last to the first and back.
    void Next();
    void Previous();
    // A repaint after the list box's lines changed; any thread.
    void Refresh() const;

    HWND Window() const { return m_hwnd; }
    int LineCount() const;
    // The line's text as it is drawn: after its last "\" or "/".
    static std::string ShownText(const std::string& line);

private:
    static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
    void Move(ListPosition position);
    // A press (or its release) at y: the row under it is selected when it holds a line; the
    // line, or -1 for no line.
    int Press(int y);
    std::string LineText(int line) const;
    void Paint();

    HWND m_hwnd = nullptr;
    HWND m_owner = nullptr;
    HWND m_lines = nullptr;
    HBITMAP m_background = nullptr;
    HBITMAP m_highlight = nullptr;
    HBITMAP m_thumb = nullptr;
    ListPosition m_position;
};

}  // namespace telecast
