// Drawing on windows: the DC of a window is its surface in shared memory. BeginPaint hands
// out a DC for WM_PAINT and marks the window painted; EndPaint tells the server which part
// changed. GetDC gives a DC outside painting; ReleaseDC tells the server the window changed.
#pragma once

#include "platform/gfx/gfx.h"
#include "platform/window/window.h"
#include "platform/window/window_surface.h"

struct PAINTSTRUCT {
    HDC hdc = nullptr;
    BOOL fErase = FALSE;  // TRUE when the background still needs erasing
    RECT rcPaint;         // the part to paint, in window coordinates
    BOOL fRestore = FALSE;
    BOOL fIncUpdate = FALSE;
};

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);
