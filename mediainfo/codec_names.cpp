#include "mediainfo/codec_names.h"

#include <cstdio>

#include "mediainfo/debug_log.h"

namespace mediainfo {
namespace {

struct KindName {
    MediaKind kind;
    CodecName name;
};

constexpr KindName kContainers[] = {
    {MediaKind::Avi, {"AVI\n", Support::Yes}},
    {MediaKind::Mp4, {"MP4\n", Support::Yes}},
    {MediaKind::Asf, {"ASF\n", Support::Yes}},
    {MediaKind::MpegProgram1, {"MPG1\n", Support::Yes}},
    {MediaKind::MpegProgram2, {"MPG2\n", Support::Yes}},
};
constexpr CodecName kUnknownContainer = {"UNKNOWN\n", Support::No};

struct FourCCName {
    std::uint32_t fourcc;
    CodecName name;
};

// Upper- and lower-case spellings pack to different numbers, so both are listed.
constexpr FourCCName kVideoCodecs[] = {
    {FourCC("DIV4"), {"DIV4\n", Support::Yes}},    {FourCC("div4"), {"DIV4\n", Support::Yes}},
    {FourCC("DIV5"), {"DIV5\n", Support::Yes}},    {FourCC("div5"), {"DIV5\n", Support::Yes}},
    {FourCC("DIV6"), {"DIV6\n", Support::Yes}},    {FourCC("div6"), {"DIV6\n", Support::Yes}},
    {FourCC("DIVX"), {"DIVX\n", Support::Yes}},    {FourCC("divx"), {"DIVX\n", Support::Yes}},
    {FourCC("XVID"), {"XVID\n", Support::Yes}},    {FourCC("xvid"), {"XVID\n", Support::Yes}},
    {FourCC("DX50"), {"DX50\n", Support::Yes}},    {FourCC("dx50"), {"DX50\n", Support::Yes}},
    {FourCC("MP42"), {"MP42\n", Support::Yes}},    {FourCC("mp42"), {"MP42\n", Support::Yes}},
    {FourCC("MP43"), {"MP43\n", Support::Yes}},    {FourCC("mp43"), {"MP43\n", Support::Yes}},
    {FourCC("MP4S"), {"MP4S\n", Support::Yes}},    {FourCC("mp4s"), {"MP4S\n", Support::Yes}},
    {FourCC("MP4V"), {"MP4V\n", Support::Yes}},    {FourCC("mp4v"), {"MP4V\n", Support::Yes}},
    {FourCC("MPG4"), {"MPG4\n", Support::Yes}},    {FourCC("mpg4"), {"MPG4\n", Support::Yes}},
    {FourCC("AVC1"), {"AVC1\n", Support::Yes}},    {FourCC("avc1"), {"AVC1\n", Support::Yes}},
    {FourCC("H264"), {"H.264\n", Support::Yes}},   {FourCC("h264"), {"H.264\n", Support::Yes}},
    {FourCC("X264"), {"X264\n", Support::Yes}},    {FourCC("x264"), {"X264\n", Support::Yes}},
    {FourCC("WMV1"), {"WMV7\n", Support::Yes}},    {FourCC("wmv1"), {"WMV7\n", Support::Yes}},
    {FourCC("WMV2"), {"WMV8\n", Support::Yes}},    {FourCC("wmv2"), {"WMV8\n", Support::Yes}},
    {FourCC("WMV3"), {"WMV9\n", Support::Yes}},    {FourCC("wmv3"), {"WMV9\n", Support::Yes}},
    {FourCC("MPG1"), {"MPEG-1\n", Support::Yes}},
    {FourCC("MPG2"), {"MPEG-2\n", Support::Yes}},
};
constexpr CodecName kUnknownVideo = {"UNKNOWN\n", Support::No};

struct TagName {
    std::uint32_t tag;
    CodecName name;
};

constexpr TagName kAudioFormats[] = {
    {1, {"PCM\n", Support::Yes}},          {2, {"MS ADPCM\n", Support::Yes}},
    {3, {"FLOAT\n", Support::No}},         {6, {"ALAW\n", Support::No}},
    {7, {"MULAW\n", Support::No}},         {8, {"MS DTS\n", Support::No}},
    {10, {"WMAS\n", Support::Yes}},        {17, {"IMA ADPCM\n", Support::Yes}},
    {49, {"GSM610\n", Support::No}},       {50, {"MSNAUDIO\n", Support::No}},
    {69, {"G726\n", Support::No}},         {80, {"MP2\n", Support::Yes}},
    {85, {"MP3\n", Support::Yes}},         {255, {"AAC\n", Support::Yes}},
    {352, {"WMA1\n", Support::Yes}},       {353, {"WMA2\n", Support::Yes}},
    {354, {"WMA Pro\n", Support::Yes}},    {355, {"WMA LSL\n", Support::Yes}},
    {8192, {"AC3\n", Support::No}},        {8193, {"DTS\n", Support::No}},
    {22127, {"OGG\n", Support::No}},       {28781, {"FF MPEG AAC\n", Support::No}},
    {61868, {"FLAC\n", Support::No}},
};
constexpr CodecName kUnknownAudio = {"Unknown\n", Support::No};

class DumpWriter {
public:
    DumpWriter(DumpLineSink sink, void* context) : m_sink(sink), m_context(context) {}

