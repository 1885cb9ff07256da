// The touch calibration launcher's stand-in, installed as \WINDOWS\TCLAUNCH.EXE: a full-screen
// window titled "TouchCalibration", in the topmost band so it covers the taskbar button too,
// showing a cross at the screen's centre. A tap closes it, as does 10 s without one. It ends
// on the pen's release rather than its press, so the release does not land on the window
// below. Its log lines:
//   TouchCalibration: started with "<command line>"
//   TouchCalibration: tapped at <x>,<y>
//   TouchCalibration: no tap in 10 s
#include "platform/app/application.h"
#include "platform/gfx/window_dc.h"
#include "platform/kernel/debug_output.h"
#include "tools/standins/standin_window.h"

namespace {

constexpr UINT_PTR kGiveUpTimer = 1;
constexpr UINT kGiveUpMilliseconds = 10000;
constexpr int kCrossArm = 40;
constexpr COLORREF kBackground = RGB(255, 255, 255);
constexpr COLORREF kCross = RGB(0, 0, 0);

bool s_pressed = false;

void Paint(HWND hwnd) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    if (!dc) return;
    const RECT screen = standins::ScreenRect();
    standins::PaintCaption(dc, screen, kBackground, kCross, "", 0);
    const int x = screen.right / 2, y = screen.bottom / 2;
    HBRUSH ink = CreateSolidBrush(kCross);
    const RECT across{x - kCrossArm, y - 1, x + kCrossArm + 1, y + 2};
    const RECT down{x - 1, y - kCrossArm, x + 2, y + kCrossArm + 1};
    FillRect(dc, &across, ink);
    FillRect(dc, &down, ink);
    DeleteObject(ink);
    RECT hint{0, y + kCrossArm + 24, screen.right, y + kCrossArm + 64};
    standins::PaintCaption(dc, hint, kBackground, kCross, "Tap the centre of the cross", 20);
    EndPaint(hwnd, &paint);
}

LRESULT CalibrationWindow(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            Paint(hwnd);
            return 0;
        case WM_LBUTTONDOWN:
            s_pressed = true;
            SetCapture(hwnd);
            return 0;
        case WM_LBUTTONUP:
            if (s_pressed) {
                const POINT point = standins::PenPoint(lparam);
                DebugPrintf("TouchCalibration: tapped at %d,%d", point.x, point.y);
                ReleaseCapture();
                DestroyWindow(hwnd);
            }
            return 0;
        case WM_TIMER:
            if (wparam == kGiveUpTimer) {
                DebugPrintf("TouchCalibration: no tap in 10 s");
                DestroyWindow(hwnd);
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

class CCalibrationApp : public CWinApp {
public:
    BOOL InitInstance() override {
        m_hMainWnd = standins::CreateFullScreenWindow("TouchCalibration", "TouchCalibration", CalibrationWindow,
                                                      standins::Band::Topmost);
        standins::LogStart("TouchCalibration");
        if (m_hMainWnd) SetTimer(m_hMainWnd, kGiveUpTimer, kGiveUpMilliseconds, nullptr);
        return m_hMainWnd != nullptr;
    }
};

CCalibrationApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
