#include "movie/movie_play_list.h"

#include <string_view>

#include "framework/program_messages.h"

namespace movie {
namespace {

constexpr UINT kBackgroundImage = 138;  // 800 × 340
constexpr UINT kThumbImage = 140;       // 4 × 64
constexpr UINT kHighlightImage = 156;   // 790 × 37, its second row behind the selected row
constexpr int kThumbX = 794, kThumbWidth = 4, kThumbHeight = 64;
constexpr int kRowLeft = 1, kRowRight = 791, kRowsBottom = 333;
constexpr int kTextHeight = 18, kTextInset = 4;

std::string_view FileNameOf(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool CMoviePlayList::Create(HWND main_window) {
    return CThreadWindow::Create("CMoviePlayList", main_window, kPlayListRect);
}

bool CMoviePlayList::OnOpen() {
    m_background = LoadBitmap(kBackgroundImage);
    m_thumb = LoadBitmap(kThumbImage);
    m_highlight = LoadBitmap(kHighlightImage);
    return true;
}

void CMoviePlayList::OnThreadEnd() {
    for (HBITMAP* picture : {&m_background, &m_thumb, &m_highlight}) {
        if (*picture) DeleteObject(*picture);
        *picture = nullptr;
    }
}

template <class Change>
bool CMoviePlayList::Changed(Change change) {
    bool changed = false;
    {
        std::lock_guard lock(m_mutex);
        changed = change(m_cursor);
    }
    if (changed && Window()) Repaint();
    return changed;
}

void CMoviePlayList::Reset(int selected) {
    const int count = m_entries.GetItemCount();
    Changed([&](player::PlaylistCursor& cursor) {
        cursor.Reset(count, selected);
        return true;
    });
}

int CMoviePlayList::Selected() const {
    std::lock_guard lock(m_mutex);
    return m_cursor.Selected();
}

int CMoviePlayList::Count() const {
    std::lock_guard lock(m_mutex);
    return m_cursor.Count();
}

player::PlaylistCursor CMoviePlayList::Cursor() const {
    std::lock_guard lock(m_mutex);
    return m_cursor;
}

bool CMoviePlayList::Select(int entry) {
    return Changed([&](player::PlaylistCursor& cursor) { return cursor.Select(entry); });
}

bool CMoviePlayList::Next() {
    return Changed([](player::PlaylistCursor& cursor) { return cursor.Next(); });
}

bool CMoviePlayList::Previous() {
    return Changed([](player::PlaylistCursor& cursor) { return cursor.Previous(); });
}

bool CMoviePlayList::PageUp() {
    return Changed([](player::PlaylistCursor& cursor) { return cursor.PageUp(); });
}

bool CMoviePlayList::PageDown() {
    return Changed([](player::PlaylistCursor& cursor) { return cursor.PageDown(); });
}

int CMoviePlayList::RowAt(int y) {
    if (y < 1) return -1;
    const int row = (y - 1) / kPlayListRowHeight;
    return row > player::PlaylistCursor::kRowsPerPage - 1 ? player::PlaylistCursor::kRowsPerPage - 1 : row;
}

LRESULT CMoviePlayList::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP: {
            const int row = RowAt(static_cast<short>(HIWORD(static_cast<DWORD>(lparam))));
            int entry = -1;
            Changed([&](player::PlaylistCursor& cursor) {
                if (row < 0 || !cursor.SelectRow(row)) return false;
                entry = cursor.Selected();
                return true;
            });
            // A release on a row without an entry tells nothing.
            if (message == WM_LBUTTONUP && entry >= 0)
                PostMessage(Owner(), WM_SKIN_SLIDER, kSelectionReport, static_cast<LPARAM>(entry));
            return 0;
        }
        default:
            return CThreadWindow::OnMessage(message, wparam, lparam);
    }
}

void CMoviePlayList::Paint() {
    const player::PlaylistCursor cursor = Cursor();
    const ListPageCopy page = m_entries.CopyPage(cursor.PageStart(), player::PlaylistCursor::kRowsPerPage);
    CBufferedPaint paint(Window());
    HDC dc = paint.Dc();
    if (!dc) return;
    paint.DrawBitmap(m_background, 0, 0, paint.Width(), paint.Height(), 0, 0);
    if (cursor.Pages() >= 2)
        paint.DrawBitmap(m_thumb, kThumbX, cursor.ThumbOffset(paint.Height()), kThumbWidth, kThumbHeight, 0, 0);

    HFONT font = CreateFont(kTextHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, HANGEUL_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, "");
    HGDIOBJ previous = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    for (std::size_t i = 0; i < page.rows.size(); ++i) {
        const int top = 1 + kPlayListRowHeight * static_cast<int>(i);
        if (top >= kRowsBottom) break;
        if (static_cast<int>(i) == cursor.Row())
            paint.DrawBitmap(m_highlight, kRowLeft, top, kRowRight - kRowLeft, kPlayListRowHeight, 0,
                             kPlayListRowHeight);
        RECT text{kRowLeft + kTextInset, top, kRowRight - kTextInset, top + kPlayListRowHeight};
        DrawText(dc, std::string(FileNameOf(page.rows[i].text)), -1, &text,
                 DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    SelectObject(dc, previous);
    DeleteObject(font);
}

}  // namespace movie
