#include "platform/gfx/png_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <png.h>

namespace platform {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

// libpng reports errors by longjmp; nothing with a destructor may be created between the
// setjmp and the end of the libpng calls, so the row buffer is made before.
bool WritePng(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
              const std::vector<std::uint32_t>& pixels, std::string& error) {
    if (width == 0 || height == 0 || pixels.size() < static_cast<std::size_t>(width) * height) {
        error = "no picture to write";
        return false;
    }
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = "cannot create " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
        rgb[i * 3] = static_cast<std::uint8_t>(pixels[i] >> 16);
        rgb[i * 3 + 1] = static_cast<std::uint8_t>(pixels[i] >> 8);
        rgb[i * 3 + 2] = static_cast<std::uint8_t>(pixels[i]);
    }
    std::vector<png_bytep> rows(height);
    for (std::uint32_t y = 0; y < height; ++y) rows[y] = rgb.data() + static_cast<std::size_t>(y) * width * 3;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, nullptr);
        error = "out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        error = "cannot write " + path.string();
        return false;
    }
    png_init_io(png, file.get());
    png_set_compression_level(png, 3);  // screenshots are taken often in tests; speed over size
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(file.get()) != 0) {
        error = "cannot write " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool ReadPng(const std::filesystem::path& path, std::uint32_t& width, std::uint32_t& height,
             std::vector<std::uint32_t>& pixels, std::string& error) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = "cannot open " + path.string();
        return false;
    }
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_stdio(&image, file.get())) {
        error = std::string("not a PNG: ") + image.message;
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    if (image.width > 16384 || image.height > 16384) {
        png_image_free(&image);
        error = "picture too large";
        return false;
    }
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        error = std::string("cannot read: ") + image.message;
        return false;
    }
    width = image.width;
    height = image.height;
    pixels.resize(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint32_t>(rgb[i * 3]) << 16 | static_cast<std::uint32_t>(rgb[i * 3 + 1]) << 8 | rgb[i * 3 + 2];
    return true;
}

}  // namespace platform
