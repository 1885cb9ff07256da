// Builders for byte-exact ASF header objects: the header, file properties, stream properties,
// header extension with extended stream properties, and the two content description objects.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mediainfo/asf_guid.h"
#include "mediainfo/tests/mp4_builder.h"

namespace mediainfo::testing {

inline Bytes GuidBytes(const AsfGuid& guid)
{
    Bytes out;
    PutU32Le(out, guid.data1);
    PutU16Le(out, guid.data2);
    PutU16Le(out, guid.data3);
    out.insert(out.end(), guid.data4.begin(), guid.data4.end());
    return out;
}

inline Bytes AsfObject(const AsfGuid& guid, const Bytes& body)
{
    Bytes out = GuidBytes(guid);
    PutU64Le(out, body.size() + 24);
    PutBytes(out, body);
    return out;
}

// UTF-16LE text with its terminating zero.
inline Bytes Utf16Z(const std::u16string& text)
{
    Bytes out;
    for (char16_t unit : text)
        PutU16Le(out, unit);
    PutU16Le(out, 0);
    return out;
}

inline Bytes MakeFileProperties(std::uint64_t duration_100ns)
{
    Bytes body(40, 0);
    PutU64Le(body, duration_100ns);
    PutU64Le(body, 0);            // send duration
    PutU64Le(body, 30000000);     // preroll, 3 s: not subtracted
    PutU32Le(body, 2);
    PutU32Le(body, 3200);
    PutU32Le(body, 3200);
    PutU32Le(body, 128000);
    return AsfObject(kAsfFileProperties, body);
}

inline Bytes StreamProperties(const AsfGuid& type, std::uint32_t number, const Bytes& type_data)
{
    Bytes body = GuidBytes(type);
    PutBytes(body, Bytes(16, 0));  // error correction type
    PutU64Le(body, 0);
    PutU32Le(body, static_cast<std::uint32_t>(type_data.size()));
    PutU32Le(body, 0);
    PutU16Le(body, number);
    PutU32Le(body, 0);
    PutBytes(body, type_data);
    return AsfObject(kAsfStreamProperties, body);
}

inline Bytes MakeAudioStream(std::uint32_t number, std::uint16_t format_tag, std::uint16_t channels,
                             std::uint32_t rate, std::uint32_t avg_bytes)
{
    Bytes format;
    PutU16Le(format, format_tag);
    PutU16Le(format, channels);
    PutU32Le(format, rate);
    PutU32Le(format, avg_bytes);
    PutU16Le(format, 2973);
    PutU16Le(format, 16);
    PutU16Le(format, 10);
    format.insert(format.end(), 10, 0);
    return StreamProperties(kAsfAudioMedia, number, format);
}

inline Bytes MakeVideoStream(std::uint32_t number, const std::string& compression, std::uint32_t width, std::uint32_t height)
{
    Bytes format;
    PutU32Le(format, width);
    PutU32Le(format, height);
    PutU8(format, 2);
    PutU16Le(format, 40);
    PutU32Le(format, 40);
    PutU32Le(format, width);
    PutU32Le(format, height);
    PutU16Le(format, 1);
    PutU16Le(format, 24);
    PutText(format, compression);
    for (int i = 0; i < 5; ++i)
        PutU32Le(format, 0);
    return StreamProperties(kAsfVideoMedia, number, format);
}

inline Bytes MakeExtendedStreamProperties(std::uint32_t number, std::uint32_t bit_rate, std::uint64_t time_per_frame)
{
    Bytes body;
    PutU64Le(body, 0);
    PutU64Le(body, 0);
    PutU32Le(body, bit_rate);
    for (int i = 0; i < 7; ++i)
        PutU32Le(body, 0);
    PutU16Le(body, number);
    PutU16Le(body, 0);
    PutU64Le(body, time_per_frame);
    PutU16Le(body, 0);
    PutU16Le(body, 0);
    return AsfObject(kAsfExtendedStreamProperties, body);
}

inline Bytes MakeHeaderExtension(const Bytes& objects)
{
    Bytes body(16, 0);
    PutU16Le(body, 6);
    PutU32Le(body, static_cast<std::uint32_t>(objects.size()));
    PutBytes(body, objects);
    return AsfObject(kAsfHeaderExtension, body);
}

inline Bytes MakeContentDescription(const std::u16string& title, const std::u16string& author)
{
    const Bytes title_bytes = Utf16Z(title), author_bytes = Utf16Z(author), copyright = Utf16Z(u"(c)");
    Bytes body;
    PutU16Le(body, static_cast<std::uint32_t>(title_bytes.size()));
    PutU16Le(body, static_cast<std::uint32_t>(author_bytes.size()));
    PutU16Le(body, static_cast<std::uint32_t>(copyright.size()));
    PutU16Le(body, 0);
    PutU16Le(body, 0);
    PutBytes(body, title_bytes);
    PutBytes(body, author_bytes);
    PutBytes(body, copyright);
    return AsfObject(kAsfContentDescription, body);
}

struct AsfAttribute {
    std::u16string name;
    std::uint16_t type = 0;
    Bytes value;
};

inline Bytes MakeExtendedContentDescription(const std::vector<AsfAttribute>& attributes)
{
    Bytes body;
    PutU16Le(body, static_cast<std::uint32_t>(attributes.size()));
    for (const AsfAttribute& attribute : attributes) {
        const Bytes name = Utf16Z(attribute.name);
        PutU16Le(body, static_cast<std::uint32_t>(name.size()));
        PutBytes(body, name);
        PutU16Le(body, attribute.type);
        PutU16Le(body, static_cast<std::uint32_t>(attribute.value.size()));
        PutBytes(body, attribute.value);
    }
    return AsfObject(kAsfExtendedContentDescription, body);
}

// The header object holding the given objects.
inline Bytes MakeAsfHeader(const std::vector<Bytes>& objects)
{
    Bytes body;
    PutU32Le(body, static_cast<std::uint32_t>(objects.size()));
    PutBytes(body, {0x01, 0x02});
    for (const Bytes& object : objects)
        PutBytes(body, object);
    return AsfObject(kAsfHeaderObject, body);
}

}  // namespace mediainfo::testing
