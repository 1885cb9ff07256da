#include "platform/gfx/png_file.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>

namespace platform {
namespace {

struct FreeSurface {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, FreeSurface>;

// The largest side either way: what the screen and the drawing library can hold, and far
// below where a row's bytes would overflow SDL's int pitch.
constexpr std::uint32_t kMaxSide = 16384;

// Where an SDL stream writes a PNG made in memory: the bytes, grown as written, and the
// write position.
struct MemorySink {
    std::vector<std::uint8_t>& bytes;
    std::size_t position = 0;
};

// An SDL stream into a memory sink (which must outlive it), so that a PNG is made in memory by
// the same writer as a file.
SDL_RWops* OpenMemoryStream(MemorySink& sink) {
    SDL_RWops* stream = SDL_AllocRW();
    if (!stream) return nullptr;
    stream->type = SDL_RWOPS_UNKNOWN;
    stream->hidden.unknown.data1 = &sink;
    static constexpr auto kSink = [](SDL_RWops* rw) -> MemorySink& {
        return *static_cast<MemorySink*>(rw->hidden.unknown.data1);
    };
    stream->size = [](SDL_RWops* rw) -> Sint64 { return static_cast<Sint64>(kSink(rw).bytes.size()); };
    stream->seek = [](SDL_RWops* rw, Sint64 offset, int whence) -> Sint64 {
        MemorySink& sink = kSink(rw);
        const auto size = static_cast<Sint64>(sink.bytes.size());
        const Sint64 base = whence == RW_SEEK_SET   ? 0
                            : whence == RW_SEEK_CUR ? static_cast<Sint64>(sink.position)
                                                    : size;
        const Sint64 target = base + offset;
        if (target < 0 || target > size) return SDL_SetError("seek out of range");
        sink.position = static_cast<std::size_t>(target);
        return target;
    };
    stream->read = [](SDL_RWops*, void*, size_t, size_t) -> size_t { return 0; };
    stream->write = [](SDL_RWops* rw, const void* data, size_t size, size_t count) -> size_t {
        MemorySink& sink = kSink(rw);
        const std::size_t bytes = size * count;
        if (sink.position + bytes > sink.bytes.size()) sink.bytes.resize(sink.position + bytes);
        if (bytes) std::memcpy(sink.bytes.data() + sink.position, data, bytes);
        sink.position += bytes;
        return count;
    };
    stream->close = [](SDL_RWops* rw) -> int {
        SDL_FreeRW(rw);
        return 0;
    };
    return stream;
}

// Writes the picture as an RGB PNG into the stream, which it closes.
bool SavePng(const PixelRows& picture, SDL_RWops* stream, const std::string& name, std::string& error) {
    if (!stream) {
        error = "cannot write " + name + ": " + SDL_GetError();
        return false;
    }
    std::unique_ptr<SDL_RWops, int (*)(SDL_RWops*)> owned(stream, SDL_RWclose);
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
    if (IMG_SavePNG_RW(image.get(), owned.release(), 1) != 0) {
        error = "cannot write " + name + ": " + IMG_GetError();
        return false;
    }
    return true;
}

// Reads a PNG from the stream (which it leaves open) into 0x00RRGGBB pixels.
bool LoadPng(SDL_RWops* stream, const std::string& name, std::uint32_t& width, std::uint32_t& height,
             std::vector<std::uint32_t>& pixels, std::string& error) {
    if (!stream) {
        error = "cannot open " + name;
        return false;
    }
    // The PNG reader alone: a file in another format is not taken for a PNG.
    SurfacePtr loaded(IMG_LoadPNG_RW(stream));
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

// Packed pixels as rows; nothing with a reason when there are too few or too many.
std::optional<PixelRows> Packed(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& pixels,
                                std::string& error) {
    if (width > kMaxSide || height > kMaxSide) {
        error = "picture too large";
        return std::nullopt;
    }
    if (width == 0 || height == 0 || pixels.size() < static_cast<std::size_t>(width) * height) {
        error = "no picture to write";
        return std::nullopt;
    }
    return PixelRows{reinterpret_cast<const std::uint8_t*>(pixels.data()), static_cast<std::ptrdiff_t>(width) * 4,
                     static_cast<int>(width), static_cast<int>(height)};
}

}  // namespace

bool WritePng(const std::filesystem::path& path, const PixelRows& picture, std::string& error) {
    return SavePng(picture, SDL_RWFromFile(path.c_str(), "wb"), path.string(), error);
}

bool WritePng(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
              const std::vector<std::uint32_t>& pixels, std::string& error) {
    const auto rows = Packed(width, height, pixels, error);
    return rows && WritePng(path, *rows, error);
}

bool EncodePng(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& pixels,
               std::vector<std::uint8_t>& png, std::string& error) {
    png.clear();
    const auto rows = Packed(width, height, pixels, error);
    MemorySink sink{png};
    return rows && SavePng(*rows, OpenMemoryStream(sink), "a PNG in memory", error);
}

bool ReadPng(const std::filesystem::path& path, std::uint32_t& width, std::uint32_t& height,
             std::vector<std::uint32_t>& pixels, std::string& error) {
    SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
    const bool read = LoadPng(file, path.string(), width, height, pixels, error);
    if (file) SDL_RWclose(file);
    return read;
}

bool DecodePng(const std::vector<std::uint8_t>& png, std::uint32_t& width, std::uint32_t& height,
               std::vector<std::uint32_t>& pixels, std::string& error) {
    if (png.size() > static_cast<std::size_t>(INT_MAX)) {
        error = "not a PNG: too large";
        return false;
    }
    SDL_RWops* memory = SDL_RWFromConstMem(png.data(), static_cast<int>(png.size()));
    const bool read = LoadPng(memory, "the PNG", width, height, pixels, error);
    if (memory) SDL_RWclose(memory);
    return read;
}

}  // namespace platform
