// What the stand-ins for programs outside the suite share: one full-screen window of a class
// of their own, painted as a picture that a screenshot recognises at once (a solid colour with
// the program's name across it), and the start line every one of them logs.
#pragma once

#include <string>

#include "platform/app/application.h"
#include "platform/gfx/gfx.h"
#include "platform/window/window.h"

namespace standins {

// The whole screen, as the board settings give it.
RECT ScreenRect();

// Registers the window class and creates a visible popup window covering the screen. The
// window waits for its first WM_PAINT, as every window coming into view does.
enum class Band { Normal, Topmost };
HWND CreateFullScreenWindow(const std::string& class_name, const std::string& title, WNDPROC procedure,
                            Band band = Band::Normal);

// Fills a rectangle with one colour and writes a caption centred in it, in a bold face of
// the given pixel height.
void PaintCaption(HDC dc, const RECT& rect, COLORREF background, COLORREF ink, const std::string& caption, int height);

// The whole WM_PAINT of a window that shows one colour and its caption.
void PaintSolidPicture(HWND hwnd, COLORREF background, COLORREF ink, const std::string& caption);

// Logs the line the tests look for when a stand-in starts:
//   <name>: started with "<command line>"
void LogStart(const std::string& name);

// The point of a pen message (client coordinates, x in the low word, y in the high word).
POINT PenPoint(LPARAM lparam);
bool Contains(const RECT& rect, POINT point);

// A stand-in that only shows its picture and ends on WM_CLOSE (Photo, Stacker). It logs its
// start line and "<name>: WM_CLOSE".
struct StandInPicture {
    const char* name;        // in the log lines and on the picture
    const char* className;
    const char* title;       // the window name the suite finds it by
    COLORREF background;
    COLORREF ink;
};
class CPictureStandInApp : public CWinApp {
public:
    explicit CPictureStandInApp(const StandInPicture& picture);
    BOOL InitInstance() override;

private:
    static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
};

}  // namespace standins
