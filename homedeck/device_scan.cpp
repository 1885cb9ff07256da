#include "homedeck/device_scan.h"

#include "framework/window_object.h"
#include "platform/files/files.h"
#include "platform/gfx/window_dc.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace homedeck {
namespace {

constexpr WPARAM kScanDoneCommand = 1051;
constexpr char kScanBoxClass[] = "CDeviceScanBox";

class CDeviceScanBox {
public:
    explicit CDeviceScanBox(HWND dialog) : m_dialog(dialog) {}

    static DWORD Thread(void* parameter);
    static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

    HWND m_dialog;
    HANDLE m_ready = nullptr;
    HWND* m_created = nullptr;  // the caller's, filled before m_ready is set
    HWND m_hwnd = nullptr;
    HBITMAP m_image = nullptr;
    int m_ticks = 0;
};

DWORD CDeviceScanBox::Thread(void* parameter) {
    auto* self = static_cast<CDeviceScanBox*>(parameter);
    WNDCLASS window_class;
    window_class.lpfnWndProc = &CDeviceScanBox::Procedure;
    window_class.lpszClassName = kScanBoxClass;
    RegisterClass(&window_class);
    self->m_hwnd = CreateWindowEx(0, kScanBoxClass, "", WS_POPUP, kScanBoxX, kScanBoxY, kScanBoxWidth, kScanBoxHeight,
                                  nullptr, nullptr, nullptr, self);
    const HWND dialog = self->m_dialog;
    const bool created = self->m_hwnd != nullptr;
    *self->m_created = self->m_hwnd;
    SetEvent(self->m_ready);
    if (created) {
        MSG msg;
        while (GetMessage(&msg, nullptr, 0, 0) > 0) DispatchMessage(&msg);
    }
    delete self;
    // The launcher looks for the card again, and shows a new box while it stays away.
    if (created) PostMessage(dialog, WM_COMMAND, kScanDoneCommand, 0);
    return 0;
}

LRESULT CDeviceScanBox::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CREATE) {
        AttachWindowObject(hwnd, lparam);
        WindowObject<CDeviceScanBox>(hwnd)->m_image = LoadBitmap(kScanBoxImage);
        return 0;
    }
    auto* self = WindowObject<CDeviceScanBox>(hwnd);
    if (!self) return DefWindowProc(hwnd, message, wparam, lparam);
    switch (message) {
    case WM_SCAN_SHOW_TOPMOST:
    case WM_SCAN_SHOW:
        self->m_ticks = 0;
        if (message == WM_SCAN_SHOW_TOPMOST)
            SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ShowWindow(hwnd, SW_SHOWNA);
        SetTimer(hwnd, kScanTimer, kScanTickMs, nullptr);
        return 0;
    case WM_SCAN_HIDE:
        ShowWindow(hwnd, SW_HIDE);
        return 0;
    case WM_TIMER:
        if (wparam == kScanTimer &&
            ScanBoxCloses(++self->m_ticks, GetFileAttributes("\\STORAGE CARD\\") != INVALID_FILE_ATTRIBUTES)) {
            KillTimer(hwnd, kScanTimer);
            ShowWindow(hwnd, SW_HIDE);
            DestroyWindow(hwnd);
        }
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (HDC hdc = BeginPaint(hwnd, &paint)) {
            if (self->m_image) {
                HDC source = CreateCompatibleDC(nullptr);
                HGDIOBJ previous = SelectObject(source, self->m_image);
                BitBlt(hdc, 0, 0, kScanBoxWidth, kScanBoxHeight, source, 0, 0, SRCCOPY);
                SelectObject(source, previous);
                DeleteDC(source);
            }
            EndPaint(hwnd, &paint);
        }
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;  // the picture covers it
    case WM_DESTROY:
        KillTimer(hwnd, kScanTimer);
        if (self->m_image) DeleteObject(self->m_image);
        self->m_image = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProc(hwnd, message, wparam, lparam);
    }
}

}  // namespace

bool RunDeviceScan(HWND dialog, bool topmost) {
    auto* box = new CDeviceScanBox(dialog);
    HANDLE ready = CreateEvent(FALSE, FALSE);
    HWND window = nullptr;
    box->m_ready = ready;
    box->m_created = &window;
    HANDLE thread = CreateThread(nullptr, 0, &CDeviceScanBox::Thread, box, 0, nullptr);
    if (!thread) {
        DebugPrintf("HomeDeck: the device scan box's thread did not start\r\n");
        CloseHandle(ready);
        delete box;
        return false;
    }
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
    // The box belongs to its thread from here.
    CloseHandle(thread);
    if (!window) {
        DebugPrintf("HomeDeck: no device scan box\r\n");
        return false;
    }
    SendMessage(window, topmost ? WM_SCAN_SHOW_TOPMOST : WM_SCAN_SHOW, 0, 0);
    return true;
}

}  // namespace homedeck
