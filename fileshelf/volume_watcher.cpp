#include "fileshelf/volume_watcher.h"

#include <string>

#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace fileshelf {
namespace {

constexpr DWORD kPeriodMs = 1000;
constexpr DWORD kStopWaitMs = 2000;

bool FolderExists(std::string_view path) {
    const DWORD attributes = GetFileAttributes(std::string(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

VolumePresence CurrentVolumes() {
    return {FolderExists(kStorageCardRoot), FolderExists(kUsbDriveRoot)};
}

VolumeWatcher::VolumeWatcher(HWND dialog, UINT message, VolumePresence known)
    : m_dialog(dialog), m_message(message), m_known(known) {}

VolumeWatcher::~VolumeWatcher() {
    Stop();
    if (m_stop) CloseHandle(m_stop);
}

bool VolumeWatcher::Start() {
    if (m_thread) return true;
    if (!m_stop) m_stop = CreateEvent(TRUE, FALSE);
    if (!m_stop) return false;
    m_thread = CreateThread(nullptr, 0, &VolumeWatcher::ThreadMain, this, CREATE_SUSPENDED, nullptr);
    if (!m_thread) return false;
    SetThreadPriority(m_thread, THREAD_PRIORITY_LOWEST);
    ResumeThread(m_thread);
    return true;
}

void VolumeWatcher::Stop() {
    if (!m_thread) return;
    SetEvent(m_stop);
    if (WaitForSingleObject(m_thread, kStopWaitMs) != WAIT_OBJECT_0)
        DebugPrintf("FileShelf: the volume watcher did not end within %lu ms\n", static_cast<unsigned long>(kStopWaitMs));
    CloseHandle(m_thread);
    m_thread = nullptr;
}

DWORD VolumeWatcher::ThreadMain(void* parameter) {
    static_cast<VolumeWatcher*>(parameter)->Run();
    return 0;
}

void VolumeWatcher::Run() {
    while (WaitForSingleObject(m_stop, kPeriodMs) == WAIT_TIMEOUT) {
        const VolumePresence now = CurrentVolumes();
        if (now == m_known) continue;
        m_known = now;
        PostMessage(m_dialog, m_message, now.storage_card ? 1 : 0, now.usb_drive ? 1 : 0);
    }
    DebugPrintf("FILESHELF THREAD END\n");
}

}  // namespace fileshelf
