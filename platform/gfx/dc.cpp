// Drawing contexts: memory DCs, DCs over foreign pixel memory, pens, brushes and the DC's text
// and background attributes.
#include <cstdlib>

#include "platform/gfx/gdi_object.h"

using namespace platform::gfx;

HDC CreateCompatibleDC(HDC hdc) {
    if (hdc && !LookupDc(hdc)) return nullptr;
    return static_cast<HDC>(Register(std::make_unique<Dc>()));
}

BOOL DeleteDC(HDC hdc) { return DeleteDcObject(hdc) ? TRUE : FALSE; }

namespace platform {

HDC CreateDCForPixels(std::uint32_t* pixels, int width, int height, int pitch_bytes) {
    if (!pixels || width <= 0 || height <= 0 || width > gfx::kMaxBitmapSide || height > gfx::kMaxBitmapSide ||
        std::abs(static_cast<std::int64_t>(pitch_bytes)) < static_cast<std::int64_t>(width) * 4 ||
        pitch_bytes % 4 != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto dc = std::make_unique<Dc>();
    dc->wrapped = std::make_unique<Bitmap>();
    dc->wrapped->surface.row0 = reinterpret_cast<std::uint8_t*>(pixels);
    dc->wrapped->surface.pitch = pitch_bytes;
    dc->wrapped->surface.width = width;
    dc->wrapped->surface.height = height;
    return static_cast<HDC>(Register(std::move(dc)));
}

}  // namespace platform

HPEN CreatePen(int style, int width, COLORREF color) {
    if ((style != PS_SOLID && style != PS_NULL) || width < 0 || width > 1024) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto pen = std::make_unique<Pen>();
    pen->style = style;
    pen->width = width == 0 ? 1 : width;  // width 0 is the one-pixel pen
    pen->color = color & 0x00FFFFFFu;
    return static_cast<HPEN>(Register(std::move(pen)));
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto brush = std::make_unique<Brush>();
    brush->color = color & 0x00FFFFFFu;
    return static_cast<HBRUSH>(Register(std::move(brush)));
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return CLR_INVALID;
    const COLORREF previous = dc->text_color;
    dc->text_color = color & 0x00FFFFFFu;
    return previous;
}

COLORREF GetTextColor(HDC hdc) {
    Dc* dc = LookupDc(hdc);
    return dc ? dc->text_color : CLR_INVALID;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return CLR_INVALID;
    const COLORREF previous = dc->bk_color;
    dc->bk_color = color & 0x00FFFFFFu;
    return previous;
}

COLORREF GetBkColor(HDC hdc) {
    Dc* dc = LookupDc(hdc);
    return dc ? dc->bk_color : CLR_INVALID;
}

int SetBkMode(HDC hdc, int mode) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return 0;
    if (mode != TRANSPARENT && mode != OPAQUE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int previous = dc->bk_mode;
    dc->bk_mode = mode;
    return previous;
}

int GetBkMode(HDC hdc) {
    Dc* dc = LookupDc(hdc);
    return dc ? dc->bk_mode : 0;
}

int GetDeviceCaps(HDC hdc, int index) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return 0;
    const Surface surface = dc->Target();
    switch (index) {
        case HORZRES: return surface.width;
        case VERTRES: return surface.height;
        case BITSPIXEL: return 32;
        case PLANES: return 1;
        case LOGPIXELSX:
        case LOGPIXELSY: return 96;  // the panel's dots per inch, which font heights assume
        default: SetLastError(ERROR_INVALID_PARAMETER); return 0;
    }
}
