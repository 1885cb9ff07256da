#include "platform/window/video_overlay.h"

#include <sys/mman.h>
#include <unistd.h>

#include "platform/kernel/server_connection.h"

namespace platform {
namespace {

protocol::Rect ToWire(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

bool CallOverlay(const protocol::OverlayRequest& request, protocol::OverlayReply& reply, int* fd = nullptr) {
    auto* connection = ServerConnection::Current();
    if (!connection || !connection->Call(request, reply, fd)) return false;
    if (reply.error) {
        SetLastError(reply.error);
        return false;
    }
    return true;
}

}  // namespace

VideoOverlay::~VideoOverlay() { Close(); }

bool VideoOverlay::Open(int width, int height, const RECT& destination) {
    if (width <= 0 || height <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    Unmap();
    protocol::OverlayRequest request;
    request.operation = static_cast<std::uint8_t>(protocol::OverlayOperation::Open);
    request.width = static_cast<std::uint32_t>(width);
    request.height = static_cast<std::uint32_t>(height);
    request.destination = ToWire(destination);
    protocol::OverlayReply reply;
    int fd = -1;
    if (!CallOverlay(request, reply, &fd)) {
        if (fd >= 0) ::close(fd);
        return false;
    }
    const std::size_t bytes = static_cast<std::size_t>(reply.pitch) * reply.height;
    void* address = fd >= 0 && bytes ? ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
    if (fd >= 0) ::close(fd);
    if (address == MAP_FAILED) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    m_pixels = static_cast<DWORD*>(address);
    m_width = static_cast<int>(reply.width);
    m_height = static_cast<int>(reply.height);
    m_pitch = static_cast<int>(reply.pitch);
    return true;
}

bool VideoOverlay::Move(const RECT& destination) {
    protocol::OverlayRequest request;
    request.operation = static_cast<std::uint8_t>(protocol::OverlayOperation::Move);
    request.destination = ToWire(destination);
    protocol::OverlayReply reply;
    return IsOpen() && CallOverlay(request, reply);
}

bool VideoOverlay::Present() {
    auto* connection = ServerConnection::Current();
    return IsOpen() && connection && connection->Post(protocol::OverlayFrameRequest{});
}

void VideoOverlay::Close() {
    if (!IsOpen()) return;
    Unmap();
    protocol::OverlayRequest request;
    request.operation = static_cast<std::uint8_t>(protocol::OverlayOperation::Close);
    protocol::OverlayReply reply;
    CallOverlay(request, reply);  // refused when another program has taken it over meanwhile
}

void VideoOverlay::Unmap() {
    if (m_pixels) ::munmap(m_pixels, static_cast<std::size_t>(m_pitch) * static_cast<std::size_t>(m_height));
    m_pixels = nullptr;
    m_width = m_height = m_pitch = 0;
}

}  // namespace platform
