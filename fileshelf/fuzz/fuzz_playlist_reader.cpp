// Fuzzes the playlist reader: any bytes as a playlist image, every entry converted from the
// system code page as PlaylistFile does.
#include <cstddef>
#include <cstdint>

#include "fileshelf/playlist_format.h"
#include "platform/files/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fileshelf::PlaylistScanner scanner(data, size);
    fileshelf::PlaylistEntryBytes entry;
    std::size_t previous_cursor = 0;
    while (scanner.Next(entry)) {
        if (entry.path.empty() || entry.path.size() >= fileshelf::kLineBufferSize) __builtin_trap();
        if (entry.title.size() >= fileshelf::kLineBufferSize) __builtin_trap();
        if (scanner.Cursor() <= previous_cursor || scanner.Cursor() > size) __builtin_trap();
        previous_cursor = scanner.Cursor();
        // Every byte gives at most one character, and a character at most three UTF-8 bytes.
        if (platform::AnsiToUtf8(entry.path).size() > 3 * entry.path.size()) __builtin_trap();
        if (platform::AnsiToUtf8(entry.title).size() > 3 * entry.title.size()) __builtin_trap();
        if (platform::AnsiToWide(entry.path).size() > entry.path.size()) __builtin_trap();
    }
    return 0;
}
