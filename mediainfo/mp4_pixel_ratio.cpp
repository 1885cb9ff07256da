#include "mediainfo/mp4_pixel_ratio.h"

#include <array>
#include <vector>

#include "mediainfo/mp4_bit_reader.h"

namespace mediainfo {
namespace {

constexpr std::uint8_t kAvcNalSequenceParameterSet = 7;
constexpr std::uint32_t kExplicitAvcAspect = 255;
constexpr std::uint32_t kExplicitMpeg4Aspect = 15;
// A sequence parameter set reaches its VUI within a few hundred bytes; a longer unit is read
// only this far.
constexpr std::size_t kMaxSequenceParameterSetBytes = 4096;
constexpr std::uint32_t kMaxPicOrderCycle = 255;

// ITU-T H.264 Table E-1, aspect_ratio_idc 1..16.
constexpr std::array<PixelAspect, 17> kAvcAspects = {{
    {0, 0}, {1, 1}, {12, 11}, {10, 11}, {16, 11}, {40, 33}, {24, 11}, {20, 11}, {32, 11},
    {80, 33}, {18, 11}, {15, 11}, {64, 33}, {160, 99}, {4, 3}, {3, 2}, {2, 1},
}};

// ISO/IEC 14496-2 Table 6-12, aspect_ratio_info 1..5.
constexpr std::array<PixelAspect, 6> kMpeg4Aspects = {{
    {0, 0}, {1, 1}, {12, 11}, {10, 11}, {16, 11}, {40, 33},
}};

// Profiles whose sequence parameter set carries the chroma format and bit depth fields.
bool HasChromaFields(std::uint32_t profile)
{
    switch (profile) {
    case 100: case 110: case 122: case 244: case 44: case 83: case 86:
    case 118: case 128: case 138: case 139: case 134: case 135:
        return true;
    default:
        return false;
    }
}

void SkipScalingList(Mp4BitReader& bits, int size)
{
    std::int64_t last_scale = 8;
    std::int64_t next_scale = 8;
    for (int j = 0; j < size && !bits.Failed(); ++j) {
        if (next_scale != 0) {
            const std::int64_t delta = bits.SignedGolomb();
            next_scale = ((last_scale + delta) % 256 + 256) % 256;
        }
        last_scale = next_scale == 0 ? last_scale : next_scale;
    }
}

// The unit without its emulation prevention bytes (00 00 03 → 00 00).
std::vector<std::uint8_t> Unescape(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> out;
    if (size > kMaxSequenceParameterSetBytes)
        size = kMaxSequenceParameterSetBytes;
    out.reserve(size);
    int zeros = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (zeros >= 2 && data[i] == 3) {
            zeros = 0;
            continue;
        }
        zeros = data[i] == 0 ? zeros + 1 : 0;
        out.push_back(data[i]);
    }
    return out;
}

}  // namespace

