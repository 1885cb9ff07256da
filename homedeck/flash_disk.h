// The updater's side of the flash disk "DSK1:": whole sectors in and out, and the boot
// loader's install from an open file. The sector record carries the buffer's address, which
// the platform turns into the bytes themselves; it never leaves the program.
#pragma once

#include <cstdint>

#include "platform/devices/flash_disk.h"

namespace homedeck {

class FlashDisk {
public:
    FlashDisk() = default;
    ~FlashDisk() { Close(); }
    FlashDisk(const FlashDisk&) = delete;
    FlashDisk& operator=(const FlashDisk&) = delete;

    // Opens the disk for reading and writing, write-through.
    bool Open();
    void Close();

    // `count` sectors from `first`, to or from `buffer` (count × 512 bytes).
    bool Write(DWORD first, DWORD count, const void* buffer);
    bool Read(DWORD first, DWORD count, void* buffer);
    // Hands the driver the first `length` bytes of the open file as the new boot loader.
    bool InstallBootLoader(HANDLE file, DWORD length);

private:
    HANDLE m_disk = INVALID_HANDLE_VALUE;
};

// Sectors that `bytes` bytes take, counted without overflow.
inline std::uint64_t SectorsFor(std::uint64_t bytes) { return (bytes + platform::kSectorSize - 1) / platform::kSectorSize; }

}  // namespace homedeck
