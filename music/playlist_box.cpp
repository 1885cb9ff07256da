#include "music/playlist_box.h"

#include "framework/paged_list_box.h"
#include "framework/program_messages.h"
#include "platform/window/window_surface.h"

namespace music {
namespace {

constexpr const char* kClassName = "PLAYLIST";
constexpr UINT kBackgroundImage = 160;  // 217 × 336
constexpr UINT kThumbImage = 166;       // 4 × 64 cells: one page, several pages
constexpr UINT kHighlightImage = 165;   // 208 × 37, its second row behind the cursor row
constexpr int kThumbX = 211, kThumbY = 1;
constexpr int kRowRight = 209, kRowsBottom = 1 + 9 * 37;

}  // namespace

CPlaylistBox::~CPlaylistBox() { Destroy(); }

bool CPlaylistBox::Create(HWND dialog) {
    m_dialog = dialog;
    WNDCLASS window_class;
    window_class.lpfnWndProc = &CPlaylistBox::Procedure;
    window_class.lpszClassName = kClassName;
    RegisterClass(&window_class);
    const RECT& r = kPlaylistBoxRect;
    m_hwnd = CreateWindowEx(WS_EX_TOPMOST, kClassName, "", WS_CHILD | WS_CLIPSIBLINGS, r.left, r.top,
                            r.right - r.left, r.bottom - r.top, dialog, nullptr, nullptr, nullptr);
    if (!m_hwnd) return false;
    SetWindowLong(m_hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_background = LoadBitmap(kBackgroundImage);
    m_thumb = LoadBitmap(kThumbImage);
    m_highlight = LoadBitmap(kHighlightImage);
    ShowWindow(m_hwnd, SW_SHOWNA);
    return true;
}

void CPlaylistBox::Destroy() {
    if (m_hwnd) {
        SetWindowLong(m_hwnd, GWL_USERDATA, 0);
        DestroyWindow(m_hwnd);
        m_hwnd = nullptr;
    }
    for (HBITMAP* picture : {&m_background, &m_thumb, &m_highlight}) {
        if (*picture) DeleteObject(*picture);
        *picture = nullptr;
    }
}

void CPlaylistBox::Place(int row) {
    m_cursor.Reset(m_rows.GetItemCount(), row);
    Repaint();
}

bool CPlaylistBox::PageUp() {
    if (!m_cursor.PageUp()) return false;
    Repaint();
    return true;
}

bool CPlaylistBox::PageDown() {
    if (!m_cursor.PageDown()) return false;
    Repaint();
    return true;
}

void CPlaylistBox::Repaint() const {
    if (m_hwnd) InvalidateRect(m_hwnd, nullptr, FALSE);
}

LRESULT CPlaylistBox::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* box = reinterpret_cast<CPlaylistBox*>(GetWindowLong(hwnd, GWL_USERDATA));
    if (!box) return DefWindowProc(hwnd, message, wparam, lparam);
    switch (message) {
        case WM_PAINT:
            box->Paint();
            return 0;
        case WM_LBUTTONDOWN:
            box->OnTap(static_cast<short>(HIWORD(static_cast<DWORD>(lparam))));
            return 0;
        case WM_CLOSE:
            box->Destroy();
            return 0;
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

void CPlaylistBox::OnTap(int y) {
    const int row = PagedListRowAt(y);
    if (row < 0 || !m_cursor.SelectRow(row)) return;
    Repaint();
    PostMessage(m_dialog, WM_SKIN_SLIDER, kPlaylistBoxId, static_cast<LPARAM>(m_cursor.Selected()));
}

void CPlaylistBox::Paint() {
    PagedListLook look;
    look.background = m_background;
    look.thumb = m_thumb;
    look.highlight = m_highlight;
    look.thumb_x = kThumbX;
    look.thumb_y = kThumbY;
    look.thumb_only_with_pages = false;
    look.row_right = kRowRight;
    look.rows_bottom = kRowsBottom;
    PaintPagedList(m_hwnd, m_rows, m_cursor, look);
}

}  // namespace music
