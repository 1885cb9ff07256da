#include "homedeck/remote_thread.h"

#include <string>

#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace homedeck {
namespace {

constexpr const char* kEventNames[12] = {
    "REMOCON_EVENT_1", "REMOCON_EVENT_2", "REMOCON_EVENT_3", "REMOCON_EVENT_4", "REMOCON_EVENT_5", "REMOCON_EVENT_6",
    "REMOCON_EVENT_7", "REMOCON_EVENT_8", "REMOCON_EVENT_9", "REMOCON_EVENT_L", "REMOCON_EVENT_R", "KTOUCH_EVENT",
};

}  // namespace

bool CRemoteThread::Start(HWND dialog)
{
    if (m_thread)
        return true;
    m_dialog = dialog;
    m_stop = CreateEvent(FALSE, FALSE);
    for (std::size_t i = 0; i < m_events.size(); ++i)
        m_events[i] = CreateEvent(FALSE, FALSE, kEventNames[i]);
    m_thread = m_stop ? CreateThread(nullptr, 0, &CRemoteThread::Thread, this, 0, nullptr) : nullptr;
    if (!m_thread) {
        DebugPrintf("HomeDeck: remote-control thread not started\r\n");
        Stop();
        return false;
    }
    SetThreadPriority(m_thread, THREAD_PRIORITY_LOWEST);
    return true;
}

void CRemoteThread::Stop()
{
    if (m_thread) {
        SetEvent(m_stop);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    for (HANDLE& event : m_events) {
        if (event)
            CloseHandle(event);
        event = nullptr;
    }
    if (m_stop)
        CloseHandle(m_stop);
    m_stop = nullptr;
}

DWORD CRemoteThread::Thread(void* parameter)
{
    static_cast<CRemoteThread*>(parameter)->Run();
    return 0;
}

void CRemoteThread::Run()
{
    // [0] the stop event, [1..9] the keys, [10] left, [11] right, [12] the touch panel.
    HANDLE handles[13] = {m_stop};
    DWORD count = 1;
    for (HANDLE event : m_events)
        handles[count++] = event;
    for (;;) {
        const DWORD result = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        if (result == WAIT_OBJECT_0 || result >= WAIT_OBJECT_0 + count)
            break;
        // The events are auto-reset: the wait has reset the one that fired. The dialog decides
        // what the event means, on its own thread.
        PostMessage(m_dialog, WM_HOMEDECK_REMOTE, static_cast<WPARAM>(result - WAIT_OBJECT_0), 0);
    }
}

}  // namespace homedeck
