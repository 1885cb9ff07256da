// The navigation program's stand-in: a full-screen window named "Wayfarer", started as
// \STORAGE CARD\WAYFARER\WAYFARER.EXE with "/m" or nothing. It shows a map whose bottom row
// holds labelled areas, and it speaks the navigation program's part of the suite's protocol:
//
// - It takes its volume by WM_COPYDATA 1069 (a 32-bit value, 0..5) and logs each one.
// - It posts message 8590 to all top-level windows (HWND_BROADCAST): code 51 once its window
//   has been painted for the first time (the map is on the screen), code 10 as its window is
//   destroyed (the map goes away), and the code of a labelled area when that area is tapped:
//   0 and 1 (guidance voice over and speaking), 10, 11, 30 (with argument 1), 50 and 51. The
//   area "8599" posts message 8599 with the width of its side panel, 240 and 0 by turns.
// - A test, or anyone, asks for a broadcast with WM_COPYDATA to the "Wayfarer" window whose
//   data code is the message to post: data code 8590 with 4 bytes (the code; argument 0) or 8
//   bytes (the code, then the argument), data code 8599 with 4 bytes (the width); each a 32-bit
//   little-endian integer. The send returns 1 when it posted, 0 when the size was wrong. From
//   a shell: devicectl copydata Wayfarer 8590 51.
//
// Its log lines:
//   Wayfarer: started with "<command line>"
//   Wayfarer: volume <value>
//   Wayfarer: volume message of <n> bytes ignored
//   Wayfarer: broadcast <message> <wparam> <lparam> (<why: shown, tap, request, ending>)
//   Wayfarer: broadcast request <data code> of <n> bytes ignored
#include <cstdint>
#include <cstring>
#include <iterator>

#include "platform/app/application.h"
#include "platform/gfx/window_dc.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"
#include "platform/window/window.h"
#include "tools/standins/standin_window.h"

