// The thread that waits on the board's remote-control and touch events and hands each one to
// the launcher's dialog thread, which alone acts on the launcher's state.
#pragma once

#include <array>

#include "platform/win32_types.h"
#include "platform/window/window.h"

namespace homedeck {

// The message the dialog receives, wParam one of the events below.
constexpr UINT WM_HOMEDECK_REMOTE = WM_USER + 120;

enum RemoteEvent : WPARAM {
    REMOTE_MOVIE = 1,
    REMOTE_MUSIC = 2,
    REMOTE_PIP = 3,
    REMOTE_NAVIGATION = 4,
    REMOTE_TELECAST = 5,
    REMOTE_SETUP = 6,
    REMOTE_SCREEN = 7,
    REMOTE_HOME = 8,
    REMOTE_MUTE = 9,
    REMOTE_LEFT = 10,
    REMOTE_RIGHT = 11,
    REMOTE_TOUCH = 12,
};

class CRemoteThread {
public:
    CRemoteThread() = default;
    ~CRemoteThread() { Stop(); }
    CRemoteThread(const CRemoteThread&) = delete;
    CRemoteThread& operator=(const CRemoteThread&) = delete;

    // Creates (or opens) the twelve board events and starts waiting on them; each event that
    // fires is posted to the dialog.
    bool Start(HWND dialog);
    // Ends the wait and the thread, and closes the events. Safe to call twice.
    void Stop();

private:
    static DWORD Thread(void* parameter);
    void Run();

    HWND m_dialog = nullptr;
    HANDLE m_stop = nullptr;
    HANDLE m_thread = nullptr;
    std::array<HANDLE, 12> m_events{};  // events 1..9, L, R, touch
};

}  // namespace homedeck
