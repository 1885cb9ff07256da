// FileShelf's volume watcher: a thread at the lowest priority that looks once a second whether
// the storage card and the USB drive are there and, when either came or went, posts the
// dialog a message with both. The dialog decides what the change means and rebuilds its list
// on its own thread, so the watcher shares nothing with it but the message.
#pragma once

#include "fileshelf/file_entries.h"
#include "platform/win32_types.h"
#include "platform/window/window.h"

namespace fileshelf {

// Whether the two volumes are there now.
VolumePresence CurrentVolumes();

class VolumeWatcher {
public:
    // `message` reaches `dialog` with wParam 1 while the card is there, lParam 1 while the USB
    // drive is.
    VolumeWatcher(HWND dialog, UINT message, VolumePresence known);
    ~VolumeWatcher();
    VolumeWatcher(const VolumeWatcher&) = delete;
    VolumeWatcher& operator=(const VolumeWatcher&) = delete;

    bool Start();
    // Ends the thread ("FILESHELF THREAD END") and waits for it, at most 2 s.
    void Stop();

private:
    static DWORD ThreadMain(void* parameter);
    void Run();

    const HWND m_dialog;
    const UINT m_message;
    VolumePresence m_known;  // the watcher thread's own once it runs
    HANDLE m_stop = nullptr;
    HANDLE m_thread = nullptr;
};

}  // namespace fileshelf
