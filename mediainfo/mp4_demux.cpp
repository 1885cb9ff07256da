#include "mediainfo/mp4_demux.h"

#include <algorithm>
#include <limits>

#include "mediainfo/debug_log.h"
#include "mediainfo/media_probe.h"
#include "mediainfo/mp4_pixel_ratio.h"
#include "mediainfo/mp4_audio_config.h"
#include "mediainfo/mp4_box.h"
#include "mediainfo/mp4_sample_offsets.h"

namespace mediainfo {
namespace {

constexpr std::uint32_t kBoxMovie = FourCC("moov");
constexpr std::uint32_t kBoxMovieHeader = FourCC("mvhd");
constexpr std::uint32_t kBoxTrack = FourCC("trak");
constexpr std::uint32_t kBoxTrackHeader = FourCC("tkhd");
constexpr std::uint32_t kBoxMedia = FourCC("mdia");
constexpr std::uint32_t kBoxHandler = FourCC("hdlr");
constexpr std::uint32_t kBoxMediaHeader = FourCC("mdhd");
constexpr std::uint32_t kBoxMediaInformation = FourCC("minf");
constexpr std::uint32_t kBoxSampleTable = FourCC("stbl");
constexpr std::uint32_t kBoxSampleDescription = FourCC("stsd");
constexpr std::uint32_t kBoxTimeToSample = FourCC("stts");
constexpr std::uint32_t kBoxSampleToChunk = FourCC("stsc");
constexpr std::uint32_t kBoxChunkOffsets = FourCC("stco");
constexpr std::uint32_t kBoxSampleSizes = FourCC("stsz");

constexpr std::uint32_t kHandlerVideo = FourCC("vide");
constexpr std::uint32_t kHandlerSound = FourCC("soun");
constexpr std::uint32_t kHandlerHint = FourCC("hint");

constexpr std::uint32_t kVideoAvc = FourCC("AVC1");
constexpr std::uint32_t kVideoMpeg4 = FourCC("MP4V");
// objectTypeIndication values of MPEG-2 and MPEG-1 audio (ISO/IEC 14496-1 Table 5).
constexpr std::uint32_t kObjectTypeMpeg2Audio = 0x69;
constexpr std::uint32_t kObjectTypeMpeg1Audio = 0x6B;
constexpr std::uint32_t kWaveFormatMp3 = 85;
constexpr std::uint32_t kWaveFormatAac = 255;
constexpr std::size_t kMinAudioConfigBytes = 3;

constexpr std::uint64_t kHundredNsPerSecond = 10000000;
constexpr std::uint64_t kHundredNsPerMs = 10000;

constexpr int kVideo = static_cast<int>(Mp4HandlerKind::Video);
constexpr int kAudio = static_cast<int>(Mp4HandlerKind::Audio);

int HandlerKindOf(std::uint32_t handler)
{
    switch (handler) {
    case kHandlerVideo: return kVideo;
    case kHandlerSound: return kAudio;
    case kHandlerHint: return static_cast<int>(Mp4HandlerKind::Hint);
    default: return static_cast<int>(Mp4HandlerKind::Other);
    }
}

std::uint32_t Clamp32(std::uint64_t value)
{
    return value > std::numeric_limits<std::uint32_t>::max() ? std::numeric_limits<std::uint32_t>::max()
                                                             : static_cast<std::uint32_t>(value);
}

std::uint64_t SaturatingAdd(std::uint64_t a, std::uint64_t b)
{
    return b > std::numeric_limits<std::uint64_t>::max() - a ? std::numeric_limits<std::uint64_t>::max() : a + b;
}

// mvhd and mdhd: version 0 has 32-bit times, version 1 64-bit ones.
bool ReadTimeHeader(ByteCursor body, std::uint32_t& time_scale, std::uint64_t& duration)
{
    std::uint8_t version = 0;
    if (!body.ReadU8(version) || !body.Skip(3))
        return false;
    if (version == 1)
        return body.Skip(16) && body.ReadU32Be(time_scale) && body.ReadU64Be(duration);
    std::uint32_t duration32 = 0;
    const bool ok = body.Skip(8) && body.ReadU32Be(time_scale) && body.ReadU32Be(duration32);
    duration = duration32;
    return ok;
}

}  // namespace

MP4Demux::MP4Demux(FileSource& file, int brand_code)
    : m_file(file)
    , m_file_size(file.Size())
    , m_brand_code(brand_code)
{
}

ReadStatus MP4Demux::ReadMovieBox(std::uint64_t position, std::uint32_t size)
{
    ByteBuffer movie;
    const ReadStatus status = ReadExact(m_file, position + kMp4BoxHeaderBytes, size - kMp4BoxHeaderBytes, movie);
    if (status == ReadStatus::OutOfMemory) {
        DebugLine("[ERROR] MP4 Parse memory alloc fail\n");
        return status;
    }
    if (status != ReadStatus::Ok)
        return status;
    return ParseMovie(ByteCursor(movie.Data(), movie.Size()));
}

ReadStatus MP4Demux::WalkTopLevel()
{
    // A file cut short (a copy interrupted, a recording ended by a power loss) ends inside a
    // box: the walk reads as far as the file goes and ends there. With the movie box read by
    // then, the file is read in full; a movie box cut short is not.
    std::uint64_t position = m_start;
    for (;;) {
        if (position >= m_file_size || m_file_size - position < kMp4BoxHeaderBytes)
            return EndOfFile(position);
        ByteBuffer header;
        const ReadStatus read = ReadExact(m_file, position, kMp4BoxHeaderBytes, header);
        if (read != ReadStatus::Ok)
            return read;
        ByteCursor cursor(header.Data(), header.Size());
        std::uint32_t size = 0, type = 0;
        if (!cursor.ReadU32Be(size) || !cursor.ReadFourCC(type))
            return ReadStatus::Truncated;
        // A size below the header would stand still or move backwards.
        if (size < kMp4BoxHeaderBytes) {
            DebugLine("MP4: box %08X at %llu has size %u\n", type, static_cast<unsigned long long>(position), size);
            return ReadStatus::Malformed;
        }
        const bool cut = size > m_file_size - position;
        if (cut)
            DebugLine("MP4: box %08X at %llu has size %u and is cut by the end of the file\n", type,
                      static_cast<unsigned long long>(position), size);
        if (type == kBoxMovie) {
            if (cut)
                return ReadStatus::Truncated;
            const ReadStatus status = ReadMovieBox(position, size);
            if (status != ReadStatus::Ok)
                return status;
            m_movie_parsed = true;
        }
        if (cut)
            return EndOfFile(m_file_size);
        position += size;
    }
}

ReadStatus MP4Demux::EndOfFile(std::uint64_t position) const
{
    if (m_movie_parsed)
        return ReadStatus::Ok;
    DebugLine("MP4: no movie box before the end of the file at %llu\n", static_cast<unsigned long long>(position));
    return ReadStatus::Malformed;
}

ReadStatus MP4Demux::ParseMovie(ByteCursor movie)
{
    ReadStatus status = ReadStatus::Ok;
    Mp4Box box;
    while (NextMp4Box(movie, box, status)) {
        if (box.type == kBoxMovieHeader) {
            m_movie_header.type = box.type;
            m_movie_header.size = static_cast<std::uint32_t>(box.body.Size() + kMp4BoxHeaderBytes);
            ReadTimeHeader(box.body, m_movie_header.timeScale, m_movie_header.duration);
        } else if (box.type == kBoxTrack && box.body.Size() >= 1) {
            const ReadStatus track = ParseTrack(box.body);
            if (track != ReadStatus::Ok)
                return track;
        }
    }
    return status;
}

ReadStatus MP4Demux::ParseTrack(ByteCursor track)
{
    // The media box belongs to the track entry this trak's own tkhd created; a track beyond
    // the table, or one without a tkhd, is passed over instead of overwriting another entry.
    int entry = -1;
    ReadStatus status = ReadStatus::Ok;
    Mp4Box box;
    while (NextMp4Box(track, box, status)) {
        if (box.type == kBoxTrackHeader) {
            if (m_track_count >= kMaxTracks) {
                DebugLine("MP4: more than %d tracks, track passed over\n", kMaxTracks);
                continue;
            }
            entry = m_track_count++;
            Header& header = m_tracks[entry].trackHeader;
            header.type = box.type;
            header.size = static_cast<std::uint32_t>(box.body.Size() + kMp4BoxHeaderBytes);
            std::uint8_t version = 0;
            ByteCursor body = box.body;
            if (body.ReadU8(version) && body.Skip(3 + (version == 1 ? 16 : 8)))
                (void)body.ReadU32Be(header.trackId);
        } else if (box.type == kBoxMedia && entry >= 0) {
            const ReadStatus media = ParseMedia(box.body, entry);
            if (media == ReadStatus::OutOfMemory)
                DebugLine("[ERROR] MP4 Parse MEDIA memory alloc fail\n");
            if (media != ReadStatus::Ok)
                return media;
        }
    }
    return status;
}

ReadStatus MP4Demux::ParseMedia(ByteCursor media, int track)
{
    // Until the handler box names the kind, tables go to the slot of the track's index (the
    // first track is usually the video, the second the sound); there are only four slots.
    int kind = std::min(track, kMp4HandlerSlots - 1);
    m_tracks[track].handlerKind = kind;
    ReadStatus status = ReadStatus::Ok;
    Mp4Box box;
    while (NextMp4Box(media, box, status)) {
        if (box.type == kBoxHandler) {
            std::uint32_t handler = 0;
            if (box.body.Skip(8) && box.body.ReadFourCC(handler)) {
                kind = HandlerKindOf(handler);
                m_tracks[track].handlerKind = kind;
            }
        } else if (box.type == kBoxMediaHeader) {
            Header& header = m_tracks[track].mediaHeader;
            header.type = box.type;
            header.size = static_cast<std::uint32_t>(box.body.Size() + kMp4BoxHeaderBytes);
            ReadTimeHeader(box.body, header.timeScale, header.duration);
        } else if (box.type == kBoxMediaInformation) {
            const ReadStatus information = ParseMediaInformation(box.body, kind);
            if (information != ReadStatus::Ok)
                return information;
        }
    }
    return status;
}

ReadStatus MP4Demux::ParseMediaInformation(ByteCursor information, int kind)
{
    ReadStatus status = ReadStatus::Ok;
    Mp4Box box;
    while (NextMp4Box(information, box, status)) {
        if (box.type == kBoxSampleTable) {
            const ReadStatus table = ParseSampleTable(box.body, kind);
            if (table != ReadStatus::Ok)
                return table;
        }
    }
    return status;
}

ReadStatus MP4Demux::ParseSampleTable(ByteCursor table, int kind)
{
    Mp4SampleTables& tables = m_tables[kind];
    ReadStatus status = ReadStatus::Ok;
    Mp4Box box;
    while (NextMp4Box(table, box, status)) {
        ReadStatus read = ReadStatus::Ok;
        switch (box.type) {
        case kBoxSampleDescription:
            if (kind == kVideo || kind == kAudio) {
                Mp4SampleEntry entry;
                read = ReadMp4SampleDescription(box.body, static_cast<Mp4HandlerKind>(kind), entry);
                if (read == ReadStatus::Ok)
                    tables.description = std::move(entry);
            }
            break;
        case kBoxTimeToSample: {
            Mp4Table<Mp4TimeToSample> entries;
            read = ReadMp4TimeToSample(box.body, entries);
            if (read == ReadStatus::Ok)
                tables.timeToSample = std::move(entries);
            break;
        }
        case kBoxSampleToChunk: {
            Mp4Table<Mp4SampleToChunk> entries;
            read = ReadMp4SampleToChunk(box.body, entries);
            if (read == ReadStatus::Ok)
                tables.sampleToChunk = std::move(entries);
            break;
        }
        case kBoxChunkOffsets: {
            Mp4Table<std::uint32_t> entries;
            read = ReadMp4ChunkOffsets(box.body, entries);
            if (read == ReadStatus::Ok)
                tables.chunkOffsets = std::move(entries);
            break;
        }
        case kBoxSampleSizes: {
            Mp4SampleSizes sizes;
            read = ReadMp4SampleSizes(box.body, sizes);
            if (read == ReadStatus::Ok)
                tables.sampleSizes = std::move(sizes);
            break;
        }
        default:
            break;
        }
        if (read != ReadStatus::Ok) {
            DebugLine("MP4: sample table %08X of kind %d is malformed\n", box.type, kind);
            return read;
        }
    }
    return status;
}

std::uint64_t MP4Demux::PlayTimeMs(Mp4HandlerKind kind) const
{
    // The time scale comes from the first track of the kind, the entries from the kind's
    // time-to-sample table (the last track's).
    const Track* first = nullptr;
    for (int i = 0; i < m_track_count; ++i) {
        if (m_tracks[i].handlerKind == static_cast<int>(kind)) {
            first = &m_tracks[i];
            break;
        }
    }
    const auto& entries = m_tables[static_cast<int>(kind)].timeToSample;
    if (!first || !entries || first->mediaHeader.timeScale == 0)
        return 0;
    const std::uint64_t scale = first->mediaHeader.timeScale;
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < entries->Count(); ++i) {
        // count × delta × 10^7 / scale without overflowing 64 bits: split off the quotient.
        const std::uint64_t ticks = std::uint64_t{(*entries)[i].count} * (*entries)[i].delta;
        const std::uint64_t whole = ticks / scale;
        const std::uint64_t rest = ticks % scale;
        const std::uint64_t term = whole > std::numeric_limits<std::uint64_t>::max() / kHundredNsPerSecond
                                       ? std::numeric_limits<std::uint64_t>::max()
                                       : whole * kHundredNsPerSecond;
        total = SaturatingAdd(total, SaturatingAdd(term, rest * kHundredNsPerSecond / scale));
    }
    return total / kHundredNsPerMs;
}

