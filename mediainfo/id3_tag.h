// ID3 tags of MPEG audio files: the text frames of an ID3v2 tag and the ID3v1 block at the end.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mediainfo/media_info.h"

namespace mediainfo {

constexpr std::size_t kId3HeaderSize = 10;
constexpr std::size_t kId3v1Size = 128;

// The size of an ID3v2 tag behind its 10-byte header: the 28-bit syncsafe number of bytes 6..9,
// plus 10 for a version 4 tag with a footer. Needs 10 bytes.
std::uint32_t Id3v2BodySize(const std::uint8_t* header);
// Walks the frames of a whole tag (header included) and fills the mapped text fields.
void ReadId3v2Tag(const std::uint8_t* tag, std::size_t size, MediaInfo& info);
// Fills the fields that are still empty from a 128-byte ID3v1 block ("TAG" at 0).
void ReadId3v1Tag(const std::uint8_t (&block)[kId3v1Size], MediaInfo& info);

}  // namespace mediainfo
