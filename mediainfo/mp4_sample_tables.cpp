#include "mediainfo/mp4_sample_tables.h"

#include "mediainfo/debug_log.h"
#include "mediainfo/mp4_box.h"

namespace mediainfo {
namespace {

constexpr std::uint32_t kFormatAvc = FourCC("avc1");
constexpr std::uint32_t kFormatMpeg4Video = FourCC("mp4v");
constexpr std::uint32_t kFormatMpeg4Audio = FourCC("mp4a");
constexpr std::uint32_t kFormatMpeg4System = FourCC("mp4s");
constexpr std::uint32_t kBoxAvcConfig = FourCC("avcC");
constexpr std::uint32_t kBoxElementaryStream = FourCC("esds");

// ISO/IEC 14496-1 descriptor tags.
constexpr std::uint8_t kTagElementaryStream = 0x03;
constexpr std::uint8_t kTagDecoderConfig = 0x04;
constexpr std::uint8_t kTagDecoderSpecificInfo = 0x05;

constexpr std::size_t kMaxAudioDecoderSpecificInfo = 256;
// SampleEntry: reserved (6) and data_reference_index (2).
constexpr std::size_t kSampleEntryBytes = 8;
// VisualSampleEntry up to width: pre_defined, reserved, pre_defined[3].
constexpr std::size_t kVisualBeforeWidth = 16;
// VisualSampleEntry after height: resolutions, reserved, frame_count, compressorname, depth,
// pre_defined.
constexpr std::size_t kVisualAfterHeight = 50;
// The QuickTime sound description versions 1 and 2 add fields after the sampling rate.
constexpr std::size_t kSoundVersion1Extra = 16;
constexpr std::size_t kSoundVersion2Extra = 36;

// A descriptor's tag and its expandable size (at most four 7-bit groups); the body is
// confined to the descriptor.
bool NextDescriptor(ByteCursor& parent, std::uint8_t& tag, ByteCursor& body)
{
    if (!parent.ReadU8(tag))
        return false;
    std::uint32_t size = 0;
    for (int i = 0; i < 4; ++i) {
        std::uint8_t byte = 0;
        if (!parent.ReadU8(byte))
            return false;
        size = (size << 7) | (byte & 0x7F);
        if (!(byte & 0x80))
            break;
    }
    body = parent.Sub(size);
    return true;
}

void ReadDecoderConfig(ByteCursor body, Mp4HandlerKind kind, Mp4SampleEntry& entry)
{
    std::uint8_t object_type = 0, stream_type = 0;
    std::uint32_t buffer_size = 0, max_bit_rate = 0, average_bit_rate = 0;
    if (!body.ReadU8(object_type) || !body.ReadU8(stream_type) || !body.ReadU24Be(buffer_size) ||
        !body.ReadU32Be(max_bit_rate) || !body.ReadU32Be(average_bit_rate))
        return;
    entry.objectType = object_type;
    entry.averageBitRate = average_bit_rate;
    std::uint8_t tag = 0;
    ByteCursor child;
    while (NextDescriptor(body, tag, child)) {
        if (tag != kTagDecoderSpecificInfo)
            continue;
        std::size_t length = child.Remaining();
        if (kind == Mp4HandlerKind::Audio && length > kMaxAudioDecoderSpecificInfo)
            length = kMaxAudioDecoderSpecificInfo;
        entry.decoderSpecificInfo.assign(child.Current(), child.Current() + length);
        return;
    }
}

// esds: version/flags, then an ES_Descriptor holding the decoder configuration.
void ReadElementaryStreamBox(ByteCursor body, Mp4HandlerKind kind, Mp4SampleEntry& entry)
{
    if (!body.Skip(4))
        return;
    std::uint8_t tag = 0;
    ByteCursor descriptor;
    while (NextDescriptor(body, tag, descriptor)) {
        if (tag == kTagDecoderConfig) {
            ReadDecoderConfig(descriptor, kind, entry);
            return;
        }
        if (tag != kTagElementaryStream)
            continue;
        std::uint16_t es_id = 0;
        std::uint8_t flags = 0;
        if (!descriptor.ReadU16Be(es_id) || !descriptor.ReadU8(flags))
            return;
        if ((flags & 0x80) && !descriptor.Skip(2))  // dependsOn_ES_ID
            return;
        if (flags & 0x40) {  // URL
            std::uint8_t url_length = 0;
            if (!descriptor.ReadU8(url_length) || !descriptor.Skip(url_length))
                return;
        }
        if ((flags & 0x20) && !descriptor.Skip(2))  // OCR_ES_Id
            return;
        body = descriptor;  // the decoder configuration is a child of the ES descriptor
    }
}

void ReadAvcConfig(ByteCursor body, Mp4SampleEntry& entry)
{
    entry.hasAvcConfig = true;
    std::uint8_t sequence_sets = 0;
    std::uint16_t length = 0;
    if (!body.Skip(5) || !body.ReadU8(sequence_sets) || (sequence_sets & 0x1F) == 0 || !body.ReadU16Be(length) ||
        length > body.Remaining())
        return;
    entry.sequenceParameterSet.assign(body.Current(), body.Current() + length);
}

// The boxes inside a sample entry. The entry's own fields are already read, so a child that
// lies about its size only ends this walk.
void ReadEntryChildren(ByteCursor& entry_body, Mp4HandlerKind kind, bool want_avc, bool want_esds,
                       Mp4SampleEntry& entry)
{
    ReadStatus status = ReadStatus::Ok;
    Mp4Box child;
    while (NextMp4Box(entry_body, child, status)) {
        if (want_avc && child.type == kBoxAvcConfig)
            ReadAvcConfig(child.body, entry);
        else if (want_esds && child.type == kBoxElementaryStream)
            ReadElementaryStreamBox(child.body, kind, entry);
    }
}

ReadStatus ReadVisualEntry(ByteCursor body, Mp4SampleEntry& entry)
{
    std::uint16_t width = 0, height = 0;
    if (!body.Skip(kSampleEntryBytes + kVisualBeforeWidth) || !body.ReadU16Be(width) || !body.ReadU16Be(height) ||
        !body.Skip(kVisualAfterHeight))
        return ReadStatus::Malformed;
    entry.width = width;
    entry.height = height;
    ReadEntryChildren(body, Mp4HandlerKind::Video, entry.format == kFormatAvc, entry.format == kFormatMpeg4Video,
                      entry);
    return ReadStatus::Ok;
}

ReadStatus ReadAudioEntry(ByteCursor body, Mp4SampleEntry& entry)
{
    std::uint16_t version = 0, channels = 0;
    std::uint32_t rate = 0;
    if (!body.Skip(kSampleEntryBytes) || !body.ReadU16Be(version) || !body.Skip(6) || !body.ReadU16Be(channels) ||
        !body.Skip(6) || !body.ReadU32Be(rate))
        return ReadStatus::Malformed;
    entry.channels = channels;
    entry.sampleRate = rate >> 16;
    if ((version == 1 && !body.Skip(kSoundVersion1Extra)) || (version == 2 && !body.Skip(kSoundVersion2Extra)))
        return ReadStatus::Malformed;
    ReadEntryChildren(body, Mp4HandlerKind::Audio, false, entry.format == kFormatMpeg4Audio, entry);
    return ReadStatus::Ok;
}

}  // namespace

ReadStatus ReadMp4SampleDescription(ByteCursor body, Mp4HandlerKind kind, Mp4SampleEntry& out)
{
    std::uint32_t version_flags = 0, entry_count = 0, size = 0;
    out = Mp4SampleEntry{};
    if (!body.ReadU32Be(version_flags) || !body.ReadU32Be(entry_count))
        return ReadStatus::Malformed;
    if (entry_count == 0)
        return ReadStatus::Ok;
    // The first entry decides the format and supplies the fields the record uses.
    if (!body.ReadU32Be(size) || !body.ReadFourCC(out.format) || size < kMp4BoxHeaderBytes ||
        size - kMp4BoxHeaderBytes > body.Remaining())
        return ReadStatus::Malformed;
    ByteCursor entry_body = body.Sub(size - kMp4BoxHeaderBytes);
    if (out.format == kFormatMpeg4System)
        DebugLine("MPEG Sample Entry is not supported\n");
    return kind == Mp4HandlerKind::Video ? ReadVisualEntry(entry_body, out) : ReadAudioEntry(entry_body, out);
}

ReadStatus ReadMp4TimeToSample(ByteCursor body, Mp4Table<Mp4TimeToSample>& out)
{
    std::uint32_t version_flags = 0, count = 0;
    if (!body.ReadU32Be(version_flags) || !body.ReadU32Be(count))
        return ReadStatus::Malformed;
    if (count > body.Remaining() / 8)
        return ReadStatus::Malformed;
    if (!out.Allocate(count))
        return ReadStatus::OutOfMemory;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!body.ReadU32Be(out[i].count) || !body.ReadU32Be(out[i].delta))
            return ReadStatus::Malformed;
    }
    return ReadStatus::Ok;
}

