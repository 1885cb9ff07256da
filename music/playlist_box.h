// The "PLAYLIST" box: Music's list of tracks on the right of its screen, nine rows a page over
// its background, the cursor row on its bar and a scroll thumb. A child window of the dialog,
// on the dialog's thread; a tap on a row moves the cursor there and tells the dialog which row
// was chosen (WM_SKIN_SLIDER with id 1030 and the row).
#pragma once

#include "framework/player_rules.h"
#include "platform/app/list_view.h"
#include "platform/gfx/gfx.h"
#include "platform/window/window.h"

namespace music {

constexpr int kPlaylistBoxId = 1030;
constexpr RECT kPlaylistBoxRect = {582, 72, 582 + 217, 72 + 336};

class CPlaylistBox {
public:
    explicit CPlaylistBox(const CListCtrl& rows) : m_rows(rows) {}
    ~CPlaylistBox();
    CPlaylistBox(const CPlaylistBox&) = delete;
    CPlaylistBox& operator=(const CPlaylistBox&) = delete;

    // Makes the box over the dialog, shown without taking the focus; false when it could not.
    bool Create(HWND dialog);
    void Destroy();
    HWND Window() const { return m_hwnd; }

    // The cursor on a row (the page holding it), after the rows changed or the order moved.
    void Place(int row);
    int Current() const { return m_cursor.Selected(); }
    bool PageUp();
    bool PageDown();
    const player::PlaylistCursor& Cursor() const { return m_cursor; }
    void Repaint() const;

private:
    static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    void Paint();
    void OnTap(int y);

    const CListCtrl& m_rows;
    HWND m_dialog = nullptr;
    HWND m_hwnd = nullptr;
    HBITMAP m_background = nullptr;
    HBITMAP m_thumb = nullptr;
    HBITMAP m_highlight = nullptr;
    player::PlaylistCursor m_cursor;
};

}  // namespace music