ReadStatus MP4Demux::FillRecord(MediaInfo& info)
{
    auto count_of = [&](int kind) -> std::uint32_t {
        const Mp4SampleTables& tables = m_tables[kind];
        return tables.description && tables.sampleSizes ? tables.sampleSizes->sampleCount : 0;
    };
    auto bytes_of = [&](int kind, std::uint32_t count) -> std::uint64_t {
        if (count == 0)
            return 0;
        const Mp4SampleSizes& sizes = *m_tables[kind].sampleSizes;
        if (sizes.constantSize != 0)
            return std::uint64_t{sizes.constantSize} * count;
        std::uint64_t total = 0;
        for (std::uint32_t i = 0; i < count; ++i)
            total += sizes.SizeOf(i);
        return total;
    };
    m_video_sample_count = count_of(kVideo);
    m_audio_sample_count = count_of(kAudio);
    m_video_bytes = bytes_of(kVideo, m_video_sample_count);
    m_audio_bytes = bytes_of(kAudio, m_audio_sample_count);

    const std::uint64_t video_ms = PlayTimeMs(Mp4HandlerKind::Video);
    const std::uint64_t audio_ms = PlayTimeMs(Mp4HandlerKind::Audio);
    m_play_time_ms = std::max(video_ms, audio_ms);
    m_total_time_ms = m_play_time_ms;
    m_frame_duration_us = m_video_sample_count ? video_ms * 1000 / m_video_sample_count : 0;
    m_video_bit_rate = video_ms ? (m_video_bytes * 8 / video_ms) * 1000 : 0;

    std::uint32_t four_cc = 0, width = 0, height = 0;
    PixelAspect aspect;
    if (const auto& video = m_tables[kVideo].description) {
        four_cc = video->hasAvcConfig ? kVideoAvc : kVideoMpeg4;
        const std::optional<PixelAspect> read =
            video->hasAvcConfig
                ? ReadAvcPixelAspect(video->sequenceParameterSet.data(), video->sequenceParameterSet.size())
                : FindMpeg4VideoPixelAspect(video->decoderSpecificInfo.data(), video->decoderSpecificInfo.size());
        aspect = read.value_or(PixelAspect{});
        width = video->width;
        height = video->height;
        const ReadStatus offsets = SetSampleOffset(m_tables[kVideo], m_video_sample_count, m_video_offsets);
        if (offsets != ReadStatus::Ok) {
            DebugLine("[ERROR] MP4Demux SetSampleOffset-VIDEO\n");
            return offsets;
        }
    }

    std::uint32_t channels = 0, sample_rate = 0, bit_rate = 0, object_type = 0;
    const bool has_audio = m_tables[kAudio].description.has_value();
    if (has_audio) {
        const Mp4SampleEntry& audio = *m_tables[kAudio].description;
        channels = audio.channels;
        sample_rate = audio.sampleRate;
        bit_rate = audio.averageBitRate;
        object_type = audio.objectType;
        if (audio.decoderSpecificInfo.size() >= kMinAudioConfigBytes) {
            const std::optional<Mp4AudioConfig> config =
                ReadMp4AudioConfig(audio.decoderSpecificInfo.data(), audio.decoderSpecificInfo.size());
            if (config && config->sampleRate)
                sample_rate = *config->sampleRate;
        }
        const ReadStatus offsets = SetSampleOffset(m_tables[kAudio], m_audio_sample_count, m_audio_offsets);
        if (offsets != ReadStatus::Ok) {
            DebugLine("[ERROR] MP4Demux SetSampleOffset-AUDIO\n");
            return offsets;
        }
    }

    info.kind = MediaKind::Mp4;
    info.durationSec = Clamp32(m_play_time_ms / 1000);
    if (has_audio) {
        info.audioFormat =
            object_type == kObjectTypeMpeg2Audio || object_type == kObjectTypeMpeg1Audio ? kWaveFormatMp3 : kWaveFormatAac;
        info.audioBitRate = bit_rate;
        info.audioSampleRate = sample_rate;
        info.audioChannels = channels;
    }
    info.videoFourCC = four_cc;
    info.videoWidth = width;
    info.videoHeight = height;
    info.frameDurationUs = Clamp32(m_frame_duration_us);
    info.videoBitRate = Clamp32(m_video_bit_rate);
    info.aspectX = aspect.x;
    info.aspectY = aspect.y;
    return ReadStatus::Ok;
}

HRESULT MP4Demux::Parse(MediaInfo& info)
{
    ReadStatus status = WalkTopLevel();
    if (status == ReadStatus::Ok)
        status = FillRecord(info);
    // The tables are needed only while the record is filled.
    for (Mp4SampleTables& tables : m_tables)
        tables = Mp4SampleTables{};
    info.status = ToResult(status);
    return info.status;
}

HRESULT ReadMp4File(FileSource& file, MediaInfo& info, int brand_code)
{
    MP4Demux demux(file, brand_code);
    return demux.Parse(info);
}

}  // namespace mediainfo
