// The board's flash disk, "DSK1:", kept by the device server as a sparse image in the device
// root (state/flash.img, device.conf "flash_sectors" sectors of 512 bytes, 524288 unless set)
// with the boot loader beside it (state/bootloader.img). Opened with CreateFile("DSK1:", ...)
// and driven with DeviceIoControl:
//   kIoctlDiskWrite          input: a SectorRequest; writes sector_count sectors from buffer
//   kIoctlDiskRead           output: a SectorRequest (no input); reads sectors into buffer
//   kIoctlInstallBootLoader  input: a BootLoaderRequest; the first `length` bytes of the open
//                            file become the boot loader, all or nothing
// The request record must be exactly its own size (else ERROR_INVALID_PARAMETER). A range that
// does not lie wholly on the disk is refused with ERROR_SECTOR_NOT_FOUND and moves nothing; a
// count of 0 moves nothing and succeeds. A boot loader file shorter than `length` is refused
// with ERROR_HANDLE_EOF, a length of 0 with ERROR_INVALID_PARAMETER; the installed one stays.
#pragma once

#include "platform/win32_types.h"

namespace platform {

inline constexpr char kFlashDisk[] = "DSK1:";
inline constexpr DWORD kSectorSize = 512;
inline constexpr DWORD kIoctlDiskWrite = 0x222804;          // SectorRequest as input
inline constexpr DWORD kIoctlDiskRead = 0x222808;           // SectorRequest passed as the OUTPUT buffer, no input
inline constexpr DWORD kIoctlInstallBootLoader = 0x22280C;  // BootLoaderRequest as input

struct SectorRequest {
    DWORD first_sector;
    DWORD sector_count;
    void* buffer;  // sector_count * kSectorSize bytes
};

struct BootLoaderRequest {
    HANDLE file;  // a file opened for reading (CreateFile)
    DWORD length;
};

}  // namespace platform
