// How the players paint their paged playlist boxes: a background, a scroll thumb, nine rows of
// file names (the part of each path after its last "\" or "/") with the cursor row on its bar,
// double-buffered. The rows come from the player's list holder, a page copied at a time.
#pragma once

#include "framework/player_rules.h"
#include "platform/app/list_view.h"
#include "platform/gfx/gfx.h"
#include "platform/window/window.h"

// The pictures and places of one box.
struct PagedListLook {
    HBITMAP background = nullptr;
    HBITMAP thumb = nullptr;      // 4 × 64 cells
    HBITMAP highlight = nullptr;  // the cursor row's bar, taken from its second row
    int thumb_x = 0;
    int thumb_y = 0;
    // The thumb shows only with two pages or more; else it always shows, from its second cell
    // when there are two pages or more.
    bool thumb_only_with_pages = true;
    int row_left = 1;
    int row_right = 0;
    int rows_bottom = 0;  // rows start above this y only
};

constexpr int kPagedListRowHeight = 37;

// Paints the box in WM_PAINT.
void PaintPagedList(HWND hwnd, const CListCtrl& rows, const player::PlaylistCursor& cursor, const PagedListLook& look);

// The row under a tap at y in the box: -1 above the first, at most the page's last.
int PagedListRowAt(int y);
