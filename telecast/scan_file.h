// The scan file, \NAND\TelecastScan.dat: the channel table as text, one value per line.
//
//   1004                      format mark
//   region code, band, number of records, selected radio index, selected TV index, list type
//   per record: tuner value 0, frequency, service id (hexadecimal), the 20 name bytes as they
//   are, sub-channel id, service type, tuner value 10, audio coding, audio parameters A and B
//
// Numbers are written "%d\n", the service id "%x\n", the name as its 20 raw bytes and "\n".
//
// A file is taken whole or not at all: anything damaged (cut short, a line that is not the
// number it should be, a record count above kMostRecords, a list type other than radio or TV,
// a name not followed by its line end) gives the empty table with its defaults and a reason
// naming the 1-based line, for the caller's debug line. The name is the 20 bytes right after
// the service id's line, so a name that begins with a space or a tab reads back as written.
//
// Saving writes "<file>.new" beside the file and moves it over the file only once it is
// complete, so a save that fails (a full disk, a folder that cannot be written) leaves the old
// file as it was, and says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "telecast/channel_table.h"

namespace telecast {

constexpr const char* kScanFilePath = "\\NAND\\TelecastScan.dat";
constexpr std::int32_t kScanFileMark = 1004;
// No scan finds more services than this; a larger count is a damaged file, refused before
// anything is allocated for it.
constexpr std::int32_t kMostRecords = 10000;
// A number's line holds at most this many characters before its line end.
constexpr std::size_t kMostLineCharacters = 32;
// Bigger than any file of kMostRecords records; a bigger file is not read at all.
constexpr std::size_t kMostScanFileBytes = 4 * 1024 * 1024;

enum class LoadStatus {
    Loaded,
    Missing,     // no file: the normal state before the first scan
    Foreign,     // the first line is not the format mark
    Damaged,     // see the header comment
    Unreadable,  // there, but could not be read, or larger than any scan file
};

struct ScanFileLoad {
    ChannelTable table;  // the defaults unless Loaded
    LoadStatus status = LoadStatus::Missing;
    int line = 0;        // 1-based line the load stopped at; 0 when it did not stop at one
    std::string reason;  // "line 4: ..." for the debug line; empty when Loaded
};

// The table of a scan file's bytes. On success the current index is the selected TV index when
// the list type is TV, else the selected radio index.
ScanFileLoad ParseScanFile(std::string_view bytes);
// The bytes of the table's scan file.
std::string FormatScanFile(const ChannelTable& table);

// The same on a file of the host (the device path resolved by the caller).
ScanFileLoad LoadScanFile(const std::filesystem::path& path);

enum class SaveStatus {
    Saved,
    CannotCreate,   // "<file>.new" could not be created (a folder that cannot be written)
    WriteFailed,    // writing or flushing it failed (a full disk)
    CannotReplace,  // it could not be moved over the file
};

// Saves through "<file>.new"; on any failure the old file is left as it was and the temporary
// file removed.
[[nodiscard]] SaveStatus SaveScanFile(const ChannelTable& table, const std::filesystem::path& path);

// Stores a service's new audio values into the current record and saves the table. A current
// index that selects no record stores nothing and saves nothing (Saved: nothing to do).
[[nodiscard]] SaveStatus StoreAudioValuesAndSave(ChannelTable& table, const AudioValues& values,
                                                 const std::filesystem::path& path);

const char* Name(LoadStatus status);
const char* Name(SaveStatus status);

}  // namespace telecast
