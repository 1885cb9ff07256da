#include "platform/files/version_record.h"

#include <cstring>
#include <string>

namespace platform::version_record {
namespace {

// A bounds-checked reader over [begin, end): a failed read leaves the value 0 and every later
// read fails too.
class Cursor {
public:
    Cursor(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool U16(std::uint16_t& out) {
        out = 0;
        if (!Has(2)) return false;
        out = static_cast<std::uint16_t>(m_data[m_at] | (m_data[m_at + 1] << 8));
        m_at += 2;
        return true;
    }
    bool U32(std::uint32_t& out) {
        out = 0;
        if (!Has(4)) return false;
        out = static_cast<std::uint32_t>(m_data[m_at]) | (static_cast<std::uint32_t>(m_data[m_at + 1]) << 8) |
              (static_cast<std::uint32_t>(m_data[m_at + 2]) << 16) | (static_cast<std::uint32_t>(m_data[m_at + 3]) << 24);
        m_at += 4;
        return true;
    }
    bool Skip(std::size_t count) {
        if (!Has(count)) return false;
        m_at += count;
        return true;
    }
    std::size_t Position() const { return m_at; }
    bool Failed() const { return m_failed; }

private:
    bool Has(std::size_t count) {
        if (m_failed || count > m_size - m_at) m_failed = true;
        return !m_failed;
    }
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
    bool m_failed = false;
};

// A zero-terminated text of `size` bytes (the zero counted) at the cursor.
bool Text(Cursor& cursor, const std::uint8_t* bytes, std::uint32_t& offset, std::uint32_t& length) {
    std::uint16_t size = 0;
    if (!cursor.U16(size) || size == 0) return false;
    offset = static_cast<std::uint32_t>(cursor.Position());
    if (!cursor.Skip(size)) return false;
    length = size - 1u;
    // The zero must end it, and none may come before.
    return bytes[offset + length] == 0 && std::memchr(bytes + offset, 0, length) == nullptr;
}

bool EqualIgnoringCase(const std::uint8_t* a, std::size_t a_size, std::string_view b) {
    if (a_size != b.size()) return false;
    for (std::size_t i = 0; i < a_size; ++i) {
        auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; };
        if (lower(a[i]) != lower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

}  // namespace

ReadStatus ParseRecord(const std::uint8_t* bytes, std::size_t size, RecordView& view) {
    view = RecordView{};
    if (!bytes || size < 4) return size == 0 || !bytes ? ReadStatus::Truncated : ReadStatus::NotThisFormat;
    if (std::memcmp(bytes, "HUVR", 4) != 0) return ReadStatus::NotThisFormat;
    if (size < kHeaderSize) return ReadStatus::Truncated;
    Cursor header(bytes, size);
    std::uint16_t layout = 0, translations = 0;
    std::uint32_t record_size = 0;
    (void)header.Skip(4);
    (void)header.U16(layout);
    (void)header.U16(translations);
    (void)header.U32(record_size);
    if (layout != kLayoutVersion) return ReadStatus::Malformed;
    // The declared size is checked before it bounds anything.
    if (record_size < kHeaderSize || record_size > kMaxRecordSize) return ReadStatus::Malformed;
    if (record_size > size) return ReadStatus::Truncated;
    if (translations == 0 || translations > kMaxTranslations) return ReadStatus::Malformed;

    Cursor cursor(bytes, record_size);
    (void)cursor.Skip(kHeaderSize);
    view.size = record_size;
    view.translations_offset = kHeaderSize;
    for (std::uint16_t i = 0; i < translations; ++i) {
        Translation translation;
        if (!cursor.U16(translation.language) || !cursor.U16(translation.code_page)) return ReadStatus::Truncated;
        view.translations.push_back(translation);
    }
    std::uint16_t strings = 0;
    if (!cursor.U16(strings)) return ReadStatus::Truncated;
    if (strings > kMaxStrings) return ReadStatus::Malformed;
    for (std::uint16_t i = 0; i < strings; ++i) {
        StringEntry entry;
        if (!Text(cursor, bytes, entry.key_offset, entry.key_size) ||
            !Text(cursor, bytes, entry.value_offset, entry.value_size))
            return cursor.Failed() ? ReadStatus::Truncated : ReadStatus::Malformed;
        view.strings.push_back(entry);
    }
    return ReadStatus::Ok;
}

std::optional<StringEntry> FindString(const std::uint8_t* bytes, const RecordView& view, std::string_view key) {
    for (const StringEntry& entry : view.strings)
        if (EqualIgnoringCase(bytes + entry.key_offset, entry.key_size, key)) return entry;
    return std::nullopt;
}

std::optional<SectionPlace> FindElfSection(const ReadAt& read, std::uint64_t file_size, std::string_view name) {
    constexpr std::uint16_t kMaxSections = 4096;
    constexpr std::uint64_t kMaxNamesSize = 1024 * 1024;
    std::uint8_t ident[64] = {};
    if (file_size < 52 || !read(0, 52, ident)) return std::nullopt;
    if (std::memcmp(ident, "\x7f" "ELF", 4) != 0 || ident[5] != 1 /* little-endian */) return std::nullopt;
    const bool wide = ident[4] == 2;
    if (!wide && ident[4] != 1) return std::nullopt;
    if (wide && (file_size < 64 || !read(0, 64, ident))) return std::nullopt;

    Cursor header(ident, wide ? 64 : 52);
    std::uint16_t entry_size = 0, count = 0, names_index = 0;
    std::uint64_t table = 0;
    if (wide) {
        std::uint32_t low = 0, high = 0;
        (void)header.Skip(0x28);
        (void)header.U32(low);
        (void)header.U32(high);
        table = (static_cast<std::uint64_t>(high) << 32) | low;
        (void)header.Skip(0x3A - 0x30);
    } else {
        std::uint32_t offset = 0;
        (void)header.Skip(0x20);
        (void)header.U32(offset);
        table = offset;
        (void)header.Skip(0x2E - 0x24);
    }
    (void)header.U16(entry_size);
    (void)header.U16(count);
    (void)header.U16(names_index);
    const std::uint16_t expected_entry = wide ? 64 : 40;
    if (header.Failed() || entry_size != expected_entry || count == 0 || count > kMaxSections || names_index >= count)
        return std::nullopt;
    const std::uint64_t table_size = std::uint64_t{count} * entry_size;
    if (table > file_size || table_size > file_size - table) return std::nullopt;
    std::vector<std::uint8_t> sections(static_cast<std::size_t>(table_size));
    if (!read(table, sections.size(), sections.data())) return std::nullopt;

    struct Section {
        std::uint32_t name = 0;
        std::uint32_t type = 0;
        std::uint64_t offset = 0;
        std::uint64_t size = 0;
    };
    auto section_at = [&](std::uint16_t index) {
        Cursor entry(sections.data() + std::size_t{index} * entry_size, entry_size);
        Section section;
        (void)entry.U32(section.name);
        (void)entry.U32(section.type);
        if (wide) {
            std::uint32_t low = 0, high = 0;
            (void)entry.Skip(0x18 - 0x08);
            (void)entry.U32(low); (void)entry.U32(high);
            section.offset = (static_cast<std::uint64_t>(high) << 32) | low;
            (void)entry.U32(low); (void)entry.U32(high);
            section.size = (static_cast<std::uint64_t>(high) << 32) | low;
        } else {
            std::uint32_t offset = 0, size = 0;
            (void)entry.Skip(0x10 - 0x08);
            (void)entry.U32(offset); (void)entry.U32(size);
            section.offset = offset;
            section.size = size;
        }
        return section;
    };
    constexpr std::uint32_t kNoBits = 8;
    auto in_file = [&](const Section& section) {
        return section.type != kNoBits && section.offset <= file_size && section.size <= file_size - section.offset;
    };

    const Section names = section_at(names_index);
    if (!in_file(names) || names.size == 0 || names.size > kMaxNamesSize) return std::nullopt;
    std::vector<std::uint8_t> name_bytes(static_cast<std::size_t>(names.size));
    if (!read(names.offset, name_bytes.size(), name_bytes.data())) return std::nullopt;
    for (std::uint16_t i = 0; i < count; ++i) {
        const Section section = section_at(i);
        if (section.name >= name_bytes.size()) continue;
        const auto* start = reinterpret_cast<const char*>(name_bytes.data() + section.name);
        const std::size_t room = name_bytes.size() - section.name;
        const std::size_t length = strnlen(start, room);
        if (length == room || std::string_view(start, length) != name) continue;
        if (!in_file(section)) return std::nullopt;
        return SectionPlace{section.offset, section.size};
    }
    return std::nullopt;
}

}  // namespace platform::version_record
