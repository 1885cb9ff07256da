#include "platform/protocol/wire.h"

namespace protocol {

FrameStatus PeekFrame(const std::uint8_t* data, std::size_t size, FrameHeader& header) {
    if (size < 4) return FrameStatus::NeedMore;
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i) length |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    if (length < kFrameHeaderSize - 4 || length > kMaxFrameSize) return FrameStatus::Malformed;
    if (size < kFrameHeaderSize) return FrameStatus::NeedMore;
    header.length = length;
    header.kind = static_cast<std::uint16_t>(data[4] | (data[5] << 8));
    header.sequence = 0;
    for (int i = 0; i < 4; ++i) header.sequence |= static_cast<std::uint32_t>(data[6 + i]) << (8 * i);
    if (size - 4 < length) return FrameStatus::NeedMore;
    return FrameStatus::Complete;
}

}  // namespace protocol
