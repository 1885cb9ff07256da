// PlaylistFile: the players' M3U playlists on \NAND ("\NAND\MUSICLIST.M3U", ...), written by
// FileShelf and read by Music, Movie and FileShelf. Text in the file is in the system code page;
// paths and titles cross this interface as UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fileshelf/file_view.h"
#include "fileshelf/playlist_format.h"
#include "platform/app/list_view.h"
#include "platform/win32_types.h"

namespace fileshelf {

inline constexpr const char* kMusicPlaylistPath = "\\NAND\\MUSICLIST.M3U";
inline constexpr const char* kMoviePlaylistPath = "\\NAND\\MOVIELIST.M3U";
inline constexpr const char* kPhotoPlaylistPath = "\\NAND\\PHOTOLIST.M3U";
inline constexpr const char* kTextPlaylistPath = "\\NAND\\TEXTLIST.M3U";

enum class PlaylistAccess { Read, Write };

class PlaylistFile {
public:
    PlaylistFile() = default;
    ~PlaylistFile() { Close(); }
    PlaylistFile(const PlaylistFile&) = delete;
    PlaylistFile& operator=(const PlaylistFile&) = delete;

    // Closes whatever was open, then opens the playlist. For writing the file is created anew
    // (no sharing); for reading it is mapped read-only. On failure a debug line names the path
    // and the object stays closed: a missing playlist is the normal case of that, and an empty
    // one (which cannot be mapped) reads as no entries too.
    bool Open(const std::string& path, PlaylistAccess access);

    // Appends one entry; an empty path writes nothing. "#EXTM3U" goes first with the first
    // entry. The result is always TRUE; a write that falls short is noted for Commit.
    BOOL WriteEntry(std::string_view path, std::string_view title, std::int32_t duration_ms);
    // Ends a file opened for writing: flushes it to the card and closes it. False when any
    // write fell short or the flush failed, so the caller keeps the list it had.
    bool Commit();

    // The next entry: 1 with the path (and the title and duration of its "#EXTINF:" line, or
    // empty and 0), 0 at the end or when nothing is open for reading.
    int ReadEntry(std::string& path, std::string& title, std::int32_t& duration_ms);

    void Close();

    bool IsOpen() const { return m_file != INVALID_HANDLE_VALUE; }

private:
    void WriteLine(const std::string& utf8_line);

    HANDLE m_file = INVALID_HANDLE_VALUE;
    ReadOnlyFileView m_view;  // reading only
    std::size_t m_entries_written = 0;
    bool m_write_failed = false;
    std::size_t m_cursor = 0;     // byte offset of the next line to examine
    std::size_t m_file_size = 0;  // taken when opened for reading
    UINT m_code_page = 0;         // the system code page, looked up once per open
};

// The entries a player can play, as it keeps them: each entry whose file is there (not gone, and
// not a folder named like a file) becomes the next row of `rows`, its full path the row's text;
// the others are left out with a debug line. Returns each kept row's number among all the
// entries of the file, in row order, so a saved entry number finds its row again.
std::vector<int> LoadPlaylistRows(const std::string& playlist_path, CListCtrl& rows);

}  // namespace fileshelf
