// A memory DC with its own bitmap, and the pixel questions the drawing tests ask of it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>

#include "platform/device_root.h"
#include "platform/gfx/gfx.h"

namespace gfx_test {

class Canvas {
public:
    Canvas(int width, int height, COLORREF background = RGB(0, 0, 0)) : m_width(width), m_height(height) {
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateCompatibleBitmap(m_dc, width, height);
        m_previous = SelectObject(m_dc, m_bitmap);
        Clear(background);
    }
    ~Canvas() {
        SelectObject(m_dc, m_previous);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return m_dc; }
    HBITMAP bitmap() const { return m_bitmap; }
    int width() const { return m_width; }
    int height() const { return m_height; }

    void Clear(COLORREF color) {
        HBRUSH brush = CreateSolidBrush(color);
        RECT all{0, 0, m_width, m_height};
        FillRect(m_dc, &all, brush);
        DeleteObject(brush);
    }
    COLORREF At(int x, int y) const { return GetPixel(m_dc, x, y); }
    std::uint32_t Raw(int x, int y) const {
        platform::PixelBuffer buffer;
        EXPECT_TRUE(platform::GetBitmapPixels(m_bitmap, &buffer));
        return reinterpret_cast<const std::uint32_t*>(reinterpret_cast<const std::uint8_t*>(buffer.pixels) +
                                                      static_cast<std::ptrdiff_t>(y) * buffer.pitch_bytes)[x];
    }
    // Fills every pixel with a value made from its position, so any misplaced copy shows.
    void Pattern(std::uint32_t salt = 0) {
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) SetPixel(m_dc, x, y, PatternColor(x, y, salt));
    }
    static COLORREF PatternColor(int x, int y, std::uint32_t salt = 0) {
        return RGB((x * 7 + salt) & 0xFF, (y * 13 + salt) & 0xFF, (x + y * 3) & 0xFF);
    }
    int Count(COLORREF color) const {
        int count = 0;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) count += At(x, y) == color;
        return count;
    }
    // The bounding box of the pixels that differ from the background; empty when none do.
    RECT InkBox(COLORREF background) const {
        RECT box{m_width, m_height, 0, 0};
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if (At(x, y) != background) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        if (box.right == 0) box = RECT{};
        return box;
    }

private:
    int m_width, m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
};

// A device root of its own under the temporary directory, removed afterwards.
class TempRoot {
public:
    TempRoot() : m_previous(platform::DeviceRootDir()) {
        std::random_device random;
        m_root = std::filesystem::temp_directory_path() / ("gfx_test_" + std::to_string(random()));
        std::filesystem::create_directories(m_root / "fs" / "NAND");
        platform::SetDeviceRootDir(m_root);
        platform::ReloadConfig();
    }
    ~TempRoot() {
        std::error_code error;
        std::filesystem::remove_all(m_root, error);
        platform::SetDeviceRootDir(m_previous);
        platform::ReloadConfig();
    }
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;
    const std::filesystem::path& path() const { return m_root; }

private:
    std::filesystem::path m_previous;
    std::filesystem::path m_root;
};

constexpr DWORD kSentinel = 0xDEADBEEF;

}  // namespace gfx_test
