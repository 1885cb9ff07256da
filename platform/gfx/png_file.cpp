#include "platform/gfx/png_file.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstring>
#include <memory>

namespace platform {
namespace {

struct FreeSurface {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, FreeSurface>;

// The largest side either way: what the screen and the drawing library can hold, and far
// below where a row's bytes would overflow SDL's int pitch.
constexpr std::uint32_t kMaxSide = 16384;

}  // namespace

bool WritePng(const std::filesystem::path& path, const PixelRows& picture, std::string& error) {
    if (!picture.top_row || picture.width <= 0 || picture.height <= 0) {
        error = "no picture to write";
        return false;
    }
    if (static_cast<std::uint32_t>(picture.width) > kMaxSide || static_cast<std::uint32_t>(picture.height) > kMaxSide) {
        error = "picture too large";
        return false;
    }
    // The X byte of RGB888 is not written, so whatever the top byte of a pixel holds never
    // turns into transparency.
    SurfacePtr image(SDL_CreateRGBSurfaceWithFormat(0, picture.width, picture.height, 32, SDL_PIXELFORMAT_RGB888));
    if (!image) {
        error = std::string("out of memory: ") + SDL_GetError();
        return false;
    }
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(static_cast<std::uint8_t*>(image->pixels) + static_cast<std::ptrdiff_t>(y) * image->pitch,
                    picture.top_row + static_cast<std::ptrdiff_t>(y) * picture.pitch,
                    static_cast<std::size_t>(picture.width) * 4);
    if (IMG_SavePNG(image.get(), path.c_str()) != 0) {
        error = "cannot write " + path.string() + ": " + IMG_GetError();
        return false;
    }
    return true;
}

bool WritePng(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
              const std::vector<std::uint32_t>& pixels, std::string& error) {
    if (width > kMaxSide || height > kMaxSide) {
        error = "picture too large";
        return false;
    }
    if (width == 0 || height == 0 || pixels.size() < static_cast<std::size_t>(width) * height) {
        error = "no picture to write";
        return false;
    }
    const PixelRows rows{reinterpret_cast<const std::uint8_t*>(pixels.data()), static_cast<std::ptrdiff_t>(width) * 4,
                         static_cast<int>(width), static_cast<int>(height)};
    return WritePng(path, rows, error);
}

bool ReadPng(const std::filesystem::path& path, std::uint32_t& width, std::uint32_t& height,
             std::vector<std::uint32_t>& pixels, std::string& error) {
    SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
    if (!file) {
        error = "cannot open " + path.string();
        return false;
    }
    // The PNG reader alone: a file in another format is not taken for a PNG.
    SurfacePtr loaded(IMG_LoadPNG_RW(file));
    SDL_RWclose(file);
    if (!loaded) {
        error = std::string("not a PNG: ") + IMG_GetError();
        return false;
    }
    if (static_cast<std::uint32_t>(loaded->w) > kMaxSide || static_cast<std::uint32_t>(loaded->h) > kMaxSide) {
        error = "picture too large";
        return false;
    }
    SurfacePtr converted(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_RGB888, 0));
    if (!converted || SDL_LockSurface(converted.get()) != 0) {
        error = std::string("cannot read: ") + SDL_GetError();
        return false;
    }
    width = static_cast<std::uint32_t>(converted->w);
    height = static_cast<std::uint32_t>(converted->h);
    pixels.resize(static_cast<std::size_t>(width) * height);
    for (std::uint32_t y = 0; y < height; ++y) {
        const auto* in = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(converted->pixels) +
                                                                 static_cast<std::ptrdiff_t>(y) * converted->pitch);
        for (std::uint32_t x = 0; x < width; ++x) pixels[static_cast<std::size_t>(y) * width + x] = in[x] & 0x00FFFFFFu;
    }
    SDL_UnlockSurface(converted.get());
    return true;
}

}  // namespace platform
