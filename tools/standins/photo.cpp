// The photo viewer's stand-in: a full-screen window titled "APP_PHOTO", installed as
// \NAND\PHOTO.EXE. It shows one blue picture with its name, so a screenshot tells it apart,
// and ends on WM_CLOSE. Its log lines:
//   Photo: started with "<command line>"
//   Photo: WM_CLOSE
#include "platform/app/application.h"
#include "platform/kernel/debug_output.h"
#include "tools/standins/standin_window.h"

namespace {

constexpr COLORREF kBackground = RGB(30, 110, 190);
constexpr COLORREF kInk = RGB(255, 255, 255);

LRESULT PhotoWindow(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            standins::PaintSolidPicture(hwnd, kBackground, kInk, "Photo");
            return 0;
        case WM_CLOSE:
            DebugPrintf("Photo: WM_CLOSE");
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

class CPhotoApp : public CWinApp {
public:
    BOOL InitInstance() override {
        m_hMainWnd = standins::CreateFullScreenWindow("PhotoViewer", "APP_PHOTO", PhotoWindow);
        standins::LogStart("Photo");
        return m_hMainWnd != nullptr;
    }
};

CPhotoApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
