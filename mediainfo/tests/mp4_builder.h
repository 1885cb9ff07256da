// Builders for byte-exact MP4 fixtures (ISO/IEC 14496-12 boxes), and the bit writer that makes
// AVC sequence parameter sets, MPEG-4 video object layers and AAC configurations.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace mediainfo::testing {

using Bytes = std::vector<std::uint8_t>;

inline void PutU8(Bytes& out, std::uint32_t value) { out.push_back(static_cast<std::uint8_t>(value)); }
inline void PutU16Be(Bytes& out, std::uint32_t value) { PutU8(out, value >> 8); PutU8(out, value); }
inline void PutU24Be(Bytes& out, std::uint32_t value) { PutU8(out, value >> 16); PutU16Be(out, value); }
inline void PutU32Be(Bytes& out, std::uint32_t value) { PutU16Be(out, value >> 16); PutU16Be(out, value); }
inline void PutU16Le(Bytes& out, std::uint32_t value) { PutU8(out, value); PutU8(out, value >> 8); }
inline void PutU32Le(Bytes& out, std::uint32_t value) { PutU16Le(out, value); PutU16Le(out, value >> 16); }
inline void PutU64Le(Bytes& out, std::uint64_t value)
{
    PutU32Le(out, static_cast<std::uint32_t>(value));
    PutU32Le(out, static_cast<std::uint32_t>(value >> 32));
}
inline void PutText(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }
inline void PutBytes(Bytes& out, const Bytes& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }
inline Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts)
        PutBytes(out, part);
    return out;
}

// MSB-first bit writer; Bytes() pads the last byte with a stop bit and zeros when asked.
class BitWriter {
public:
    BitWriter& Bits(unsigned count, std::uint32_t value)
    {
        for (unsigned i = count; i-- > 0;)
            m_bits.push_back((value >> i) & 1);
        return *this;
    }
    BitWriter& Ue(std::uint32_t value)
    {
        const std::uint64_t coded = std::uint64_t{value} + 1;
        unsigned length = 0;
        while ((coded >> length) > 1)
            ++length;
        Bits(length, 0);
        for (unsigned i = length + 1; i-- > 0;)
            m_bits.push_back((coded >> i) & 1);
        return *this;
    }
    Bytes Finish(bool stop_bit) const
    {
        std::vector<int> bits = m_bits;
        if (stop_bit)
            bits.push_back(1);
        while (bits.size() % 8)
            bits.push_back(0);
        Bytes out;
        for (std::size_t i = 0; i < bits.size(); i += 8) {
            std::uint8_t byte = 0;
            for (int k = 0; k < 8; ++k)
                byte = static_cast<std::uint8_t>((byte << 1) | bits[i + k]);
            out.push_back(byte);
        }
        return out;
    }

private:
    std::vector<int> m_bits;
};

// An AVC sequence parameter set NAL unit (header byte 0x67), Baseline profile, whose VUI gives
// aspect_ratio_idc (and the explicit ratio for 255). idc < 0: no aspect ratio information.
inline Bytes MakeAvcSequenceParameterSet(int aspect_idc, std::uint32_t sar_width = 0, std::uint32_t sar_height = 0)
{
    BitWriter bits;
    bits.Bits(8, 66).Bits(8, 0).Bits(8, 30);     // profile, constraints, level
    bits.Ue(0).Ue(0).Ue(0).Ue(0);                // id, log2_max_frame_num, poc type 0, log2_max_poc_lsb
    bits.Ue(1).Bits(1, 0);                       // max_num_ref_frames, gaps
    bits.Ue(39).Ue(29);                          // 640 x 480
    bits.Bits(1, 1).Bits(1, 1).Bits(1, 0);       // frame_mbs_only, direct_8x8, no cropping
    bits.Bits(1, 1);                             // vui_parameters_present
    if (aspect_idc < 0) {
        bits.Bits(1, 0);
    } else {
        bits.Bits(1, 1).Bits(8, static_cast<std::uint32_t>(aspect_idc));
        if (aspect_idc == 255)
            bits.Bits(16, sar_width).Bits(16, sar_height);
    }
    bits.Bits(1, 0).Bits(1, 0).Bits(1, 0).Bits(1, 0).Bits(1, 0).Bits(1, 0).Bits(1, 0).Bits(1, 0);
    Bytes nal = {0x67};
    PutBytes(nal, bits.Finish(true));
    return nal;
}

