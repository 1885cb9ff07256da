#include "movie/smi_parser.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace movie {
namespace {

// Code units of a single-byte file.
struct ByteUnits {
    static constexpr bool kSingleByte = true;
    const std::uint8_t* data;
    std::size_t count;
    std::uint32_t operator[](std::size_t index) const { return data[index]; }
};

// Code units of a UTF-16 little-endian file; an odd last byte is not a unit.
struct Utf16Units {
    static constexpr bool kSingleByte = false;
    const std::uint8_t* data;
    std::size_t count;
    std::uint32_t operator[](std::size_t index) const {
        return static_cast<std::uint32_t>(data[2 * index]) | (static_cast<std::uint32_t>(data[2 * index + 1]) << 8);
    }
};

std::uint32_t FoldCase(std::uint32_t c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; }

bool IsSpace(std::uint32_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Whether units [begin, end) start with `word`, compared without case.
template <class Units>
bool StartsWithIgnoringCase(const Units& units, std::size_t begin, std::size_t end, std::string_view word) {
    if (end - begin < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (FoldCase(units[begin + i]) != FoldCase(static_cast<unsigned char>(word[i]))) return false;
    }
    return true;
}

// The number after a SYNC tag's '=' as "%d" reads it: blanks, a sign, digits. Values beyond the
// 32-bit range are clamped. Real files sometimes quote the value; one quote is allowed.
template <class Units>
bool ReadStartTime(const Units& units, std::size_t begin, std::size_t end, std::int32_t& value) {
    std::size_t i = begin;
    while (i < end && IsSpace(units[i])) ++i;
    if (i < end && (units[i] == '"' || units[i] == '\'')) ++i;
    bool negative = false;
    if (i < end && (units[i] == '-' || units[i] == '+')) negative = units[i++] == '-';
    std::int64_t magnitude = 0;
    bool any_digit = false;
    for (; i < end && units[i] >= '0' && units[i] <= '9'; ++i) {
        any_digit = true;
        if (magnitude <= INT32_MAX) magnitude = magnitude * 10 + (units[i] - '0');
    }
    if (!any_digit) return false;
    if (negative) magnitude = -magnitude;
    value = static_cast<std::int32_t>(std::clamp<std::int64_t>(magnitude, INT32_MIN, INT32_MAX));
    return true;
}

template <class Units>
std::size_t Parse(const Units& units, SyncTable& table) {
    std::size_t dropped = 0;
    bool in_tag = false;
    std::size_t tag_start = 0;  // the '<'
    bool entry_open = false;
    SyncEntry entry;
    for (std::size_t i = 0; i < units.count; ++i) {
        const std::uint32_t c = units[i];
        if (Units::kSingleByte && c < 32) continue;
        if (c == '<') {
            in_tag = true;
            tag_start = i;
            continue;
        }
        if (c != '>' || !in_tag) continue;
        in_tag = false;
        // The tag runs over (tag_start, i).
        if (!StartsWithIgnoringCase(units, tag_start + 1, i, "SYNC")) continue;
        if (entry_open) {
            entry.text_end = static_cast<std::uint32_t>(tag_start);
            if (!table.Add(entry)) ++dropped;
            entry_open = false;
        }
        std::size_t equals = tag_start + 1;
        while (equals < i && units[equals] != '=') ++equals;
        if (equals == i) continue;  // a SYNC tag without '=' opens no entry
        std::int32_t start_ms = 0;
        if (!ReadStartTime(units, equals + 1, i, start_ms)) continue;  // nor does one without a number
        entry = SyncEntry{start_ms, static_cast<std::uint32_t>(i + 1), 0};
        entry_open = true;
    }
    return dropped;
}

// A line-break tag: its name is BR in any case, as in <br>, <BR/>, <br /> or <br clear=all>.
template <class Units>
bool IsLineBreakTag(const Units& units, std::size_t begin, std::size_t end) {
    if (!StartsWithIgnoringCase(units, begin, end, "BR")) return false;
    return begin + 2 == end || IsSpace(units[begin + 2]) || units[begin + 2] == '/';
}

template <class Units, class Text>
void Extract(const Units& units, std::size_t begin, std::size_t end, Text& out) {
    using Unit = typename Text::value_type;
    end = std::min(end, units.count);
    bool in_tag = false;
    std::size_t tag_start = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const std::uint32_t c = units[i];
        if (in_tag) {
            if (c == '>') {
                in_tag = false;
                if (IsLineBreakTag(units, tag_start + 1, i)) out.push_back(static_cast<Unit>('\n'));
            } else if (c == '<') {
                tag_start = i;
            }
            continue;
        }
        if (c == '<') {
            in_tag = true;
            tag_start = i;
        } else if (c == '&' && StartsWithIgnoringCase(units, i, end, "&NBSP")) {
            out.push_back(static_cast<Unit>(' '));
            i += 4;
            if (i + 1 < end && units[i + 1] == ';') ++i;
        } else if (c < 32) {
            // control codes and line ends of the file are not text
        } else if (c == '\\' || c == '&') {
            out.push_back(static_cast<Unit>(c));
            out.push_back(static_cast<Unit>(c));
        } else if (Units::kSingleByte && (c & 0x80)) {
            out.push_back(static_cast<Unit>(c));
            if (i + 1 < end) out.push_back(static_cast<Unit>(units[++i]));
        } else {
            out.push_back(static_cast<Unit>(c));
        }
    }
}

}  // namespace

