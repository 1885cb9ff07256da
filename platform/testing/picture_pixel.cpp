#include "platform/testing/picture_pixel.h"

#include "platform/gfx/gfx.h"

namespace platform::testing {

std::uint32_t PicturePixel(unsigned id, int x, int y) {
    HBITMAP bitmap = LoadBitmap(id);
    if (!bitmap) return 0xFFFFFFFF;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    const COLORREF colour = GetPixel(dc, x, y);
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

}  // namespace platform::testing
