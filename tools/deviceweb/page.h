// The device's page (page.html), carried in the program by the build.
#pragma once

#include <cstddef>

namespace deviceweb {

extern const char kPage[];
extern const std::size_t kPageSize;

}  // namespace deviceweb
