#include "framework/wait_box.h"

#include <algorithm>

#include "framework/window_object.h"
#include "platform/app/string_table.h"
#include "platform/gfx/window_dc.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace {

constexpr UINT_PTR kAnimationTimer = 10;
constexpr UINT_PTR kWarningTimer = 100;
constexpr COLORREF kKeyColour = RGB(255, 0, 255);
constexpr int kSpinnerSize = 61;
constexpr int kSpinnerFrames = 8;
constexpr COLORREF kHomeDeckBackground = 526369;  // RGB(33, 8, 8)
constexpr int kAnimationWidth = 235, kAnimationHeight = 75, kAnimationX = 282, kAnimationY = 202;
constexpr int kBarWidth = 390, kBarHeight = 7, kBarX = 205, kBarY = 340;


// Draws part of a bitmap into a DC, with or without the key colour.
void DrawImage(HDC target, int x, int y, int width, int height, HBITMAP image, int source_x, int source_y, bool keyed) {
    if (!image) return;
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(source, image);
    if (keyed) TransparentBlt(target, x, y, width, height, source, source_x, source_y, width, height, kKeyColour);
    else BitBlt(target, x, y, width, height, source, source_x, source_y, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
}

}  // namespace

// ---- Spinner ----------------------------------------------------------------------------

CSpinnerWaitBox::CSpinnerWaitBox(std::string class_name, UINT strip_image)
    : m_class_name(std::move(class_name)), m_strip_image(strip_image) {}

CSpinnerWaitBox::~CSpinnerWaitBox() { Destroy(); }

bool CSpinnerWaitBox::Create() {
    if (m_thread) return m_hwnd != nullptr;
    m_ready = CreateEvent(TRUE, FALSE);
    if (!m_ready) return false;
    m_thread = CreateThread(nullptr, 0, &CSpinnerWaitBox::Thread, this, 0, nullptr);
    if (!m_thread) return false;
    WaitForSingleObject(m_ready, INFINITE);
    return m_hwnd != nullptr;
}

void CSpinnerWaitBox::Destroy() {
    if (m_hwnd) SendMessage(m_hwnd, WM_CLOSE, 0, 0);
    if (m_thread) {
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    if (m_ready) {
        CloseHandle(m_ready);
        m_ready = nullptr;
    }
    m_hwnd = nullptr;
}

DWORD CSpinnerWaitBox::Thread(void* parameter) {
    auto* self = static_cast<CSpinnerWaitBox*>(parameter);
    WNDCLASS window_class;
    window_class.lpfnWndProc = &CSpinnerWaitBox::Procedure;
    window_class.lpszClassName = self->m_class_name;
    RegisterClass(&window_class);
    self->m_hwnd = CreateWindowEx(WS_EX_TOPMOST, self->m_class_name, "", WS_POPUP, 369, 209, kSpinnerSize, kSpinnerSize,
                                  nullptr, nullptr, nullptr, self);
    SetEvent(self->m_ready);
    if (!self->m_hwnd) return 1;
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0) > 0) DispatchMessage(&msg);
    return 0;
}

