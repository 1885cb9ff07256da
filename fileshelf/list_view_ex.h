// CListViewEx: the window that paints one of FileShelf's lists a page of eight rows at a time
// over its list-view data holder, and turns a tap on a row into WM_LISTVIEWEX_TAP for the
// dialog. Each of the (at most two) windows runs on a thread of its own. The rows stay in the
// holder; the window keeps only the page's top row and the cursor row within it, under its own
// lock, and paints from a copy of the page taken under the holder's lock.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>

#include "fileshelf/list_buttons.h"
#include "platform/app/list_view.h"
#include "platform/gfx/gfx.h"
#include "platform/win32_types.h"
#include "platform/window/window.h"

namespace fileshelf {

constexpr UINT WM_LISTVIEWEX_SHOW = WM_USER + 96;  // topmost, shown, neither moved nor activated
constexpr UINT WM_LISTVIEWEX_HIDE = WM_USER + 97;
constexpr UINT WM_LISTVIEWEX_TAP = WM_USER + 100;  // to the owner: wParam the list's id, lParam the row

// A row's image in the holder: the folder icon.
constexpr int kFolderRowImage = 1;

class CListViewEx {
public:
    static constexpr std::size_t kPictureCount = 5;

    // Starts the window's thread and waits until the window exists or could not be made; null
    // when no slot of the two is free or the window could not be made. `name` is "PLAY" or
    // "FILE"; `list_id` the id the taps carry.
    static CListViewEx* Create(HWND owner, CListCtrl& list, int list_id, const std::string& name);

    // Ends the window (WM_CLOSE) and waits for its thread, at most 2 s. The object is gone
    // afterwards, unless the thread did not end in time: then it frees the object itself.
    void Close();

    HWND Window() const { return m_hwnd; }
    int CurrentRow() const;
    // The page holding the row, with the cursor on it.
    void SetCurrentRow(int row);
    PagePosition Position() const;
    // Top and cursor back to 0, and a repaint.
    void Reset();
    void Repaint();
    // Topmost at the rectangle (screen coordinates), not activated, shown.
    void Place(const RECT& rect);
    // A page down or up, the cursor on the page's first row; false when the page stays.
    bool PageDown();
    bool PageUp();

private:
    CListViewEx(HWND owner, CListCtrl& list, int list_id, std::string name);
    CListViewEx(const CListViewEx&) = delete;
    CListViewEx& operator=(const CListViewEx&) = delete;
    ~CListViewEx();

    static DWORD ThreadMain(void* parameter);
    static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
    void Paint();
    void OnTap(int y);
    bool Open();

    const HWND m_owner;
    CListCtrl& m_list;
    const int m_list_id;
    const std::string m_name;
    const std::string m_class_name;
    HWND m_hwnd = nullptr;
    HANDLE m_ready = nullptr;   // set when the window exists or could not be made
    HANDLE m_thread = nullptr;  // the window's thread, awaited by Close
    int m_slot = -1;

    HBITMAP m_pictures[kPictureCount] = {};  // the window thread's own

    mutable std::mutex m_mutex;
    PagePosition m_position;
};

}  // namespace fileshelf
