#include "platform/media/tdmb/audio_change_notice.h"

#include <atomic>

#include "platform/kernel/kernel.h"
#include "platform/window/window.h"

namespace platform::tdmb {
namespace {

AudioChangeRecord s_record;

// The program's main window: its first top-level window with a title and no owner. Untitled
// windows of its own, such as a wait box kept in front of everything, are not it.
BOOL PickMainWindow(HWND hwnd, LPARAM found)
{
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process != GetCurrentProcessId() || GetWindow(hwnd, GW_OWNER) || GetWindowText(hwnd).empty()) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

}  // namespace

HWND ProgramMainWindow()
{
    HWND found = nullptr;
    EnumWindows(PickMainWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool PostAudioChange(const AudioSettings& actual)
{
    const HWND window = ProgramMainWindow();
    if (!window) return false;
    s_record.coding = static_cast<std::uint8_t>(actual.coding);
    s_record.b = actual.b;
    s_record.a = actual.a;
    // The record's words are written before the post, which the receiving thread's read of
    // its queue follows.
    std::atomic_thread_fence(std::memory_order_release);
    return PostMessage(window, RegisterWindowMessage(kAudioChangeMessage), 0, reinterpret_cast<LPARAM>(&s_record)) != FALSE;
}

const AudioChangeRecord* ThisProgramsAudioChangeRecord() { return &s_record; }

}  // namespace platform::tdmb
