#include "homedeck/flash_disk.h"

#include "platform/devices/stream_device.h"
#include "platform/files/files.h"
#include "platform/kernel/kernel.h"

namespace homedeck {

bool FlashDisk::Open() {
    Close();
    m_disk = CreateFile(platform::kFlashDisk, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS, FILE_FLAG_WRITE_THROUGH);
    return m_disk != INVALID_HANDLE_VALUE;
}

void FlashDisk::Close() {
    if (m_disk != INVALID_HANDLE_VALUE) CloseHandle(m_disk);
    m_disk = INVALID_HANDLE_VALUE;
}

bool FlashDisk::Write(DWORD first, DWORD count, const void* buffer) {
    platform::SectorRequest request{first, count, const_cast<void*>(buffer)};
    DWORD returned = 0;
    return DeviceIoControl(m_disk, platform::kIoctlDiskWrite, &request, sizeof(request), nullptr, 0, &returned,
                           nullptr);
}

bool FlashDisk::Read(DWORD first, DWORD count, void* buffer) {
    platform::SectorRequest request{first, count, buffer};
    DWORD returned = 0;
    return DeviceIoControl(m_disk, platform::kIoctlDiskRead, nullptr, 0, &request, sizeof(request), &returned,
                           nullptr);
}

bool FlashDisk::InstallBootLoader(HANDLE file, DWORD length) {
    platform::BootLoaderRequest request{file, length};
    DWORD returned = 0;
    return DeviceIoControl(m_disk, platform::kIoctlInstallBootLoader, &request, sizeof(request), nullptr, 0,
                           &returned, nullptr);
}

}  // namespace homedeck
