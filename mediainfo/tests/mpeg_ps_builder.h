// Builders for byte-exact MPEG program stream fixtures: pack headers with a given system clock
// reference, PES packets, video sequence headers and audio headers.
#pragma once

#include <cstdint>
#include <vector>

#include "mediainfo/tests/mp4_builder.h"

namespace mediainfo::testing {

// A pack header; scr in 90 kHz ticks.
inline Bytes MakePackHeader(std::uint64_t scr, bool mpeg1, std::uint32_t stuffing = 0)
{
    Bytes out = {0x00, 0x00, 0x01, 0xBA};
    if (mpeg1) {
        PutU8(out, 0x21 | ((scr >> 29) & 0x0E));
        PutU8(out, static_cast<std::uint32_t>(scr >> 22));
        PutU8(out, static_cast<std::uint32_t>((scr >> 14) & 0xFE) | 1);
        PutU8(out, static_cast<std::uint32_t>(scr >> 7));
        PutU8(out, static_cast<std::uint32_t>((scr << 1) & 0xFE) | 1);
        PutBytes(out, {0x80, 0x1B, 0x83});   // mux rate with its markers
        return out;
    }
    PutU8(out, 0x44 | ((scr >> 27) & 0x38) | ((scr >> 28) & 0x03));
    PutU8(out, static_cast<std::uint32_t>(scr >> 20));
    PutU8(out, static_cast<std::uint32_t>((scr >> 12) & 0xF8) | 0x04 | ((scr >> 13) & 0x03));
    PutU8(out, static_cast<std::uint32_t>(scr >> 5));
    PutU8(out, static_cast<std::uint32_t>((scr << 3) & 0xF8) | 0x04);   // extension 0
    PutU8(out, 0x01);
    PutBytes(out, {0x01, 0x89, 0xC3});   // mux rate with its markers
    PutU8(out, 0xF8 | stuffing);
    out.insert(out.end(), stuffing, 0xFF);
    return out;
}

// A PES packet: MPEG-2 header (no time stamps, or the flags given) or the MPEG-1 byte 0x0F.
inline Bytes MakePes(std::uint32_t stream_id, const Bytes& payload, bool mpeg1 = false, std::uint32_t pts_dts_flags = 0)
{
    Bytes body;
    if (mpeg1) {
        PutU8(body, 0x0F);
    } else {
        PutU8(body, 0x81);
        PutU8(body, pts_dts_flags << 6);
        PutU8(body, 0);
    }
    PutBytes(body, payload);
    Bytes out = {0x00, 0x00, 0x01};
    PutU8(out, stream_id);
    PutU16Be(out, static_cast<std::uint32_t>(body.size()));
    PutBytes(out, body);
    return out;
}

inline Bytes MakeSystemHeader()
{
    Bytes out = {0x00, 0x00, 0x01, 0xBB};
    PutU16Be(out, 6);
    PutBytes(out, {0x80, 0x1B, 0x83, 0x04, 0xE1, 0xFF});
    return out;
}

// 00 00 01 B3 and its fields; bit_rate in units of 400 bit/s.
inline Bytes MakeSequenceHeader(std::uint32_t width, std::uint32_t height, std::uint32_t aspect_code,
                                std::uint32_t frame_rate_code, std::uint32_t bit_rate_400)
{
    Bytes out = {0x00, 0x00, 0x01, 0xB3};
    PutBytes(out, BitWriter()
                      .Bits(12, width)
                      .Bits(12, height)
                      .Bits(4, aspect_code)
                      .Bits(4, frame_rate_code)
                      .Bits(18, bit_rate_400)
                      .Bits(1, 1)
                      .Bits(10, 112)
                      .Bits(1, 0)
                      .Bits(2, 0)
                      .Finish(false));
    return out;
}

// An MPEG audio frame header: version bits (3 MPEG-1), layer bits (1 Layer III, 2 Layer II),
// bit rate index, sampling index, channel mode.
inline Bytes MakeMpegAudioHeader(std::uint32_t version, std::uint32_t layer, std::uint32_t bit_rate_index,
                                 std::uint32_t sampling_index, std::uint32_t channel_mode)
{
    return {0xFF, static_cast<std::uint8_t>(0xE0 | (version << 3) | (layer << 1) | 1),
            static_cast<std::uint8_t>((bit_rate_index << 4) | (sampling_index << 2)),
            static_cast<std::uint8_t>(channel_mode << 6)};
}

// The private stream 1 payload of a linear PCM substream.
inline Bytes MakeLpcmPayload(std::uint32_t sampling_index, std::uint32_t channel_field)
{
    return {0xA0, 0x07, 0x00, 0x04, 0x00, static_cast<std::uint8_t>((sampling_index << 4) | channel_field), 0x80,
            0x00, 0x00, 0x00, 0x00, 0x00};
}

// The private stream 1 payload of an AC-3 substream: its 4-byte header, then a sync frame start
// (the acmod byte carries the optional fields as zeros and then lfeon).
inline Bytes MakeAc3Payload(std::uint32_t fscod, std::uint32_t frmsizecod, std::uint32_t acmod, std::uint32_t lfe)
{
    unsigned bit = 3;
    if ((acmod & 1) && acmod != 1)
        bit += 2;
    if (acmod & 4)
        bit += 2;
    if (acmod == 2)
        bit += 2;
    const std::uint8_t mode = static_cast<std::uint8_t>((acmod << 5) | (lfe << (7 - bit)));
    return {0x80, 0x01, 0x00, 0x01, 0x0B, 0x77, 0x12, 0x34, static_cast<std::uint8_t>((fscod << 6) | frmsizecod),
            0x40, mode, 0x00, 0x00, 0x00, 0x00, 0x00};
}

// A padding stream packet of the given total size (at least 6 bytes).
inline Bytes MakePadding(std::size_t total)
{
    Bytes out = {0x00, 0x00, 0x01, 0xBE};
    PutU16Be(out, static_cast<std::uint32_t>(total - 6));
    out.insert(out.end(), total - 6, 0xFF);
    return out;
}

}  // namespace mediainfo::testing
