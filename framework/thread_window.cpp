#include "framework/thread_window.h"

#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

CThreadWindow::~CThreadWindow() {
    if (m_ready) CloseHandle(m_ready);
    if (m_thread) CloseHandle(m_thread);
}

bool CThreadWindow::Create(const std::string& class_name, HWND owner, const RECT& rect, DWORD ex_style) {
    if (m_thread) return m_hwnd != nullptr;
    m_class_name = class_name;
    m_owner = owner;
    m_rect = rect;
    m_ex_style = ex_style;
    m_ready = CreateEvent(FALSE, FALSE);
    if (!m_ready) return false;
    m_thread = CreateThread(nullptr, 0, &CThreadWindow::ThreadMain, this, 0, nullptr);
    if (!m_thread) return false;
    WaitForSingleObject(m_ready, INFINITE);
    if (!m_hwnd) {
        // The thread ended without a window and touches the object no more.
        WaitForSingleObject(m_thread, INFINITE);
        m_ended = true;
        return false;
    }
    return true;
}

bool CThreadWindow::Close(DWORD wait_ms) {
    if (!m_thread || m_ended) return true;
    if (m_hwnd) PostMessage(m_hwnd, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(m_thread, wait_ms) != WAIT_OBJECT_0) {
        DebugPrintf("%s did not end within %lu ms\r\n", m_class_name.c_str(), static_cast<unsigned long>(wait_ms));
        return false;
    }
    m_ended = true;
    return true;
}

DWORD CThreadWindow::ThreadMain(void* parameter) {
    auto* self = static_cast<CThreadWindow*>(parameter);
    WNDCLASS window_class;
    window_class.lpfnWndProc = &CThreadWindow::Procedure;
    window_class.lpszClassName = self->m_class_name;
    RegisterClass(&window_class);
    const RECT& r = self->m_rect;
    HWND hwnd = CreateWindowEx(self->m_ex_style, self->m_class_name, self->m_class_name, WS_POPUP, r.left, r.top,
                               r.right - r.left, r.bottom - r.top, self->m_owner, nullptr, nullptr, nullptr);
    if (hwnd) {
        SetWindowLong(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_hwnd = hwnd;
        if (!self->OnOpen()) {
            SetWindowLong(hwnd, GWL_USERDATA, 0);
            DestroyWindow(hwnd);
            self->m_hwnd = nullptr;
        }
    }
    const bool opened = self->m_hwnd != nullptr;
    SetEvent(self->m_ready);
    if (!opened) {
        self->OnThreadEnd();
        return 1;
    }
    MSG message;
    while (GetMessage(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessage(&message);
    }
    self->OnThreadEnd();
    return 0;
}

LRESULT CThreadWindow::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<CThreadWindow*>(GetWindowLong(hwnd, GWL_USERDATA));
    if (!self) return DefWindowProc(hwnd, message, wparam, lparam);
    return self->OnMessage(message, wparam, lparam);
}

void CThreadWindow::Show() const {
    PostMessage(m_hwnd, WM_THREADWINDOW_SHOW, 0, 0);
}

void CThreadWindow::Hide() const {
    PostMessage(m_hwnd, WM_THREADWINDOW_HIDE, 0, 0);
}

void CThreadWindow::Repaint() const {
    PostMessage(m_hwnd, WM_THREADWINDOW_REPAINT, 0, 0);
}

LRESULT CThreadWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
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
        case WM_CLOSE:
            DestroyWindow(m_hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProc(m_hwnd, message, wparam, lparam);
    }
}

CBufferedPaint::CBufferedPaint(HWND hwnd) : m_hwnd(hwnd) {
    m_window_dc = BeginPaint(hwnd, &m_paint);
    if (!m_window_dc) return;
    RECT window;
    GetWindowRect(hwnd, &window);
    m_width = window.right - window.left;
    m_height = window.bottom - window.top;
    if (m_width <= 0 || m_height <= 0) return;
    m_memory = CreateCompatibleDC(m_window_dc);
    m_canvas = CreateCompatibleBitmap(m_window_dc, m_width, m_height);
    m_previous = SelectObject(m_memory, m_canvas);
    m_source = CreateCompatibleDC(m_window_dc);
}

CBufferedPaint::~CBufferedPaint() {
    if (m_memory) {
        BitBlt(m_window_dc, 0, 0, m_width, m_height, m_memory, 0, 0, SRCCOPY);
        DeleteDC(m_source);
        SelectObject(m_memory, m_previous);
        DeleteObject(m_canvas);
        DeleteDC(m_memory);
    }
    if (m_window_dc) EndPaint(m_hwnd, &m_paint);
}

void CBufferedPaint::DrawBitmap(HBITMAP bitmap, int x, int y, int width, int height, int source_x, int source_y,
                                bool keyed, COLORREF key) {
    if (!m_memory || !bitmap) return;
    HGDIOBJ previous = SelectObject(m_source, bitmap);
    if (keyed) TransparentBlt(m_memory, x, y, width, height, m_source, source_x, source_y, width, height, key);
    else BitBlt(m_memory, x, y, width, height, m_source, source_x, source_y, SRCCOPY);
    SelectObject(m_source, previous);
}