namespace {

constexpr std::uintptr_t kVolumeCode = 1069;
constexpr UINT kOutsideEvent = 8590;
constexpr UINT kSidePanel = 8599;
constexpr WPARAM kMapShown = 51;
constexpr WPARAM kMapGone = 10;
constexpr int kSidePanelWidth = 240;

// A labelled area of the map and what a tap on it broadcasts. The 8599 area alternates
// between its width and 0.
struct MapArea {
    RECT rect;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    const char* label;
};
constexpr MapArea kAreas[] = {
    {{0, 400, 100, 480}, kOutsideEvent, 0, 0, "0 voice off"},
    {{100, 400, 200, 480}, kOutsideEvent, 1, 0, "1 voice on"},
    {{200, 400, 300, 480}, kOutsideEvent, 10, 0, "10 leave"},
    {{300, 400, 400, 480}, kOutsideEvent, 11, 0, "11 menu"},
    {{400, 400, 500, 480}, kOutsideEvent, 30, 1, "30 TV"},
    {{500, 400, 600, 480}, kOutsideEvent, 50, 0, "50 hide"},
    {{600, 400, 700, 480}, kOutsideEvent, 51, 0, "51 show"},
    {{700, 400, 800, 480}, kSidePanel, kSidePanelWidth, 0, "8599 panel"},
};
constexpr int kNoArea = -1;

bool s_shown = false;          // the first paint has been made and 51 broadcast
int s_pressed_area = kNoArea;  // where the pen went down
int s_panel_width = 0;         // the last width broadcast with 8599

void Broadcast(UINT message, WPARAM wparam, LPARAM lparam, const char* why) {
    DebugPrintf("Wayfarer: broadcast %u %lu %ld (%s)", message, static_cast<unsigned long>(wparam),
                static_cast<long>(lparam), why);
    PostMessage(HWND_BROADCAST, message, wparam, lparam);
}

void TapArea(const MapArea& area) {
    if (area.message == kSidePanel) {
        s_panel_width = s_panel_width == 0 ? static_cast<int>(area.wparam) : 0;
        Broadcast(kSidePanel, static_cast<WPARAM>(s_panel_width), 0, "tap");
        return;
    }
    Broadcast(area.message, area.wparam, area.lparam, "tap");
}

int AreaAt(POINT point) {
    for (int i = 0; i < static_cast<int>(std::size(kAreas)); ++i)
        if (standins::Contains(kAreas[i].rect, point)) return i;
    return kNoArea;
}

std::int32_t Word(const COPYDATASTRUCT& copy, int index) {
    std::int32_t value = 0;
    std::memcpy(&value, static_cast<const std::uint8_t*>(copy.lpData) + index * sizeof(value), sizeof(value));
    return value;
}

LRESULT TakeVolume(const COPYDATASTRUCT& copy) {
    if (copy.cbData != sizeof(std::int32_t) || !copy.lpData) {
        DebugPrintf("Wayfarer: volume message of %u bytes ignored", copy.cbData);
        return 0;
    }
    DebugPrintf("Wayfarer: volume %d", Word(copy, 0));
    return 1;
}

LRESULT TakeBroadcastRequest(const COPYDATASTRUCT& copy) {
    const bool event_sized = copy.cbData == 4 || copy.cbData == 8;
    const bool width_sized = copy.cbData == 4;
    if (!copy.lpData || (copy.dwData == kOutsideEvent ? !event_sized : !width_sized)) {
        DebugPrintf("Wayfarer: broadcast request %lu of %u bytes ignored", static_cast<unsigned long>(copy.dwData),
                    copy.cbData);
        return 0;
    }
    const LPARAM argument = copy.cbData == 8 ? Word(copy, 1) : 0;
    if (copy.dwData == kSidePanel) s_panel_width = Word(copy, 0);
    Broadcast(static_cast<UINT>(copy.dwData), static_cast<WPARAM>(static_cast<std::uint32_t>(Word(copy, 0))), argument,
              "request");
    return 1;
}

void PaintMap(HWND hwnd) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    if (!dc) return;
    const RECT screen = standins::ScreenRect();
    standins::PaintCaption(dc, screen, RGB(226, 232, 204), RGB(0, 0, 0), "", 0);
    // A few roads and a river, so the picture reads as a map.
    HBRUSH road = CreateSolidBrush(RGB(250, 250, 250));
    HBRUSH highway = CreateSolidBrush(RGB(246, 200, 80));
    HBRUSH river = CreateSolidBrush(RGB(150, 190, 230));
    const RECT roads[] = {{0, 120, 800, 134}, {0, 300, 800, 310}, {180, 0, 192, 400}, {560, 0, 570, 400}};
    for (const RECT& rect : roads) FillRect(dc, &rect, road);
    const RECT highways[] = {{0, 206, 800, 226}, {380, 0, 400, 400}};
    for (const RECT& rect : highways) FillRect(dc, &rect, highway);
    const RECT rivers[] = {{620, 0, 660, 160}, {660, 140, 800, 180}};
    for (const RECT& rect : rivers) FillRect(dc, &rect, river);
    DeleteObject(road);
    DeleteObject(highway);
    DeleteObject(river);
    const RECT name{200, 60, 600, 110};
    standins::PaintCaption(dc, name, RGB(40, 90, 60), RGB(255, 255, 255), "Wayfarer", 36);
    for (std::size_t i = 0; i < std::size(kAreas); ++i) {
        const COLORREF fill = i % 2 == 0 ? RGB(60, 70, 90) : RGB(80, 94, 118);
        RECT inner = kAreas[i].rect;
        inner.left += 1;
        inner.right -= 1;
        standins::PaintCaption(dc, kAreas[i].rect, RGB(20, 20, 30), RGB(255, 255, 255), "", 0);
        standins::PaintCaption(dc, inner, fill, RGB(255, 255, 255), kAreas[i].label, 15);
    }
    EndPaint(hwnd, &paint);
    if (!s_shown) {
        s_shown = true;
        Broadcast(kOutsideEvent, kMapShown, 0, "shown");
    }
}

LRESULT NavigationWindow(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            PaintMap(hwnd);
            return 0;
        case WM_COPYDATA: {
            const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lparam);
            if (!copy) return 0;
            if (copy->dwData == kVolumeCode) return TakeVolume(*copy);
            if (copy->dwData == kOutsideEvent || copy->dwData == kSidePanel) return TakeBroadcastRequest(*copy);
            return 0;
        }
        case WM_LBUTTONDOWN:
            s_pressed_area = AreaAt(standins::PenPoint(lparam));
            if (s_pressed_area != kNoArea) SetCapture(hwnd);
            return 0;
        case WM_LBUTTONUP: {
            const int pressed = s_pressed_area;
            s_pressed_area = kNoArea;
            if (pressed == kNoArea) return 0;
            ReleaseCapture();
            if (AreaAt(standins::PenPoint(lparam)) == pressed) TapArea(kAreas[pressed]);
            return 0;
        }
        case WM_DESTROY:
            Broadcast(kOutsideEvent, kMapGone, 0, "ending");
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

class CWayfarerApp : public CWinApp {
public:
    BOOL InitInstance() override {
        m_hMainWnd = standins::CreateFullScreenWindow("Wayfarer", "Wayfarer", NavigationWindow);
        standins::LogStart("Wayfarer");
        return m_hMainWnd != nullptr;
    }
};

CWayfarerApp s_application;

}  // namespace

DEVICE_APPLICATION_MAIN(s_application)
