// The plain look the standard controls share, and the small helpers of their procedures.
#include <algorithm>

#include "platform/app/control_parts.h"
#include "platform/kernel/kernel.h"
#include "platform/window/local_windows.h"

namespace platform::controls {

Paint::Paint(HWND hwnd) : m_hwnd(hwnd) {
    if (!BeginPaint(hwnd, &m_paint)) return;
    PixelBuffer pixels;
    if (GetDCPixels(m_paint.hdc, &pixels)) {
        m_width = pixels.width;
        m_height = pixels.height;
    }
}

Paint::~Paint() {
    if (m_paint.hdc) EndPaint(m_hwnd, &m_paint);
}

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void Frame(HDC dc, const RECT& rect, COLORREF colour) {
    if (rect.right - rect.left < 1 || rect.bottom - rect.top < 1) return;
    Fill(dc, {rect.left, rect.top, rect.right, rect.top + 1}, colour);
    Fill(dc, {rect.left, rect.bottom - 1, rect.right, rect.bottom}, colour);
    Fill(dc, {rect.left, rect.top, rect.left + 1, rect.bottom}, colour);
    Fill(dc, {rect.right - 1, rect.top, rect.right, rect.bottom}, colour);
}

void Text(HDC dc, const std::string& text, RECT rect, UINT format, COLORREF colour, HFONT font) {
    if (text.empty()) return;
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    DrawText(dc, text, -1, &rect, format);
    if (previous) SelectObject(dc, previous);
}

int LineHeight(HFONT font) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return 16;
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRIC metrics;
    const int height = GetTextMetrics(dc, &metrics) ? static_cast<int>(metrics.tmHeight) : 16;
    if (previous) SelectObject(dc, previous);
    DeleteDC(dc);
    return std::max(1, height);
}

Background AskBackground(HWND control, HDC dc) {
    Background background;
    auto local = LocalWindows::Instance().Get(WindowNumber(control));
    if (!local || !local->parent) return background;
    auto parent = LocalWindows::Instance().Get(local->parent);
    // Only a parent on this thread answers at once, and only this program's brush is one here.
    if (!parent || parent->thread_id != GetCurrentThreadId()) return background;
    SetTextColor(dc, kText);
    SetBkMode(dc, TRANSPARENT);
    const auto answer = SendMessage(WindowFromNumber(local->parent), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                    reinterpret_cast<LPARAM>(control));
    auto* brush = reinterpret_cast<HBRUSH>(answer);
    if (brush && GetObjectType(brush) == OBJ_BRUSH) {
        background.brush = brush;
        background.text = GetTextColor(dc);
    }
    return background;
}

void FillBackground(HDC dc, const RECT& rect, const Background& background) {
    if (background.brush) FillRect(dc, &rect, background.brush);
    else Fill(dc, rect, kWindowFace);
}

POINT PenPoint(LPARAM lparam) {
    const auto bits = static_cast<std::uintptr_t>(lparam);
    return {static_cast<std::int16_t>(LOWORD(bits)), static_cast<std::int16_t>(HIWORD(bits))};
}

bool Inside(POINT point, int width, int height) {
    return point.x >= 0 && point.y >= 0 && point.x < width && point.y < height;
}

SIZE WindowSize(HWND hwnd) {
    RECT rect;
    if (!GetWindowRect(hwnd, &rect)) return {};
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void NotifyParent(HWND control, WORD code) {
    HWND parent = nullptr;
    WORD id = 0;
    if (auto local = LocalWindows::Instance().Get(WindowNumber(control))) {
        parent = WindowFromNumber(local->parent);
        id = static_cast<WORD>(local->control_id);
    }
    if (!parent) return;
    SendMessage(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
}

}  // namespace platform::controls