void SyncTable::FreeDeleter::operator()(SyncEntry* entries) const { std::free(entries); }

bool SyncTable::Allocate() {
    Clear();
    auto* entries = static_cast<SyncEntry*>(std::malloc(kInitialCapacity * sizeof(SyncEntry)));
    if (!entries) return false;
    m_entries.reset(entries);
    m_capacity = kInitialCapacity;
    return true;
}

bool SyncTable::Add(const SyncEntry& entry) {
    if (m_count == m_capacity) {
        const std::size_t grown = m_capacity + kGrowth;
        if (grown > m_capacity_limit || grown > SIZE_MAX / sizeof(SyncEntry)) return false;
        auto* entries = static_cast<SyncEntry*>(std::realloc(m_entries.get(), grown * sizeof(SyncEntry)));
        if (!entries) return false;
        (void)m_entries.release();
        m_entries.reset(entries);
        m_capacity = grown;
    }
    m_entries.get()[m_count++] = entry;
    return true;
}

void SyncTable::SortByStart() {
    if (m_count == 0) return;
    // Stable, so entries with the same start keep the file's order.
    std::stable_sort(m_entries.get(), m_entries.get() + m_count,
                     [](const SyncEntry& a, const SyncEntry& b) { return a.start_ms < b.start_ms; });
}

void SyncTable::Clear() {
    m_entries.reset();
    m_count = 0;
    m_capacity = 0;
}

SmiEncoding DetectEncoding(const std::uint8_t* image, std::size_t size) {
    return (image && size >= 2 && image[0] == 0xFF && image[1] == 0xFE) ? SmiEncoding::Utf16 : SmiEncoding::CodePage;
}

std::size_t ParseSyncTags(const std::uint8_t* image, std::size_t size, SmiEncoding encoding, SyncTable& table) {
    if (!image) return 0;
    if (encoding == SmiEncoding::Utf16) return Parse(Utf16Units{image, size / 2}, table);
    return Parse(ByteUnits{image, size}, table);
}

void ExtractText(const std::uint8_t* image, std::size_t size, SmiEncoding encoding, const SyncEntry& entry,
                 std::string& code_page_text, std::u16string& wide_text) {
    code_page_text.clear();
    wide_text.clear();
    if (!image || entry.text_begin >= entry.text_end) return;
    if (encoding == SmiEncoding::Utf16) {
        Extract(Utf16Units{image, size / 2}, entry.text_begin, entry.text_end, wide_text);
    } else {
        Extract(ByteUnits{image, size}, entry.text_begin, entry.text_end, code_page_text);
    }
}

std::int32_t PlayTimeMilliseconds(double play_time_seconds) {
    const double milliseconds = play_time_seconds * 1000.0;
    if (std::isnan(milliseconds)) return 0;
    if (milliseconds >= static_cast<double>(INT32_MAX)) return INT32_MAX;
    if (milliseconds <= static_cast<double>(INT32_MIN)) return INT32_MIN;
    return static_cast<std::int32_t>(milliseconds);  // truncated toward zero
}

SyncCursor::Answer SyncCursor::Advance(const SyncTable& table, double play_time_seconds) {
    if (std::isnan(play_time_seconds)) play_time_seconds = 0.0;
    const std::int32_t milliseconds = PlayTimeMilliseconds(play_time_seconds);
    bool reset = false;
    if (play_time_seconds < m_previous_seconds) {  // the user sought backwards
        m_next = 0;
        reset = true;
    }
    std::size_t index = m_next;
    const SyncEntry* passed = nullptr;
    while (index < table.Count() && table[index].start_ms <= milliseconds) passed = &table[index++];
    m_previous_seconds = play_time_seconds;
    Answer answer;
    if (passed) {
        m_next = index;
        answer.report = true;
        answer.entry = passed;
    } else {
        answer.report = reset;
    }
    return answer;
}

void SyncCursor::Reset() {
    m_next = 0;
    m_previous_seconds = 0.0;
}

}  // namespace movie
