// JPEG: the picture size and depth come from the first start-of-frame marker (SOF0..SOF3).
#include "mediainfo/byte_cursor.h"
#include "mediainfo/debug_log.h"
#include "mediainfo/readers.h"

namespace mediainfo {
namespace {

// A walk that has not met a frame header after this many markers is taken as malformed, so a
// file of empty segments cannot keep the probe reading two bytes at a time.
constexpr int kMaxJpegMarkers = 4096;
constexpr std::size_t kMarkerWindow = 16;

std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

}  // namespace

HRESULT ReadJpegFile(FileSource& file, MediaInfo& info)
{
    ByteBuffer head;
    if (ReadExact(file, 0, kMarkerWindow, head) != ReadStatus::Ok)
        return kResultFail;
    const std::uint8_t* first = head.Data();
    std::uint32_t width = 0, height = 0, components = 0, precision = 8;

    const bool marker_follows = first[2] == 0xFF && (first[3] >> 4 >= 0xC && first[3] >> 4 <= 0xE);
    if (!marker_follows) {
        // Some writers put the size straight after the start-of-image marker.
        width = Be16(first + 2);
        height = Be16(first + 4);
        components = first[6];
    } else {
        std::uint64_t position = 2;
        for (int markers = 0;; ++markers) {
            ByteBuffer window;
            if (markers == kMaxJpegMarkers || ReadUpTo(file, position, kMarkerWindow, window) != ReadStatus::Ok ||
                window.Size() < 4) {
                DebugLine("JPEG: no frame header before offset %llu\n", static_cast<unsigned long long>(position));
                return kResultFail;
            }
            const std::uint8_t* marker = window.Data();
            if (marker[0] < 0xFF)
                return kResultFail;
            if ((marker[1] & 0xFC) == 0xC0) {
                if (window.Size() < 10)
                    return kResultFail;
                precision = marker[4];
                height = Be16(marker + 5);
                width = Be16(marker + 7);
                components = marker[9];
                break;
            }
            position += 2 + Be16(marker + 2);
        }
    }
    info.kind = MediaKind::Jpeg;
    info.pictureWidth = width;
    info.pictureHeight = height;
    info.pictureBits = precision * components;
    return kResultOk;
}

}  // namespace mediainfo
