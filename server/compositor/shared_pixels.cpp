#include "server/compositor/shared_pixels.h"

#include <sys/mman.h>
#include <unistd.h>

namespace server {

std::unique_ptr<SharedPixels> SharedPixels::Create(const char* name, std::uint32_t width, std::uint32_t height) {
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return nullptr;
    const std::size_t bytes = static_cast<std::size_t>(width) * height * 4;
    int fd = ::memfd_create(name, MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    // Pages are only taken when touched, so a new surface costs nothing until it is drawn
    // (and reads as black until then).
    if (::ftruncate(fd, static_cast<off_t>(bytes)) != 0) {
        ::close(fd);
        return nullptr;
    }
    void* memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<SharedPixels>(new SharedPixels(fd, static_cast<std::uint32_t*>(memory), width, height));
}

SharedPixels::~SharedPixels() {
    ::munmap(m_pixels, Bytes());
    ::close(m_fd);
}

}  // namespace server
