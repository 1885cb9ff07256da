// GIF, BMP and PNG carry their picture size at fixed places in their first bytes.
#include <cstring>

#include "mediainfo/readers.h"

namespace mediainfo {
namespace {

std::uint32_t Le16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t Le32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}
std::uint32_t Be32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

}  // namespace

bool ReadPictureHeader(const std::uint8_t (&first)[64], MediaInfo& info)
{
    if (std::memcmp(first, "GIF", 3) == 0) {
        info.kind = MediaKind::Gif;
        info.pictureWidth = Le16(first + 6);
        info.pictureHeight = Le16(first + 8);
        info.pictureBits = ((first[10] >> 4) & 7) + 1;
    } else if (std::memcmp(first, "BM", 2) == 0) {
        info.kind = MediaKind::Bmp;
        info.pictureWidth = Le32(first + 18);
        // A negative height marks a picture stored top-down; its size is the magnitude.
        const auto height = static_cast<std::int32_t>(Le32(first + 22));
        info.pictureHeight = height < 0 ? 0u - static_cast<std::uint32_t>(height) : static_cast<std::uint32_t>(height);
        info.pictureBits = Le16(first + 28);
    } else if (std::memcmp(first, kPngSignature, 8) == 0 && std::memcmp(first + 12, "IHDR", 4) == 0) {
        info.kind = MediaKind::Png;
        info.pictureWidth = Be32(first + 16);
        info.pictureHeight = Be32(first + 20);
        info.pictureBits = first[24];
    } else {
        return false;
    }
    info.status = kResultOk;
    return true;
}

}  // namespace mediainfo
