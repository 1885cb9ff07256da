#include "fileshelf/list_view_ex.h"

#include <array>
#include <string_view>

#include "fileshelf/name_text.h"
#include "platform/gfx/gfx.h"
#include "platform/gfx/window_dc.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"
#include "platform/window/window_surface.h"

namespace fileshelf {
namespace {

// The pictures a list is painted from, loaded once by the window's thread.
enum Picture { kBackground, kCheckBox, kFolder, kHighlight, kScrollThumb };
constexpr UINT kPictureIds[CListViewEx::kPictureCount] = {
    137,  // the list's background
    130,  // 21 × 21 cells: unchecked, checked
    134,  // 20 × 21 on the icon key colour
    148,  // 312 × 32, behind the cursor row
    144,  // 4 × 64 cells: one page, several pages
};
constexpr COLORREF kIconKey = RGB(248, 0, 248);

constexpr int kRowLeft = 12;
constexpr int kRowRight = 324;
constexpr int kCheckBoxSize = 21;
constexpr int kFolderWidth = 20, kFolderHeight = 21;
constexpr int kThumbX = 339, kThumbWidth = 4, kThumbHeight = 64;
constexpr int kTextHeight = 19;
// A posted repaint, so that any thread may ask for one.
constexpr UINT kRepaint = WM_APP + 1;
constexpr DWORD kCloseWaitMs = 2000;

// The two windows there may be at once.
std::mutex s_slots_mutex;
std::array<CListViewEx*, 2> s_slots{};

}  // namespace

CListViewEx::CListViewEx(HWND owner, CListCtrl& list, int list_id, std::string name)
    : m_owner(owner), m_list(list), m_list_id(list_id), m_name(std::move(name)), m_class_name("CListViewEx-" + m_name) {}

CListViewEx::~CListViewEx() {
    if (m_ready) CloseHandle(m_ready);
    if (m_thread) CloseHandle(m_thread);
    std::lock_guard lock(s_slots_mutex);
    if (m_slot >= 0 && s_slots[static_cast<std::size_t>(m_slot)] == this) s_slots[static_cast<std::size_t>(m_slot)] = nullptr;
}

CListViewEx* CListViewEx::Create(HWND owner, CListCtrl& list, int list_id, const std::string& name) {
    auto* view = new CListViewEx(owner, list, list_id, name);
    {
        std::lock_guard lock(s_slots_mutex);
        for (std::size_t slot = 0; slot < s_slots.size(); ++slot) {
            if (s_slots[slot]) continue;
            s_slots[slot] = view;
            view->m_slot = static_cast<int>(slot);
            break;
        }
    }
    view->m_ready = CreateEvent(FALSE, FALSE);
    if (view->m_slot < 0 || !view->m_ready) {
        delete view;
        return nullptr;
    }
    view->m_thread = CreateThread(nullptr, 0, &CListViewEx::ThreadMain, view, 0, nullptr);
    if (!view->m_thread) {
        delete view;
        return nullptr;
    }
    WaitForSingleObject(view->m_ready, INFINITE);
    if (!view->m_hwnd) {
        // The thread ended without a window; it touches the object no more.
        WaitForSingleObject(view->m_thread, INFINITE);
        delete view;
        return nullptr;
    }
    return view;
}

bool CListViewEx::Open() {
    for (std::size_t i = 0; i < kPictureCount; ++i) m_pictures[i] = LoadBitmap(kPictureIds[i]);
    DebugPrintf("CListViewEx::Register => %s\n", m_class_name.c_str());
    WNDCLASS window_class;
    window_class.lpfnWndProc = &CListViewEx::Procedure;
    window_class.lpszClassName = m_class_name;
    RegisterClass(&window_class);
    m_hwnd = CreateWindowEx(0, m_class_name, m_class_name, WS_POPUP, 0, 0, 0, 0, m_owner, nullptr, nullptr, nullptr);
    if (!m_hwnd) return false;
    SetWindowLong(m_hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
    // Whatever changes the rows, on any thread, asks for a repaint.
    m_list.NotifyWindowOnChange(m_hwnd, kRepaint);
    return true;
}

DWORD CListViewEx::ThreadMain(void* parameter) {
    auto* view = static_cast<CListViewEx*>(parameter);
    const bool opened = view->Open();
    SetEvent(view->m_ready);
    if (!opened) {
        for (HBITMAP picture : view->m_pictures)
            if (picture) DeleteObject(picture);
        return 1;
    }
    MSG message;
    while (GetMessage(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessage(&message);
    }
    DebugPrintf("Wait MessageLoop %s: WM_QUIT\r\n", view->m_class_name.c_str());
    for (HBITMAP& picture : view->m_pictures) {
        if (picture) DeleteObject(picture);
        picture = nullptr;
    }
    return 0;
}

void CListViewEx::Close() {
    if (m_hwnd) {
        m_list.SetChangeHandler(nullptr);
        PostMessage(m_hwnd, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(m_thread, kCloseWaitMs) != WAIT_OBJECT_0) {
        // A window thread that does not end keeps its object: freeing it under the thread
        // would be worse than the bytes it holds.
        DebugPrintf("FileShelf: %s did not end within %lu ms\n", m_class_name.c_str(), static_cast<unsigned long>(kCloseWaitMs));
        return;
    }
    delete this;
}

LRESULT CListViewEx::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* view = reinterpret_cast<CListViewEx*>(GetWindowLong(hwnd, GWL_USERDATA));
    if (!view) return DefWindowProc(hwnd, message, wparam, lparam);
    return view->OnMessage(message, wparam, lparam);
}

LRESULT CListViewEx::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case kRepaint:
            InvalidateRect(m_hwnd, nullptr, FALSE);
            return 0;
        case WM_LISTVIEWEX_SHOW:
            SetWindowPos(m_hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
            return 0;
        case WM_LISTVIEWEX_HIDE:
            ShowWindow(m_hwnd, SW_HIDE);
            return 0;
        case WM_LBUTTONDOWN:
            OnTap(static_cast<int>(static_cast<short>(HIWORD(static_cast<DWORD>(lparam)))));
            return 0;
        case WM_CLOSE:
            DestroyWindow(m_hwnd);
            return 0;
        case WM_DESTROY:
            DebugPrintf("Wait %s: Destroy\r\n", m_class_name.c_str());
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProc(m_hwnd, message, wparam, lparam);
    }
}

void CListViewEx::OnTap(int y) {
    int row = 0;
    {
        std::lock_guard lock(m_mutex);
        const std::optional<int> tapped = TappedRow(y, m_position.top, m_list.GetItemCount());
        if (!tapped) return;
        row = *tapped;
        m_position.cursor = row - m_position.top;
    }
    InvalidateRect(m_hwnd, nullptr, FALSE);
    PostMessage(m_owner, WM_LISTVIEWEX_TAP, static_cast<WPARAM>(m_list_id), static_cast<LPARAM>(row));
}

void CListViewEx::Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hwnd, &paint);
    if (!dc) return;
    RECT window;
    GetWindowRect(m_hwnd, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    if (width <= 0 || height <= 0) {
        EndPaint(m_hwnd, &paint);
        return;
    }
    PagePosition position = Position();
    const ListPageCopy page = m_list.CopyPage(position.top, kRowsPerPage);

    // Drawn off screen, then copied in one go.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP canvas = CreateCompatibleBitmap(dc, width, height);
    HGDIOBJ previous_canvas = SelectObject(memory, canvas);
    HDC pictures = CreateCompatibleDC(dc);
    auto draw = [&](Picture picture, int x, int y, int w, int h, int source_x, bool keyed) {
        HBITMAP bitmap = m_pictures[picture];
        if (!bitmap) return;
        HGDIOBJ previous = SelectObject(pictures, bitmap);
        if (keyed) TransparentBlt(memory, x, y, w, h, pictures, source_x, 0, w, h, kIconKey);
        else BitBlt(memory, x, y, w, h, pictures, source_x, 0, SRCCOPY);
        SelectObject(pictures, previous);
    };
    draw(kBackground, 0, 0, width, height, 0, false);
    draw(kScrollThumb, kThumbX, ScrollThumbY(position.top, page.item_count, height), kThumbWidth, kThumbHeight,
         page.item_count > kRowsPerPage ? kThumbWidth : 0, false);

    HFONT font = CreateFont(-kTextHeight, 0, 0, 0, FW_NORMAL, 0, 0, 0, HANGEUL_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, "NanumGothic");
    HGDIOBJ previous_font = font ? SelectObject(memory, font) : nullptr;
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, RGB(255, 255, 255));
    for (std::size_t i = 0; i < page.rows.size(); ++i) {
        const ListRowCopy& row = page.rows[i];
        const int top = 1 + kRowHeight * static_cast<int>(i);
        if (static_cast<int>(i) == position.cursor) draw(kHighlight, kRowLeft, top, kRowRight - kRowLeft, kRowHeight, 0, false);
        int x = kRowLeft + 4;
        if (row.state_image == 1 || row.state_image == 2) {
            draw(kCheckBox, x, top + 5, kCheckBoxSize, kCheckBoxSize, row.state_image == 2 ? kCheckBoxSize : 0, false);
            x += kCheckBoxSize + 4;
        }
        if (row.image == kFolderRowImage) {
            draw(kFolder, x, top + 5, kFolderWidth, kFolderHeight, 0, true);
            x += kFolderWidth + 4;
        }
        RECT text_rect{x + 2, top, kRowRight, top + kRowHeight};
        DrawText(memory, std::string(LastComponent(row.text)), -1, &text_rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    if (font) {
        SelectObject(memory, previous_font);
        DeleteObject(font);
    }
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    DeleteDC(pictures);
    SelectObject(memory, previous_canvas);
    DeleteObject(canvas);
    DeleteDC(memory);
    EndPaint(m_hwnd, &paint);
}

int CListViewEx::CurrentRow() const {
    std::lock_guard lock(m_mutex);
    return m_position.CurrentRow();
}

void CListViewEx::SetCurrentRow(int row) {
    {
        std::lock_guard lock(m_mutex);
        m_position = PositionOfRow(row);
    }
    Repaint();
}

PagePosition CListViewEx::Position() const {
    std::lock_guard lock(m_mutex);
    return m_position;
}

void CListViewEx::Reset() {
    SetCurrentRow(0);
}

void CListViewEx::Repaint() {
    PostMessage(m_hwnd, kRepaint, 0, 0);
}

void CListViewEx::Place(const RECT& rect) {
    SetWindowPos(m_hwnd, HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

bool CListViewEx::PageDown() {
    {
        std::lock_guard lock(m_mutex);
        const std::optional<PagePosition> next = fileshelf::PageDown(m_position, m_list.GetItemCount());
        if (!next) return false;
        m_position = *next;
    }
    Repaint();
    return true;
}

bool CListViewEx::PageUp() {
    {
        std::lock_guard lock(m_mutex);
        const std::optional<PagePosition> next = fileshelf::PageUp(m_position);
        if (!next) return false;
        m_position = *next;
    }
    Repaint();
    return true;
}

}  // namespace fileshelf
