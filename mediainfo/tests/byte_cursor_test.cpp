#include "mediainfo/byte_cursor.h"

#include <gtest/gtest.h>

#include <vector>

#include "mediainfo/file_source.h"
#include "mediainfo/media_info.h"
#include "mediainfo/text_field.h"

namespace mediainfo {
namespace {

const std::vector<std::uint8_t> kBytes = {0x52, 0x49, 0x46, 0x46, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};

TEST(ByteCursor, ReadsBothByteOrders)
{
    ByteCursor cursor(kBytes.data(), kBytes.size());
    std::uint32_t fourcc = 0;
    ASSERT_TRUE(cursor.ReadFourCC(fourcc));
    EXPECT_EQ(fourcc, FourCC("RIFF"));
    EXPECT_EQ(fourcc, 0x52494646u);
    std::uint16_t le16 = 0, be16 = 0;
    ASSERT_TRUE(cursor.ReadU16Le(le16));
    ASSERT_TRUE(cursor.ReadU16Be(be16));
    EXPECT_EQ(le16, 0x0201);
    EXPECT_EQ(be16, 0x0304);
    ASSERT_TRUE(cursor.Seek(4));
    std::uint64_t le64 = 0;
    ASSERT_TRUE(cursor.ReadU64Le(le64));
    EXPECT_EQ(le64, 0x0807060504030201ull);
    EXPECT_TRUE(cursor.AtEnd());
    EXPECT_FALSE(cursor.Failed());
}

// Read to the end, then every further read fails, writes 0 and keeps the position.
TEST(ByteCursor, FailureAtTheEndIsSticky)
{
    ByteCursor cursor(kBytes.data(), kBytes.size());
    ASSERT_TRUE(cursor.Skip(10));
    std::uint32_t value = 0xdeadbeef;
    EXPECT_FALSE(cursor.ReadU32Le(value));
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(cursor.Position(), 10u);
    EXPECT_TRUE(cursor.Failed());
    std::uint8_t byte = 0xff;
    EXPECT_FALSE(cursor.ReadU8(byte)) << "a failed cursor stays failed even for a read that fits";
    EXPECT_EQ(byte, 0);
    EXPECT_FALSE(cursor.InBounds());
}

TEST(ByteCursor, HugeSkipDoesNotWrap)
{
    ByteCursor cursor(kBytes.data(), kBytes.size());
    ASSERT_TRUE(cursor.Skip(4));
    EXPECT_FALSE(cursor.Skip(SIZE_MAX - 2));
    EXPECT_EQ(cursor.Position(), 4u);
    EXPECT_FALSE(ByteCursor(kBytes.data(), kBytes.size()).Seek(kBytes.size() + 1));
}

TEST(ByteCursor, SubCannotEscapeItsParent)
{
    ByteCursor parent(kBytes.data(), kBytes.size());
    ASSERT_TRUE(parent.Skip(4));
    ByteCursor child = parent.Sub(1000);  // a chunk that claims more than is left
    EXPECT_EQ(child.Size(), 8u);
    EXPECT_TRUE(parent.AtEnd());
    EXPECT_FALSE(parent.Failed());
    std::uint64_t value = 0;
    ASSERT_TRUE(child.ReadU64Be(value));
    EXPECT_EQ(value, 0x0102030405060708ull);
    std::uint8_t byte = 0;
    EXPECT_FALSE(child.ReadU8(byte));

    ByteCursor small(kBytes.data(), 6);
    ByteCursor inner = small.Sub(2);
    std::uint32_t word = 0;
    EXPECT_FALSE(inner.ReadU32Be(word)) << "the child ends where its declared size ends";
    EXPECT_FALSE(small.Failed()) << "a child's failure does not fail the parent";
}

TEST(ByteCursor, SubOfAFailedCursorIsFailed)
{
    ByteCursor cursor(kBytes.data(), 2);
    std::uint32_t value = 0;
    EXPECT_FALSE(cursor.ReadU32Be(value));
    ByteCursor child = cursor.Sub(1);
    EXPECT_TRUE(child.Failed());
    EXPECT_EQ(child.Size(), 0u);
}

TEST(ByteCursor, EmptyAndNullBuffers)
{
    ByteCursor empty(nullptr, 100);
    EXPECT_EQ(empty.Size(), 0u);
    std::uint8_t byte = 1;
    EXPECT_FALSE(empty.PeekU8(byte));
    EXPECT_FALSE(ByteCursor(kBytes.data(), 4).StartsWith("RIFFX", 5));
    EXPECT_TRUE(ByteCursor(kBytes.data(), 4).StartsWith("RIFF", 4));
}

TEST(FileSource, ReadExactRefusesSizesBeyondTheFile)
{
    MemorySource file(kBytes.data(), kBytes.size());
    ByteBuffer buffer;
    EXPECT_EQ(ReadExact(file, 4, 8, buffer), ReadStatus::Ok);
    EXPECT_EQ(buffer.Data()[0], 0x01);
    EXPECT_EQ(ReadExact(file, 4, 9, buffer), ReadStatus::Truncated);
    EXPECT_EQ(ReadExact(file, UINT64_MAX, 1, buffer), ReadStatus::Truncated);
    EXPECT_EQ(ReadExact(file, 0, SIZE_MAX, buffer), ReadStatus::Truncated) << "never allocates a lying size";
    EXPECT_EQ(ReadUpTo(file, 8, 100, buffer), ReadStatus::Ok);
    EXPECT_EQ(buffer.Size(), 4u);
}

TEST(TextField, CutsAt127UnitsAndConvertsUtf8)
{
    MediaInfo info;
    std::u16string long_text(300, u'x');
    EXPECT_EQ(SetText(info.title, long_text), 127u);
    EXPECT_EQ(info.title[127], 0);
    EXPECT_EQ(SetTextFromUtf8(info.artist, "Bj\xC3\xB6rk \xF0\x9F\x8E\xB5"), 8u);  // ö and a surrogate pair
    EXPECT_EQ(info.artist[2], u'\u00f6');
    EXPECT_EQ(info.artist[6], 0xD83C);
    EXPECT_EQ(SetTextFromUtf8(info.album, "\xC3"), 1u) << "a cut sequence becomes U+FFFD";
    EXPECT_EQ(info.album[0], 0xFFFD);
    EXPECT_EQ(SetTextFromUtf8(info.genre, "\xC0\x80"), 1u) << "an overlong form is refused";
}

TEST(MediaInfo, StartsAsTheDeviceRecordDoes)
{
    MediaInfo info;
    EXPECT_EQ(info.status, 1);
    EXPECT_EQ(info.kind, MediaKind::Unknown);
    EXPECT_EQ(info.genreCode, -1);
    EXPECT_EQ(TextLength(info.title), 0u);
    EXPECT_EQ(FourCC("DIVX"), 0x44495658u);
    EXPECT_EQ(FourCC("divx"), 0x64697678u);
}

}  // namespace
}  // namespace mediainfo
