#include "mediainfo/id3_tag.h"

#include <cstring>
#include <string>
#include <string_view>

#include "mediainfo/byte_cursor.h"
#include "mediainfo/text_field.h"

namespace mediainfo {
namespace {

struct Id3Field {
    std::uint32_t frame;
    TextField MediaInfo::*text;
    std::int32_t MediaInfo::*flag;
};

// ID3v2.4 replaced "TYER" by the recording time "TDRC"; both fill the year.
constexpr Id3Field kId3Fields[] = {
    {FourCC("TIT2"), &MediaInfo::title, &MediaInfo::hasTitle},
    {FourCC("TPE1"), &MediaInfo::artist, &MediaInfo::hasArtist},
    {FourCC("TALB"), &MediaInfo::album, &MediaInfo::hasAlbum},
    {FourCC("TRCK"), &MediaInfo::track, &MediaInfo::hasTrack},
    {FourCC("TCON"), &MediaInfo::genre, &MediaInfo::hasGenre},
    {FourCC("TCOM"), &MediaInfo::composer, &MediaInfo::hasComposer},
    {FourCC("TYER"), &MediaInfo::year, &MediaInfo::hasYear},
    {FourCC("TDRC"), &MediaInfo::year, &MediaInfo::hasYear},
};

enum Id3Encoding : std::uint8_t { kLatin = 0, kUtf16WithMark = 1, kUtf16Be = 2, kUtf8 = 3 };

// Decodes UTF-16 code units from bytes in the given order; an odd last byte is dropped.
std::u16string Utf16(const std::uint8_t* data, std::size_t size, bool big_endian)
{
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const char16_t unit = big_endian ? static_cast<char16_t>((data[i] << 8) | data[i + 1])
                                         : static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}

// Stores one text frame's data (encoding byte first) into a field.
std::size_t StoreText(TextField& field, const std::uint8_t* data, std::size_t size)
{
    const std::uint8_t encoding = data[0];
    ++data;
    --size;
    auto bytes = [&](std::size_t limit) {
        std::size_t length = 0;
        while (length < size && length < limit && data[length] != 0)
            ++length;
        return std::string_view(reinterpret_cast<const char*>(data), length);
    };
    switch (encoding) {
    case kLatin:
        return SetTextFromCodePage(field, bytes(kTextFieldLength - 1));
    case kUtf16WithMark: {
        // At most 257 bytes of frame data: the encoding byte, the mark and 127 code units.
        if (size > 256)
            size = 256;
        bool big_endian = false;
        if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
            big_endian = true;
            data += 2, size -= 2;
        } else if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
            data += 2, size -= 2;
        }
        return SetText(field, Utf16(data, size, big_endian));
    }
    case kUtf16Be:
        if (size > 254)
            size = 254;
        return SetText(field, Utf16(data, size, true));
    default:
        return SetTextFromUtf8(field, bytes(size));
    }
}

}  // namespace

std::uint32_t Id3v2BodySize(const std::uint8_t* header)
{
    std::uint32_t size = ((header[6] & 0x7Fu) << 21) | ((header[7] & 0x7Fu) << 14) | ((header[8] & 0x7Fu) << 7) |
                         (header[9] & 0x7Fu);
    if (header[3] == 4 && (header[5] & 0x10))
        size += 10;  // footer
    return size;
}

void ReadId3v2Tag(const std::uint8_t* tag, std::size_t size, MediaInfo& info)
{
    if (size < kId3HeaderSize)
        return;
    const std::uint8_t major_version = tag[3];
    ByteCursor cursor(tag, size);
    if (!cursor.Skip(kId3HeaderSize))
        return;
    while (cursor.Remaining() >= 10) {
        std::uint32_t id = 0, frame_size = 0;
        std::uint16_t flags = 0;
        if (!cursor.ReadFourCC(id) || !cursor.ReadU32Be(frame_size) || !cursor.ReadU16Be(flags))
            break;
        // Version 4 frames carry syncsafe sizes; read as plain numbers, any frame of 128 bytes
        // or more would throw the walk off and lose the frames behind it.
        if (major_version == 4)
            frame_size = ((frame_size & 0x7F000000u) >> 3) | ((frame_size & 0x7F0000u) >> 2) |
                         ((frame_size & 0x7F00u) >> 1) | (frame_size & 0x7Fu);
        if (frame_size > cursor.Remaining())
            break;  // a frame that does not lie inside the tag ends the walk
        ByteCursor data = cursor.Sub(frame_size);
        if (frame_size == 0)
            continue;
        for (const Id3Field& field : kId3Fields) {
            if (field.frame != id || (info.*field.flag && TextLength(info.*field.text) > 0))
                continue;
            const std::size_t length = StoreText(info.*field.text, data.Current(), data.Remaining());
            if (length > 0)
                info.*field.flag = 1;
        }
    }
}

void ReadId3v1Tag(const std::uint8_t (&block)[kId3v1Size], MediaInfo& info)
{
    if (std::memcmp(block, "TAG", 3) != 0)
        return;
    auto fill = [&](TextField& field, std::int32_t& flag, std::size_t offset, std::size_t length) {
        if (TextLength(field) > 0)
            return;
        const char* text = reinterpret_cast<const char*>(block + offset);
        std::size_t used = 0;
        while (used < length && text[used] != 0)
            ++used;
        while (used > 0 && text[used - 1] == ' ')
            --used;  // fixed-width fields are often padded with spaces
        if (SetTextFromCodePage(field, std::string_view(text, used)) > 0)
            flag = 1;
    };
    fill(info.title, info.hasTitle, 3, 30);
    fill(info.artist, info.hasArtist, 33, 30);
    fill(info.album, info.hasAlbum, 63, 30);
    fill(info.year, info.hasYear, 93, 4);
    if (block[127] <= 254 && info.hasGenre == 0) {
        info.genreCode = block[127];
        info.hasGenre = 1;
    }
}

}  // namespace mediainfo
