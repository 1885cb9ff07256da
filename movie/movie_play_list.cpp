#include "movie/movie_play_list.h"

#include "framework/paged_list_box.h"
#include "framework/program_messages.h"

namespace movie {
namespace {

constexpr UINT kBackgroundImage = 138;  // 800 × 340
constexpr UINT kThumbImage = 140;       // 4 × 64
constexpr UINT kHighlightImage = 156;   // 790 × 37, its second row behind the selected row
constexpr int kThumbX = 794;
constexpr int kRowRight = 791, kRowsBottom = 333;


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


LRESULT CMoviePlayList::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP: {
            const int row = PagedListRowAt(static_cast<short>(HIWORD(static_cast<DWORD>(lparam))));
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
    PagedListLook look;
    look.background = m_background;
    look.thumb = m_thumb;
    look.highlight = m_highlight;
    look.thumb_x = kThumbX;
    look.row_right = kRowRight;
    look.rows_bottom = kRowsBottom;
    PaintPagedList(Window(), m_entries, Cursor(), look);
}

}  // namespace movie
