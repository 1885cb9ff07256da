#include "homedeck/update_pack.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <limits>

namespace homedeck {
namespace {

struct TypeInfo {
    std::string_view name;
    std::string_view destination;
};

// Index = entry type.
constexpr std::array<TypeInfo, 13> kTypes = {{
    {"bootloader", ""},
    {"image", ""},
    {"none", ""},
    {"updater", "\\NAND\\UPDATE_HOMEDECK.EXE"},
    {"music", "\\NAND\\MUSIC.EXE"},
    {"photo", "\\NAND\\PHOTO.EXE"},
    {"movie", "\\NAND\\MOVIE.EXE"},
    {"extview", "\\NAND\\EXTVIEW.EXE"},
    {"telecast", "\\NAND\\TELECAST.EXE"},
    {"fileshelf", "\\NAND\\FILESHELF.EXE"},
    {"routekit", "\\NAND\\ROUTEKIT.EXE"},
    {"stacker", "\\NAND\\STACKER.EXE"},
    {"satscope", "\\NAND\\SATSCOPE.EXE"},
}};

constexpr std::uint32_t kReflectedPolynomial = 0xD8018001u;

// Slicing-by-8 tables: table[0] is the byte-at-a-time table, table[k][b] the CRC of byte b
// followed by k zero bytes, so eight bytes are folded in with eight lookups.
struct CrcTables {
    std::array<std::array<std::uint32_t, 256>, 8> t{};
    constexpr CrcTables() {
        for (std::uint32_t b = 0; b < 256; ++b) {
            std::uint32_t crc = b;
            for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ kReflectedPolynomial : crc >> 1;
            t[0][b] = crc;
        }
        for (std::uint32_t b = 0; b < 256; ++b)
            for (std::size_t k = 1; k < 8; ++k) t[k][b] = (t[k - 1][b] >> 8) ^ t[0][t[k - 1][b] & 0xFF];
    }
};
constexpr CrcTables kCrc;

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

std::uint32_t ReadLittleEndian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void WriteLittleEndian32(std::uint8_t* bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

bool IsFileEntry(std::uint32_t type) { return type >= kPackFirstProgram && type <= kPackLastProgram; }

std::string_view FileEntryDestination(std::uint32_t type) {
    return IsFileEntry(type) ? kTypes[type].destination : std::string_view();
}

std::optional<std::uint32_t> PackTypeByName(std::string_view name) {
    std::uint32_t number = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), number);
    if (!name.empty() && error == std::errc() && end == name.data() + name.size()) return number;
    for (std::uint32_t type = 0; type < kTypes.size(); ++type)
        if (EqualIgnoringCase(name, kTypes[type].name)) return type;
    return std::nullopt;
}

std::string_view PackTypeName(std::uint32_t type) { return type < kTypes.size() ? kTypes[type].name : "unknown"; }

void PackChecksum::Update(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = m_crc;
    const auto& t = kCrc.t;
    for (; size >= 8; data += 8, size -= 8) {
        const std::uint32_t low = crc ^ ReadLittleEndian32(data);
        const std::uint32_t high = ReadLittleEndian32(data + 4);
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
              t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
    }
    for (; size; ++data, --size) crc = t[0][(crc ^ *data) & 0xFF] ^ (crc >> 8);
    m_crc = crc;
}

std::uint32_t ChecksumOf(std::span<const std::uint8_t> data) {
    PackChecksum checksum;
    checksum.Update(data.data(), data.size() & ~std::size_t{3});
    return checksum.Value();
}

PackHeader ParsePackHeader(std::span<const std::uint8_t, kPackHeaderSize> bytes) {
    return {ReadLittleEndian32(bytes.data()), ReadLittleEndian32(bytes.data() + 4)};
}

bool IsValidPackHeader(const PackHeader& header) { return header.magic == kPackMagic && header.count != 0; }

std::uint64_t PackTableBytes(std::uint32_t count) {
    return kPackHeaderSize + std::uint64_t{kPackEntrySize} * count;
}

std::vector<PackEntry> ParsePackTable(std::span<const std::uint8_t> table, std::uint32_t count) {
    std::vector<PackEntry> entries;
    const std::size_t available = table.size() / kPackEntrySize;
    entries.reserve(std::min<std::size_t>(count, available));
    for (std::size_t i = 0; i < count && i < available; ++i) {
        const std::uint8_t* bytes = table.data() + i * kPackEntrySize;
        entries.push_back({ReadLittleEndian32(bytes), ReadLittleEndian32(bytes + 4), ReadLittleEndian32(bytes + 8),
                           ReadLittleEndian32(bytes + 12)});
    }
    return entries;
}

std::string EntryBoundsFault(const PackEntry& entry, std::uint64_t pack_size) {
    if (entry.type != kPackBootLoader && entry.type != kPackDiskImage && !IsFileEntry(entry.type)) return {};
    char line[160];
    if (entry.length == 0 && !IsFileEntry(entry.type)) {
        std::snprintf(line, sizeof(line), "Empty %s entry\n",
                      entry.type == kPackBootLoader ? "boot loader" : "disk image");
        return line;
    }
    const std::uint64_t end = std::uint64_t{entry.offset} + entry.length;
    if (end > pack_size) {
        std::snprintf(line, sizeof(line), "Entry data past the end: offset 0x%x, length 0x%x, pack 0x%llx\n",
                      entry.offset, entry.length, static_cast<unsigned long long>(pack_size));
        return line;
    }
    return {};
}

std::optional<std::vector<std::uint8_t>> BuildPack(const std::vector<PackPart>& parts) {
    if (parts.empty() || parts.size() > std::numeric_limits<std::uint32_t>::max() / kPackEntrySize) return std::nullopt;
    std::uint64_t size = PackTableBytes(static_cast<std::uint32_t>(parts.size()));
    for (const auto& part : parts) size += part.data.size();
    if (size > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;

    std::vector<std::uint8_t> pack(static_cast<std::size_t>(size));
    WriteLittleEndian32(pack.data(), kPackMagic);
    WriteLittleEndian32(pack.data() + 4, static_cast<std::uint32_t>(parts.size()));
    std::size_t offset = static_cast<std::size_t>(PackTableBytes(static_cast<std::uint32_t>(parts.size())));
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto& part = parts[i];
        std::uint8_t* entry = pack.data() + kPackHeaderSize + i * kPackEntrySize;
        WriteLittleEndian32(entry, part.type);
        WriteLittleEndian32(entry + 4, ChecksumOf(part.data));
        WriteLittleEndian32(entry + 8, static_cast<std::uint32_t>(part.data.size()));
        WriteLittleEndian32(entry + 12, static_cast<std::uint32_t>(offset));
        std::copy(part.data.begin(), part.data.end(), pack.begin() + static_cast<std::ptrdiff_t>(offset));
        offset += part.data.size();
    }
    return pack;
}

}  // namespace homedeck
