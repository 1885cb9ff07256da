// A picture of the whole screen in the server's memory: 32-bit 0x00RRGGBB pixels, rows packed.
#pragma once

#include <cstdint>
#include <vector>

namespace server {

struct Frame {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint32_t> pixels;

    void Resize(std::uint32_t w, std::uint32_t h) {
        width = w;
        height = h;
        pixels.assign(static_cast<std::size_t>(w) * h, 0);
    }
    std::uint32_t At(std::uint32_t x, std::uint32_t y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

}  // namespace server