    void Line(std::string_view text)
    {
        if (m_sink)
            m_sink(text, m_context);
        else
            DebugLine("%.*s", static_cast<int>(text.size()), text.data());
    }

    void Format(const char* format, int a) { Emit(std::snprintf(m_text, sizeof m_text, format, a)); }
    void Format(const char* format, int a, int b) { Emit(std::snprintf(m_text, sizeof m_text, format, a, b)); }

private:
    void Emit(int length)
    {
        if (length > 0)
            Line(std::string_view(m_text, static_cast<std::size_t>(length) < sizeof m_text ? length : sizeof m_text - 1));
    }

    DumpLineSink m_sink;
    void* m_context;
    char m_text[64];
};

int AsInt(std::uint32_t value) { return static_cast<int>(value); }

}  // namespace

CodecName ContainerName(MediaKind kind)
{
    for (const KindName& entry : kContainers)
        if (entry.kind == kind)
            return entry.name;
    return kUnknownContainer;
}

CodecName VideoCodecName(std::uint32_t fourcc)
{
    for (const FourCCName& entry : kVideoCodecs)
        if (entry.fourcc == fourcc)
            return entry.name;
    return kUnknownVideo;
}

CodecName AudioCodecName(std::uint32_t format_tag)
{
    for (const TagName& entry : kAudioFormats)
        if (entry.tag == format_tag)
            return entry.name;
    return kUnknownAudio;
}

bool DumpMediaInfo(const MediaInfo& info, DumpLineSink sink, void* context)
{
    DumpWriter out(sink, context);
    const CodecName container = ContainerName(info.kind);
    out.Line(container.name);
    if (container.support == Support::No)
        return false;
    const CodecName video = VideoCodecName(info.videoFourCC);
    out.Line(video.name);
    if (video.support == Support::No)
        return false;
    out.Format("  %dx%d\n", AsInt(info.videoWidth), AsInt(info.videoHeight));
    out.Format("  %dms\n", AsInt(info.frameDurationUs / 1000));
    out.Format("  %d.%dKbps\n", AsInt(info.videoBitRate / 1000), AsInt(info.videoBitRate % 1000));
    out.Format("  %dx%d\n", AsInt(info.aspectX), AsInt(info.aspectY));
    const CodecName audio = AudioCodecName(info.audioFormat);
    out.Line(audio.name);
    if (audio.support == Support::No)
        return false;
    out.Format("  %d.%dKbps\n", AsInt(info.audioBitRate / 1000), AsInt(info.audioBitRate % 1000));
    out.Format("  %d\n", AsInt(info.audioChannels));
    out.Format("  %d.%dKHz\n", AsInt(info.audioSampleRate / 1000), AsInt(info.audioSampleRate % 1000));
    return true;
}

}  // namespace mediainfo
