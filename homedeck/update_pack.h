// The update pack on the storage card: a header ("PACK", an entry count, a reserved word), a
// table of 16-byte entries {type, checksum, length, offset}, and the entries' data wherever the
// offsets say. All integers are 32-bit little-endian. HomeDeck's updater reads it and
// tools/mkpack writes it; both go through these rules so they never disagree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace homedeck {

inline constexpr std::uint32_t kPackMagic = 0x4B434150;  // the bytes "PACK"
inline constexpr std::size_t kPackHeaderSize = 12;
inline constexpr std::size_t kPackEntrySize = 16;

// Entry types. 2 and anything past 12 carry nothing the device installs and are skipped.
enum PackEntryType : std::uint32_t {
    kPackBootLoader = 0,
    kPackDiskImage = 1,
    kPackNothing = 2,
    kPackFirstProgram = 3,  // 3..12: program files of \NAND
    kPackLastProgram = 12,
};

struct PackEntry {
    std::uint32_t type = 0;
    std::uint32_t checksum = 0;
    std::uint32_t length = 0;
    std::uint32_t offset = 0;
};

bool IsFileEntry(std::uint32_t type);
// The device file a program entry replaces ("\NAND\MUSIC.EXE"); empty for other types.
std::string_view FileEntryDestination(std::uint32_t type);
// A type by its number or its program's name, any case ("music", "telecast", "bootloader",
// "image", "none", "updater"...).
std::optional<std::uint32_t> PackTypeByName(std::string_view name);
// The name PackTypeByName takes for a type, or "unknown".
std::string_view PackTypeName(std::uint32_t type);

// The entries' checksum: a 32-bit CRC, polynomial 0x8001801B taken least significant bit first
// (0xD8018001 reflected), initial value 0, no final XOR, over the data's whole 32-bit words;
// the 0 to 3 bytes after the last whole word are not covered. Words are taken lowest byte
// first, so the CRC runs over the bytes in file order. Feed it blocks of any size.
class PackChecksum {
public:
    // Adds bytes to the covered data; the caller leaves out the bytes past the last whole word.
    void Update(const std::uint8_t* data, std::size_t size);
    std::uint32_t Value() const { return m_crc; }

private:
    std::uint32_t m_crc = 0;
};

// The checksum of a whole entry's data (its trailing partial word left out).
std::uint32_t ChecksumOf(std::span<const std::uint8_t> data);
// The bytes of an entry of `length` bytes that the checksum covers.
inline std::uint32_t ChecksummedBytes(std::uint32_t length) { return length & ~3u; }

// Reading a pack: the header gives the count; the table follows it and must lie inside the file.
struct PackHeader {
    std::uint32_t magic = 0;
    std::uint32_t count = 0;
};
PackHeader ParsePackHeader(std::span<const std::uint8_t, kPackHeaderSize> bytes);
bool IsValidPackHeader(const PackHeader& header);
// The bytes a header and table of `count` entries take, counted without overflow.
std::uint64_t PackTableBytes(std::uint32_t count);

// Parses the table's bytes (16 per entry, count entries; the caller checked it has them all).
std::vector<PackEntry> ParsePackTable(std::span<const std::uint8_t> table, std::uint32_t count);

// Why an entry the device would install cannot be: its data lies past the end of a pack of
// `pack_size` bytes (or offset + length overflows), or it is a boot loader or image without
// bytes. Empty when it can be installed; skipped types always can.
std::string EntryBoundsFault(const PackEntry& entry, std::uint64_t pack_size);

// Writing a pack: the entries' data follow the table in order, each checksum taken here.
struct PackPart {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};
// None when there is nothing to write or the pack would not fit in 32-bit offsets.
std::optional<std::vector<std::uint8_t>> BuildPack(const std::vector<PackPart>& parts);

std::uint32_t ReadLittleEndian32(const std::uint8_t* bytes);
void WriteLittleEndian32(std::uint8_t* bytes, std::uint32_t value);

}  // namespace homedeck