LRESULT CSpinnerWaitBox::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CREATE) {
        AttachWindowObject(hwnd, lparam);
        auto* self = WindowObject<CSpinnerWaitBox>(hwnd);
        self->m_strip = LoadBitmap(self->m_strip_image);
        return 0;
    }
    auto* self = WindowObject<CSpinnerWaitBox>(hwnd);
    if (!self) return DefWindowProc(hwnd, message, wparam, lparam);
    switch (message) {
        case WM_WAITBOX_SHOW:
            self->m_frame = 0;
            SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            ShowWindow(hwnd, SW_SHOWNA);
            InvalidateRect(hwnd, nullptr, FALSE);  // shown again: repainted from frame 0
            SetTimer(hwnd, kAnimationTimer, 300, nullptr);
            return 0;
        case WM_WAITBOX_HIDE:
            KillTimer(hwnd, kAnimationTimer);
            ShowWindow(hwnd, SW_HIDE);
            return 0;
        case WM_TIMER:
            if (wparam == kAnimationTimer) {
                self->m_frame = (self->m_frame + 1) % kSpinnerFrames;
                InvalidateRect(hwnd, nullptr, FALSE);
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            if (HDC hdc = BeginPaint(hwnd, &paint)) {
                DrawImage(hdc, 0, 0, kSpinnerSize, kSpinnerSize, static_cast<HBITMAP>(self->m_strip),
                          self->m_frame * kSpinnerSize, 0, true);
                EndPaint(hwnd, &paint);
            }
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;  // the picture covers it
        case WM_DESTROY:
            OutputDebugString("Wait: Destroy\r\n");
            KillTimer(hwnd, kAnimationTimer);
            if (self->m_strip) DeleteObject(static_cast<HBITMAP>(self->m_strip));
            self->m_strip = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

// ---- HomeDeck's wait box ----------------------------------------------------------------

CHomeDeckWaitBox::CHomeDeckWaitBox() = default;

CHomeDeckWaitBox::~CHomeDeckWaitBox() {
    if (m_hwnd) DestroyWindow(m_hwnd);
}

bool CHomeDeckWaitBox::Create() {
    WNDCLASS window_class;
    window_class.lpfnWndProc = &CHomeDeckWaitBox::Procedure;
    window_class.lpszClassName = "CHomeDeckWaitBox";
    RegisterClass(&window_class);
    m_hwnd = CreateWindowEx(0, "CHomeDeckWaitBox", "", WS_POPUP, 0, 0, 800, 480, nullptr, nullptr, nullptr, this);
    return m_hwnd != nullptr;
}

void CHomeDeckWaitBox::DrawAnimation() {
    const int frame = m_counter % 3;
    DrawImage(static_cast<HDC>(m_picture_dc), kAnimationX, kAnimationY, kAnimationWidth, kAnimationHeight,
              static_cast<HBITMAP>(m_animation), 0, frame * kAnimationHeight, false);
}

void CHomeDeckWaitBox::DrawProgress(int percent) {
    percent = std::clamp(percent, 0, 100);
    const int filled = percent * kBarWidth / 100;
    HDC picture = static_cast<HDC>(m_picture_dc);
    auto* bar = static_cast<HBITMAP>(m_bar);
    DrawImage(picture, kBarX, kBarY, filled, kBarHeight, bar, 0, kBarHeight, false);
    DrawImage(picture, kBarX + filled, kBarY, kBarWidth - filled, kBarHeight, bar, filled, 0, false);
}

LRESULT CHomeDeckWaitBox::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CREATE) {
        AttachWindowObject(hwnd, lparam);
        auto* self = WindowObject<CHomeDeckWaitBox>(hwnd);
        HDC picture = CreateCompatibleDC(nullptr);
        HBITMAP surface = CreateCompatibleBitmap(picture, 800, 480);
        SelectObject(picture, surface);
        RECT all = {0, 0, 800, 480};
        HBRUSH background = CreateSolidBrush(kHomeDeckBackground);
        FillRect(picture, &all, background);
        DeleteObject(background);
        self->m_picture_dc = picture;
        self->m_picture = surface;
        self->m_animation = LoadBitmap(182);
        self->m_bar = LoadBitmap(183);
        self->DrawAnimation();
        return 0;
    }
    auto* self = WindowObject<CHomeDeckWaitBox>(hwnd);
    if (!self) return DefWindowProc(hwnd, message, wparam, lparam);
    switch (message) {
        case WM_WAITBOX_SHOW:
            self->m_counter = 0;
            self->DrawAnimation();
            self->DrawProgress(0);
            ShowWindow(hwnd, SW_SHOW);
            InvalidateRect(hwnd, nullptr, FALSE);  // shown again: repainted from frame 0
            SetTimer(hwnd, kAnimationTimer, 500, nullptr);
            return 0;
        case WM_WAITBOX_PROGRESS: {
            self->DrawProgress(static_cast<int>(wparam));
            RECT bar = {kBarX, kBarY, kBarX + kBarWidth, kBarY + kBarHeight};
            InvalidateRect(hwnd, &bar, FALSE);
            return 0;
        }
        case WM_TIMER:
            if (wparam == kAnimationTimer) {
                ++self->m_counter;
                self->DrawAnimation();
                RECT area = {kAnimationX, kAnimationY, kAnimationX + kAnimationWidth, kAnimationY + kAnimationHeight};
                InvalidateRect(hwnd, &area, FALSE);
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            if (HDC hdc = BeginPaint(hwnd, &paint)) {
                BitBlt(hdc, 0, 0, 800, 480, static_cast<HDC>(self->m_picture_dc), 0, 0, SRCCOPY);
                EndPaint(hwnd, &paint);
            }
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_WAITBOX_HIDE:
            KillTimer(hwnd, kAnimationTimer);
            ShowWindow(hwnd, SW_HIDE);
            return 0;
        case WM_DESTROY:
            KillTimer(hwnd, kAnimationTimer);
            for (void* bitmap : {self->m_animation, self->m_bar})
                if (bitmap) DeleteObject(static_cast<HBITMAP>(bitmap));
            if (self->m_picture_dc) DeleteDC(static_cast<HDC>(self->m_picture_dc));
            if (self->m_picture) DeleteObject(static_cast<HBITMAP>(self->m_picture));
            self->m_animation = self->m_bar = self->m_picture = self->m_picture_dc = nullptr;
            self->m_hwnd = nullptr;
            return 0;
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

// ---- Messages to a wait box -------------------------------------------------------------

void ShowWaitBox(const std::string& class_name) {
    if (HWND box = FindWindow(class_name, "")) SendMessage(box, WM_WAITBOX_SHOW, 0, 0);
}

void HideWaitBox(const std::string& class_name) {
    if (HWND box = FindWindow(class_name, "")) SendMessage(box, WM_WAITBOX_HIDE, 0, 0);
}

void SetWaitProgress(const std::string& class_name, int percent) {
    if (HWND box = FindWindow(class_name, "")) PostMessage(box, WM_WAITBOX_PROGRESS, static_cast<WPARAM>(percent), 0);
}

// ---- Warning box ------------------------------------------------------------------------

namespace {

struct WarningBox {
    std::string text;
    HBITMAP image = nullptr;
};

LRESULT WarningProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CREATE) {
        AttachWindowObject(hwnd, lparam);
        auto* box = WindowObject<WarningBox>(hwnd);
        box->image = LoadBitmap(185);
        SetTimer(hwnd, kWarningTimer, 2000, nullptr);
        return 0;
    }
    auto* box = WindowObject<WarningBox>(hwnd);
    if (!box) return DefWindowProc(hwnd, message, wparam, lparam);
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            if (HDC hdc = BeginPaint(hwnd, &paint)) {
                DrawImage(hdc, 0, 0, 400, 64, box->image, 0, 0, true);
                HFONT font = CreateFont(16, 0, 0, 0, 700, FALSE, FALSE, FALSE, 1 /* default character set */, 0, 0, 0,
                                        0, "Gulim");
                HGDIOBJ previous = SelectObject(hdc, font);
                SetTextColor(hdc, RGB(0, 0, 0));
                SetBkMode(hdc, TRANSPARENT);
                RECT area = {10, 10, 390, 54};
                DrawText(hdc, box->text.c_str(), -1, &area, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
                SelectObject(hdc, previous);
                DeleteObject(font);
                EndPaint(hwnd, &paint);
            }
            return 0;
        }
        case WM_TIMER:
        case WM_KEYDOWN:
        case WM_LBUTTONDOWN:
            if (message != WM_TIMER || wparam == kWarningTimer) {
                KillTimer(hwnd, kWarningTimer);
                DestroyWindow(hwnd);
            }
            return 0;
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            OutputDebugString("WM_DESTROY!!!!!!!!!!\n");
            KillTimer(hwnd, kWarningTimer);
            if (box->image) DeleteObject(box->image);
            box->image = nullptr;
            box->text.clear();
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

}  // namespace

void ShowWarning(UINT string_id) {
    WarningBox box;
    box.text = LoadString(string_id).value_or(std::string());
    WNDCLASS window_class;
    window_class.lpfnWndProc = WarningProcedure;
    window_class.lpszClassName = "CWarningBox";
    RegisterClass(&window_class);
    HWND hwnd = CreateWindowEx(WS_EX_TOPMOST, "CWarningBox", "", WS_POPUP, 200, 208, 400, 64, nullptr, nullptr, nullptr,
                               &box);
    if (!hwnd) return;
    ShowWindow(hwnd, SW_SHOW);  // painted whole as it comes into view
    // The box's own loop on the caller's thread, until the box posts its quit.
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}
