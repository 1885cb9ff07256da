// A program's version record: the file version information the build embeds in every program
// file, in an ELF section of its own (".headunit_version"). Pure byte handling, no files: the
// builder the build's generated source uses, the checked reader, and the walk that finds the
// section in an ELF file through a read callback (so a program file is never read whole).
//
// Layout, little-endian:
//   0   4  magic "HUVR"
//   4   2  layout version, 1
//   6   2  translation count T, at least 1
//   8   4  record size in bytes, this header included
//   12  4T translations: {language, code page}, 2 bytes each
//   ..  2  string count S
//   ..     S strings: 2-byte key size, key bytes, 2-byte value size, value bytes; both sizes
//          count a terminating zero byte, which must be there
// Every string belongs to every translation of the record.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace platform::version_record {

inline constexpr char kSectionName[] = ".headunit_version";
inline constexpr std::size_t kHeaderSize = 12;
inline constexpr std::uint16_t kLayoutVersion = 1;
inline constexpr std::uint16_t kLanguageKorean = 0x0412;
inline constexpr std::uint16_t kCodePageUnicode = 0x04B0;
// Limits of what a reader takes: a record is a few hundred bytes.
inline constexpr std::uint32_t kMaxRecordSize = 64 * 1024;
inline constexpr std::uint16_t kMaxTranslations = 64;
inline constexpr std::uint16_t kMaxStrings = 256;

enum class ReadStatus { Ok, NotThisFormat, Truncated, Malformed };

struct Translation {
    std::uint16_t language = 0;
    std::uint16_t code_page = 0;
};

// Where a string's key and value lie in the record, as offsets; sizes without the zero.
struct StringEntry {
    std::uint32_t key_offset = 0;
    std::uint32_t key_size = 0;
    std::uint32_t value_offset = 0;
    std::uint32_t value_size = 0;
};

struct RecordView {
    std::uint32_t size = 0;                // the record's own size
    std::uint32_t translations_offset = 0; // the translation pairs, 4 bytes each
    std::vector<Translation> translations;
    std::vector<StringEntry> strings;
};

// Reads a record at the start of bytes[0, size). Never reads outside it.
ReadStatus ParseRecord(const std::uint8_t* bytes, std::size_t size, RecordView& view);

// The value of `key` (compared ignoring ASCII case) under one of the record's translations.
std::optional<StringEntry> FindString(const std::uint8_t* bytes, const RecordView& view, std::string_view key);

// Reads `size` bytes at `offset` of a file into `out`; false when the file has not so many.
using ReadAt = std::function<bool(std::uint64_t offset, std::size_t size, std::uint8_t* out)>;

// Finds the section named `name` of a little-endian ELF file (32- or 64-bit) by its header and
// section headers only. Its file offset and size, or nothing: not ELF, no such section, or
// headers that do not hold together.
struct SectionPlace {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};
std::optional<SectionPlace> FindElfSection(const ReadAt& read, std::uint64_t file_size, std::string_view name);

// The record with one translation (Korean, Unicode) and the strings FileVersion and
// ProductVersion both `version`, made at compile time for a program's record section.
namespace detail {
inline constexpr char kFileVersionKey[] = "FileVersion";
inline constexpr char kProductVersionKey[] = "ProductVersion";
constexpr std::size_t RecordSize(std::size_t version_size) {
    return kHeaderSize + 4 + 2 + (2 + sizeof(kFileVersionKey)) + (2 + version_size) + (2 + sizeof(kProductVersionKey)) +
           (2 + version_size);
}
}  // namespace detail

template <std::size_t N>
constexpr std::array<std::uint8_t, detail::RecordSize(N)> MakeRecord(const char (&version)[N]) {
    std::array<std::uint8_t, detail::RecordSize(N)> out{};
    std::size_t at = 0;
    auto u8 = [&](std::uint8_t value) { out[at++] = value; };
    auto u16 = [&](std::uint16_t value) { u8(static_cast<std::uint8_t>(value)); u8(static_cast<std::uint8_t>(value >> 8)); };
    auto text = [&](const char* chars, std::size_t count) {  // count includes the zero
        u16(static_cast<std::uint16_t>(count));
        for (std::size_t i = 0; i + 1 < count; ++i) u8(static_cast<std::uint8_t>(chars[i]));
        u8(0);
    };
    u8('H'); u8('U'); u8('V'); u8('R');
    u16(kLayoutVersion);
    u16(1);
    const auto size = static_cast<std::uint32_t>(out.size());
    u16(static_cast<std::uint16_t>(size)); u16(static_cast<std::uint16_t>(size >> 16));
    u16(kLanguageKorean);
    u16(kCodePageUnicode);
    u16(2);
    text(detail::kFileVersionKey, sizeof(detail::kFileVersionKey));
    text(version, N);
    text(detail::kProductVersionKey, sizeof(detail::kProductVersionKey));
    text(version, N);
    return out;
}

}  // namespace platform::version_record