std::optional<PixelAspect> ReadAvcPixelAspect(const std::uint8_t* nal, std::size_t size)
{
    if (!nal || size < 4 || (nal[0] & 0x1F) != kAvcNalSequenceParameterSet)
        return std::nullopt;
    const std::vector<std::uint8_t> rbsp = Unescape(nal + 1, size - 1);
    Mp4BitReader bits(rbsp.data(), rbsp.size());

    const std::uint32_t profile = bits.Bits(8);
    bits.Bits(8);  // constraint flags
    bits.Bits(8);  // level
    bits.UnsignedGolomb();  // seq_parameter_set_id
    if (HasChromaFields(profile)) {
        const std::uint32_t chroma_format = bits.UnsignedGolomb();
        if (chroma_format == 3)
            bits.Flag();  // separate_colour_plane_flag
        bits.UnsignedGolomb();  // bit_depth_luma_minus8
        bits.UnsignedGolomb();  // bit_depth_chroma_minus8
        bits.Flag();  // qpprime_y_zero_transform_bypass_flag
        if (bits.Flag()) {  // seq_scaling_matrix_present_flag
            const int lists = chroma_format != 3 ? 8 : 12;
            for (int i = 0; i < lists && !bits.Failed(); ++i) {
                if (bits.Flag())
                    SkipScalingList(bits, i < 6 ? 16 : 64);
            }
        }
    }
    bits.UnsignedGolomb();  // log2_max_frame_num_minus4
    const std::uint32_t pic_order_cnt_type = bits.UnsignedGolomb();
    if (pic_order_cnt_type == 0) {
        bits.UnsignedGolomb();  // log2_max_pic_order_cnt_lsb_minus4
    } else if (pic_order_cnt_type == 1) {
        bits.Flag();  // delta_pic_order_always_zero_flag
        bits.SignedGolomb();  // offset_for_non_ref_pic
        bits.SignedGolomb();  // offset_for_top_to_bottom_field
        const std::uint32_t cycle = bits.UnsignedGolomb();
        if (cycle > kMaxPicOrderCycle)
            return std::nullopt;
        for (std::uint32_t i = 0; i < cycle && !bits.Failed(); ++i)
            bits.SignedGolomb();
    }
    bits.UnsignedGolomb();  // max_num_ref_frames
    bits.Flag();  // gaps_in_frame_num_value_allowed_flag
    bits.UnsignedGolomb();  // pic_width_in_mbs_minus1
    bits.UnsignedGolomb();  // pic_height_in_map_units_minus1
    if (!bits.Flag())  // frame_mbs_only_flag
        bits.Flag();  // mb_adaptive_frame_field_flag
    bits.Flag();  // direct_8x8_inference_flag
    if (bits.Flag()) {  // frame_cropping_flag
        for (int i = 0; i < 4; ++i)
            bits.UnsignedGolomb();
    }
    if (!bits.Flag() || !bits.Flag())  // vui_parameters_present_flag, aspect_ratio_info_present_flag
        return std::nullopt;
    const std::uint32_t idc = bits.Bits(8);
    PixelAspect aspect;
    if (idc == kExplicitAvcAspect) {
        aspect.x = bits.Bits(16);
        aspect.y = bits.Bits(16);
    } else if (idc >= 1 && idc < kAvcAspects.size()) {
        aspect = kAvcAspects[idc];
    } else {
        return std::nullopt;
    }
    if (bits.Failed())
        return std::nullopt;
    return aspect;
}

std::optional<PixelAspect> FindAvcPixelAspect(const std::uint8_t* data, std::size_t size)
{
    if (!data)
        return std::nullopt;
    for (std::size_t i = 0; i + 3 < size; ++i) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 &&
            (data[i + 3] & 0x1F) == kAvcNalSequenceParameterSet)
            return ReadAvcPixelAspect(data + i + 3, size - i - 3);
    }
    return std::nullopt;
}

std::optional<PixelAspect> FindMpeg4VideoPixelAspect(const std::uint8_t* data, std::size_t size)
{
    std::optional<PixelAspect> found;
    if (!data)
        return found;
    for (std::size_t i = 0; i + 3 < size; ++i) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1 || (data[i + 3] & 0xF0) != 0x20)
            continue;
        Mp4BitReader bits(data + i + 4, size - i - 4);
        bits.Flag();  // random_accessible_vol
        bits.Bits(8);  // video_object_type_indication
        if (bits.Flag()) {  // is_object_layer_identifier
            bits.Bits(4);  // video_object_layer_verid
            bits.Bits(3);  // video_object_layer_priority
        }
        const std::uint32_t info = bits.Bits(4);
        PixelAspect aspect;
        if (info == kExplicitMpeg4Aspect) {
            aspect.x = bits.Bits(8);
            aspect.y = bits.Bits(8);
        } else if (info >= 1 && info < kMpeg4Aspects.size()) {
            aspect = kMpeg4Aspects[info];
        } else {
            continue;
        }
        if (!bits.Failed())
            found = aspect;
    }
    return found;
}

}  // namespace mediainfo
