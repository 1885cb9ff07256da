// Pixel memory shared with a program: an anonymous memory file that the server maps for
// composing and hands to the program as a descriptor. 32-bit 0x00RRGGBB pixels.
#pragma once

#include <cstdint>
#include <memory>

namespace server {

class SharedPixels {
public:
    static constexpr std::uint32_t kMaxSide = 4096;

    // Null when the size is out of range or the memory cannot be had.
    static std::unique_ptr<SharedPixels> Create(const char* name, std::uint32_t width, std::uint32_t height);
    ~SharedPixels();
    SharedPixels(const SharedPixels&) = delete;
    SharedPixels& operator=(const SharedPixels&) = delete;

    int Fd() const { return m_fd; }
    std::uint32_t Width() const { return m_width; }
    std::uint32_t Height() const { return m_height; }
    std::uint32_t Pitch() const { return m_width * 4; }
    std::size_t Bytes() const { return static_cast<std::size_t>(Pitch()) * m_height; }
    const std::uint32_t* Row(std::uint32_t y) const { return m_pixels + static_cast<std::size_t>(y) * m_width; }
    std::uint32_t* Row(std::uint32_t y) { return m_pixels + static_cast<std::size_t>(y) * m_width; }

private:
    SharedPixels(int fd, std::uint32_t* pixels, std::uint32_t width, std::uint32_t height)
        : m_fd(fd), m_pixels(pixels), m_width(width), m_height(height) {}

    int m_fd;
    std::uint32_t* m_pixels;
    std::uint32_t m_width;
    std::uint32_t m_height;
};

}  // namespace server
