#include "telecast/channel_list.h"
#include "platform/kernel/debug_output.h"

#include <vector>

#include "framework/thread_window.h"
#include "platform/app/controls.h"
#include "platform/gfx/gfx.h"

namespace telecast {
namespace {

constexpr const char* kClassName = "CChannelList";

int PenY(LPARAM lparam) { return static_cast<short>(HIWORD(static_cast<std::uintptr_t>(lparam))); }

}  // namespace

CChannelList::~CChannelList() {
    Destroy();
}

bool CChannelList::Create(HWND main_window, HWND lines) {
    if (m_hwnd) return false;
    WNDCLASS window_class;
    window_class.lpfnWndProc = &CChannelList::Procedure;
    window_class.lpszClassName = kClassName;
    RegisterClass(&window_class);  // a second list registers the class again; that is harmless
    // A popup owned by the main window, over its place in the main window: the skin dialog
    // repaints its whole surface from its off-screen picture, which would cover a child's rows.
    const RECT& r = kChannelListRect;
    RECT main = {};
    GetWindowRect(main_window, &main);
    HWND hwnd = CreateWindowEx(0, kClassName, kClassName, WS_POPUP, main.left + r.left, main.top + r.top,
                               r.right - r.left, r.bottom - r.top, main_window, nullptr, nullptr, nullptr);
    if (!hwnd) return false;
    m_hwnd = hwnd;
    m_owner = main_window;
    m_lines = lines;
    m_background = LoadBitmap(kChannelListBackground);
    m_highlight = LoadBitmap(kChannelListHighlight);
    m_thumb = LoadBitmap(kChannelListThumb);
    SetWindowLong(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

void CChannelList::Destroy() {
    if (m_hwnd && IsWindow(m_hwnd)) {
        SetWindowLong(m_hwnd, GWL_USERDATA, 0);
        DestroyWindow(m_hwnd);
    }
    m_hwnd = nullptr;
    for (HBITMAP* bitmap : {&m_background, &m_highlight, &m_thumb}) {
        if (*bitmap) DeleteObject(*bitmap);
        *bitmap = nullptr;
    }
}

LRESULT CChannelList::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<CChannelList*>(GetWindowLong(hwnd, GWL_USERDATA));
    if (!self) return DefWindowProc(hwnd, message, wparam, lparam);
    return self->OnMessage(message, wparam, lparam);
}

LRESULT CChannelList::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_THREADWINDOW_SHOW:
            ShowWindow(m_hwnd, SW_SHOWNA);
            InvalidateRect(m_hwnd, nullptr, FALSE);
            return 0;
        case WM_THREADWINDOW_HIDE:
            ShowWindow(m_hwnd, SW_HIDE);
            return 0;
        case WM_THREADWINDOW_REPAINT:
            InvalidateRect(m_hwnd, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
            Press(PenY(lparam));
            return 0;
        case WM_LBUTTONUP: {
            // A release on a row without a line chooses nothing.
            const int line = Press(PenY(lparam));
            if (line >= 0) PostMessage(m_owner, kChannelChosenMessage, kChannelChosen, line);
            return 0;
        }
        default:
            return DefWindowProc(m_hwnd, message, wparam, lparam);
    }
}

int CChannelList::Press(int y) {
    const int row = ListPosition::RowAt(y);
    if (row < 0) return -1;
    const int line = m_position.top + row;
    if (line >= LineCount()) return -1;
    Move({m_position.top, row});
    return line;
}

void CChannelList::Move(ListPosition position) {
    if (position.top == m_position.top && position.row == m_position.row) return;
    m_position = position;
    if (m_hwnd) InvalidateRect(m_hwnd, nullptr, FALSE);
}

void CChannelList::SetPosition(int line) {
    Move(ListPosition::At(line));
}

void CChannelList::PageDown() {
    Move(m_position.PageDown(LineCount()));
}

void CChannelList::PageUp() {
    Move(m_position.PageUp());
}

void CChannelList::Next() {
    Move(m_position.Next(LineCount()));
}

void CChannelList::Previous() {
    Move(m_position.Previous(LineCount()));
}

void CChannelList::Refresh() const {
    if (m_hwnd) PostMessage(m_hwnd, WM_THREADWINDOW_REPAINT, 0, 0);
}

int CChannelList::LineCount() const {
    if (!m_lines) return 0;
    const LRESULT count = SendMessage(m_lines, LB_GETCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : 0;
}

std::string CChannelList::LineText(int line) const {
    const LRESULT length = SendMessage(m_lines, LB_GETTEXTLEN, static_cast<WPARAM>(line), 0);
    if (length <= 0) return {};
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
    if (SendMessage(m_lines, LB_GETTEXT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(buffer.data())) <= 0)
        return {};
    return std::string(buffer.data());
}

std::string CChannelList::ShownText(const std::string& line) {
    const std::size_t slash = line.find_last_of("\\/");
    return slash == std::string::npos ? line : line.substr(slash + 1);
}

void CChannelList::Paint() {
    const int lines = LineCount();
    CBufferedPaint paint(m_hwnd);
    HDC dc = paint.Dc();
    if (!dc) return;
    paint.DrawBitmap(m_background, 0, 0, paint.Width(), paint.Height(), 0, 0);
    const int thumb_y = ListPosition::ThumbY(m_position.top, lines);
    if (thumb_y >= 0) paint.DrawBitmap(m_thumb, kThumbX, thumb_y, kThumbWidth, kThumbHeight, 0, 0);

    HFONT font = CreateFont(kRowTextHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, HANGEUL_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, "");
    HGDIOBJ previous = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    for (int row = 0; row < ListPosition::kRows; ++row) {
        const int line = m_position.top + row;
        if (line >= lines) break;
        const int top = ListPosition::kFirstRowY + row * ListPosition::kRowHeight;
        if (row == m_position.row)
            paint.DrawBitmap(m_highlight, kRowTextLeft, top, kRowTextRight - kRowTextLeft, ListPosition::kRowHeight, 0,
                             0);
        RECT text{kRowTextLeft + kRowTextInset, top, kRowTextRight - kRowTextInset, top + ListPosition::kRowHeight};
        DrawText(dc, ShownText(LineText(line)), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    SelectObject(dc, previous);
    DeleteObject(font);
}

}  // namespace telecast
