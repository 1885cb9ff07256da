// Builders of byte-exact test files, and a probe over bytes in memory.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "mediainfo/file_source.h"
#include "mediainfo/media_info.h"
#include "mediainfo/media_probe.h"

namespace mediainfo::testing {

class Bytes {
public:
    Bytes& U8(std::uint32_t value) { m_data.push_back(static_cast<std::uint8_t>(value)); return *this; }
    Bytes& Be16(std::uint32_t value) { return U8(value >> 8).U8(value); }
    Bytes& Be24(std::uint32_t value) { return U8(value >> 16).U8(value >> 8).U8(value); }
    Bytes& Be32(std::uint32_t value) { return U8(value >> 24).U8(value >> 16).U8(value >> 8).U8(value); }
    Bytes& Le16(std::uint32_t value) { return U8(value).U8(value >> 8); }
    Bytes& Le32(std::uint32_t value) { return U8(value).U8(value >> 8).U8(value >> 16).U8(value >> 24); }
    Bytes& Le64(std::uint64_t value) { return Le32(static_cast<std::uint32_t>(value)).Le32(static_cast<std::uint32_t>(value >> 32)); }
    Bytes& Text(std::string_view text) { m_data.insert(m_data.end(), text.begin(), text.end()); return *this; }
    Bytes& Raw(std::initializer_list<std::uint8_t> bytes) { m_data.insert(m_data.end(), bytes); return *this; }
    Bytes& Append(const std::vector<std::uint8_t>& bytes) { m_data.insert(m_data.end(), bytes.begin(), bytes.end()); return *this; }
    Bytes& Fill(std::size_t count, std::uint8_t value = 0) { m_data.insert(m_data.end(), count, value); return *this; }
    // Pads with a value up to a total size.
    Bytes& PadTo(std::size_t size, std::uint8_t value = 0)
    {
        if (m_data.size() < size)
            m_data.resize(size, value);
        return *this;
    }
    Bytes& PatchLe32(std::size_t at, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            m_data[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        return *this;
    }
    std::size_t Size() const { return m_data.size(); }
    const std::vector<std::uint8_t>& Data() const { return m_data; }
    operator const std::vector<std::uint8_t>&() const { return m_data; }

private:
    std::vector<std::uint8_t> m_data;
};

struct Probed {
    HRESULT result = 0;   // ProbeFile: nonzero when a reader claimed the file
    MediaInfo info;
};

inline Probed Probe(const std::vector<std::uint8_t>& bytes)
{
    Probed probed;
    MemorySource file(bytes.data(), bytes.size());
    probed.result = ProbeFile(file, probed.info);
    return probed;
}

inline std::u16string Text(const TextField& field)
{
    std::u16string text;
    for (int i = 0; i < kTextFieldLength && field[i] != 0; ++i)
        text.push_back(field[i]);
    return text;
}

// An MPEG-1 Layer III frame header: 128 kbit/s, 44100 Hz, stereo, no padding (417 bytes long).
inline constexpr std::uint8_t kMp3Header128k[4] = {0xFF, 0xFB, 0x90, 0x00};
constexpr std::size_t kMp3FrameLength128k = 417;

// count frames of 417 bytes; the first may carry a "Xing" header with a frame count.
inline Bytes Mp3Frames(std::size_t count, std::uint32_t xing_frames = 0)
{
    Bytes frames;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t start = frames.Size();
        frames.Raw({kMp3Header128k[0], kMp3Header128k[1], kMp3Header128k[2], kMp3Header128k[3]});
        if (i == 0 && xing_frames) {
            frames.Fill(32).Text("Xing").Be32(1).Be32(xing_frames);
        }
        frames.PadTo(start + kMp3FrameLength128k, 0x55);
    }
    return frames;
}

// An ID3v2 tag of the given version around frames; the size is syncsafe.
inline Bytes Id3v2Tag(std::uint8_t version, const std::vector<std::uint8_t>& frames, std::size_t padding = 0)
{
    const std::size_t size = frames.size() + padding;
    Bytes tag;
    tag.Text("ID3").U8(version).U8(0).U8(0);
    tag.U8((size >> 21) & 0x7F).U8((size >> 14) & 0x7F).U8((size >> 7) & 0x7F).U8(size & 0x7F);
    tag.Append(frames).Fill(padding);
    return tag;
}

// One ID3v2.3 frame: identifier, plain 32-bit size, flags, data.
inline Bytes Id3Frame(std::string_view id, const std::vector<std::uint8_t>& data, bool syncsafe = false)
{
    Bytes frame;
    frame.Text(id);
    const std::size_t size = data.size();
    if (syncsafe)
        frame.U8((size >> 21) & 0x7F).U8((size >> 14) & 0x7F).U8((size >> 7) & 0x7F).U8(size & 0x7F);
    else
        frame.Be32(static_cast<std::uint32_t>(size));
    frame.Be16(0).Append(data);
    return frame;
}

}  // namespace mediainfo::testing
