// Fills, lines, rectangles, ellipses and single pixels with the DC's pen and brush.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/gfx/gdi_object.h"

using namespace platform::gfx;

namespace {

bool Draws(const Pen* pen) { return pen && pen->style != PS_NULL; }
bool Draws(const Brush* brush) { return brush && !brush->hollow; }

// A pen of width w covers w pixels across the path: (w - 1) / 2 before it and w / 2 after.
struct PenSpread {
    std::int64_t before = 0, after = 0;
    explicit PenSpread(int width) : before((width - 1) / 2), after(width / 2) {}
};

// The minor-axis offset of a line's pixel at a major step, rounded to the nearest pixel.
// Lines between far coordinates (up to 2^32 steps) overflow 64 bits here, so the product is wide.
std::int64_t MinorAt(std::int64_t step, std::int64_t major, std::int64_t minor) {
    const __int128 scaled = static_cast<__int128>(2) * step * minor + major;
    return static_cast<std::int64_t>(scaled / (static_cast<__int128>(2) * major));
}

}  // namespace

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush_handle) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return 0;
    Brush* brush = LookupAs<Brush>(brush_handle, ObjectKind::Brush);
    if (!brush) return 0;
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!brush->hollow)
        FillSurface(dc->Target(), rect->left, rect->top, static_cast<std::int64_t>(rect->right) - rect->left,
                    static_cast<std::int64_t>(rect->bottom) - rect->top, PixelFromColor(brush->color));
    return 1;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    const Surface surface = dc->Target();
    const Pen* pen = dc->SelectedPen();
    const Brush* brush = dc->SelectedBrush();
    const std::int64_t l = left, t = top, r = right, b = bottom;
    if (!Draws(pen)) {
        // Without a pen the filled area loses its right column and bottom row, as on the device.
        if (Draws(brush)) FillSurface(surface, l, t, r - l - 1, b - t - 1, PixelFromColor(brush->color));
        return TRUE;
    }
    const PenSpread spread(pen->width);
    if (Draws(brush)) {
        const std::int64_t inner_left = l + spread.after + 1, inner_top = t + spread.after + 1;
        const std::int64_t inner_right = r - 1 - spread.before, inner_bottom = b - 1 - spread.before;
        FillSurface(surface, inner_left, inner_top, inner_right - inner_left, inner_bottom - inner_top,
                    PixelFromColor(brush->color));
    }
    if (r - l < 1 || b - t < 1) return TRUE;
    const std::uint32_t ink = PixelFromColor(pen->color);
    const std::int64_t outer_left = l - spread.before, outer_top = t - spread.before;
    const std::int64_t outer_right = r + spread.after, outer_bottom = b + spread.after;
    const std::int64_t band = spread.before + spread.after + 1;
    FillSurface(surface, outer_left, outer_top, outer_right - outer_left, band, ink);
    FillSurface(surface, outer_left, b - 1 - spread.before, outer_right - outer_left, band, ink);
    FillSurface(surface, outer_left, outer_top, band, outer_bottom - outer_top, ink);
    FillSurface(surface, r - 1 - spread.before, outer_top, band, outer_bottom - outer_top, ink);
    return TRUE;
}