// An MPEG-4 Part 2 video object layer header with its start code 00 00 01 20.
inline Bytes MakeMpeg4VideoObjectLayer(std::uint32_t aspect_info, std::uint32_t par_width = 0, std::uint32_t par_height = 0)
{
    BitWriter bits;
    bits.Bits(1, 0).Bits(8, 1).Bits(1, 0).Bits(4, aspect_info);
    if (aspect_info == 15)
        bits.Bits(8, par_width).Bits(8, par_height);
    bits.Bits(1, 0);
    Bytes out = {0x00, 0x00, 0x01, 0x20};
    PutBytes(out, bits.Finish(false));
    return out;
}

inline Bytes Box(const std::string& type, const Bytes& body)
{
    Bytes out;
    PutU32Be(out, static_cast<std::uint32_t>(body.size() + 8));
    PutText(out, type);
    PutBytes(out, body);
    return out;
}

inline Bytes FullBox(const std::string& type, std::uint32_t version_flags, const Bytes& body)
{
    Bytes inner;
    PutU32Be(inner, version_flags);
    PutBytes(inner, body);
    return Box(type, inner);
}

inline Bytes MakeFtyp(const std::string& major = "isom", std::initializer_list<std::string> compatible = {"isom"})
{
    Bytes body;
    PutText(body, major);
    PutU32Be(body, 0);
    for (const std::string& brand : compatible)
        PutText(body, brand);
    return Box("ftyp", body);
}

inline Bytes MakeVisualEntry(const std::string& format, std::uint32_t width, std::uint32_t height, const Bytes& children)
{
    Bytes body(6, 0);
    PutU16Be(body, 1);                 // data_reference_index
    body.insert(body.end(), 16, 0);
    PutU16Be(body, width);
    PutU16Be(body, height);
    PutU32Be(body, 0x00480000);
    PutU32Be(body, 0x00480000);
    PutU32Be(body, 0);
    PutU16Be(body, 1);
    body.insert(body.end(), 32, 0);
    PutU16Be(body, 0x18);
    PutU16Be(body, 0xFFFF);
    PutBytes(body, children);
    return Box(format, body);
}

inline Bytes MakeAudioEntry(const std::string& format, std::uint32_t channels, std::uint32_t rate, const Bytes& children)
{
    Bytes body(6, 0);
    PutU16Be(body, 1);
    body.insert(body.end(), 8, 0);
    PutU16Be(body, channels);
    PutU16Be(body, 16);
    PutU32Be(body, 0);
    PutU32Be(body, rate << 16);
    PutBytes(body, children);
    return Box(format, body);
}

inline Bytes MakeAvcC(const Bytes& sequence_parameter_set)
{
    Bytes body = {1, 66, 0, 30, 0xFF, 0xE1};
    PutU16Be(body, static_cast<std::uint32_t>(sequence_parameter_set.size()));
    PutBytes(body, sequence_parameter_set);
    PutU8(body, 0);  // no picture parameter sets
    return Box("avcC", body);
}

// esds with ES_Descriptor > DecoderConfigDescriptor > DecoderSpecificInfo.
inline Bytes MakeEsds(std::uint32_t object_type, std::uint32_t average_bit_rate, const Bytes& specific_info)
{
    Bytes config;
    PutU8(config, object_type);
    PutU8(config, 0x15);
    PutU24Be(config, 0);
    PutU32Be(config, average_bit_rate);
    PutU32Be(config, average_bit_rate);
    if (!specific_info.empty()) {
        PutU8(config, 0x05);
        PutU8(config, static_cast<std::uint32_t>(specific_info.size()));
        PutBytes(config, specific_info);
    }
    Bytes es;
    PutU16Be(es, 1);
    PutU8(es, 0);
    PutU8(es, 0x04);
    PutU8(es, static_cast<std::uint32_t>(config.size()));
    PutBytes(es, config);
    Bytes body = {0x03};
    PutU8(body, static_cast<std::uint32_t>(es.size()));
    PutBytes(body, es);
    return FullBox("esds", 0, body);
}

