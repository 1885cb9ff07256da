#include "homedeck/firmware_update.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "homedeck/flash_disk.h"
#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/last_error.h"

namespace homedeck {
namespace {

constexpr DWORD kBlockSize = 4096;
constexpr DWORD kSectorsPerBlock = kBlockSize / platform::kSectorSize;

bool Exists(const std::string& path) { return GetFileAttributes(path) != INVALID_FILE_ATTRIBUTES; }

// Closes a handle when the scope ends.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return m_handle; }
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    void Close() {
        if (IsOpen()) CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_handle;
};

HANDLE OpenForReading(const std::string& path) {
    return CreateFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
}

// Reads exactly `size` bytes; a read that stops short fails and says where.
bool ReadExactly(HANDLE file, void* buffer, DWORD size) {
    DWORD read = 0;
    if (ReadFile(file, buffer, size, &read, nullptr) && read == size) return true;
    DebugPrintf("Read Error: %u of %u bytes (error %u)\n", static_cast<unsigned>(read), static_cast<unsigned>(size),
                static_cast<unsigned>(GetLastError()));
    return false;
}

bool SeekTo(HANDLE file, std::uint32_t offset) {
    LONG high = 0;
    SetLastError(ERROR_SUCCESS);
    const DWORD low = SetFilePointer(file, static_cast<LONG>(offset), &high, FILE_BEGIN);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS) {
        DebugPrintf("Seek Error: 0x%x (error %u)\n", offset, static_cast<unsigned>(GetLastError()));
        return false;
    }
    return true;
}

std::uint64_t SizeOf(HANDLE file) {
    DWORD high = 0;
    const DWORD low = GetFileSize(file, &high);
    return std::uint64_t{high} << 32 | low;
}

// The checksum of `length` bytes of the file from its current position, read in blocks.
bool ChecksumFromFile(HANDLE file, std::uint32_t length, std::vector<std::uint8_t>& block, std::uint32_t& value) {
    PackChecksum checksum;
    for (std::uint32_t left = ChecksummedBytes(length); left;) {
        const DWORD size = std::min<std::uint32_t>(left, kBlockSize);
        if (!ReadExactly(file, block.data(), size)) return false;
        checksum.Update(block.data(), size);
        left -= size;
    }
    value = checksum.Value();
    return true;
}

// Copies `length` bytes from one file's position to another's, in blocks.
bool CopyBytes(HANDLE from, HANDLE to, std::uint32_t length, std::vector<std::uint8_t>& block) {
    for (std::uint32_t left = length; left;) {
        const DWORD size = std::min<std::uint32_t>(left, kBlockSize);
        if (!ReadExactly(from, block.data(), size)) return false;
        DWORD written = 0;
        if (!WriteFile(to, block.data(), size, &written, nullptr) || written != size) {
            DebugPrintf("Write Error: %u of %u bytes (error %u)\n", static_cast<unsigned>(written),
                        static_cast<unsigned>(size), static_cast<unsigned>(GetLastError()));
            return false;
        }
        left -= size;
    }
    return true;
}

// The staged file beside a destination: "\NAND\MUSIC.EXE" → "\NAND\UPDATING_MUSIC.EXE". The
// name keeps its ".EXE", so the file is made executable as it is created.
std::string StagedPathOf(std::string_view destination) {
    const auto slash = destination.rfind('\\');
    return std::string(destination.substr(0, slash + 1)) + kStagedPrefix + std::string(destination.substr(slash + 1));
}

// Adds the time since it was made to a counter when it goes.
class Stopwatch {
public:
    explicit Stopwatch(DWORD& total) : m_total(total), m_start(GetTickCount()) {}
    ~Stopwatch() { m_total += GetTickCount() - m_start; }
    Stopwatch(const Stopwatch&) = delete;
    Stopwatch& operator=(const Stopwatch&) = delete;

private:
    DWORD& m_total;
    DWORD m_start;
};

bool IsInstalled(std::uint32_t type) { return type == kPackBootLoader || type == kPackDiskImage || IsFileEntry(type); }

}  // namespace

