// The firmware update from the storage card: the pack's boot loader, disk image and program
// files, then the start-up logo. Every entry is checked (bounds and checksum) before anything
// is written, so a bad pack changes nothing; program files are written beside their
// destinations and replaced together at the end; the pack and logo leave the card only when
// all of it went on.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "homedeck/update_pack.h"
#include "platform/win32_types.h"

namespace homedeck {

inline constexpr char kUpdatePackPath[] = "\\STORAGE CARD\\UPDATE\\UPDATE.PACK";
inline constexpr char kUpdateLogoPath[] = "\\STORAGE CARD\\UPDATE\\LOGO.BIN";
inline constexpr char kFactoryMarkerPath[] = "\\STORAGE CARD\\UPDATE\\FACTORY.TXT";
inline constexpr char kBootLoaderFile[] = "\\UPDATE.ROM";
// Stands in \NAND while an update writes: found at start, it tells of an update cut short.
inline constexpr char kUpdateRunningMark[] = "\\NAND\\UPDATE.RUN";
// A program file being written lives beside its destination under this prefix until the
// update replaces the destination with it.
inline constexpr char kStagedPrefix[] = "UPDATING_";

// The first sector of the disk image; the image's length is the word at its byte 28.
inline constexpr DWORD kImageSector = 8;
inline constexpr std::size_t kImageLengthOffset = 28;
inline constexpr std::uint8_t kLogoMarker = 0xF0;

// Whether there is anything to install: the pack or the logo on the card.
bool UpdateFilesPresent();

// Removes what an update cut short may have left: staged program files, "\UPDATE.ROM" and the
// running mark. HomeDeck calls it at start, before anything could run a staged file. True when
// an update was cut short (by a power loss) since the last start.
bool RemoveUpdateLeftovers();

class FirmwareUpdate {
public:
    using Progress = std::function<void(int percent)>;
    explicit FirmwareUpdate(Progress progress) : m_progress(std::move(progress)) {}

    // The whole update, progress 100 at its end. True when every entry of the pack, the logo
    // and its marker went on (a pack or logo that is not there counts as done).
    bool Run();

private:
    struct Staged {
        std::string staged;
        std::string destination;
    };

    bool ReadTable(HANDLE pack);
    bool CheckEntries(HANDLE pack);
    bool CheckEntry(HANDLE pack, const PackEntry& entry);
    bool ApplyEntries(HANDLE pack);
    bool InstallBootLoader(HANDLE pack, const PackEntry& entry);
    bool WriteImage(HANDLE pack, const PackEntry& entry);
    bool StageProgramFile(HANDLE pack, const PackEntry& entry);
    bool ReplaceStagedFiles();
    void RemoveStagedFiles();
    bool InstallLogo();
    void SetProgress(int percent);

    // Milliseconds each part took, for the log's closing line.
    struct Times {
        DWORD check = 0, boot_loader = 0, image = 0, files = 0, replace = 0, logo = 0;
    };

    Progress m_progress;
    Times m_times;
    std::uint64_t m_pack_size = 0;
    std::vector<PackEntry> m_entries;
    std::vector<Staged> m_staged;
    std::vector<std::uint8_t> m_block;
};

}  // namespace homedeck
