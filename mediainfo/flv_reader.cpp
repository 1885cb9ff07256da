// FLV: the header's flags, the first audio and video tags' codec bytes, and the numbers of the
// "onMetaData" script tag (duration, picture size, data rates).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "mediainfo/byte_cursor.h"
#include "mediainfo/debug_log.h"
#include "mediainfo/readers.h"

namespace mediainfo {
namespace {

constexpr std::uint32_t kFlvHeaderMinimum = 9;
constexpr int kMaxTagsWalked = 64;
constexpr std::size_t kMaxScriptBytes = 64 * 1024;
constexpr int kMaxAmfDepth = 8;

enum FlvTagType : std::uint8_t { kAudioTag = 8, kVideoTag = 9, kScriptTag = 18 };
enum AmfType : std::uint8_t {
    kAmfNumber = 0, kAmfBoolean = 1, kAmfString = 2, kAmfObject = 3, kAmfNull = 5, kAmfUndefined = 6,
    kAmfReference = 7, kAmfEcmaArray = 8, kAmfObjectEnd = 9, kAmfStrictArray = 10, kAmfDate = 11,
    kAmfLongString = 12,
};

struct FlvCodec {
    std::uint8_t id;
    std::uint32_t value;
};
constexpr FlvCodec kFlvAudioFormats[] = {{0, 1}, {2, 85}, {3, 1}, {10, 255}, {14, 85}};
constexpr FlvCodec kFlvVideoCodecs[] = {{2, FourCC("FLV1")}, {3, FourCC("FSV1")}, {4, FourCC("VP6F")},
                                        {5, FourCC("VP6A")}, {6, FourCC("FSV2")}, {7, FourCC("AVC1")}};
constexpr std::uint32_t kFlvSampleRates[4] = {5512, 11025, 22050, 44100};

template<std::size_t N>
std::uint32_t Lookup(const FlvCodec (&table)[N], std::uint8_t id)
{
    for (const FlvCodec& entry : table)
        if (entry.id == id)
            return entry.value;
    return 0;
}

// A number from a script tag, as a count that fits the record; NaN, negative and huge values
// give 0 rather than an undefined conversion.
std::uint32_t ToCount(double value)
{
    if (!std::isfinite(value) || value < 0 || value >= 4294967295.0)
        return 0;
    return static_cast<std::uint32_t>(value);
}

bool ReadDouble(ByteCursor& cursor, double& out)
{
    std::uint64_t bits = 0;
    if (!cursor.ReadU64Be(bits))
        return false;
    std::memcpy(&out, &bits, sizeof out);
    return true;
}

bool SkipAmfValue(ByteCursor& cursor, int depth);

bool SkipAmfProperties(ByteCursor& cursor, int depth)
{
    for (;;) {
        std::uint16_t key_length = 0;
        if (!cursor.ReadU16Be(key_length) || !cursor.Skip(key_length))
            return false;
        std::uint8_t marker = 0;
        if (key_length == 0 && cursor.PeekU8(marker) && marker == kAmfObjectEnd)
            return cursor.Skip(1);
        if (!SkipAmfValue(cursor, depth + 1))
            return false;
    }
}

bool SkipAmfValue(ByteCursor& cursor, int depth)
{
    std::uint8_t type = 0;
    if (depth > kMaxAmfDepth || !cursor.ReadU8(type))
        return false;
    std::uint16_t length16 = 0;
    std::uint32_t length32 = 0;
    switch (type) {
    case kAmfNumber: return cursor.Skip(8);
    case kAmfBoolean: return cursor.Skip(1);
    case kAmfString: return cursor.ReadU16Be(length16) && cursor.Skip(length16);
    case kAmfLongString: return cursor.ReadU32Be(length32) && cursor.Skip(length32);
    case kAmfNull:
    case kAmfUndefined: return true;
    case kAmfReference: return cursor.Skip(2);
    case kAmfDate: return cursor.Skip(10);
    case kAmfObject: return SkipAmfProperties(cursor, depth);
    case kAmfEcmaArray: return cursor.Skip(4) && SkipAmfProperties(cursor, depth);
    case kAmfStrictArray:
        if (!cursor.ReadU32Be(length32))
            return false;
        for (std::uint32_t i = 0; i < length32; ++i)  // each value takes a byte at least
            if (!SkipAmfValue(cursor, depth + 1))
                return false;
        return true;
    default: return false;
    }
}

void ReadMetaData(ByteCursor cursor, MediaInfo& info)
{
    std::uint8_t type = 0;
    std::uint16_t name_length = 0;
    if (!cursor.ReadU8(type) || type != kAmfString || !cursor.ReadU16Be(name_length) ||
        !cursor.StartsWith("onMetaData", 10) || name_length != 10 || !cursor.Skip(10) || !cursor.ReadU8(type))
        return;
    if (type == kAmfEcmaArray && !cursor.Skip(4))
        return;
    if (type != kAmfEcmaArray && type != kAmfObject)
        return;
    for (;;) {
        std::uint16_t key_length = 0;
        if (!cursor.ReadU16Be(key_length) || key_length > cursor.Remaining())
            return;
        const std::string_view key(reinterpret_cast<const char*>(cursor.Current()), key_length);
        (void)cursor.Skip(key_length);
        std::uint8_t value_type = 0;
        if (!cursor.PeekU8(value_type) || value_type == kAmfObjectEnd)
            return;
        if (value_type != kAmfNumber) {
            if (!SkipAmfValue(cursor, 1))
                return;
            continue;
        }
        double value = 0;
        if (!cursor.Skip(1) || !ReadDouble(cursor, value))
            return;
        if (key == "duration")
            info.durationSec = ToCount(value);
        else if (key == "width")
            info.videoWidth = ToCount(value);
        else if (key == "height")
            info.videoHeight = ToCount(value);
        else if (key == "videodatarate")
            info.videoBitRate = ToCount(value * 1000);
        else if (key == "audiodatarate")
            info.audioBitRate = ToCount(value * 1000);
        else if (key == "audiosamplerate")
            info.audioSampleRate = ToCount(value);
        else if (key == "framerate" && value > 0)
            info.frameDurationUs = ToCount(1000000.0 / value);
    }
}

}  // namespace

HRESULT ReadFlvFile(FileSource& file, MediaInfo& info)
{
    ByteBuffer head;
    if (ReadExact(file, 0, kFlvHeaderMinimum, head) != ReadStatus::Ok)
        return kResultFail;
    ByteCursor header(head.Data(), head.Size());
    std::uint8_t version = 0, flags = 0;
    std::uint32_t header_size = 0;
    if (!header.Skip(3) || !header.ReadU8(version) || !header.ReadU8(flags) || !header.ReadU32Be(header_size))
        return kResultFail;
    if (header_size < kFlvHeaderMinimum) {
        DebugLine("FLV: header size %u is below the header's own %u bytes\n", header_size, kFlvHeaderMinimum);
        return kResultFail;
    }
    // A header running past the end of the file is read as far as it goes: the tag walk below
    // finds no tag there and ends.
    if (header_size > file.Size())
        DebugLine("FLV: header of %u bytes is cut by the end of the file\n", header_size);
    info.kind = MediaKind::Flv;
    const bool want_audio = flags & 0x04;
    const bool want_video = flags & 0x01;
    bool have_audio = false, have_video = false, have_meta = false;
    std::uint64_t position = std::uint64_t{header_size} + 4;  // after the first previous-tag size
    for (int tags = 0; tags < kMaxTagsWalked; ++tags) {
        if ((have_audio || !want_audio) && (have_video || !want_video) && have_meta)
            break;
        ByteBuffer tag;
        if (ReadExact(file, position, 12, tag) != ReadStatus::Ok)
            break;
        const std::uint8_t* p = tag.Data();
        const std::uint8_t type = p[0] & 0x1F;
        const std::uint32_t data_size = (std::uint32_t{p[1]} << 16) | (p[2] << 8) | p[3];
        if (type == kAudioTag && !have_audio && data_size > 0) {
            const std::uint8_t codec = p[11];
            info.audioFormat = Lookup(kFlvAudioFormats, codec >> 4);
            if (info.audioSampleRate == 0)
                info.audioSampleRate = kFlvSampleRates[(codec >> 2) & 3];
            info.audioChannels = (codec & 1) ? 2 : 1;
            have_audio = true;
        } else if (type == kVideoTag && !have_video && data_size > 0) {
            info.videoFourCC = Lookup(kFlvVideoCodecs, p[11] & 0x0F);
            have_video = true;
        } else if (type == kScriptTag && !have_meta) {
            ByteBuffer script;
            if (ReadUpTo(file, position + 11, std::min<std::size_t>(data_size, kMaxScriptBytes), script) == ReadStatus::Ok)
                ReadMetaData(ByteCursor(script.Data(), script.Size()), info);
            have_meta = true;
        }
        position += 11 + std::uint64_t{data_size} + 4;
    }
    return kResultOk;
}

}  // namespace mediainfo
