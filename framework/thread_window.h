// A popup window that lives on a thread of its own: the players' video boxes and list boxes.
// Create starts the thread, which registers the window class, makes the window (hidden, owned
// by the program's main window) and runs its message loop; the caller waits until the window
// exists. Close asks the window to end and waits for the thread.
//
// Everything the derived class does in OnOpen, OnMessage and OnThreadEnd runs on the window's
// thread; other threads reach it only by messages and by whatever state it guards itself.
#pragma once

#include <string>

#include "platform/gfx/window_dc.h"
#include "platform/win32_types.h"
#include "platform/window/window.h"

// The messages every such window takes from any thread: show (not activated), hide, and a
// repaint of the whole window.
constexpr UINT WM_THREADWINDOW_SHOW = WM_USER + 96;  // 1120
constexpr UINT WM_THREADWINDOW_HIDE = WM_USER + 97;  // 1121
constexpr UINT WM_THREADWINDOW_REPAINT = WM_APP + 0x3F0;

class CThreadWindow {
public:
    CThreadWindow() = default;
    virtual ~CThreadWindow();
    CThreadWindow(const CThreadWindow&) = delete;
    CThreadWindow& operator=(const CThreadWindow&) = delete;

    // Starts the thread and waits until the window exists or could not be made. The window is
    // a hidden popup of class_name (also its title) at rect (screen coordinates), owned by
    // owner. False when the thread or the window could not be made.
    bool Create(const std::string& class_name, HWND owner, const RECT& rect, DWORD ex_style = 0);

    // Posts WM_CLOSE and waits for the thread at most wait_ms. False when it did not end in
    // time: the window thread may still use the object, which must then outlive it.
    bool Close(DWORD wait_ms);

    // Each posts its message, so any thread may call it.
    void Show() const;
    void Hide() const;
    void Repaint() const;

    HWND Window() const { return m_hwnd; }
    HWND Owner() const { return m_owner; }
    const std::string& ClassName() const { return m_class_name; }

protected:
    // On the window's thread, once the window exists and before Create returns (load pictures
    // here). False ends the thread and makes Create fail.
    virtual bool OnOpen() { return true; }
    // Every message of the window. The default shows, hides and repaints the window on the
    // three messages above, closes it on WM_CLOSE, ends the loop on WM_DESTROY and hands the
    // rest to DefWindowProc.
    virtual LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
    // On the window's thread after its loop ended (free pictures here).
    virtual void OnThreadEnd() {}

private:
    static DWORD ThreadMain(void* parameter);
    static LRESULT Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

    std::string m_class_name;
    HWND m_owner = nullptr;
    RECT m_rect{};
    DWORD m_ex_style = 0;
    HWND m_hwnd = nullptr;
    HANDLE m_ready = nullptr;
    HANDLE m_thread = nullptr;
    bool m_ended = false;
};

// A double-buffered paint of a whole window: the picture is drawn into Dc() and copied to the
// window in one go when the object ends. Use it in WM_PAINT only.
class CBufferedPaint {
public:
    explicit CBufferedPaint(HWND hwnd);
    ~CBufferedPaint();
    CBufferedPaint(const CBufferedPaint&) = delete;
    CBufferedPaint& operator=(const CBufferedPaint&) = delete;

    // Null when there is nothing to paint on (no window DC or an empty window).
    HDC Dc() const { return m_memory; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Copies part of a bitmap to the picture; keyed: pixels of the key colour are left out.
    void DrawBitmap(HBITMAP bitmap, int x, int y, int width, int height, int source_x, int source_y,
                    bool keyed = false, COLORREF key = 0);

private:
    HWND m_hwnd;
    PAINTSTRUCT m_paint;
    HDC m_window_dc = nullptr;
    HDC m_memory = nullptr;
    HDC m_source = nullptr;
    HBITMAP m_canvas = nullptr;
    HGDIOBJ m_previous = nullptr;
    int m_width = 0;
    int m_height = 0;
};