namespace {

// The pixel columns [first, last] of row y whose centres lie inside the ellipse with the given
// centre and radii; false when the row misses it.
bool EllipseSpan(double centre_x, double centre_y, double radius_x, double radius_y, int y, std::int64_t& first,
                 std::int64_t& last) {
    if (radius_x <= 0 || radius_y <= 0) return false;
    const double t = (y + 0.5 - centre_y) / radius_y;
    if (t * t > 1.0) return false;
    const double half = radius_x * std::sqrt(1.0 - t * t);
    first = static_cast<std::int64_t>(std::ceil(centre_x - half - 0.5));
    last = static_cast<std::int64_t>(std::floor(centre_x + half - 0.5));
    return first <= last;
}

}  // namespace

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    const Surface surface = dc->Target();
    if (surface.Empty()) return TRUE;
    const Pen* pen = dc->SelectedPen();
    const Brush* brush = dc->SelectedBrush();
    const double centre_x = (static_cast<double>(left) + right) / 2, centre_y = (static_cast<double>(top) + bottom) / 2;
    const double radius_x = (static_cast<double>(right) - left) / 2, radius_y = (static_cast<double>(bottom) - top) / 2;
    const double pen_width = Draws(pen) ? pen->width : 0;
    const int first_row = static_cast<int>(std::max<std::int64_t>(top, 0));
    const int end_row = static_cast<int>(std::min<std::int64_t>(bottom, surface.height));
    for (int y = first_row; y < end_row; ++y) {
        std::int64_t outer_first = 0, outer_last = -1, inner_first = 0, inner_last = -1;
        if (!EllipseSpan(centre_x, centre_y, radius_x, radius_y, y, outer_first, outer_last)) continue;
        const bool has_inner =
            EllipseSpan(centre_x, centre_y, radius_x - pen_width, radius_y - pen_width, y, inner_first, inner_last);
        if (Draws(brush) && has_inner)
            FillSurface(surface, inner_first, y, inner_last - inner_first + 1, 1, PixelFromColor(brush->color));
        if (!Draws(pen)) continue;
        const std::uint32_t ink = PixelFromColor(pen->color);
        if (!has_inner) {
            FillSurface(surface, outer_first, y, outer_last - outer_first + 1, 1, ink);
        } else {
            FillSurface(surface, outer_first, y, inner_first - outer_first, 1, ink);
            FillSurface(surface, inner_last + 1, y, outer_last - inner_last, 1, ink);
        }
    }
    return TRUE;
}

BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->position;
    dc->position.x = x;
    dc->position.y = y;
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return FALSE;
    const std::int64_t x0 = dc->position.x, y0 = dc->position.y;
    dc->position.x = x;
    dc->position.y = y;
    const Pen* pen = dc->SelectedPen();
    const Surface surface = dc->Target();
    if (!Draws(pen) || surface.Empty()) return TRUE;
    const std::int64_t dx = x - x0, dy = y - y0;
    const bool x_major = std::llabs(dx) >= std::llabs(dy);
    const std::int64_t major = x_major ? std::llabs(dx) : std::llabs(dy);
    if (major == 0) return TRUE;
    const std::int64_t minor = x_major ? std::llabs(dy) : std::llabs(dx);
    const std::int64_t major_sign = (x_major ? dx : dy) < 0 ? -1 : 1;
    const std::int64_t minor_sign = (x_major ? dy : dx) < 0 ? -1 : 1;
    const PenSpread spread(pen->width);
    // Only the steps whose major coordinate can touch the surface are walked, so a line from far
    // outside costs no more than one across it.
    const std::int64_t major_start = x_major ? x0 : y0;
    const std::int64_t limit = x_major ? surface.width : surface.height;
    const std::int64_t near_edge = -spread.after - major_start, far_edge = limit - 1 + spread.before - major_start;
    const std::int64_t low = major_sign > 0 ? near_edge : -far_edge;
    const std::int64_t high = major_sign > 0 ? far_edge : -near_edge;
    const std::int64_t first_step = std::max<std::int64_t>(0, low);
    const std::int64_t last_step = std::min<std::int64_t>(major - 1, high);
    const std::uint32_t ink = PixelFromColor(pen->color);
    const std::int64_t size = spread.before + spread.after + 1;
    for (std::int64_t step = first_step; step <= last_step; ++step) {
        const std::int64_t along = major_start + major_sign * step;
        const std::int64_t across = (x_major ? y0 : x0) + minor_sign * MinorAt(step, major, minor);
        const std::int64_t px = x_major ? along : across, py = x_major ? across : along;
        if (size == 1) {
            if (px >= 0 && py >= 0 && px < surface.width && py < surface.height)
                surface.Row(static_cast<int>(py))[px] = ink;
        } else {
            FillSurface(surface, px - spread.before, py - spread.before, size, size, ink);
        }
    }
    return TRUE;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return CLR_INVALID;
    const Surface surface = dc->Target();
    if (!surface.Contains(x, y)) return CLR_INVALID;
    surface.Row(y)[x] = PixelFromColor(color & 0x00FFFFFFu);
    return color & 0x00FFFFFFu;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    Dc* dc = LookupDc(hdc);
    if (!dc) return CLR_INVALID;
    const Surface surface = dc->Target();
    if (!surface.Contains(x, y)) return CLR_INVALID;
    return ColorFromPixel(surface.Row(y)[x] & 0x00FFFFFFu);
}
