#include "fileshelf/playlist_file.h"

#include "platform/files/codepage.h"
#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"

namespace fileshelf {
namespace {

// The text of a line as the reader returns it: converted from the code page, and ending at a
// zero byte if the line holds one, as a C string would.
std::string LineText(UINT code_page, std::string_view code_page_text) {
    const std::size_t zero = code_page_text.find('\0');
    if (zero != std::string_view::npos) code_page_text = code_page_text.substr(0, zero);
    return platform::CodePageToUtf8(code_page, code_page_text);
}

// Cuts a formatted line to what the line buffer holds, keeping its line end.
std::u16string FitLineBuffer(std::u16string line) {
    constexpr std::size_t kMaxCharacters = kWriteLineCharacters - 1;
    if (line.size() <= kMaxCharacters) return line;
    std::size_t keep = kMaxCharacters - 1;
    if (keep > 0 && line[keep - 1] >= 0xD800 && line[keep - 1] < 0xDC00) --keep;  // not half a pair
    line.resize(keep);
    line.push_back(u'\n');
    return line;
}

}  // namespace

bool PlaylistFile::Open(const std::string& path, PlaylistAccess access) {
    Close();
    m_code_page = platform::SystemCodePage();
    if (access == PlaylistAccess::Write) {
        m_file = CreateFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
        if (m_file == INVALID_HANDLE_VALUE) {
            DebugPrintf("OPEN ERROR %d!!!!!!!!!!:%s\n", static_cast<int>(GetLastError()), path.c_str());
            return false;
        }
        return true;
    }

    m_file = CreateFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (m_file == INVALID_HANDLE_VALUE) {
        DebugPrintf("OPEN ERROR %d!!!!!!!!!!:%s\n", static_cast<int>(GetLastError()), path.c_str());
        return false;
    }
    DWORD size_high = 0;
    const DWORD size_low = GetFileSize(m_file, &size_high);
    const std::uint64_t size = (static_cast<std::uint64_t>(size_high) << 32) | size_low;
    const bool size_known = !(size_low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) && size <= SIZE_MAX;
    const auto result = size_known ? m_view.Map(m_file, static_cast<std::size_t>(size))
                                   : ReadOnlyFileView::MapResult::MappingFailed;
    if (result == ReadOnlyFileView::MapResult::MappingFailed) {
        DebugPrintf("CREATEFILEMAPPING ERROR!!!!!!!!!!:%s\n", path.c_str());
        Close();
        return false;
    }
    if (result == ReadOnlyFileView::MapResult::ViewFailed) {
        DebugPrintf("MAPVIEWOFFILE ERROR!!!!!!!!!!:%s\n", path.c_str());
        Close();
        return false;
    }
    m_file_size = m_view.Size();
    m_cursor = 0;
    return true;
}

BOOL PlaylistFile::WriteEntry(std::string_view path, std::string_view title, std::int32_t duration_ms) {
    if (path.empty()) return TRUE;
    if (m_entries_written == 0) WriteLine(HeaderLine());
    WriteLine(ExtinfLine(duration_ms, title));
    WriteLine(PathLine(path));
    ++m_entries_written;
    return TRUE;
}

void PlaylistFile::WriteLine(const std::string& utf8_line) {
    const std::u16string wide = FitLineBuffer(platform::Utf8ToWide(utf8_line));
    std::string bytes = platform::WideToCodePage(m_code_page, wide);
    InsertCarriageReturns(bytes, 2 * wide.size() + 1);
    DWORD written = 0;
    if (bytes.empty()) return;
    if (!WriteFile(m_file, bytes.data(), static_cast<DWORD>(bytes.size()), &written) || written != bytes.size())
        m_write_failed = true;
}

bool PlaylistFile::Commit() {
    if (m_file == INVALID_HANDLE_VALUE || m_view.IsMapped()) return false;
    const bool written = !m_write_failed && FlushFileBuffers(m_file);
    Close();
    return written;
}

int PlaylistFile::ReadEntry(std::string& path, std::string& title, std::int32_t& duration_ms) {
    path.clear();
    title.clear();
    duration_ms = 0;
    if (!m_view.IsMapped() || m_cursor >= m_file_size) return 0;
    PlaylistScanner scanner(m_view.Data(), m_file_size, m_cursor);
    PlaylistEntryBytes entry;
    const bool found = scanner.Next(entry);
    m_cursor = scanner.Cursor();
    if (!found) return 0;
    path = LineText(m_code_page, entry.path);
    title = LineText(m_code_page, entry.title);
    duration_ms = entry.duration_ms;
    return 1;
}

void PlaylistFile::Close() {
    m_view.Unmap();
    if (m_file != INVALID_HANDLE_VALUE) {
        CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
    }
    m_entries_written = 0;
    m_write_failed = false;
    m_cursor = 0;
    m_file_size = 0;
}

std::vector<int> LoadPlaylistRows(const std::string& playlist_path, CListCtrl& rows) {
    rows.SetRedraw(FALSE);
    rows.DeleteAllItems();
    std::vector<int> kept_numbers;
    PlaylistFile file;
    if (file.Open(playlist_path, PlaylistAccess::Read)) {
        std::string path, title;
        std::int32_t duration = 0;
        for (int number = 0; file.ReadEntry(path, title, duration); ++number) {
            const DWORD attributes = GetFileAttributes(path);
            if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                DebugPrintf("%s left out\r\n", path.c_str());
                continue;
            }
            kept_numbers.push_back(number);
            rows.InsertItem(rows.GetItemCount(), path);
        }
    }
    rows.SetRedraw(TRUE);
    return kept_numbers;
}

}  // namespace fileshelf
