// The playlist file format (extended M3U) at the level of bytes: what the players and FileShelf
// read and write on \NAND, without the file calls or the code page conversion. Links only the
// standard library, so it is tested and fuzzed alone.
//
// The format: text in the system code page, lines ended by CR LF when written (readers split at
// LF and take the CR for whitespace), "#EXTM3U" first when there is at least one entry, then per
// entry "#EXTINF:<seconds>[,<title>]" and the media file's path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fileshelf {

// A line read is copied, after trimming, into a buffer of this many bytes with its terminating
// zero, so at most kLineBufferSize - 1 visible bytes of a line are kept; the rest is cut off.
constexpr std::size_t kLineBufferSize = 260;
// A line to be written is formatted into a buffer of this many UTF-16 characters (with zero).
constexpr std::size_t kWriteLineCharacters = 512;

// One entry as it stands in the file: byte strings in the file's code page.
struct PlaylistEntryBytes {
    std::string_view path;
    std::string_view title;
    std::int32_t duration_ms = 0;
};

// Walks the entries of a playlist image. Never reads outside [data, data + size).
class PlaylistScanner {
public:
    PlaylistScanner(const std::uint8_t* data, std::size_t size, std::size_t cursor = 0)
        : m_data(data), m_size(data ? size : 0), m_cursor(cursor) {}

    // The next entry: false at the end. The title and duration belong to the last "#EXTINF:" line
    // (with a comma) before the path; an "#EXTINF:" line with no path after it is dropped.
    // The views point into the image (trimmed, at most kLineBufferSize - 1 bytes per line).
    [[nodiscard]] bool Next(PlaylistEntryBytes& entry);

    std::size_t Cursor() const { return m_cursor; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_cursor = 0;
};

// Whitespace as the playlist reader trims it.
constexpr bool IsPlaylistSpace(std::uint8_t byte) { return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n'; }

// Parses the part of an "#EXTINF:" line between the tag and the comma as the device does:
// whitespace first is skipped, an optional '-' negates, and every byte after that is taken as a
// decimal digit with no further check; the result is in milliseconds. Arithmetic wraps.
std::int32_t ParseExtinfDuration(std::string_view seconds_text);

// The line texts the writer formats (UTF-8 here; the caller converts to the code page). Each
// ends with "\n". An empty title gives the short form without a comma.
std::string HeaderLine();
std::string ExtinfLine(std::int32_t duration_ms, std::string_view title_utf8);
std::string PathLine(std::string_view path_utf8);

// Inserts a CR before every LF of a converted line held in a buffer of buffer_size bytes (text
// plus terminating zero), stopping when one more byte would no longer fit.
void InsertCarriageReturns(std::string& bytes, std::size_t buffer_size);

}  // namespace fileshelf
