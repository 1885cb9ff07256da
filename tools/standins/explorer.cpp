// The platform shell's stand-in, installed as \WINDOWS\EXPLORER.EXE: a full-screen desktop
// window titled "Desktop" with one icon, "HomeDeck", that starts \NAND\HOMEDECK.EXE with the
// verb "Open" when it is tapped (pressed and released inside it). The shell stays behind
// whatever it started, as a desktop does, and ends on WM_CLOSE. Its log lines:
//   Explorer: started with "<command line>"
//   Explorer: starting \NAND\HOMEDECK.EXE
//   Explorer: \NAND\HOMEDECK.EXE did not start (error <device error code>)
#include "platform/app/application.h"
#include "platform/gfx/window_dc.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"
#include "tools/standins/standin_window.h"

namespace {

constexpr const char* kLauncherPath = "\\NAND\\HOMEDECK.EXE";
constexpr RECT kLauncherIcon = {48, 48, 176, 176};
constexpr COLORREF kDesktop = RGB(0, 96, 96);
constexpr COLORREF kIcon = RGB(230, 230, 210);
constexpr COLORREF kIconPressed = RGB(150, 150, 130);
constexpr COLORREF kIconInk = RGB(20, 20, 20);

bool s_pressed = false;  // the pen went down on the icon and has not come up yet

void StartLauncher() {
    DebugPrintf("Explorer: starting %s", kLauncherPath);
    SHELLEXECUTEINFO info;
    info.lpVerb = "Open";
    info.lpFile = kLauncherPath;
    if (!ShellExecuteEx(&info)) DebugPrintf("Explorer: %s did not start (error %u)", kLauncherPath, GetLastError());
}

void Paint(HWND hwnd) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    if (!dc) return;
    standins::PaintCaption(dc, standins::ScreenRect(), kDesktop, RGB(200, 230, 230), "", 0);
    standins::PaintCaption(dc, kLauncherIcon, s_pressed ? kIconPressed : kIcon, kIconInk, "HomeDeck", 22);
    EndPaint(hwnd, &paint);
}

LRESULT DesktopWindow(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            Paint(hwnd);
            return 0;
        case WM_LBUTTONDOWN:
            if (standins::Contains(kLauncherIcon, standins::PenPoint(lparam))) {
                s_pressed = true;
                SetCapture(hwnd);
                InvalidateRect(hwnd, &kLauncherIcon, FALSE);
            }
            return 0;
        case WM_LBUTTONUP:
            if (s_pressed) {
                s_pressed = false;
                ReleaseCapture();
                InvalidateRect(hwnd, &kLauncherIcon, FALSE);
                if (standins::Contains(kLauncherIcon, standins::PenPoint(lparam))) StartLauncher();
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

class CExplorerApp : public CWinApp {
public:
    BOOL InitInstance() override {
        m_hMainWnd = standins::CreateFullScreenWindow("DesktopExplorer", "Desktop", DesktopWindow);
        standins::LogStart("Explorer");
        return m_hMainWnd != nullptr;
    }
};

CExplorerApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
