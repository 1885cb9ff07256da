#include "tools/standins/standin_window.h"

#include "platform/device_root.h"
#include "platform/gfx/window_dc.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace standins {

RECT ScreenRect() {
    const auto& config = platform::Config();
    return {0, 0, static_cast<LONG>(config.GetInt("screen_width", 800)),
            static_cast<LONG>(config.GetInt("screen_height", 480))};
}

HWND CreateFullScreenWindow(const std::string& class_name, const std::string& title, WNDPROC procedure, Band band) {
    WNDCLASS window_class;
    window_class.lpfnWndProc = procedure;
    window_class.lpszClassName = class_name;
    RegisterClass(&window_class);
    const RECT screen = ScreenRect();
    return CreateWindowEx(band == Band::Topmost ? WS_EX_TOPMOST : 0, class_name, title, WS_POPUP | WS_VISIBLE, 0, 0,
                          screen.right, screen.bottom, nullptr, nullptr, nullptr, nullptr);
}

void PaintCaption(HDC dc, const RECT& rect, COLORREF background, COLORREF ink, const std::string& caption, int height) {
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
    if (caption.empty()) return;
    HFONT font = CreateFont(-height, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Tahoma");
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ink);
    RECT text_rect = rect;
    DrawText(dc, caption, -1, &text_rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (font) {
        SelectObject(dc, previous);
        DeleteObject(font);
    }
}

void PaintSolidPicture(HWND hwnd, COLORREF background, COLORREF ink, const std::string& caption) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    if (!dc) return;
    RECT client;
    GetWindowRect(hwnd, &client);
    client = {0, 0, client.right - client.left, client.bottom - client.top};
    PaintCaption(dc, client, background, ink, caption, 48);
    EndPaint(hwnd, &paint);
}

void LogStart(const std::string& name) { DebugPrintf("%s: started with \"%s\"", name.c_str(), GetCommandLine().c_str()); }

POINT PenPoint(LPARAM lparam) {
    return {static_cast<LONG>(static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(lparam)))),
            static_cast<LONG>(static_cast<std::int16_t>(HIWORD(static_cast<std::uintptr_t>(lparam))))};
}

bool Contains(const RECT& rect, POINT point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

namespace {
// The one picture of this program (a process runs one application object).
const StandInPicture* s_picture = nullptr;
}  // namespace

CPictureStandInApp::CPictureStandInApp(const StandInPicture& picture) {
    s_picture = &picture;
}

BOOL CPictureStandInApp::InitInstance() {
    m_hMainWnd = CreateFullScreenWindow(s_picture->className, s_picture->title, &CPictureStandInApp::Procedure);
    LogStart(s_picture->name);
    return m_hMainWnd != nullptr;
}

LRESULT CPictureStandInApp::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            PaintSolidPicture(hwnd, s_picture->background, s_picture->ink, s_picture->name);
            return 0;
        case WM_CLOSE:
            DebugPrintf("%s: WM_CLOSE", s_picture->name);
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

}  // namespace standins
