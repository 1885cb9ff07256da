// Whole reads and writes at a file offset on a host descriptor: the loops round pread and
// pwrite that go on after a short transfer or an interrupted call, and stop at an error or at
// the end of the file.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace platform {

// True when all `size` bytes moved.
bool ReadFully(int fd, void* data, std::size_t size, std::uint64_t offset);
bool WriteFully(int fd, const void* data, std::size_t size, std::uint64_t offset);

}  // namespace platform
