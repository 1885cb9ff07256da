#include "movie/smi_subtitle.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/files/codepage.h"
#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace movie {

std::string SubtitlePathFor(const std::string& video_path) {
    const std::size_t dot = video_path.rfind('.');
    if (dot == std::string::npos) return {};
    return video_path.substr(0, dot + 1) + "smi";
}

int SmiSubtitle::Load(const std::string& video_path) {
    if (!m_video_path.empty() && video_path == m_video_path) return 1;
    Free();
    const std::string subtitle_path = SubtitlePathFor(video_path);
    if (subtitle_path.empty()) return 0;
    if (GetFileAttributes(subtitle_path) == INVALID_FILE_ATTRIBUTES) {
        OutputDebugString("File not found...\n");
        return 0;
    }
    HANDLE file = CreateFile(subtitle_path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE) {
        DebugPrintf("File could not be opened %s\n", subtitle_path.c_str());
        return 0;
    }
    DWORD size_high = 0;
    const DWORD size_low = GetFileSize(file, &size_high);
    const std::uint64_t size = (static_cast<std::uint64_t>(size_high) << 32) | size_low;
    std::unique_ptr<std::uint8_t[]> image;
    if (size <= kMaxFileBytes) image.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size) + kImagePadding]);
    if (!image) {
        CloseHandle(file);
        OutputDebugString("Memory alloc error\n");
        return 0;
    }
    DWORD read = 0;
    const BOOL read_ok = ReadFile(file, image.get(), static_cast<DWORD>(size), &read);
    CloseHandle(file);
    if (!read_ok) {
        DebugPrintf("File could not be opened %s\n", subtitle_path.c_str());
        return 0;
    }
    // A file cut short meanwhile is taken as far as it goes; the padding behind it is zero.
    std::memset(image.get() + read, 0, static_cast<std::size_t>(size) - read + kImagePadding);
    if (!LoadImage(std::move(image), read)) return 0;
    m_video_path = video_path;
    return 1;
}

int SmiSubtitle::LoadImage(std::unique_ptr<std::uint8_t[]> image, std::size_t size) {
    Free();
    if (!m_table.Allocate()) {
        OutputDebugString("Memory alloc error\n");
        return 0;
    }
    m_image = std::move(image);
    m_image_size = m_image ? size : 0;
    m_encoding = DetectEncoding(m_image.get(), m_image_size);
    m_code_page = platform::SystemCodePage();
    const std::size_t dropped = ParseSyncTags(m_image.get(), m_image_size, m_encoding, m_table);
    for (std::size_t i = 0; i < dropped; ++i) OutputDebugString("AddEdge realloc failed\r\n");
    m_table.SortByStart();
    return 1;
}

int SmiSubtitle::TextAt(double play_time_seconds, WCHAR* text, int room) {
    if (text && room > 0) text[0] = 0;
    const SyncCursor::Answer answer = m_cursor.Advance(m_table, play_time_seconds);
    if (!answer.report) return 0;
    if (!answer.entry || !text || room <= 0) return 1;

    ExtractText(m_image.get(), m_image_size, m_encoding, *answer.entry, m_code_page_text, m_wide_text);
    if (m_encoding == SmiEncoding::CodePage) m_wide_text = platform::CodePageToWide(m_code_page, m_code_page_text);
    // A longer subtitle is cut to the room, never in the middle of a surrogate pair.
    std::size_t length = std::min(m_wide_text.size(), static_cast<std::size_t>(room) - 1);
    if (length > 0 && length < m_wide_text.size() && m_wide_text[length - 1] >= 0xD800 && m_wide_text[length - 1] < 0xDC00) {
        --length;
    }
    std::copy_n(m_wide_text.data(), length, text);
    text[length] = 0;
    return 1;
}

void SmiSubtitle::Free() {
    m_video_path.clear();
    m_image.reset();
    m_image_size = 0;
    m_encoding = SmiEncoding::CodePage;
    m_table.Clear();
    m_cursor.Reset();
}

}  // namespace movie
