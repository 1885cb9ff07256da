#include "homedeck/volume_overlay.h"

#include <algorithm>

#include "framework/window_object.h"
#include "platform/gfx/window_dc.h"

namespace homedeck {
namespace {

constexpr UINT kPanelImage = 130, kLabelImage = 161, kTrackImage = 151, kSegmentImage = 153;
constexpr int kLabelX = 10, kLabelY = 24, kLabelWidth = 75, kLabelHeight = 22;
constexpr int kTrackX = 95, kTrackY = 12, kTrackWidth = 314, kTrackHeight = 45;
constexpr int kSegmentX = 8, kSegmentY = 13, kSegmentWidth = 30, kSegmentHeight = 19;  // within the track
constexpr UINT_PTR kHideTimer = 1;

void Blit(HDC target, int x, int y, int width, int height, HBITMAP image, int source_x = 0, int source_y = 0)
{
    if (!image)
        return;
    HDC source = CreateCompatibleDC(target);
    HGDIOBJ previous = SelectObject(source, image);
    BitBlt(target, x, y, width, height, source, source_x, source_y, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
}

}  // namespace

CVolumeOverlay::~CVolumeOverlay()
{
    Destroy();
}

void CVolumeOverlay::Show(int level)
{
    m_level = std::clamp(level, 0, 10);
    if (!m_hwnd) {
        WNDCLASS window_class;
        window_class.lpfnWndProc = &CVolumeOverlay::Procedure;
        window_class.lpszClassName = kClassName;
        RegisterClass(&window_class);
        m_hwnd = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP | WS_DISABLED, kX, kY, kWidth,
                                kHeight, nullptr, nullptr, nullptr, this);
        if (!m_hwnd)
            return;
        m_panel = LoadBitmap(kPanelImage);
        m_label = LoadBitmap(kLabelImage);
        m_track = LoadBitmap(kTrackImage);
        m_segment = LoadBitmap(kSegmentImage);
    }
    InvalidateRect(m_hwnd, nullptr, FALSE);
    SetWindowPos(m_hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    SetTimer(m_hwnd, kHideTimer, kShownMs, nullptr);
}

void CVolumeOverlay::Destroy()
{
    if (m_hwnd)
        DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
    for (HBITMAP* image : {&m_panel, &m_label, &m_track, &m_segment}) {
        if (*image)
            DeleteObject(*image);
        *image = nullptr;
    }
}

void CVolumeOverlay::Paint()
{
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(m_hwnd, &paint);
    if (!hdc)
        return;
    // HomeDeck's own panel under the strip, so that the label sits on the colour it was made for.
    Blit(hdc, 0, 0, kWidth, kHeight, m_panel, kX, kY);
    Blit(hdc, kLabelX, kLabelY, kLabelWidth, kLabelHeight, m_label);
    Blit(hdc, kTrackX, kTrackY, kTrackWidth, kTrackHeight, m_track);
    for (int i = 0; i < m_level; ++i)
        Blit(hdc, kTrackX + kSegmentX + i * kSegmentWidth, kTrackY + kSegmentY, kSegmentWidth, kSegmentHeight, m_segment);
    EndPaint(m_hwnd, &paint);
}

LRESULT CVolumeOverlay::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_CREATE) {
        AttachWindowObject(hwnd, lparam);
        return 0;
    }
    auto* self = WindowObject<CVolumeOverlay>(hwnd);
    if (!self)
        return DefWindowProc(hwnd, message, wparam, lparam);
    switch (message) {
    case WM_PAINT:
        self->Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_TIMER:
        if (wparam == kHideTimer) {
            KillTimer(hwnd, kHideTimer);
            SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
        }
        return 0;
    default:
        return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

}  // namespace homedeck