struct Mp4Track {
    std::string handler = "vide";
    std::uint32_t timeScale = 1000;
    Bytes sampleEntry;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> timeToSample;   // count, delta
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sampleToChunk;  // first chunk, samples per chunk
    std::vector<std::uint32_t> chunkOffsets;
    std::vector<std::uint32_t> sampleSizes;
    std::uint32_t constantSize = 0;     // with constantCount: an stsz without a table
    std::uint32_t constantCount = 0;
    bool handlerLast = false;           // hdlr after minf inside mdia
};

inline Bytes MakeTrak(const Mp4Track& track)
{
    Bytes tkhd(20, 0);
    Bytes hdlr;
    PutU32Be(hdlr, 0);
    PutText(hdlr, track.handler);
    hdlr.insert(hdlr.end(), 13, 0);
    Bytes mdhd;
    PutU32Be(mdhd, 0);
    PutU32Be(mdhd, 0);
    PutU32Be(mdhd, track.timeScale);
    PutU32Be(mdhd, 0);
    PutU32Be(mdhd, 0);

    Bytes stsd;
    PutU32Be(stsd, 1);
    PutBytes(stsd, track.sampleEntry);
    Bytes stts;
    PutU32Be(stts, static_cast<std::uint32_t>(track.timeToSample.size()));
    for (auto [count, delta] : track.timeToSample) {
        PutU32Be(stts, count);
        PutU32Be(stts, delta);
    }
    Bytes stsc;
    PutU32Be(stsc, static_cast<std::uint32_t>(track.sampleToChunk.size()));
    for (auto [first, per_chunk] : track.sampleToChunk) {
        PutU32Be(stsc, first);
        PutU32Be(stsc, per_chunk);
        PutU32Be(stsc, 1);
    }
    Bytes stco;
    PutU32Be(stco, static_cast<std::uint32_t>(track.chunkOffsets.size()));
    for (std::uint32_t offset : track.chunkOffsets)
        PutU32Be(stco, offset);
    Bytes stsz;
    if (track.constantSize) {
        PutU32Be(stsz, track.constantSize);
        PutU32Be(stsz, track.constantCount);
    } else {
        PutU32Be(stsz, 0);
        PutU32Be(stsz, static_cast<std::uint32_t>(track.sampleSizes.size()));
        for (std::uint32_t size : track.sampleSizes)
            PutU32Be(stsz, size);
    }
    const Bytes stbl = Box("stbl", Cat({FullBox("stsd", 0, stsd), FullBox("stts", 0, stts), FullBox("stsc", 0, stsc),
                                        FullBox("stco", 0, stco), FullBox("stsz", 0, stsz)}));
    const Bytes minf = Box("minf", Cat({FullBox("vmhd", 1, Bytes(8, 0)), Box("dinf", Bytes(12, 0)), stbl}));
    const Bytes mdia = track.handlerLast ? Box("mdia", Cat({FullBox("mdhd", 0, mdhd), minf, FullBox("hdlr", 0, hdlr)}))
                                         : Box("mdia", Cat({FullBox("mdhd", 0, mdhd), FullBox("hdlr", 0, hdlr), minf}));
    return Box("trak", Cat({FullBox("tkhd", 0, tkhd), mdia}));
}

inline Bytes MakeMoov(const std::vector<Mp4Track>& tracks)
{
    Bytes mvhd(96, 0);
    Bytes body = FullBox("mvhd", 0, mvhd);
    PutBytes(body, Box("iods", Bytes(8, 0)));
    for (const Mp4Track& track : tracks)
        PutBytes(body, MakeTrak(track));
    return Box("moov", body);
}

}  // namespace mediainfo::testing

#include <string_view>

#include "mediainfo/debug_log.h"

namespace mediainfo::testing {

// Collects the readers' debug lines for the lifetime of the object.
class DebugCapture {
public:
    DebugCapture()
    {
        Lines().clear();
        SetDebugSink([](std::string_view text) { Lines().emplace_back(text); });
    }
    ~DebugCapture() { SetDebugSink(nullptr); }
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    bool Saw(std::string_view line) const
    {
        for (const std::string& seen : Lines())
            if (seen == line)
                return true;
        return false;
    }
    static std::vector<std::string>& Lines()
    {
        static std::vector<std::string> lines;
        return lines;
    }
};

}  // namespace mediainfo::testing
