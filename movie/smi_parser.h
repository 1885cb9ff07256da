// SAMI subtitle files (.smi) at the level of code units: the sync table built from the SYNC
// tags, the search through it by play time and the text of one entry. Links only the standard
// library, so it is tested and fuzzed alone; SmiSubtitle puts the file calls and the code page
// conversion around it.
//
// A file beginning with the byte-order mark FF FE is UTF-16 (little-endian); any other file is
// single-byte text in the system code page, whose double-byte characters pass through whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace movie {

enum class SmiEncoding { CodePage, Utf16 };

// One timed text range: from the end of its SYNC tag to the start of the next SYNC tag, in code
// units of the file (bytes, or UTF-16 units counted from the start of the file).
struct SyncEntry {
    std::int32_t start_ms = 0;
    std::uint32_t text_begin = 0;
    std::uint32_t text_end = 0;  // one past the last code unit
};

// The sync table: starts with room for 3600 entries and grows by 600.
class SyncTable {
public:
    static constexpr std::size_t kInitialCapacity = 3600;
    static constexpr std::size_t kGrowth = 600;

    SyncTable() = default;
    SyncTable(const SyncTable&) = delete;
    SyncTable& operator=(const SyncTable&) = delete;

    [[nodiscard]] bool Allocate();  // false when the memory cannot be had
    // False when the table is full and cannot grow; the entry is then dropped.
    [[nodiscard]] bool Add(const SyncEntry& entry);
    void SortByStart();
    void Clear();

    std::size_t Count() const { return m_count; }
    std::size_t Capacity() const { return m_capacity; }
    const SyncEntry& operator[](std::size_t index) const { return m_entries.get()[index]; }

    // Tests limit the growth to see the table-full path.
    void SetCapacityLimitForTesting(std::size_t limit) { m_capacity_limit = limit; }

private:
    struct FreeDeleter {
        void operator()(SyncEntry* entries) const;
    };
    std::unique_ptr<SyncEntry, FreeDeleter> m_entries;
    std::size_t m_count = 0;
    std::size_t m_capacity = 0;
    std::size_t m_capacity_limit = SIZE_MAX;
};

// The file's bytes as the reader holds them: size bytes followed by kImagePadding zero bytes.
constexpr std::size_t kImagePadding = 32;

SmiEncoding DetectEncoding(const std::uint8_t* image, std::size_t size);

// Builds the table from the SYNC tags ("<SYNC Start=1000>", name compared without case). The
// block after the last SYNC tag has no end and is not added. Returns how many entries were
// dropped because the table could not grow. The table is not sorted here.
std::size_t ParseSyncTags(const std::uint8_t* image, std::size_t size, SmiEncoding encoding, SyncTable& table);

// The text of one entry: line-break tags become LF, other tags vanish, "&nbsp" is a space,
// control codes are dropped, '\' and '&' are doubled (the text is drawn with prefix processing),
// and in single-byte files a byte with bit 7 set takes the next byte with it (a double-byte
// character). Single-byte files give bytes in the code page; UTF-16 files give UTF-16.
void ExtractText(const std::uint8_t* image, std::size_t size, SmiEncoding encoding, const SyncEntry& entry,
                 std::string& code_page_text, std::u16string& wide_text);

// The search through the sorted table by play time, as Movie asks every 10 ms.
class SyncCursor {
public:
    struct Answer {
        bool report = false;                  // the caller should show the (possibly empty) text
        const SyncEntry* entry = nullptr;     // the entry now current, when one was passed
    };

    // Walks from the cursor over the entries that have started by the play time; a play time
    // earlier than the previous query starts again from the first entry.
    Answer Advance(const SyncTable& table, double play_time_seconds);
    void Reset();

    std::size_t Next() const { return m_next; }

private:
    std::size_t m_next = 0;
    double m_previous_seconds = 0.0;
};

// Milliseconds of a play time in seconds, truncated; out-of-range and NaN times are clamped.
std::int32_t PlayTimeMilliseconds(double play_time_seconds);

}  // namespace movie
