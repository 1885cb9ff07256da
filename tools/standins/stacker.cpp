// The Stacker game's stand-in: a full-screen window titled "STACKER", installed as
// \NAND\STACKER.EXE. The launcher looks it up as "Stacker"; the device's window lookup ignores
// case, so both spellings find it. It shows one orange picture with its name and ends on
// WM_CLOSE. Its log lines:
//   Stacker: started with "<command line>"
//   Stacker: WM_CLOSE
#include "platform/app/application.h"
#include "platform/kernel/debug_output.h"
#include "tools/standins/standin_window.h"

namespace {

constexpr COLORREF kBackground = RGB(220, 120, 20);
constexpr COLORREF kInk = RGB(40, 20, 0);

LRESULT StackerWindow(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            standins::PaintSolidPicture(hwnd, kBackground, kInk, "Stacker");
            return 0;
        case WM_CLOSE:
            DebugPrintf("Stacker: WM_CLOSE");
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

class CStackerApp : public CWinApp {
public:
    BOOL InitInstance() override {
        m_hMainWnd = standins::CreateFullScreenWindow("StackerGame", "STACKER", StackerWindow);
        standins::LogStart("Stacker");
        return m_hMainWnd != nullptr;
    }
};

CStackerApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