ReadStatus ReadMp4SampleToChunk(ByteCursor body, Mp4Table<Mp4SampleToChunk>& out)
{
    std::uint32_t version_flags = 0, count = 0, description_index = 0;
    if (!body.ReadU32Be(version_flags) || !body.ReadU32Be(count))
        return ReadStatus::Malformed;
    if (count > body.Remaining() / 12)
        return ReadStatus::Malformed;
    if (!out.Allocate(count))
        return ReadStatus::OutOfMemory;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!body.ReadU32Be(out[i].firstChunk) || !body.ReadU32Be(out[i].samplesPerChunk) ||
            !body.ReadU32Be(description_index))
            return ReadStatus::Malformed;
    }
    return ReadStatus::Ok;
}

ReadStatus ReadMp4ChunkOffsets(ByteCursor body, Mp4Table<std::uint32_t>& out)
{
    std::uint32_t version_flags = 0, count = 0;
    if (!body.ReadU32Be(version_flags) || !body.ReadU32Be(count))
        return ReadStatus::Malformed;
    if (count > body.Remaining() / 4)
        return ReadStatus::Malformed;
    if (!out.Allocate(count))
        return ReadStatus::OutOfMemory;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!body.ReadU32Be(out[i]))
            return ReadStatus::Malformed;
    }
    return ReadStatus::Ok;
}

ReadStatus ReadMp4SampleSizes(ByteCursor body, Mp4SampleSizes& out)
{
    std::uint32_t version_flags = 0;
    if (!body.ReadU32Be(version_flags) || !body.ReadU32Be(out.constantSize) || !body.ReadU32Be(out.sampleCount))
        return ReadStatus::Malformed;
    // Samples of a constant size carry no table. Their count is not checked against the file:
    // a file cut short keeps the count of the samples it lost. The offset table that the count
    // sizes is capped by SetSampleOffset.
    if (out.constantSize != 0)
        return ReadStatus::Ok;
    if (out.sampleCount > body.Remaining() / 4)
        return ReadStatus::Malformed;
    if (!out.sizes.Allocate(out.sampleCount))
        return ReadStatus::OutOfMemory;
    for (std::uint32_t i = 0; i < out.sampleCount; ++i) {
        if (!body.ReadU32Be(out.sizes[i]))
            return ReadStatus::Malformed;
    }
    return ReadStatus::Ok;
}

}  // namespace mediainfo
