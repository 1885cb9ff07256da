// A pixel of an installed picture (a skin's bitmap, by resource id) as the screen shows it, for
// tests that check a program drew the right frame of a picture.
#pragma once

#include <cstdint>

namespace platform::testing {

// 0xRRGGBB of the picture's pixel, or 0xFFFFFFFF when the picture cannot be loaded.
std::uint32_t PicturePixel(unsigned id, int x, int y);

}  // namespace platform::testing
