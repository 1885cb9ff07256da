// The pixel aspect ratio of the first video frame, read from the sequence headers of the MPEG-4
// family: the AVC sequence parameter set's VUI (ITU-T H.264, Table E-1) and the MPEG-4 Part 2
// video object layer (ISO/IEC 14496-2). The MP4 and AVI readers share these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace mediainfo {

struct PixelAspect {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    bool operator==(const PixelAspect&) const = default;
};

// Reads an AVC sequence parameter set NAL unit, starting at its NAL header byte (escaped as in
// the stream, emulation prevention bytes included). Nothing when the unit is not a sequence
// parameter set, is cut short, carries no aspect ratio, or one of the reserved codes.
std::optional<PixelAspect> ReadAvcPixelAspect(const std::uint8_t* nal, std::size_t size);

// Searches an Annex B byte stream (a video frame of an AVI file) for 00 00 01 followed by a
// sequence parameter set header and reads the first one found.
std::optional<PixelAspect> FindAvcPixelAspect(const std::uint8_t* data, std::size_t size);

// Scans a buffer for MPEG-4 video object layer start codes (00 00 01 20..2F) and reads their
// aspect_ratio_info; codes other than 1-5 and 15 (explicit) are passed over, and the last valid
// one in the buffer wins.
std::optional<PixelAspect> FindMpeg4VideoPixelAspect(const std::uint8_t* data, std::size_t size);

}  // namespace mediainfo
