// The device's removable media, the storage card and the USB drive, as folders of the device
// root. A medium is inserted while its folder is in the device's file system (fs/STORAGE CARD,
// fs/USB DRIVE); removing it moves the folder to state/removed/, so that it comes back with
// its files when inserted again. The device server inserts and removes media this way when
// asked (and tells the programs), and devicectl itself when no server runs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace platform {

enum class RemovableMedium : std::uint8_t { StorageCard = 0, UsbDrive = 1 };

// "STORAGE CARD" or "USB DRIVE": the medium's folder, and its name in device paths.
const char* MediumFolderName(RemovableMedium medium);

enum class MediumChange {
    Changed,      // the medium went in or came out
    Unchanged,    // it was in already
    NotInserted,  // there is none to remove
    Failed,       // the file system refused
};

// Inserts or removes a medium of the device at `root`. The medium's folder is found ignoring
// case, as the device finds names. A medium removed while an older removed one is kept
// replaces it. Says why in `error` unless the result is Changed or Unchanged.
MediumChange SetMediumInserted(const std::filesystem::path& root, RemovableMedium medium, bool inserted,
                               std::string& error);

// Whether the medium of the device at `root` is in (its folder is in fs/, found ignoring case).
bool MediumInserted(const std::filesystem::path& root, RemovableMedium medium);

// Every removal of a medium replaces its removal stamp, state/removals/<folder name>, a small
// file holding the count of removals, written beside it and renamed into place. A file opened
// on the medium remembers the stamp it saw and is dead once the stamp is another: its handle
// fails with ERROR_DEVICE_REMOVED, even after the medium is back, as on a real card.
std::filesystem::path RemovalStampPath(const std::filesystem::path& root, RemovableMedium medium);

// What identifies one stamp: cheap to take (one stat) on every read and write of a file.
struct RemovalStamp {
    bool exists = false;  // no stamp: the medium was never removed
    std::uint64_t inode = 0;
    std::int64_t change_seconds = 0;
    std::int64_t change_nanoseconds = 0;
    bool operator==(const RemovalStamp&) const = default;
};
RemovalStamp ReadRemovalStamp(const std::filesystem::path& stamp_path);

}  // namespace platform
