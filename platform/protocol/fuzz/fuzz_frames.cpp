// Feeds arbitrary bytes through the server's frame reader and request decoder, as a client
// that sends garbage would.
#include <cstddef>
#include <cstdint>

#include "platform/protocol/messages.h"

namespace {
struct NullHandler : protocol::RequestHandler<int> {
#define IGNORE(name) \
    void Handle(int&, std::uint32_t, const protocol::name##Request&) override {}
    DEVICE_REQUESTS(IGNORE)
#undef IGNORE
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    NullHandler handler;
    int context = 0;
    std::size_t offset = 0;
    while (offset < size) {
        protocol::FrameHeader header;
        auto status = protocol::PeekFrame(data + offset, size - offset, header);
        if (status != protocol::FrameStatus::Complete) break;
        const std::uint8_t* payload = data + offset + protocol::kFrameHeaderSize;
        std::size_t payload_size = header.length + 4 - protocol::kFrameHeaderSize;
        protocol::Dispatch<int>(handler, context, header.kind, header.sequence, payload, payload_size);
        offset += header.length + 4;
    }
    return 0;
}
