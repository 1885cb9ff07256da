#include "platform/gfx/window_dc.h"

#include <mutex>
#include <unordered_map>

#include "platform/kernel/last_error.h"
#include "platform/window/window_surface.h"

namespace {

// The window each window DC was made for, so ReleaseDC can check it.
std::mutex s_mutex;
std::unordered_map<HDC, HWND> s_window_dcs;

HDC MakeWindowDc(HWND hwnd) {
    WindowSurface surface;
    if (!GetWindowSurface(hwnd, &surface) || !surface.pixels) return nullptr;
    HDC hdc = platform::CreateDCForPixels(reinterpret_cast<std::uint32_t*>(surface.pixels), surface.width,
                                          surface.height, surface.pitch);
    if (!hdc) return nullptr;
    std::lock_guard lock(s_mutex);
    s_window_dcs[hdc] = hwnd;
    return hdc;
}

bool ForgetWindowDc(HWND hwnd, HDC hdc) {
    std::lock_guard lock(s_mutex);
    auto found = s_window_dcs.find(hdc);
    if (found == s_window_dcs.end() || found->second != hwnd) return false;
    s_window_dcs.erase(found);
    return true;
}

}  // namespace

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
    if (!paint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    *paint = PAINTSTRUCT{};
    HDC hdc = MakeWindowDc(hwnd);
    if (!hdc) {
        // A window with nothing to paint on (no size, or gone) is done with its paint all the
        // same: left waiting, it would take every WM_PAINT of its thread from the others.
        if (IsWindow(hwnd)) platform::ClearInvalidRect(hwnd);
        return nullptr;
    }
    RECT update;
    if (!GetUpdateRect(hwnd, &update, FALSE)) {
        RECT window;
        GetWindowRect(hwnd, &window);
        update = {0, 0, window.right - window.left, window.bottom - window.top};
    }
    paint->hdc = hdc;
    paint->rcPaint = update;
    // The window's own erase handler runs first; FALSE back means it is still to be erased.
    paint->fErase = SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) ? FALSE : TRUE;
    // Clean from here on, but nothing is drawn yet: EndPaint tells the server what changed.
    platform::ClearInvalidRect(hwnd);
    return hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
    if (!paint || !ForgetWindowDc(hwnd, paint->hdc)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DeleteDC(paint->hdc);
    UpdateWindowSurface(hwnd, &paint->rcPaint);
    return TRUE;
}

HDC GetDC(HWND hwnd) { return MakeWindowDc(hwnd); }

int ReleaseDC(HWND hwnd, HDC hdc) {
    if (!ForgetWindowDc(hwnd, hdc)) return 0;
    DeleteDC(hdc);
    UpdateWindowSurface(hwnd, nullptr);
    return 1;
}
