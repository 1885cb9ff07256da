#include "framework/paged_list_box.h"

#include <algorithm>
#include <string_view>

#include "framework/thread_window.h"

namespace {

constexpr int kThumbWidth = 4, kThumbHeight = 64;
constexpr int kTextHeight = 18, kTextInset = 4;

std::string_view FileNameOf(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

void PaintPagedList(HWND hwnd, const CListCtrl& rows, const player::PlaylistCursor& cursor, const PagedListLook& look) {
    const ListPageCopy page = rows.CopyPage(cursor.PageStart(), player::PlaylistCursor::kRowsPerPage);
    CBufferedPaint paint(hwnd);
    HDC dc = paint.Dc();
    if (!dc) return;
    paint.DrawBitmap(look.background, 0, 0, paint.Width(), paint.Height(), 0, 0);
    const bool pages = cursor.Pages() >= 2;
    if (pages || !look.thumb_only_with_pages)
        paint.DrawBitmap(look.thumb, look.thumb_x, look.thumb_y + (pages ? cursor.ThumbOffset(paint.Height()) : 0),
                         kThumbWidth, kThumbHeight, pages && !look.thumb_only_with_pages ? kThumbWidth : 0, 0);

    HFONT font = CreateFont(kTextHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, HANGEUL_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, "");
    HGDIOBJ previous = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    for (std::size_t i = 0; i < page.rows.size(); ++i) {
        const int top = 1 + kPagedListRowHeight * static_cast<int>(i);
        if (top >= look.rows_bottom) break;
        if (static_cast<int>(i) == cursor.Row())
            paint.DrawBitmap(look.highlight, look.row_left, top, look.row_right - look.row_left, kPagedListRowHeight, 0,
                             kPagedListRowHeight);
        RECT text{look.row_left + kTextInset, top, look.row_right - kTextInset, top + kPagedListRowHeight};
        DrawText(dc, std::string(FileNameOf(page.rows[i].text)), -1, &text,
                 DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    SelectObject(dc, previous);
    DeleteObject(font);
}

int PagedListRowAt(int y) {
    if (y < 1) return -1;
    return std::min((y - 1) / kPagedListRowHeight, player::PlaylistCursor::kRowsPerPage - 1);
}
