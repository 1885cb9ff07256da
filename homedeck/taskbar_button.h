// The floating button over the navigation map: a small topmost window on a thread of its own,
// registered as the platform's taskbar so that it hears of every program window that appears,
// goes or comes to the front. A release on it starts RouteKit.
#pragma once

#include "homedeck/taskbar_state.h"
#include "platform/gfx/gfx.h"
#include "platform/window/window.h"

namespace homedeck {

class CTaskbarButton {
public:
    static constexpr const char* kClassName = "HHTaskBar";
    static constexpr int kX = 98, kY = 0, kWidth = 72, kHeight = 51;
    static constexpr UINT kImage = 184;          // two frames side by side: normal, pressed
    static constexpr UINT_PTR kMapTimer = 700;

    CTaskbarButton() = default;
    ~CTaskbarButton() { Stop(); }
    CTaskbarButton(const CTaskbarButton&) = delete;
    CTaskbarButton& operator=(const CTaskbarButton&) = delete;

    // Starts the button's thread and returns once its window exists (false when it could not
    // be made).
    bool Start();
    // Closes the window and ends the thread. Safe to call twice.
    void Stop();
    HWND Window() const { return m_hwnd; }

private:
    static DWORD Thread(void* parameter);
    static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    void Run();
    LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
    void Announce(HWND window);
    void Apply(const TaskbarSteps& steps);
    void Paint();
    void SetPressed(bool pressed);

    HANDLE m_thread = nullptr;
    HANDLE m_ready = nullptr;
    HWND m_hwnd = nullptr;
    HBITMAP m_image = nullptr;
    TaskbarState m_state;
    bool m_pen_down = false;
    bool m_pressed = false;
};

}  // namespace homedeck
