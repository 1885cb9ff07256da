// CMoviePlayList: the list view of Movie's entries, nine rows a page over the background, the
// selected row on its highlight and a scroll thumb when there is more than one page. A press
// on a row moves the highlight; the release tells the main window which entry was chosen
// (WM_SKIN_SLIDER with id 1024 and the entry).
//
// The box runs on a thread of its own. The entries stay in the main dialog's holder; the box
// keeps the page and the selection under its own lock and paints from a copy of the page.
#pragma once

#include <mutex>

#include "framework/thread_window.h"
#include "movie/movie_player_state.h"
#include "platform/app/list_view.h"

namespace movie {

constexpr int kSelectionReport = 1024;
constexpr RECT kPlayListRect = {0, 71, 800, 411};
constexpr int kPlayListRowHeight = 37;

class CMoviePlayList : public CThreadWindow {
public:
    explicit CMoviePlayList(const CListCtrl& entries) : m_entries(entries) {}

    // Makes the hidden box on its own thread.
    bool Create(HWND main_window);

    // The selection after the entries changed: the page that holds it.
    void Reset(int selected);
    int Selected() const;
    // Each repaints when it changed something.
    bool Select(int entry);
    bool Next();
    bool Previous();
    bool PageUp();
    bool PageDown();
    player::PlaylistCursor Cursor() const;

protected:
    bool OnOpen() override;
    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnThreadEnd() override;

private:
    // Runs a change of the cursor under the lock and repaints when it made one.
    template <class Change>
    bool Changed(Change change);
    void Paint();

    const CListCtrl& m_entries;
    HBITMAP m_background = nullptr;  // the window thread's own
    HBITMAP m_thumb = nullptr;
    HBITMAP m_highlight = nullptr;

    mutable std::mutex m_mutex;
    player::PlaylistCursor m_cursor;
};

}  // namespace movie
