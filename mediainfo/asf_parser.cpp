#include "mediainfo/asf_parser.h"

#include <limits>

#include "mediainfo/asf_guid.h"
#include "mediainfo/debug_log.h"
#include "mediainfo/media_probe.h"
#include "mediainfo/text_field.h"

namespace mediainfo {
namespace {

constexpr std::uint64_t kObjectHeaderBytes = 24;   // GUID and 64-bit size
constexpr std::size_t kMaxAttributeNameBytes = 32;
constexpr std::uint64_t kHundredNsPerSecond = 10000000;

// Extended content description value types.
constexpr std::uint16_t kValueDword = 3;
constexpr std::uint16_t kValueQword = 4;
constexpr std::uint16_t kValueWord = 5;

std::uint32_t ReverseBytes(std::uint32_t value)
{
    return (value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24);
}

// UTF-16LE bytes as code units; an odd last byte is dropped.
std::u16string Utf16(const std::uint8_t* bytes, std::size_t size)
{
    std::u16string text;
    text.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return text;
}

bool ReadText(ByteCursor& cursor, std::size_t size, std::u16string& out)
{
    if (size > cursor.Remaining()) {
        (void)cursor.Skip(size);   // fails the cursor
        return false;
    }
    out = Utf16(cursor.Current(), size);
    return cursor.Skip(size);
}

std::u16string Decimal(std::uint64_t value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// The name without its terminating zeros.
std::u16string Trimmed(std::u16string name)
{
    while (!name.empty() && name.back() == 0)
        name.pop_back();
    return name;
}

// The next inner object: its GUID and a cursor over its body. False when no complete object
// header remains or the object would run past its parent.
bool NextObject(ByteCursor& parent, AsfGuid& guid, ByteCursor& body)
{
    std::uint64_t size = 0;
    if (parent.Remaining() < kObjectHeaderBytes || !ReadAsfGuid(parent, guid) || !parent.ReadU64Le(size))
        return false;
    if (size < kObjectHeaderBytes || size - kObjectHeaderBytes > parent.Remaining())
        return false;
    body = parent.Sub(static_cast<std::size_t>(size - kObjectHeaderBytes));
    return true;
}

}  // namespace

AsfParser::AsfParser(FileSource& file, std::uint32_t header_size)
    : m_file(file)
    , m_file_size(file.Size())
    , m_header_size(header_size)
{
}

void AsfParser::ReadFileProperties(ByteCursor body)
{
    std::uint64_t duration = 0;
    if (body.Skip(40) && body.ReadU64Le(duration)) {
        const std::uint64_t seconds = duration / kHundredNsPerSecond;
        m_play_time_sec = seconds > std::numeric_limits<std::uint32_t>::max() ? std::numeric_limits<std::uint32_t>::max()
                                                                              : static_cast<std::uint32_t>(seconds);
    }
}

void AsfParser::ReadHeaderExtension(ByteCursor body)
{
    std::uint32_t data_size = 0;
    if (!body.Skip(16 + 2) || !body.ReadU32Le(data_size))
        return;
    ByteCursor inner = body.Sub(data_size);
    AsfGuid guid;
    ByteCursor object;
    while (NextObject(inner, guid, object)) {
        if (guid != kAsfExtendedStreamProperties)
            continue;
        // Start time and end time, the data bit rate, seven more 32-bit fields, the stream
        // number and its language index, then the average time per frame.
        std::uint32_t bit_rate = 0;
        std::uint16_t stream = 0, language = 0;
        std::uint64_t time_per_frame = 0;
        if (object.Skip(16) && object.ReadU32Le(bit_rate) && object.Skip(28) && object.ReadU16Le(stream) &&
            object.ReadU16Le(language) && object.ReadU64Le(time_per_frame) && stream < kNoStream) {
            m_data_bit_rate[stream] = bit_rate;
            m_time_per_frame[stream] = time_per_frame;
        }
    }
}

void AsfParser::ReadStreamProperties(ByteCursor body)
{
    AsfGuid type, error_correction;
    std::uint64_t time_offset = 0;
    std::uint32_t type_data_size = 0, error_data_size = 0, reserved = 0;
    std::uint16_t flags = 0;
    if (!ReadAsfGuid(body, type) || !ReadAsfGuid(body, error_correction) || !body.ReadU64Le(time_offset) ||
        !body.ReadU32Le(type_data_size) || !body.ReadU32Le(error_data_size) || !body.ReadU16Le(flags) ||
        !body.ReadU32Le(reserved))
        return;
    const std::uint32_t stream = flags & 0x7F;
    ByteCursor data = body.Sub(type_data_size);
    if (type == kAsfAudioMedia && stream < m_audio_stream) {
        WaveFormat format;
        if (data.ReadU16Le(format.formatTag) && data.ReadU16Le(format.channels) && data.ReadU32Le(format.samplesPerSec) &&
            data.ReadU32Le(format.avgBytesPerSec) && data.ReadU16Le(format.blockAlign) &&
            data.ReadU16Le(format.bitsPerSample)) {
            m_audio = format;
            m_audio_taken = true;
            m_audio_stream = stream;
        }
    } else if (type == kAsfVideoMedia && stream < m_video_stream) {
        VideoFormat format;
        std::uint8_t reserved_flag = 0;
        std::uint16_t format_size = 0;
        if (data.ReadU32Le(format.width) && data.ReadU32Le(format.height) && data.ReadU8(reserved_flag) &&
            data.ReadU16Le(format_size) && data.ReadU32Le(format.size) && data.ReadU32Le(format.bitmapWidth) &&
            data.ReadU32Le(format.bitmapHeight) && data.ReadU16Le(format.planes) && data.ReadU16Le(format.bitCount) &&
            data.ReadU32Le(format.compression) && data.ReadU32Le(format.sizeImage) &&
            data.ReadU32Le(format.xPelsPerMeter) && data.ReadU32Le(format.yPelsPerMeter) &&
            data.ReadU32Le(format.colorsUsed) && data.ReadU32Le(format.colorsImportant)) {
            m_video = format;
            m_video_taken = true;
            m_video_stream = stream;
        }
    }
}

void AsfParser::ReadContentDescription(ByteCursor body)
{
    std::uint16_t lengths[5] = {};
    for (std::uint16_t& length : lengths) {
        if (!body.ReadU16Le(length))
            return;
    }
    std::u16string title, author;
    if (ReadText(body, lengths[0], title))
        m_title = std::move(title);
    if (ReadText(body, lengths[1], author))
        m_artist = std::move(author);
}

void AsfParser::ReadExtendedContentDescription(ByteCursor body)
{
    struct Attribute {
        std::u16string_view name;
        std::u16string AsfParser::*buffer;
    };
    static constexpr Attribute kAttributes[] = {
        {u"WM/AlbumArtist", &AsfParser::m_artist}, {u"WM/AlbumTitle", &AsfParser::m_album},
        {u"WM/Genre", &AsfParser::m_genre},        {u"WM/TrackNumber", &AsfParser::m_track},
        {u"WM/Composer", &AsfParser::m_composer},  {u"WM/Year", &AsfParser::m_year},
    };
    std::uint16_t count = 0;
    if (!body.ReadU16Le(count))
        return;
    for (std::uint16_t i = 0; i < count; ++i) {
        std::uint16_t name_size = 0, type = 0, value_size = 0;
        std::u16string name;
        if (!body.ReadU16Le(name_size) || !ReadText(body, name_size, name) || !body.ReadU16Le(type) ||
            !body.ReadU16Le(value_size) || value_size > body.Remaining())
            return;
        ByteCursor value = body.Sub(value_size);
        if (name_size >= kMaxAttributeNameBytes)
            continue;
        name = Trimmed(std::move(name));
        for (const Attribute& attribute : kAttributes) {
            if (name != attribute.name)
                continue;
            std::u16string& buffer = this->*attribute.buffer;
            std::uint16_t word = 0;
            std::uint32_t dword = 0;
            std::uint64_t qword = 0;
            if (attribute.buffer == &AsfParser::m_track && type == kValueDword && value_size == 4 && value.ReadU32Le(dword))
                buffer = Decimal(dword);
            else if (attribute.buffer == &AsfParser::m_track && type == kValueQword && value_size == 8 && value.ReadU64Le(qword))
                buffer = Decimal(qword);
            else if (attribute.buffer == &AsfParser::m_track && type == kValueWord && value_size == 2 && value.ReadU16Le(word))
                buffer = Decimal(word);
            else
                buffer = Utf16(value.Current(), value.Remaining());
            break;
        }
    }
}

void AsfParser::FillRecord(MediaInfo& info) const
{
    info.kind = MediaKind::Asf;
    info.durationSec = m_play_time_sec;
    if (m_audio_taken) {
        info.audioFormat = m_audio.formatTag;
        info.audioChannels = m_audio.channels;
        info.audioBitRate = static_cast<std::uint32_t>(std::uint64_t{m_audio.avgBytesPerSec} * 8 > 0xFFFFFFFFu
                                                           ? 0xFFFFFFFFu
                                                           : m_audio.avgBytesPerSec * 8u);
        info.audioSampleRate = m_audio.samplesPerSec;
    }
    if (m_video_taken) {
        info.videoFourCC = ReverseBytes(m_video.compression);
        info.videoWidth = m_video.bitmapWidth;
        info.videoHeight = m_video.bitmapHeight;
        info.frameDurationUs = m_frame_duration_us;
        info.videoBitRate = m_video_bit_rate;
        return;   // a video file's tags are not shown
    }
    const std::pair<const std::u16string*, std::pair<TextField*, std::int32_t*>> tags[] = {
        {&m_title, {&info.title, &info.hasTitle}},          {&m_artist, {&info.artist, &info.hasArtist}},
        {&m_track, {&info.track, &info.hasTrack}},          {&m_album, {&info.album, &info.hasAlbum}},
        {&m_genre, {&info.genre, &info.hasGenre}},          {&m_composer, {&info.composer, &info.hasComposer}},
        {&m_year, {&info.year, &info.hasYear}},
    };
    for (const auto& [text, field] : tags) {
        if (!text->empty() && SetText(*field.first, *text) > 0)
            *field.second = 1;
    }
}

HRESULT AsfParser::Parse(MediaInfo& info)
{
    if (m_header_size > m_file_size) {
        DebugLine("ASF: header object of %u bytes is larger than the file\n", m_header_size);
        info.status = ToResult(ReadStatus::Malformed);
        return info.status;
    }
    ByteBuffer header;
    const ReadStatus read = ReadExact(m_file, m_start, m_header_size, header);
    if (read != ReadStatus::Ok) {
        info.status = ToResult(read == ReadStatus::OutOfMemory ? read : ReadStatus::Malformed);
        return info.status;
    }
    ByteCursor cursor(header.Data(), header.Size());
    std::uint32_t objects = 0;
    if (!cursor.Skip(16 + 8) || !cursor.ReadU32Le(objects) || !cursor.Skip(2)) {
        info.status = ToResult(ReadStatus::Malformed);
        return info.status;
    }
    // Reading stops at the first object that would run past the header; what came before is
    // used.
    AsfGuid guid;
    ByteCursor body;
    for (std::uint32_t i = 0; i < objects && NextObject(cursor, guid, body); ++i) {
        if (guid == kAsfFileProperties)
            ReadFileProperties(body);
        else if (guid == kAsfHeaderExtension)
            ReadHeaderExtension(body);
        else if (guid == kAsfStreamProperties)
            ReadStreamProperties(body);
        else if (guid == kAsfContentDescription)
            ReadContentDescription(body);
        else if (guid == kAsfExtendedContentDescription)
            ReadExtendedContentDescription(body);
    }
    if (m_video_taken) {
        m_frame_duration_us = static_cast<std::uint32_t>(m_time_per_frame[m_video_stream] / 10 > 0xFFFFFFFFu
                                                             ? 0xFFFFFFFFu
                                                             : m_time_per_frame[m_video_stream] / 10);
        m_video_bit_rate = m_data_bit_rate[m_video_stream];
    }
    FillRecord(info);
    info.status = kResultOk;
    return info.status;
}

HRESULT ReadAsfFile(FileSource& file, MediaInfo& info, std::uint32_t header_size)
{
    AsfParser parser(file, header_size);
    return parser.Parse(info);
}

}  // namespace mediainfo
