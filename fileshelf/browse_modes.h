// FileShelf's browse modes and type tables. A player starts FileShelf with its own window name as
// the command line; that word picks the mode, which fixes the playlist file FileShelf edits and
// the table of file types it lists.
//
// A type table is text such as "mp3:A;wma:A": entries separated by ';', each an extension without
// its dot, ':' and one type letter.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace fileshelf {

// Type codes that list rows carry.
constexpr std::int32_t kTypeNotShown = -1;  // extension not in the table: the file is not listed
constexpr std::int32_t kTypeOther = 0;      // a table letter without a code of its own
constexpr std::int32_t kTypeFolder = 1;
constexpr std::int32_t kTypePicture = 2;    // P
constexpr std::int32_t kTypeVideo = 3;      // V
constexpr std::int32_t kTypeAudio = 4;      // A
constexpr std::int32_t kTypeText = 5;       // T
constexpr std::int32_t kTypeList = 6;       // L

struct BrowseMode {
    std::string_view window_name;    // the command line word and the player's window name
    std::string_view playlist_path;  // the playlist file this mode edits
    std::string_view type_table;
};

// The device keeps the three texts in fixed UTF-16 fields of these sizes (with the zero).
constexpr std::size_t kModeWindowNameCharacters = 24;
constexpr std::size_t kModePlaylistPathCharacters = 64;
constexpr std::size_t kModeTypeTableCharacters = 32;

constexpr std::array<BrowseMode, 4> kBrowseModes = {{
    {"APP_MUSIC", "\\NAND\\MUSICLIST.M3U", "mp3:A;wma:A"},
    {"APP_PHOTO", "\\NAND\\PHOTOLIST.M3U", "jpg:P;png:P;bmp:P"},
    {"APP_MOVIE", "\\NAND\\MOVIELIST.M3U", "avi:V;mp4:V;wmv:V;asf:V;mpg:V"},
    {"APP_TEXT", "\\NAND\\TEXTLIST.M3U", "txt:P"},
}};

constexpr int kNoMode = -1;
// The types listed when FileShelf was started without a known mode word.
constexpr std::string_view kDefaultTypeTable = "mp3:A;wma:A;avi:V;mp4:V;jpg:P;bmp:P;png:P";
// The type table in force is held in a buffer of this many UTF-16 characters.
constexpr std::size_t kTypeTableCharacters = 260;

// The mode whose window name equals the whole command line ignoring case: its index in
// kBrowseModes, or kNoMode.
int FindBrowseMode(std::string_view command_line);
// The mode's row; nothing for kNoMode or an index out of range.
std::optional<BrowseMode> BrowseModeAt(int mode);
// The mode's type table, or kDefaultTypeTable without a mode.
std::string_view TypeTableOf(int mode);

// What FileShelf posts to the player's window (WM_PLAYLIST_RESULT) as it ends: on confirm the
// play list's current row, the entry to start with, and 0; on cancel 0 and 1. Nothing without a
// mode, since no player asked.
enum class DialogEnd { Confirmed, Cancelled };
struct PlaylistResult {
    int wparam = 0;
    int lparam = 0;
    bool operator==(const PlaylistResult&) const = default;
};
std::optional<PlaylistResult> PlaylistResultFor(int mode, DialogEnd end, int current_row);

// The type code of a table letter: P 2, V 3, A 4, T 5, L 6, any other letter 0.
std::int32_t TypeCodeOfLetter(char letter);

// The extension of a file name or path: the text after the last '.' of the part after the last
// '\' or '/'. Nothing when that part has no '.'.
std::optional<std::string_view> ExtensionOf(std::string_view name);

// The type code of a file name or path under a type table, or kTypeNotShown. An entry matches when
// the extension begins with the entry's extension, ignoring case, so with "mp3:A" a file
// "x.mp3a" is typed A as well; the first matching entry wins. A name without extension, an
// entry without ':' or with an empty extension never match.
std::int32_t LookUpType(std::string_view name, std::string_view type_table);

}  // namespace fileshelf
