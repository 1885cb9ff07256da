// Builders for byte-exact RIFF AVI fixtures: chunks, the hdrl list (MakeAviHeader), the movi
// list and idx1.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mediainfo/tests/mp4_builder.h"

namespace mediainfo::testing {

// A chunk: identifier, little-endian size, data; no pad byte, as the reader expects none.
inline Bytes Chunk(const std::string& id, const Bytes& data)
{
    Bytes out;
    PutText(out, id);
    PutU32Le(out, static_cast<std::uint32_t>(data.size()));
    PutBytes(out, data);
    return out;
}

inline Bytes List(const std::string& type, const Bytes& data)
{
    Bytes body;
    PutText(body, type);
    PutBytes(body, data);
    return Chunk("LIST", body);
}

struct AviStream {
    std::string type = "vids";
    std::string handler = "xvid";
    // Video: BITMAPINFOHEADER.
    std::string compression = "XVID";
    std::uint32_t width = 640;
    std::uint32_t height = 480;
    Bytes videoExtra;                   // bytes beyond the 40-byte header (biSize grows with them)
    // Audio: WAVEFORMATEX.
    std::uint16_t formatTag = 85;
    std::uint16_t channels = 2;
    std::uint32_t sampleRate = 44100;
    std::uint32_t avgBytesPerSec = 16000;
    std::optional<Bytes> audioExtra;    // with a value: cbSize and these bytes follow
    std::optional<std::uint32_t> bitmapSizeField;  // overrides biSize
    bool oddAudioFormat = false;        // a 17-byte audio strf
};

inline Bytes MakeStrl(const AviStream& stream)
{
    Bytes strh;
    PutText(strh, stream.type);
    PutText(strh, stream.handler);
    // flags, priority and language, initial frames, scale 1, rate 25, start, length, buffer
    // size, quality, sample size
    for (int i = 0; i < 10; ++i)
        PutU32Le(strh, i == 3 ? 1 : (i == 4 ? 25 : 0));
    PutU16Le(strh, 0);
    PutU16Le(strh, 0);
    PutU16Le(strh, stream.width);
    PutU16Le(strh, stream.height);
    Bytes strf;
    if (stream.type == "vids") {
        PutU32Le(strf, stream.bitmapSizeField.value_or(static_cast<std::uint32_t>(40 + stream.videoExtra.size())));
        PutU32Le(strf, stream.width);
        PutU32Le(strf, stream.height);
        PutU16Le(strf, 1);
        PutU16Le(strf, 24);
        PutText(strf, stream.compression);
        for (int i = 0; i < 5; ++i)
            PutU32Le(strf, 0);
        PutBytes(strf, stream.videoExtra);
    } else {
        PutU16Le(strf, stream.formatTag);
        PutU16Le(strf, stream.channels);
        PutU32Le(strf, stream.sampleRate);
        PutU32Le(strf, stream.avgBytesPerSec);
        PutU16Le(strf, 1);
        PutU16Le(strf, 16);
        if (stream.audioExtra) {
            PutU16Le(strf, static_cast<std::uint32_t>(stream.audioExtra->size()));
            PutBytes(strf, *stream.audioExtra);
        } else if (stream.oddAudioFormat) {
            PutU8(strf, 0x7F);
        }
    }
    return List("strl", Cat({Chunk("strh", strh), Chunk("strf", strf)}));
}

struct AviHeader {
    std::uint32_t microSecPerFrame = 40000;
    std::vector<AviStream> streams;
};

inline Bytes MakeAviHeader(const AviHeader& header)
{
    Bytes avih;
    PutU32Le(avih, header.microSecPerFrame);
    for (int i = 1; i < 14; ++i)
        PutU32Le(avih, i == 6 ? static_cast<std::uint32_t>(header.streams.size()) : 0);
    Bytes body = Chunk("avih", avih);
    for (const AviStream& stream : header.streams)
        PutBytes(body, MakeStrl(stream));
    return List("hdrl", body);
}

struct AviChunk {
    std::string id;
    Bytes data;
    std::uint32_t flags = 0x10;
};

struct AviIndexEntry {
    std::string id;
    std::uint32_t flags = 0;
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

inline Bytes MakeIdx1(const std::vector<AviIndexEntry>& entries)
{
    Bytes body;
    for (const AviIndexEntry& entry : entries) {
        PutText(body, entry.id);
        PutU32Le(body, entry.flags);
        PutU32Le(body, entry.offset);
        PutU32Le(body, entry.size);
    }
    return Chunk("idx1", body);
}

struct AviFile {
    Bytes header;                     // the hdrl list
    std::vector<AviChunk> chunks;     // the movi list's chunks
    bool withIndex = true;
    bool absoluteOffsets = false;     // idx1 offsets from the start of the file
    Bytes beforeMovie;                // chunks between hdrl and movi
};

// RIFF "AVI " with hdrl, movi and idx1; the index lists every movi chunk.
inline Bytes MakeAviFile(const AviFile& file)
{
    Bytes movi_body;
    std::vector<AviIndexEntry> entries;
    const std::uint32_t movi_position = static_cast<std::uint32_t>(12 + file.header.size() + file.beforeMovie.size() + 8);
    for (const AviChunk& chunk : file.chunks) {
        const std::uint32_t relative = static_cast<std::uint32_t>(4 + movi_body.size());
        entries.push_back({chunk.id, chunk.flags, file.absoluteOffsets ? movi_position + relative : relative,
                           static_cast<std::uint32_t>(chunk.data.size())});
        PutBytes(movi_body, Chunk(chunk.id, chunk.data));
    }
    Bytes body;
    PutText(body, "AVI ");
    PutBytes(body, file.header);
    PutBytes(body, file.beforeMovie);
    PutBytes(body, List("movi", movi_body));
    if (file.withIndex)
        PutBytes(body, MakeIdx1(entries));
    return Chunk("RIFF", body);
}

}  // namespace mediainfo::testing
