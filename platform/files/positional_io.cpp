#include "platform/files/positional_io.h"

#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

template <class Bytes, class Move>
bool MoveFully(int fd, Bytes* data, std::size_t size, std::uint64_t offset, Move move) {
    while (size > 0) {
        const ssize_t count = move(fd, data, size, static_cast<off_t>(offset));
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        data += count;
        size -= static_cast<std::size_t>(count);
        offset += static_cast<std::uint64_t>(count);
    }
    return true;
}

}  // namespace

bool ReadFully(int fd, void* data, std::size_t size, std::uint64_t offset) {
    return MoveFully(fd, static_cast<char*>(data), size, offset, ::pread);
}

bool WriteFully(int fd, const void* data, std::size_t size, std::uint64_t offset) {
    return MoveFully(fd, static_cast<const char*>(data), size, offset, ::pwrite);
}

}  // namespace platform
