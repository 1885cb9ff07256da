// A player's stand-in for the playlist editor: a full-screen window whose name is its command
// line ("APP_MUSIC", "APP_MOVIE", ...), installed as \NAND\LISTPLAYER.EXE. At start, and at
// each tap on its window, it starts FileShelf the way the players do, with its window name as
// the mode word; it logs every playlist result FileShelf posts back. Its log lines:
//   ListPlayer: started with "<command line>"
//   ListPlayer: FileShelf <result of the launch>
//   ListPlayer: WM_PLAYLIST_RESULT <wParam> <lParam>
//   ListPlayer: WM_CLOSE
#include <string>

#include "framework/program_messages.h"
#include "homedeck/program_launch.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"
#include "tools/standins/standin_window.h"

namespace {

constexpr const char* kName = "ListPlayer";

std::string s_window_name;

void StartFileShelf() {
    const int launched = homedeck::LaunchOrActivate(homedeck::kFileShelf, s_window_name);
    DebugPrintf("%s: FileShelf %d\n", kName, launched);
}

LRESULT Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            standins::PaintSolidPicture(hwnd, RGB(40, 120, 60), RGB(255, 255, 255), s_window_name);
            return 0;
        case WM_LBUTTONUP:
            StartFileShelf();
            return 0;
        case WM_PLAYLIST_RESULT:
            DebugPrintf("%s: WM_PLAYLIST_RESULT %lu %ld\n", kName, static_cast<unsigned long>(wparam),
                        static_cast<long>(lparam));
            return 0;
        case WM_CLOSE:
            DebugPrintf("%s: WM_CLOSE\n", kName);
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

class CListPlayerApp : public CWinApp {
public:
    BOOL InitInstance() override {
        s_window_name = GetCommandLine();
        m_hMainWnd = standins::CreateFullScreenWindow("ListPlayer", s_window_name, &Procedure);
        standins::LogStart(kName);
        if (!m_hMainWnd) return FALSE;
        StartFileShelf();
        return TRUE;
    }
};

CListPlayerApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
