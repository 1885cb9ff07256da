// The drawing objects behind the handles, and the table that tells a live handle from a stale
// or foreign one. Internal to platform/gfx.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/gfx/gfx.h"

namespace platform::gfx {

enum class ObjectKind { Bitmap, Pen, Brush, Font, Dc };

struct GdiObject {
    explicit GdiObject(ObjectKind object_kind) : kind(object_kind) {}
    virtual ~GdiObject() = default;
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    ObjectKind kind;
    bool stock = false;
    int select_count = 0;         // DCs that have it selected
    bool delete_pending = false;  // DeleteObject came while selected: freed on the last deselect
};

// A rectangle of 32-bit pixels; row y starts at row0 + y * pitch bytes.
struct Surface {
    std::uint8_t* row0 = nullptr;
    std::ptrdiff_t pitch = 0;
    int width = 0;
    int height = 0;

    bool Empty() const { return row0 == nullptr || width <= 0 || height <= 0; }
    std::uint32_t* Row(int y) const { return reinterpret_cast<std::uint32_t*>(row0 + y * pitch); }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

struct Bitmap final : GdiObject {
    Bitmap() : GdiObject(ObjectKind::Bitmap) {}
    Surface surface;
    void* memory = nullptr;  // lowest address of the pixel memory (DIB sections hand it out)
    std::unique_ptr<std::uint32_t[]> storage;
};

struct Pen final : GdiObject {
    Pen() : GdiObject(ObjectKind::Pen) {}
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

struct Brush final : GdiObject {
    Brush() : GdiObject(ObjectKind::Brush) {}
    bool hollow = false;
    COLORREF color = 0;
};

struct Font final : GdiObject {
    Font() : GdiObject(ObjectKind::Font) {}
    int height = 0;
    int weight = FW_NORMAL;
    bool italic = false;
    bool underline = false;
    DWORD quality = DEFAULT_QUALITY;
    std::string face;
};

struct Dc final : GdiObject {
    Dc() : GdiObject(ObjectKind::Dc) {}
    // Selected objects, one slot per kind (ObjectKind order); a memory DC starts with the
    // stock 1×1 bitmap, the black pen, the white brush and the system font.
    GdiObject* selected[4] = {};
    Bitmap* SelectedBitmap() const { return static_cast<Bitmap*>(selected[static_cast<int>(ObjectKind::Bitmap)]); }
    Pen* SelectedPen() const { return static_cast<Pen*>(selected[static_cast<int>(ObjectKind::Pen)]); }
    Brush* SelectedBrush() const { return static_cast<Brush*>(selected[static_cast<int>(ObjectKind::Brush)]); }
    Font* SelectedFont() const { return static_cast<Font*>(selected[static_cast<int>(ObjectKind::Font)]); }
    COLORREF text_color = RGB(0, 0, 0);
    COLORREF bk_color = RGB(255, 255, 255);
    int bk_mode = OPAQUE;
    POINT position;
    std::unique_ptr<Bitmap> wrapped;  // the foreign pixels of CreateDCForPixels
    Surface Target() const;
};

// Registers a new object and returns its handle; ownership passes to the table.
void* Register(std::unique_ptr<GdiObject> object);
// The live object behind a handle, or null (and ERROR_INVALID_HANDLE) when the handle is null,
// stale or of another kind.
GdiObject* Lookup(const void* handle);
template <class T>
T* LookupAs(const void* handle, ObjectKind kind) {
    GdiObject* object = Lookup(handle);
    if (!object || object->kind != kind) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return static_cast<T*>(object);
}
inline Dc* LookupDc(HDC hdc) { return LookupAs<Dc>(hdc, ObjectKind::Dc); }
inline Bitmap* LookupBitmap(HBITMAP bitmap) { return LookupAs<Bitmap>(bitmap, ObjectKind::Bitmap); }

// Removes a DC from the table, releasing what is selected into it.
bool DeleteDcObject(const void* handle);

// The handle of a registered object (the inverse of Lookup).
void* HandleOf(const GdiObject* object);

// 0x00BBGGRR ↔ 0x00RRGGBB.
constexpr std::uint32_t PixelFromColor(COLORREF color) {
    return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}
constexpr COLORREF ColorFromPixel(std::uint32_t pixel) {
    return ((pixel & 0xFF) << 16) | (pixel & 0xFF00) | ((pixel >> 16) & 0xFF);
}

// The largest bitmap side and pixel count the library allocates.
constexpr int kMaxBitmapSide = 16384;
constexpr std::int64_t kMaxBitmapPixels = 64LL * 1024 * 1024;

// A new black bitmap, or null with the last error set.
std::unique_ptr<Bitmap> NewBitmap(int width, int height);

// Clips [x, x + width) × [y, y + height) to the surface; false when nothing is left.
bool ClipToSurface(const Surface& surface, std::int64_t& x, std::int64_t& y, std::int64_t& width, std::int64_t& height);
void FillSurface(const Surface& surface, std::int64_t x, std::int64_t y, std::int64_t width, std::int64_t height,
                 std::uint32_t pixel);

}  // namespace platform::gfx
