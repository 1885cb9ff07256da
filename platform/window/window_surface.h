// A window's pixels and its paint state. Every shown window has a surface in memory shared with
// the device server (32-bit 0x00RRGGBB pixels, sized to the window); a program draws into it
// and then says which rectangle changed, and the server puts that part on the screen. What a
// program draws shows only once it has said so: a screen never holds a paint half done.
//
// Paint: InvalidateRect marks part of a window for repainting; the owner's message loop then
// hands out WM_PAINT (after posted messages, before timers) until the window is validated.
// ValidateRect (and DefWindowProc's WM_PAINT) marks it clean and tells the server that the
// validated rectangle of the surface changed. BeginPaint marks it clean without telling, and
// its EndPaint tells once the picture is drawn.
#pragma once

#include <vector>

#include "platform/window/window.h"

struct WindowSurface {
    DWORD* pixels = nullptr;  // row y starts at pixels + y * pitch / 4
    int width = 0;
    int height = 0;
    int pitch = 0;  // bytes per row
};

// Maps the window's surface into this program. The window must be one of this program's; the
// mapping holds until the window is resized (ask again) or destroyed.
BOOL GetWindowSurface(HWND hwnd, WindowSurface* surface);
// Tells the server that a rectangle (window coordinates; null: all) of the surface changed and
// is drawn; returns once the server has put it on the screen.
BOOL UpdateWindowSurface(HWND hwnd, const RECT* changed);

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
// The bounding rectangle of what waits to be painted; FALSE when nothing does.
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);

namespace platform {
// The posted message that carries an invalidation to a window of another thread.
constexpr UINT kInvalidateMessage = 0x10001;
// Adds a rectangle to this thread's paint state of one of its windows.
void AddInvalidRect(HWND hwnd, const RECT& rect);
// Marks a window of this thread clean without telling the server anything changed: BeginPaint's
// part, before anything is drawn.
void ClearInvalidRect(HWND hwnd);
// Takes an invalidation posted from another thread (kInvalidateMessage's wparam and lparam).
void AddPostedInvalidation(HWND hwnd, std::uint64_t wparam, std::int64_t lparam);
// Forgets the mappings and paint state of destroyed windows.
void ForgetWindowSurfaces(const std::vector<std::uint32_t>& hwnds);
}  // namespace platform
