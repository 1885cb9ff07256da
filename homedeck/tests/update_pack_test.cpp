#include "homedeck/update_pack.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

namespace homedeck {
namespace {

std::vector<std::uint8_t> Bytes(const char* text) { return {text, text + std::strlen(text)}; }

// The plain bit-at-a-time CRC the fast one must match.
std::uint32_t BitwiseChecksum(const std::vector<std::uint8_t>& data) {
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < (data.size() & ~std::size_t{3}); ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xD8018001u : crc >> 1;
    }
    return crc;
}

TEST(PackChecksum, MatchesTheCheckValueAndCoversWholeWordsOnly) {
    EXPECT_EQ(ChecksumOf(Bytes("abcd")), 0xD2608115u);
    // The bytes past the last whole word are not covered, whatever they are.
    EXPECT_EQ(ChecksumOf(Bytes("abcdX")), 0xD2608115u);
    EXPECT_EQ(ChecksumOf(Bytes("abcdXYZ")), 0xD2608115u);
    EXPECT_EQ(ChecksumOf(Bytes("abc")), 0u);
    EXPECT_EQ(ChecksumOf({}), 0u);
    // Zeros check as 0: the reason a read that stops short must never be padded and checked.
    EXPECT_EQ(ChecksumOf(std::vector<std::uint8_t>(4096, 0)), 0u);
}

TEST(PackChecksum, AnySplitIntoBlocksGivesTheSameValue) {
    std::vector<std::uint8_t> data(10007);
    std::iota(data.begin(), data.end(), 7);
    const std::uint32_t whole = ChecksumOf(data);
    EXPECT_EQ(whole, BitwiseChecksum(data));
    for (std::size_t block : {1u, 3u, 4u, 8u, 4096u}) {
        PackChecksum checksum;
        const std::size_t covered = ChecksummedBytes(static_cast<std::uint32_t>(data.size()));
        for (std::size_t at = 0; at < covered; at += block)
            checksum.Update(data.data() + at, std::min(block, covered - at));
        EXPECT_EQ(checksum.Value(), whole) << "blocks of " << block;
    }
}

TEST(PackTypes, NameTheirProgramsAndDestinations) {
    EXPECT_EQ(FileEntryDestination(4), "\\NAND\\MUSIC.EXE");
    EXPECT_EQ(FileEntryDestination(3), "\\NAND\\UPDATE_HOMEDECK.EXE");
    EXPECT_EQ(FileEntryDestination(12), "\\NAND\\SATSCOPE.EXE");
    for (std::uint32_t type : {0u, 1u, 2u, 13u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(IsFileEntry(type));
        EXPECT_TRUE(FileEntryDestination(type).empty());
    }
    EXPECT_EQ(PackTypeByName("Telecast"), 8u);
    EXPECT_EQ(PackTypeByName("bootloader"), 0u);
    EXPECT_EQ(PackTypeByName("77"), 77u);
    EXPECT_FALSE(PackTypeByName("7x"));
    EXPECT_FALSE(PackTypeByName(""));
    EXPECT_FALSE(PackTypeByName("radio"));
    for (std::uint32_t type = 0; type <= 12; ++type) EXPECT_EQ(PackTypeByName(PackTypeName(type)), type);
}

TEST(PackLayout, ABuiltPackReadsBackEntryForEntry) {
    std::vector<PackPart> parts = {{0, Bytes("loader!")}, {8, Bytes("telecast program")}, {2, {}}};
    const auto pack = BuildPack(parts);
    ASSERT_TRUE(pack);
    const auto header = ParsePackHeader(std::span<const std::uint8_t, kPackHeaderSize>(pack->data(), kPackHeaderSize));
    ASSERT_TRUE(IsValidPackHeader(header));
    ASSERT_EQ(header.count, 3u);
    ASSERT_LE(PackTableBytes(header.count), pack->size());
    const auto entries = ParsePackTable(std::span(*pack).subspan(kPackHeaderSize), header.count);
    ASSERT_EQ(entries.size(), 3u);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_EQ(entries[i].type, parts[i].type);
        EXPECT_EQ(entries[i].length, parts[i].data.size());
        EXPECT_EQ(entries[i].checksum, ChecksumOf(parts[i].data));
        EXPECT_TRUE(std::equal(parts[i].data.begin(), parts[i].data.end(), pack->begin() + entries[i].offset));
        EXPECT_EQ(EntryBoundsFault(entries[i], pack->size()), "");
    }
    EXPECT_FALSE(BuildPack({}));
}

TEST(PackLayout, RefusesHeadersAndEntriesThatCannotBeInstalled) {
    EXPECT_FALSE(IsValidPackHeader({0x5041434B, 1}));  // "KCAP"
    EXPECT_FALSE(IsValidPackHeader({kPackMagic, 0}));
    // 16 × N must not wrap: the largest count still asks for more than 64 GB.
    EXPECT_EQ(PackTableBytes(0xFFFFFFFFu), 12u + 16ull * 0xFFFFFFFFull);
    // A short table yields only the entries it holds, never zeroed ones.
    std::vector<std::uint8_t> table(16 + 7, 0);
    EXPECT_EQ(ParsePackTable(table, 5).size(), 1u);

    EXPECT_NE(EntryBoundsFault({kPackBootLoader, 0, 0, 12}, 100), "");
    EXPECT_NE(EntryBoundsFault({kPackDiskImage, 0, 0, 12}, 100), "");
    EXPECT_NE(EntryBoundsFault({4, 0, 89, 12}, 100), "");
    EXPECT_EQ(EntryBoundsFault({4, 0, 88, 12}, 100), "");
    EXPECT_NE(EntryBoundsFault({4, 0, 0xFFFFFFFFu, 0xFFFFFFFFu}, 100), "");  // offset + length wraps 32 bits
    // Skipped types are never looked at.
    EXPECT_EQ(EntryBoundsFault({2, 0, 0xFFFFFFFFu, 0xFFFFFFFFu}, 100), "");
    EXPECT_EQ(EntryBoundsFault({99, 0, 0, 0}, 100), "");
}

}  // namespace
}  // namespace homedeck
