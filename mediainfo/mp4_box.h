// Walking the child boxes of an ISO/IEC 14496-12 box held in memory. Box sizes and types are
// 32-bit big-endian; this reader has no 64-bit size form.
#pragma once

#include <cstdint>

#include "mediainfo/byte_cursor.h"
#include "mediainfo/media_info.h"

namespace mediainfo {

constexpr std::uint32_t kMp4BoxHeaderBytes = 8;

struct Mp4Box {
    std::uint32_t type = 0;
    ByteCursor body;    // the bytes after size and type, confined to the box
};

// Takes the next child box of a parent's body while more than a box header remains. A child
// whose size is below its header or runs past its parent sets status to Malformed and ends the
// walk, so a walk can neither stand still nor leave its parent.
inline bool NextMp4Box(ByteCursor& parent, Mp4Box& box, ReadStatus& status)
{
    if (parent.Failed() || parent.Remaining() <= kMp4BoxHeaderBytes)
        return false;
    std::uint32_t size = 0;
    if (!parent.ReadU32Be(size) || !parent.ReadFourCC(box.type))
        return false;
    if (size < kMp4BoxHeaderBytes || size - kMp4BoxHeaderBytes > parent.Remaining()) {
        status = ReadStatus::Malformed;
        return false;
    }
    box.body = parent.Sub(size - kMp4BoxHeaderBytes);
    return true;
}

}  // namespace mediainfo