bool UpdateFilesPresent() { return Exists(kUpdatePackPath) || Exists(kUpdateLogoPath); }

bool RemoveUpdateLeftovers() {
    for (std::uint32_t type = kPackFirstProgram; type <= kPackLastProgram; ++type) {
        const std::string staged = StagedPathOf(FileEntryDestination(type));
        if (Exists(staged) && DeleteFile(staged)) DebugPrintf("HomeDeck: removed %s left by an update\n", staged.c_str());
    }
    if (Exists(kBootLoaderFile) && DeleteFile(kBootLoaderFile))
        DebugPrintf("HomeDeck: removed %s left by an update\n", kBootLoaderFile);
    if (!Exists(kUpdateRunningMark)) return false;
    DeleteFile(kUpdateRunningMark);
    DebugPrintf("HomeDeck: the last update was cut short\n");
    return true;
}

void FirmwareUpdate::SetProgress(int percent) {
    if (m_progress) m_progress(percent);
}

bool FirmwareUpdate::Run() {
    m_block.assign(kBlockSize, 0);
    // Reading and checking the pack writes nothing, so after a bad pack the logo still goes
    // on; after a write failed, the update ends: the disk or the card is gone.
    bool pack_done = true;
    bool write_failed = false;
    if (Exists(kUpdatePackPath) || !Exists(kUpdateLogoPath)) {
        FileHandle pack(OpenForReading(kUpdatePackPath));
        if (!pack.IsOpen()) {
            DebugPrintf("File could not be opened %s\n", kUpdatePackPath);
            pack_done = false;
        } else {
            DebugPrintf("File opened %s\n", kUpdatePackPath);
            m_pack_size = SizeOf(pack.Get());
            {
                Stopwatch check(m_times.check);
                pack_done = ReadTable(pack.Get()) && CheckEntries(pack.Get());
            }
            if (pack_done) {
                // From the first write to the last, the mark tells a later start that the
                // device went off in the middle.
                FileHandle mark(CreateFile(kUpdateRunningMark, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
                if (mark.IsOpen()) FlushFileBuffers(mark.Get());
                mark.Close();
                pack_done = ApplyEntries(pack.Get());
                write_failed = !pack_done;
            }
        }
    }
    bool logo_done = false;
    if (!write_failed) {
        Stopwatch logo(m_times.logo);
        logo_done = InstallLogo();
    }
    DeleteFile(kUpdateRunningMark);
    SetProgress(100);
    DebugPrintf("Update times: check %u ms, boot loader %u ms, image %u ms, files %u ms, replace %u ms, logo %u ms\n",
                static_cast<unsigned>(m_times.check), static_cast<unsigned>(m_times.boot_loader),
                static_cast<unsigned>(m_times.image), static_cast<unsigned>(m_times.files),
                static_cast<unsigned>(m_times.replace), static_cast<unsigned>(m_times.logo));
    const bool done = pack_done && logo_done;
    if (done && !Exists(kFactoryMarkerPath)) {
        if (Exists(kUpdatePackPath)) DeleteFile(kUpdatePackPath);
        if (Exists(kUpdateLogoPath)) DeleteFile(kUpdateLogoPath);
    }
    return done;
}

bool FirmwareUpdate::ReadTable(HANDLE pack) {
    std::array<std::uint8_t, kPackHeaderSize> header_bytes{};
    DWORD read = 0;
    if (!ReadFile(pack, header_bytes.data(), kPackHeaderSize, &read, nullptr) || read != kPackHeaderSize) {
        DebugPrintf("Invalid pack image\n");
        return false;
    }
    const PackHeader header = ParsePackHeader(header_bytes);
    if (!IsValidPackHeader(header)) {
        DebugPrintf("Invalid pack image\n");
        return false;
    }
    // The table lies inside the file; this also bounds what is allocated for it.
    const std::uint64_t table_end = PackTableBytes(header.count);
    if (table_end > m_pack_size) {
        DebugPrintf("Invalid pack image: %u entries need %llu bytes, the pack has %llu\n", header.count,
                    static_cast<unsigned long long>(table_end), static_cast<unsigned long long>(m_pack_size));
        return false;
    }
    std::vector<std::uint8_t> table;
    try {
        table.resize(static_cast<std::size_t>(table_end - kPackHeaderSize));
    } catch (const std::bad_alloc&) {
        DebugPrintf("Memory Alloc Error\n");
        return false;
    }
    std::size_t done = 0;
    while (done < table.size()) {
        const DWORD size = static_cast<DWORD>(std::min<std::size_t>(table.size() - done, 1u << 20));
        if (!ReadExactly(pack, table.data() + done, size)) return false;
        done += size;
    }
    m_entries = ParsePackTable(table, header.count);
    return true;
}

bool FirmwareUpdate::CheckEntries(HANDLE pack) {
    // Every entry is looked at, so the log names each bad one.
    bool all_good = true;
    for (const PackEntry& entry : m_entries)
        if (IsInstalled(entry.type) && !CheckEntry(pack, entry)) all_good = false;
    if (!all_good) DebugPrintf("Update stopped: the pack has bad entries; nothing was written\n");
    return all_good;
}

bool FirmwareUpdate::CheckEntry(HANDLE pack, const PackEntry& entry) {
    if (const std::string fault = EntryBoundsFault(entry, m_pack_size); !fault.empty()) {
        DebugPrintf("%s", fault.c_str());
        return false;
    }
    std::uint32_t computed = 0;
    if (!SeekTo(pack, entry.offset) || !ChecksumFromFile(pack, entry.length, m_block, computed)) return false;
    if (computed != entry.checksum) {
        DebugPrintf("CRC Error: 0x%x/0x%x\n", computed, entry.checksum);
        return false;
    }
    if (entry.type != kPackDiskImage) return true;
    // The image must fit the disk: its last sector is read before any is written.
    const std::uint64_t last = kImageSector + SectorsFor(entry.length) - 1;
    FlashDisk disk;
    if (!disk.Open()) {
        DebugPrintf("DISK Open Fail\n");
        return false;
    }
    if (last > 0xFFFFFFFFull || !disk.Read(static_cast<DWORD>(last), 1, m_block.data())) {
        DebugPrintf("Disk image past the end of the disk: last sector 0x%llx\n", static_cast<unsigned long long>(last));
        return false;
    }
    return true;
}

bool FirmwareUpdate::ApplyEntries(HANDLE pack) {
    const auto files = static_cast<int>(std::count_if(m_entries.begin(), m_entries.end(),
                                                       [](const PackEntry& entry) { return IsFileEntry(entry.type); }));
    int sum = 0;
    bool done = true;
    for (const PackEntry& entry : m_entries) {
        if (!IsInstalled(entry.type)) continue;
        if (!SeekTo(pack, entry.offset)) {
            done = false;
            break;
        }
        if (entry.type == kPackBootLoader) {
            Stopwatch time(m_times.boot_loader);
            done = InstallBootLoader(pack, entry);
        } else if (entry.type == kPackDiskImage) {
            Stopwatch time(m_times.image);
            done = WriteImage(pack, entry);
        } else {
            Stopwatch time(m_times.files);
            done = StageProgramFile(pack, entry);
            sum += 20;
            SetProgress(70 + std::min(20, sum / files));
        }
        if (!done) break;
    }
    Stopwatch replace(m_times.replace);
    if (done) done = ReplaceStagedFiles();
    else RemoveStagedFiles();
    SetProgress(90);
    return done;
}

bool FirmwareUpdate::InstallBootLoader(HANDLE pack, const PackEntry& entry) {
    {
        FileHandle rom(CreateFile(kBootLoaderFile, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
        if (!rom.IsOpen()) {
            DebugPrintf("CreateFile Error for WRITE: /UPDATE.ROM\n");
            return false;
        }
        const bool copied = CopyBytes(pack, rom.Get(), entry.length, m_block) && FlushFileBuffers(rom.Get());
        rom.Close();
        if (!copied) {
            DeleteFile(kBootLoaderFile);
            return false;
        }
    }
    SetProgress(10);
    FileHandle rom(OpenForReading(kBootLoaderFile));
    if (!rom.IsOpen()) {
        DebugPrintf("CreateFile Error for READ: /UPDATE.ROM\n");
        DeleteFile(kBootLoaderFile);
        return false;
    }
    bool done = false;
    std::uint32_t written = 0;
    if (const std::uint64_t size = SizeOf(rom.Get()); size != entry.length) {
        DebugPrintf("GetFileSize Error: %d/%d\n", static_cast<int>(size), static_cast<int>(entry.length));
    } else if (!ChecksumFromFile(rom.Get(), entry.length, m_block, written) || written != entry.checksum) {
        // What the driver is handed must be what was checked in the pack.
        DebugPrintf("CRC Error: 0x%x/0x%x\n", written, entry.checksum);
    } else {
        FlashDisk disk;
        if (!disk.Open()) {
            DebugPrintf("DISK Open Error\n");
        } else if (disk.InstallBootLoader(rom.Get(), entry.length)) {
            SetProgress(20);
            done = true;
        } else {
            DebugPrintf("ERR : Update BootLoader\n");
        }
    }
    rom.Close();
    DeleteFile(kBootLoaderFile);
    return done;
}

bool FirmwareUpdate::WriteImage(HANDLE pack, const PackEntry& entry) {
    FlashDisk disk;
    if (!disk.Open()) {
        DebugPrintf("DISK Open Fail\n");
        return false;
    }
    const auto sectors = static_cast<std::uint32_t>(SectorsFor(entry.length));
    const std::uint32_t covered = ChecksummedBytes(entry.length);
    PackChecksum checksum;
    std::uint32_t done = 0;
    for (std::uint32_t s = 0; s < sectors; s += kSectorsPerBlock) {
        const std::uint32_t count = std::min(kSectorsPerBlock, sectors - s);
        const DWORD size = std::min<std::uint32_t>(count * platform::kSectorSize, entry.length - done);
        // The last sector is padded with zeros, not with whatever the block held before.
        std::fill(m_block.begin(), m_block.end(), 0);
        if (!ReadExactly(pack, m_block.data(), size)) return false;
        if (done < covered) checksum.Update(m_block.data(), std::min<std::uint32_t>(size, covered - done));
        done += size;
        if (!disk.Write(kImageSector + s, count, m_block.data())) {
            DebugPrintf("Nand_HDWritePage Error: pageaddr:%x, buf:%x\n", kImageSector + s,
                        static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(m_block.data())));
            return false;
        }
        SetProgress(static_cast<int>(std::min<std::uint64_t>(70, 20 + std::uint64_t{s} * 50 / sectors)));
    }
    if (checksum.Value() != entry.checksum) {
        DebugPrintf("CRC Error: 0x%x/0x%x\n", checksum.Value(), entry.checksum);
        return false;
    }
    return true;
}

bool FirmwareUpdate::StageProgramFile(HANDLE pack, const PackEntry& entry) {
    const std::string destination(FileEntryDestination(entry.type));
    const std::string staged = StagedPathOf(destination);
    FileHandle file(CreateFile(staged, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
    if (!file.IsOpen()) {
        DebugPrintf("CreateFile Error for WRITE: %s\n", destination.c_str());
        return false;
    }
    // A second entry for the same program replaces the first one's staged file.
    if (std::none_of(m_staged.begin(), m_staged.end(), [&](const Staged& file) { return file.staged == staged; }))
        m_staged.push_back({staged, destination});
    if (!CopyBytes(pack, file.Get(), entry.length, m_block) || !FlushFileBuffers(file.Get())) return false;
    file.Close();
    // Read back what was written: the file that replaces the program must be the checked one.
    FileHandle written(OpenForReading(staged));
    std::uint32_t value = 0;
    if (!written.IsOpen() || SizeOf(written.Get()) != entry.length ||
        !ChecksumFromFile(written.Get(), entry.length, m_block, value) || value != entry.checksum) {
        DebugPrintf("CRC Error: 0x%x/0x%x\n", value, entry.checksum);
        return false;
    }
    return true;
}

bool FirmwareUpdate::ReplaceStagedFiles() {
    bool done = true;
    for (const Staged& file : m_staged) {
        if (!MoveFileEx(file.staged, file.destination, MOVEFILE_REPLACE_EXISTING)) {
            DebugPrintf("MoveFile Error: %s (error %u)\n", file.destination.c_str(),
                        static_cast<unsigned>(GetLastError()));
            DeleteFile(file.staged);
            done = false;
        }
    }
    m_staged.clear();
    return done;
}

void FirmwareUpdate::RemoveStagedFiles() {
    for (const Staged& file : m_staged) DeleteFile(file.staged);
    m_staged.clear();
}

bool FirmwareUpdate::InstallLogo() {
    if (!Exists(kUpdateLogoPath)) return true;
    FileHandle logo(OpenForReading(kUpdateLogoPath));
    if (!logo.IsOpen()) {
        DebugPrintf("File could not be opened %s\n", kUpdateLogoPath);
        return false;
    }
    FlashDisk disk;
    if (!disk.Open()) {
        DebugPrintf("DISK Open Fail\n");
        return false;
    }
    auto page_error = [&](std::uint64_t sector) {
        DebugPrintf("Nand_HDWritePage Error: pageaddr:%x, buf:%x\n", static_cast<unsigned>(sector),
                    static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(m_block.data())));
        return false;
    };
    if (!disk.Read(kImageSector, 1, m_block.data())) return page_error(kImageSector);
    const std::uint64_t image_sectors = SectorsFor(ReadLittleEndian32(m_block.data() + kImageLengthOffset));
    const std::uint64_t logo_length = SizeOf(logo.Get());
    const std::uint64_t logo_sectors = SectorsFor(logo_length);
    const std::uint64_t first = kImageSector + image_sectors;
    const std::uint64_t marker = first + logo_sectors;
    // The marker's sector is the last one the logo needs: read it before writing any.
    if (marker > 0xFFFFFFFFull || !disk.Read(static_cast<DWORD>(marker), 1, m_block.data())) {
        DebugPrintf("Logo past the end of the disk: marker sector 0x%llx\n", static_cast<unsigned long long>(marker));
        return false;
    }
    std::uint64_t done = 0;
    for (std::uint64_t s = 0; s < logo_sectors; s += kSectorsPerBlock) {
        const auto count = static_cast<DWORD>(std::min<std::uint64_t>(kSectorsPerBlock, logo_sectors - s));
        const auto size = static_cast<DWORD>(std::min<std::uint64_t>(count * platform::kSectorSize, logo_length - done));
        std::fill(m_block.begin(), m_block.end(), 0);
        if (!ReadExactly(logo.Get(), m_block.data(), size)) return false;
        done += size;
        if (!disk.Write(static_cast<DWORD>(first + s), count, m_block.data())) return page_error(first + s);
    }
    std::fill(m_block.begin(), m_block.end(), 0);
    m_block[0] = kLogoMarker;
    if (!disk.Write(static_cast<DWORD>(marker), 1, m_block.data())) return page_error(marker);
    return true;
}

}  // namespace homedeck
