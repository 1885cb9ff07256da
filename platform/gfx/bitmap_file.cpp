// Bitmaps in files: the program's numbered bitmaps (PNG or BMP, read with SDL2_image) and PNG
// output of any bitmap through the project's one PNG writer.
#include <SDL.h>
#include <SDL_image.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "platform/device_root.h"
#include "platform/gfx/gdi_object.h"
#include "platform/gfx/png_file.h"

using namespace platform::gfx;

namespace {

std::mutex s_resource_mutex;
std::string s_resource_dir;  // set by SetResourceDir; empty: the default rule

struct FreeSurface {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, FreeSurface>;

std::unique_ptr<Bitmap> BitmapFromSurface(SDL_Surface* loaded) {
    SurfacePtr converted(SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB888, 0));
    if (!converted) {
        SetLastError(ERROR_FILE_INVALID);
        return nullptr;
    }
    auto bitmap = NewBitmap(converted->w, converted->h);
    if (!bitmap) return nullptr;
    if (SDL_LockSurface(converted.get()) != 0) {
        SetLastError(ERROR_FILE_INVALID);
        return nullptr;
    }
    for (int y = 0; y < converted->h; ++y) {
        const auto* in = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(converted->pixels) +
                                                                 static_cast<std::ptrdiff_t>(y) * converted->pitch);
        std::uint32_t* out = bitmap->surface.Row(y);
        // Alpha, if the file had any, is dropped: skins mark their see-through parts by colour key.
        for (int x = 0; x < converted->w; ++x) out[x] = in[x] & 0x00FFFFFFu;
    }
    SDL_UnlockSurface(converted.get());
    return bitmap;
}

}  // namespace

namespace platform {

std::string ResourceDir() {
    {
        std::lock_guard lock(s_resource_mutex);
        if (!s_resource_dir.empty()) return s_resource_dir;
    }
    const char* env = std::getenv("DEVICE_RESOURCES");
    if (env && *env) return env;
    return (DeviceFsDir() / "NAND" / std::filesystem::path(ProgramName()).stem()).string();
}

void SetResourceDir(const std::string& directory) {
    std::lock_guard lock(s_resource_mutex);
    s_resource_dir = directory;
}

bool SaveBitmapPng(HBITMAP handle, const std::string& path) {
    Bitmap* bitmap = LookupBitmap(handle);
    if (!bitmap) return false;
    const Surface& source = bitmap->surface;
    std::string error;
    if (!WritePng(path, {source.row0, source.pitch, source.width, source.height}, error)) {
        SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    return true;
}

}  // namespace platform

HBITMAP LoadBitmap(UINT id) {
    const std::filesystem::path directory = platform::ResourceDir();
    const std::string number = std::to_string(id);
    for (const char* extension : {".png", ".PNG", ".bmp", ".BMP"}) {
        const std::filesystem::path file = directory / (number + extension);
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error)) continue;
        SurfacePtr loaded(IMG_Load(file.c_str()));
        if (!loaded) {
            SetLastError(ERROR_FILE_INVALID);
            return nullptr;
        }
        auto bitmap = BitmapFromSurface(loaded.get());
        if (!bitmap) return nullptr;
        return static_cast<HBITMAP>(Register(std::move(bitmap)));
    }
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

HBITMAP LoadBitmap(void* instance, UINT id) { return LoadBitmap(id); }
