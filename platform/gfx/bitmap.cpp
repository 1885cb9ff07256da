// 32-bit bitmaps: creation, pixel access, and the clipping and filling every drawing call uses.
#include <algorithm>
#include <cstring>
#include <new>

#include "platform/gfx/gdi_object.h"

namespace platform::gfx {

std::unique_ptr<Bitmap> NewBitmap(int width, int height) {
    if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
        static_cast<std::int64_t>(width) * height > kMaxBitmapPixels) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::unique_ptr<std::uint32_t[]> storage(new (std::nothrow) std::uint32_t[count]());
    if (!storage) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto bitmap = std::make_unique<Bitmap>();
    bitmap->surface.row0 = reinterpret_cast<std::uint8_t*>(storage.get());
    bitmap->surface.pitch = static_cast<std::ptrdiff_t>(width) * 4;
    bitmap->surface.width = width;
    bitmap->surface.height = height;
    bitmap->storage = std::move(storage);
    return bitmap;
}

bool ClipToSurface(const Surface& surface, std::int64_t& x, std::int64_t& y, std::int64_t& width, std::int64_t& height) {
    if (surface.Empty() || width <= 0 || height <= 0) return false;
    const std::int64_t left = std::max<std::int64_t>(x, 0);
    const std::int64_t top = std::max<std::int64_t>(y, 0);
    const std::int64_t right = std::min<std::int64_t>(x + width, surface.width);
    const std::int64_t bottom = std::min<std::int64_t>(y + height, surface.height);
    if (left >= right || top >= bottom) return false;
    x = left;
    y = top;
    width = right - left;
    height = bottom - top;
    return true;
}

void FillSurface(const Surface& surface, std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height,
                 std::uint32_t pixel) {
    std::int64_t left = x, top = y, w = width, h = height;
    if (!ClipToSurface(surface, left, top, w, h)) return;  // also rejects empty and reversed rectangles
    // One row is filled pixel by pixel; the rest are copies of it, which run at memory speed.
    const std::uint32_t* first = surface.Row(static_cast<int>(top)) + left;
    std::fill(surface.Row(static_cast<int>(top)) + left, surface.Row(static_cast<int>(top)) + left + w, pixel);
    for (std::int64_t row = top + 1; row < top + h; ++row)
        std::memcpy(surface.Row(static_cast<int>(row)) + left, first, static_cast<std::size_t>(w) * 4);
}

namespace {
HBITMAP RegisterBitmap(std::unique_ptr<Bitmap> bitmap) {
    if (!bitmap) return nullptr;
    return static_cast<HBITMAP>(Register(std::move(bitmap)));
}
}  // namespace

}  // namespace platform::gfx

using namespace platform::gfx;

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
    // Every surface of the device is 32-bit, so any DC (or the screen, NULL) gives the same kind.
    if (hdc && !LookupDc(hdc)) return nullptr;
    return RegisterBitmap(NewBitmap(width, height));
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bits_per_pixel, const void* bits) {
    if (planes != 1 || bits_per_pixel != 32) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    auto bitmap = NewBitmap(width, height);
    if (!bitmap) return nullptr;
    if (bits) {
        // The rows of 32-bit pixels given are packed top-down, as the surface keeps them.
        std::memcpy(bitmap->storage.get(), bits, static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
        const auto count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        for (std::size_t i = 0; i < count; ++i) bitmap->storage[i] &= 0x00FFFFFFu;
    }
    return RegisterBitmap(std::move(bitmap));
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset) {
    if (bits) *bits = nullptr;
    if (hdc && !LookupDc(hdc)) return nullptr;
    if (!info || usage != DIB_RGB_COLORS || section != nullptr || offset != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biBitCount != 32 || header.biPlanes != 1 || header.biCompression != BI_RGB) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (header.biHeight == INT32_MIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const bool top_down = header.biHeight < 0;
    auto bitmap = NewBitmap(header.biWidth, top_down ? -header.biHeight : header.biHeight);
    if (!bitmap) return nullptr;
    bitmap->memory = bitmap->storage.get();
    if (!top_down) {
        // A bottom-up DIB keeps its last row first in memory: row 0 is at the end.
        Surface& surface = bitmap->surface;
        surface.row0 += (surface.height - 1) * surface.pitch;
        surface.pitch = -surface.pitch;
    }
    if (bits) *bits = bitmap->memory;
    return RegisterBitmap(std::move(bitmap));
}

namespace platform {

bool GetBitmapPixels(HBITMAP handle, PixelBuffer* out) {
    Bitmap* bitmap = LookupBitmap(handle);
    if (!bitmap || !out) {
        if (bitmap) SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    out->pixels = bitmap->surface.Row(0);
    out->width = bitmap->surface.width;
    out->height = bitmap->surface.height;
    out->pitch_bytes = static_cast<int>(bitmap->surface.pitch);
    return true;
}

bool GetDCPixels(HDC hdc, PixelBuffer* out) {
    Dc* dc = LookupDc(hdc);
    if (!dc || !out) {
        if (dc) SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const Surface surface = dc->Target();
    *out = {};
    if (surface.Empty()) return true;
    out->pixels = surface.Row(0);
    out->width = surface.width;
    out->height = surface.height;
    out->pitch_bytes = static_cast<int>(surface.pitch);
    return true;
}

}  // namespace platform
