#include "extview/pip_box.h"

#include "framework/wait_box.h"
#include "platform/kernel/debug_output.h"

namespace extview {
namespace {

constexpr UINT kMoveMessage = WM_APP + 1;  // wParam: left << 16 | top, lParam: right << 16 | bottom

}  // namespace

bool CExtviewPipBox::Create(HWND main_window, const ModeRect& rect)
{
    // A tap on the picture only asks for the mode change: it takes neither the foreground nor
    // the front.
    return CThreadWindow::Create("CExtviewPipBox", main_window, RECT{rect.left, rect.top, rect.right, rect.bottom},
                                 WS_EX_NOACTIVATE);
}

void CExtviewPipBox::MoveTo(const ModeRect& rect) const
{
    PostMessage(Window(), kMoveMessage, static_cast<WPARAM>(rect.left << 16 | rect.top),
                static_cast<LPARAM>(rect.right << 16 | rect.bottom));
}

LRESULT CExtviewPipBox::OnMessage(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_WAITBOX_SHOW: ShowWindow(Window(), SW_SHOWNA); return 0;
    case WM_WAITBOX_HIDE: ShowWindow(Window(), SW_HIDE); return 0;
    case kMoveMessage: {
        const int left = static_cast<int>(wparam >> 16), top = static_cast<int>(wparam & 0xFFFF);
        const int right = static_cast<int>(lparam >> 16), bottom = static_cast<int>(lparam & 0xFFFF);
        SetWindowPos(Window(), nullptr, left, top, right - left, bottom - top, SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(Window(), nullptr, FALSE);
        return 0;
    }
    case WM_LBUTTONUP: PostMessage(Owner(), WM_COMMAND, kTapCommand, 0); return 0;
    case WM_DESTROY:
        DebugPrintf("PipCtrl::WM_DESTROY\n");
        return CThreadWindow::OnMessage(message, wparam, lparam);
    default: return CThreadWindow::OnMessage(message, wparam, lparam);
    }
}

void CExtviewPipBox::Paint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Window(), &paint);
    if (!dc) return;
    RECT window{};
    GetWindowRect(Window(), &window);
    const RECT client{0, 0, window.right - window.left, window.bottom - window.top};
    HBRUSH brush = CreateSolidBrush(kPipColourKey);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    EndPaint(Window(), &paint);
}

}  // namespace extview
