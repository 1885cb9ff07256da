// SmiSubtitle: the SAMI subtitles of the video Movie plays. Loads the ".smi" file of the same
// name beside the video, and answers every 10 ms whether a new subtitle has begun and what it
// says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "movie/smi_parser.h"
#include "platform/win32_types.h"

namespace movie {

class SmiSubtitle {
public:
    // Movie's room for one subtitle, in characters with the terminating zero.
    static constexpr int kTextRoom = 260;
    // Subtitle files are read whole; bigger ones are refused as out of memory.
    static constexpr std::size_t kMaxFileBytes = 64u << 20;

    SmiSubtitle() = default;
    ~SmiSubtitle() { Free(); }
    SmiSubtitle(const SmiSubtitle&) = delete;
    SmiSubtitle& operator=(const SmiSubtitle&) = delete;

    // Loads the subtitles of a video (device path, UTF-8): the same path with the extension
    // replaced by "smi", found ignoring case. 1 when loaded (or already loaded for this video),
    // 0 when there are none; failures leave no entries and a debug line.
    int Load(const std::string& video_path);

    // Takes a subtitle file's bytes already in memory (what Load reads); `size` bytes followed
    // by kImagePadding zero bytes. 1, or 0 when the table cannot be allocated.
    int LoadImage(std::unique_ptr<std::uint8_t[]> image, std::size_t size);

    // 1 when the caller should show `text` (a new subtitle, or empty after a backward seek),
    // 0 when nothing changed. `text` gets at most room - 1 characters and a terminating zero.
    int TextAt(double play_time_seconds, WCHAR* text, int room);

    void Free();

    // Movie runs its subtitle timer only when this is not 0.
    std::size_t EntryCount() const { return m_table.Count(); }
    SmiEncoding Encoding() const { return m_encoding; }
    const SyncTable& Table() const { return m_table; }

private:
    std::string m_video_path;  // the video whose subtitles are loaded
    std::unique_ptr<std::uint8_t[]> m_image;
    std::size_t m_image_size = 0;
    SmiEncoding m_encoding = SmiEncoding::CodePage;
    UINT m_code_page = 0;
    SyncTable m_table;
    SyncCursor m_cursor;
    std::string m_code_page_text;  // scratch of TextAt
    std::u16string m_wide_text;
};

// The subtitle path of a video: everything after the last '.' replaced by "smi". Empty when the
// path has no '.'.
std::string SubtitlePathFor(const std::string& video_path);

}  // namespace movie
