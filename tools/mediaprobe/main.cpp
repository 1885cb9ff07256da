// mediaprobe FILE...: probes each file as the players do and prints its media information
// record as one JSON object per line. With --dump it adds the information dump Movie prints,
// the readers' debug lines, and whether Movie would accept the file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "mediainfo/codec_names.h"
#include "mediainfo/debug_log.h"
#include "mediainfo/host_file.h"
#include "mediainfo/media_probe.h"
#include "mediainfo/text_field.h"
#include "platform/files/codepage.h"

namespace {

using namespace mediainfo;

std::vector<std::string> s_debug_lines;

void CollectDebugLine(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    s_debug_lines.emplace_back(text);
}

std::u16string FromSystemCodePage(std::string_view text)
{
    return platform::AnsiToWide(text);
}

void AppendJsonString(std::string& out, std::string_view text)
{
    out += '"';
    for (const unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
}

std::string Utf8(const TextField& field)
{
    std::u16string wide(field, TextLength(field));
    std::string text;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        std::uint32_t code = wide[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF)
            code = 0x10000 + ((code - 0xD800) << 10) + (wide[++i] - 0xDC00);
        else if (code >= 0xD800 && code <= 0xDFFF)
            code = 0xFFFD;
        if (code < 0x80) {
            text += static_cast<char>(code);
        } else if (code < 0x800) {
            text += static_cast<char>(0xC0 | (code >> 6));
            text += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            text += static_cast<char>(0xE0 | (code >> 12));
            text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | (code >> 18));
            text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return text;
}

std::string FourCCText(std::uint32_t fourcc)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((fourcc >> shift) & 0xFF);
        text += (c >= 0x20 && c < 0x7F) ? c : '.';
    }
    return text;
}

class JsonObject {
public:
    template<class T>
    void Number(std::string_view key, T value) { Key(key); m_text += std::to_string(value); }
    void String(std::string_view key, std::string_view value) { Key(key); AppendJsonString(m_text, value); }
    void Bool(std::string_view key, bool value) { Key(key); m_text += value ? "true" : "false"; }
    void Strings(std::string_view key, const std::vector<std::string>& values)
    {
        Key(key);
        m_text += '[';
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i)
                m_text += ',';
            AppendJsonString(m_text, values[i]);
        }
        m_text += ']';
    }
    std::string Finish() { return m_text + "}"; }

private:
    void Key(std::string_view key)
    {
        m_text += m_text.size() > 1 ? "," : "";
        AppendJsonString(m_text, key);
        m_text += ':';
    }
    std::string m_text = "{";
};

void AddRecord(JsonObject& json, const MediaInfo& info)
{
    char status[16];
    std::snprintf(status, sizeof status, "0x%08X", static_cast<unsigned>(info.status));
    json.String("status", status);
    json.Number("kind", static_cast<int>(info.kind));
    json.Number("fileSize", info.fileSize);
    json.Number("durationSec", info.durationSec);
    json.Number("audioFormat", info.audioFormat);
    json.Number("audioBitRate", info.audioBitRate);
    json.Number("audioSampleRate", info.audioSampleRate);
    json.Number("audioChannels", info.audioChannels);
    json.Number("audioVariableRate", info.audioVariableRate);
    json.Number("videoFourCC", info.videoFourCC);
    json.String("videoFourCCText", info.videoFourCC ? FourCCText(info.videoFourCC) : "");
    json.Number("videoWidth", info.videoWidth);
    json.Number("videoHeight", info.videoHeight);
    json.Number("frameDurationUs", info.frameDurationUs);
    json.Number("videoBitRate", info.videoBitRate);
    json.Number("aspectX", info.aspectX);
    json.Number("aspectY", info.aspectY);
    json.Number("hasTitle", info.hasTitle);
    json.Number("hasArtist", info.hasArtist);
    json.Number("hasAlbum", info.hasAlbum);
    json.Number("hasTrack", info.hasTrack);
    json.Number("hasGenre", info.hasGenre);
    json.String("title", Utf8(info.title));
    json.String("artist", Utf8(info.artist));
    json.String("album", Utf8(info.album));
    json.String("track", Utf8(info.track));
    json.String("genre", Utf8(info.genre));
    json.Number("genreCode", info.genreCode);
    json.Number("hasComposer", info.hasComposer);
    json.Number("hasYear", info.hasYear);
    json.String("composer", Utf8(info.composer));
    json.String("year", Utf8(info.year));
    json.Number("pictureWidth", info.pictureWidth);
    json.Number("pictureHeight", info.pictureHeight);
    json.Number("pictureBits", info.pictureBits);
}

// Probes one file; false when it cannot be opened.
bool ProbeOne(const char* path, bool dump)
{
    JsonObject json;
    json.String("file", path);
    HostFile file(path);
    if (!file.IsOpen() || !file.IsRegular()) {
        json.String("error", !file.IsOpen() ? std::strerror(file.OpenError()) : "not a regular file");
        std::printf("%s\n", json.Finish().c_str());
        return false;
    }
    MediaInfo info;
    s_debug_lines.clear();
    const HRESULT claimed = ProbeFile(file, info);
    json.Number("claimed", claimed);
    AddRecord(json, info);
    if (dump) {
        std::vector<std::string> reader_lines = s_debug_lines;
        std::vector<std::string> dump_lines;
        const bool accepted = DumpMediaInfo(
            info,
            [](std::string_view line, void* context) {
                while (!line.empty() && line.back() == '\n')
                    line.remove_suffix(1);
                static_cast<std::vector<std::string>*>(context)->emplace_back(line);
            },
            &dump_lines);
        json.Strings("debug", reader_lines);
        json.Strings("dump", dump_lines);
        json.Bool("movieAccepts", accepted);
    }
    std::printf("%s\n", json.Finish().c_str());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    bool dump = false;
    std::vector<const char*> paths;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dump") == 0)
            dump = true;
        else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            paths.clear(), argc = 0;
        else
            paths.push_back(argv[i]);
    }
    if (paths.empty()) {
        std::fprintf(stderr, "usage: mediaprobe [--dump] FILE...\n"
                             "Prints each file's media information record as one JSON object per line.\n"
                             "--dump adds the information dump Movie prints and whether Movie accepts the file.\n");
        return 2;
    }
    SetDebugSink(CollectDebugLine);
    SetCodePageConverter(FromSystemCodePage);
    bool all_opened = true;
    for (const char* path : paths)
        all_opened = ProbeOne(path, dump) && all_opened;
    std::fflush(stdout);
    return all_opened ? 0 : 1;
}
