#include "homedeck/taskbar_button.h"

#include "framework/program_messages.h"
#include "framework/system_settings.h"
#include "framework/window_object.h"
#include "homedeck/program_launch.h"
#include "platform/kernel/debug_output.h"
#include "platform/gfx/window_dc.h"
#include "platform/kernel/kernel.h"

namespace homedeck {

bool CTaskbarButton::Start()
{
    if (m_thread)
        return m_hwnd != nullptr;
    m_ready = CreateEvent(TRUE, FALSE);
    m_thread = m_ready ? CreateThread(nullptr, 0, &CTaskbarButton::Thread, this, 0, nullptr) : nullptr;
    if (!m_thread) {
        DebugPrintf("HomeDeck: taskbar thread not started\r\n");
        Stop();
        return false;
    }
    WaitForSingleObject(m_ready, INFINITE);
    return m_hwnd != nullptr;
}

void CTaskbarButton::Stop()
{
    if (m_thread) {
        if (HWND hwnd = m_hwnd)
            PostMessage(hwnd, WM_CLOSE, 0, 0);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    if (m_ready)
        CloseHandle(m_ready);
    m_ready = nullptr;
}

DWORD CTaskbarButton::Thread(void* parameter)
{
    static_cast<CTaskbarButton*>(parameter)->Run();
    return 0;
}

void CTaskbarButton::Run()
{
    WNDCLASS window_class;
    window_class.lpfnWndProc = &CTaskbarButton::Procedure;
    window_class.lpszClassName = kClassName;
    RegisterClass(&window_class);
    // Made visible, then hidden at once: it shows only over the map.
    m_hwnd = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP | WS_VISIBLE, kX, kY, kWidth,
                            kHeight, nullptr, nullptr, nullptr, this);
    if (m_hwnd) {
        ShowWindow(m_hwnd, SW_HIDE);
        RegisterTaskBar(m_hwnd);
        // The program windows already there are announced as if they had just appeared.
        EnumWindows(
            [](HWND window, LPARAM self) {
                reinterpret_cast<CTaskbarButton*>(self)->Announce(window);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(this));
    } else {
        DebugPrintf("HomeDeck: taskbar window not made\r\n");
    }
    SetEvent(m_ready);
    if (!m_hwnd)
        return;
    MSG message;
    while (GetMessage(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessage(&message);
    }
}

void CTaskbarButton::Announce(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    const auto style = static_cast<DWORD>(GetWindowLong(window, GWL_STYLE));
    const auto ex_style = static_cast<DWORD>(GetWindowLong(window, GWL_EXSTYLE));
    if (window == m_hwnd || process == GetCurrentProcessId() || !IsWindowVisible(window) ||
        GetWindow(window, GW_OWNER) || (style & WS_CHILD) || (ex_style & WS_EX_TOOLWINDOW))
        return;
    m_state.WindowCreated(reinterpret_cast<std::uintptr_t>(window), GetWindowText(window));
}

void CTaskbarButton::Apply(const TaskbarSteps& steps)
{
    for (const TaskbarStep& step : steps) {
        switch (step.action) {
        case TaskbarAction::Show:
            SetWindowPos(m_hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
            break;
        case TaskbarAction::Hide:
            ShowWindow(m_hwnd, SW_HIDE);
            SetWindowPos(m_hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            break;
        case TaskbarAction::StartTimer:
            SetTimer(m_hwnd, kMapTimer, step.value, nullptr);
            break;
        case TaskbarAction::KillTimer:
            KillTimer(m_hwnd, kMapTimer);
            break;
        case TaskbarAction::WriteMapMode:
            WriteAppValue("MapMode", step.value);
            break;
        case TaskbarAction::StartRouteKit:
            PostMessage(HWND_BROADCAST, WM_TASKBAR_BROADCAST, 0, 0);
            break;
        }
    }
}

void CTaskbarButton::Paint()
{
    PAINTSTRUCT paint;
    HDC hdc = BeginPaint(m_hwnd, &paint);
    if (!hdc)
        return;
    if (!m_image)
        m_image = LoadBitmap(kImage);
    if (m_image) {
        HDC source = CreateCompatibleDC(hdc);
        HGDIOBJ previous = SelectObject(source, m_image);
        BitBlt(hdc, 0, 0, kWidth, kHeight, source, m_pressed ? kWidth : 0, 0, SRCCOPY);
        SelectObject(source, previous);
        DeleteDC(source);
    }
    EndPaint(m_hwnd, &paint);
}

void CTaskbarButton::SetPressed(bool pressed)
{
    if (pressed == m_pressed)
        return;
    m_pressed = pressed;
    InvalidateRect(m_hwnd, nullptr, FALSE);
}

LRESULT CTaskbarButton::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_CREATE) {
        AttachWindowObject(hwnd, lparam);
        WindowObject<CTaskbarButton>(hwnd)->m_hwnd = hwnd;
        return 0;
    }
    auto* self = WindowObject<CTaskbarButton>(hwnd);
    return self ? self->Handle(message, wparam, lparam) : DefWindowProc(hwnd, message, wparam, lparam);
}

LRESULT CTaskbarButton::Handle(UINT message, WPARAM wparam, LPARAM lparam)
{
    const auto inside = [lparam] {
        const int x = static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(lparam)));
        const int y = static_cast<std::int16_t>(HIWORD(static_cast<std::uintptr_t>(lparam)));
        return x >= 0 && y >= 0 && x < kWidth && y < kHeight;
    };
    switch (message) {
    case WM_TASKBAR_NOTIFY: {
        const auto window = static_cast<std::uintptr_t>(lparam);
        if (wparam == TASKBAR_WINDOW_CREATED)
            m_state.WindowCreated(window, GetWindowText(reinterpret_cast<HWND>(window)));
        else if (wparam == TASKBAR_WINDOW_DESTROYED)
            m_state.WindowDestroyed(window);
        else if (wparam == TASKBAR_WINDOW_ACTIVATED)
            Apply(m_state.WindowActivated(window, ReadAppValue("PipMode", 0)));
        return 0;
    }
    case WM_OUTSIDE_AUDIO_EVENT:
        Apply(m_state.OutsideMessage(static_cast<std::uint32_t>(wparam)));
        return 0;
    case WM_TIMER:
        if (wparam == kMapTimer) {
            const HWND navigation = FindProgramWindow(kWayfarer.windowName);
            Apply(m_state.TimerFired(navigation && GetForegroundWindow() == navigation));
        }
        return 0;
    case WM_LBUTTONDOWN:
        m_pen_down = true;
        SetCapture(m_hwnd);
        SetPressed(true);
        return 0;
    case WM_MOUSEMOVE:
        if (m_pen_down)
            SetPressed(inside());
        return 0;
    case WM_LBUTTONUP:
        if (!m_pen_down)
            return 0;
        m_pen_down = false;
        ReleaseCapture();
        SetPressed(false);
        if (inside())
            Apply(m_state.Released(IsRunning(kRouteKit)));
        return 0;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_CLOSE:
        DestroyWindow(m_hwnd);
        return 0;
    case WM_DESTROY:
        KillTimer(m_hwnd, kMapTimer);
        if (m_image)
            DeleteObject(m_image);
        m_image = nullptr;
        m_hwnd = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProc(m_hwnd, message, wparam, lparam);
    }
}

}  // namespace homedeck
