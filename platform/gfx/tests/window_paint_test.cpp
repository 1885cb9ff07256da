// Painting a window with the drawing calls reaches the composed screen.
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "platform/device_root.h"
#include "platform/gfx/window_dc.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

using namespace std::chrono_literals;

int s_paints = 0;
BOOL s_erase_pending = FALSE;

LRESULT PaintedWindow(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC hdc = BeginPaint(hwnd, &paint);
        if (hdc) {
            s_erase_pending = paint.fErase;
            HBRUSH red = CreateSolidBrush(RGB(200, 30, 30));
            RECT all = {0, 0, 100, 60};
            FillRect(hdc, &all, red);
            DeleteObject(red);
            SetTextColor(hdc, RGB(255, 255, 255));
            SetBkMode(hdc, TRANSPARENT);
            RECT text = {0, 0, 100, 60};
            DrawText(hdc, "OK", -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            EndPaint(hwnd, &paint);
            ++s_paints;
        }
        return 0;
    }
    return DefWindowProc(hwnd, message, wparam, lparam);
}

// A paint that looks at the screen halfway: after drawing, before EndPaint.
int s_looking_paints = 0;
std::uint32_t s_seen_halfway = 0;

LRESULT LookingPainter(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        if (HDC hdc = BeginPaint(hwnd, &paint)) {
            HBRUSH green = CreateSolidBrush(RGB(0, 200, 0));
            RECT all = {0, 0, 100, 60};
            FillRect(hdc, &all, green);
            DeleteObject(green);
            DWORD error = 0;
            auto screen = devicectl::DeviceControl(platform::DeviceRootDir()).Screenshot(error);
            s_seen_halfway = screen ? screen->At(50, 50) : 0xFFFFFFFF;
            EndPaint(hwnd, &paint);
            ++s_looking_paints;
        }
        return 0;
    }
    return DefWindowProc(hwnd, message, wparam, lparam);
}

TEST(WindowPaint, APaintReachesTheScreenWhenItEndsAndNotBefore) {
    platform::testing::TemporaryDevice device;
    ASSERT_TRUE(device.StartServer());
    WNDCLASS window_class;
    window_class.lpfnWndProc = LookingPainter;
    window_class.lpszClassName = "LOOKING";
    RegisterClass(&window_class);
    HWND hwnd = CreateWindowEx(0, "LOOKING", "LOOKING", WS_POPUP | WS_VISIBLE, 0, 0, 100, 60, nullptr, nullptr,
                               nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    MSG msg;
    while (s_looking_paints == 0 && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
    ASSERT_EQ(s_looking_paints, 1) << "a window created visible waits for its first paint";
    EXPECT_EQ(s_seen_halfway, 0u) << "drawn but not ended: the screen still shows the new window black";
    // EndPaint returned once the server had the picture: any screenshot from now on shows it,
    // whichever connection asks, with no waiting.
    std::uint32_t seen_after = 0;
    std::thread([&] {
        DWORD error = 0;
        auto screen = devicectl::DeviceControl(device.Root()).Screenshot(error);
        seen_after = screen ? screen->At(50, 50) : 0xFFFFFFFF;
    }).join();
    EXPECT_EQ(seen_after, 0x00C800u);
    DestroyWindow(hwnd);
}

TEST(WindowPaint, BeginPaintDrawsIntoTheWindowAndEndPaintShowsIt) {
    platform::testing::TemporaryDevice device;
    ASSERT_TRUE(device.StartServer());
    WNDCLASS window_class;
    window_class.lpfnWndProc = PaintedWindow;
    window_class.lpszClassName = "PAINTED";
    RegisterClass(&window_class);
    HWND hwnd = CreateWindowEx(0, "PAINTED", "PAINTED", WS_POPUP | WS_VISIBLE, 40, 30, 100, 60, nullptr, nullptr,
                               nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(InvalidateRect(hwnd, nullptr, TRUE));
    MSG msg;
    for (int i = 0; i < 100 && s_paints == 0; ++i) {
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(s_paints, 1);
    EXPECT_TRUE(s_erase_pending) << "no handler erased the background";
    EXPECT_FALSE(PeekMessage(&msg, hwnd, WM_PAINT, WM_PAINT, PM_NOREMOVE)) << "painted windows are valid again";

    devicectl::DeviceControl control(device.Root());
    DWORD error = 0;
    std::optional<devicectl::DeviceControl::Screen> screen;
    for (int i = 0; i < 100; ++i) {
        screen = control.Screenshot(error);
        if (screen && screen->At(41, 31) == 0xC81E1Eu) break;
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(screen) << error;
    EXPECT_EQ(screen->At(41, 31), 0xC81E1Eu) << "the window's corner shows its paint";
    EXPECT_EQ(screen->At(139, 89), 0xC81E1Eu);
    EXPECT_NE(screen->At(39, 31), 0xC81E1Eu) << "nothing outside the window";
    int text_pixels = 0;
    for (std::uint32_t y = 30; y < 90; ++y)
        for (std::uint32_t x = 40; x < 140; ++x) {
            const std::uint32_t pixel = screen->At(x, y);
            text_pixels += ((pixel >> 8) & 0xFF) > 160 && (pixel & 0xFF) > 160;  // white over red
        }
    EXPECT_GT(text_pixels, 10) << "the centred text was drawn";

    PAINTSTRUCT bogus;
    bogus.hdc = nullptr;
    EXPECT_FALSE(EndPaint(hwnd, &bogus));
    HDC hdc = GetDC(hwnd);
    ASSERT_NE(hdc, nullptr);
    EXPECT_EQ(ReleaseDC(hwnd, hdc), 1);
    EXPECT_EQ(ReleaseDC(hwnd, hdc), 0) << "a DC is released once";
    DestroyWindow(hwnd);
}

}  // namespace
