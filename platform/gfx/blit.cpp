// Block copies between surfaces: BitBlt with the raster operations the device's programs use,
// StretchBlt, and TransparentBlt with its colour key.
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/gfx/gdi_object.h"

using namespace platform::gfx;

namespace {

enum class RasterOp { Copy, Or, And, Xor, NotCopy, DestInvert, Pattern, Black, White };

std::optional<RasterOp> RasterOpOf(DWORD rop) {
    switch (rop) {
        case SRCCOPY: return RasterOp::Copy;
        case SRCPAINT: return RasterOp::Or;
        case SRCAND: return RasterOp::And;
        case SRCINVERT: return RasterOp::Xor;
        case NOTSRCCOPY: return RasterOp::NotCopy;
        case DSTINVERT: return RasterOp::DestInvert;
        case PATCOPY: return RasterOp::Pattern;
        case BLACKNESS: return RasterOp::Black;
        case WHITENESS: return RasterOp::White;
        default: return std::nullopt;
    }
}

bool UsesSource(RasterOp op) {
    return op == RasterOp::Copy || op == RasterOp::Or || op == RasterOp::And || op == RasterOp::Xor ||
           op == RasterOp::NotCopy;
}

constexpr std::uint32_t kColorMask = 0x00FFFFFFu;

std::uint32_t Apply(RasterOp op, std::uint32_t dest, std::uint32_t source, std::uint32_t pattern) {
    switch (op) {
        case RasterOp::Copy: return source & kColorMask;
        case RasterOp::Or: return (dest | source) & kColorMask;
        case RasterOp::And: return dest & source & kColorMask;
        case RasterOp::Xor: return (dest ^ source) & kColorMask;
        case RasterOp::NotCopy: return ~source & kColorMask;
        case RasterOp::DestInvert: return ~dest & kColorMask;
        case RasterOp::Pattern: return pattern;
        case RasterOp::Black: return 0;
        case RasterOp::White: return kColorMask;
    }
    return dest;
}

bool SameMemory(const Surface& a, const Surface& b) { return a.row0 == b.row0; }

// A private copy of a surface, for copies whose source and destination are the same pixels.
struct SurfaceCopy {
    std::vector<std::uint32_t> pixels;
    Surface surface;
    explicit SurfaceCopy(const Surface& original) {
        pixels.resize(static_cast<std::size_t>(original.width) * static_cast<std::size_t>(original.height));
        for (int y = 0; y < original.height; ++y)
            std::memcpy(&pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(original.width)], original.Row(y),
                        static_cast<std::size_t>(original.width) * 4);
        surface.row0 = reinterpret_cast<std::uint8_t*>(pixels.data());
        surface.pitch = static_cast<std::ptrdiff_t>(original.width) * 4;
        surface.width = original.width;
        surface.height = original.height;
    }
};

// Row-by-row copy with the source and destination rectangles already clipped; rows may overlap
// within one surface, so the order of rows follows the direction of the move.
void CopyRows(const Surface& dest, int x, int y, const Surface& source, int source_x, int source_y, int width, int height) {
    const bool bottom_up = SameMemory(dest, source) && y > source_y;
    for (int i = 0; i < height; ++i) {
        const int row = bottom_up ? height - 1 - i : i;
        std::memmove(dest.Row(y + row) + x, source.Row(source_y + row) + source_x, static_cast<std::size_t>(width) * 4);
    }
}

// Nearest-pixel index of destination step i of count into a source run of source_count.
std::int64_t SourceStep(std::int64_t i, std::int64_t count, std::int64_t source_count, bool mirrored) {
    const std::int64_t k = (2 * i + 1) * source_count / (2 * count);
    return mirrored ? source_count - 1 - k : k;
}

struct StretchJob {
    const Surface* dest = nullptr;
    std::int64_t x = 0, y = 0, width = 0, height = 0;
    const Surface* source = nullptr;
    std::int64_t source_x = 0, source_y = 0, source_width = 0, source_height = 0;
    RasterOp op = RasterOp::Copy;
    std::uint32_t pattern = 0;
    std::optional<std::uint32_t> key;  // pixels of this colour are not copied
};

// Maps each destination pixel to the nearest source pixel; pixels whose source falls outside
// the source surface are left alone, as are those outside the destination.
void Stretch(const StretchJob& job) {
    bool mirror_x = false, mirror_y = false;
    std::int64_t x = job.x, y = job.y, width = job.width, height = job.height;
    std::int64_t source_x = job.source_x, source_y = job.source_y;
    std::int64_t source_width = job.source_width, source_height = job.source_height;
    if (width < 0) { x += width; width = -width; mirror_x = !mirror_x; }
    if (height < 0) { y += height; height = -height; mirror_y = !mirror_y; }
    if (source_width < 0) { source_x += source_width; source_width = -source_width; mirror_x = !mirror_x; }
    if (source_height < 0) { source_y += source_height; source_height = -source_height; mirror_y = !mirror_y; }
    const Surface& dest = *job.dest;
    std::int64_t clip_x = x, clip_y = y, clip_width = width, clip_height = height;
    if (!ClipToSurface(dest, clip_x, clip_y, clip_width, clip_height)) return;
    if (job.source && (source_width == 0 || source_height == 0)) return;

    std::optional<SurfaceCopy> copy;
    const Surface* source = job.source;
    if (source && SameMemory(dest, *source)) {
        copy.emplace(*source);
        source = &copy->surface;
    }
    std::vector<int> columns(static_cast<std::size_t>(clip_width), -1);
    for (std::int64_t i = 0; i < clip_width; ++i) {
        if (!source) break;
        const std::int64_t sx = source_x + SourceStep(clip_x + i - x, width, source_width, mirror_x);
        if (sx >= 0 && sx < source->width) columns[static_cast<std::size_t>(i)] = static_cast<int>(sx);
    }
    const std::uint32_t key = job.key.value_or(0);
    // Unscaled colour-key copies (every skin frame) read their columns in step with the output.
    const bool straight = source && width == source_width && !mirror_x && job.key && job.op == RasterOp::Copy &&
                          clip_x - x + source_x >= 0 && clip_x - x + source_x + clip_width <= source->width;
    for (std::int64_t j = 0; j < clip_height; ++j) {
        std::uint32_t* out = dest.Row(static_cast<int>(clip_y + j)) + clip_x;
        const std::uint32_t* in = nullptr;
        if (source) {
            const std::int64_t sy = source_y + SourceStep(clip_y + j - y, height, source_height, mirror_y);
            if (sy < 0 || sy >= source->height) continue;
            in = source->Row(static_cast<int>(sy));
        }
        if (straight) {
            const std::uint32_t* from = in + (clip_x - x + source_x);
            for (std::int64_t i = 0; i < clip_width; ++i)
                if ((from[i] & kColorMask) != key) out[i] = from[i] & kColorMask;
            continue;
        }
        for (std::int64_t i = 0; i < clip_width; ++i) {
            std::uint32_t source_pixel = 0;
            if (in) {
                const int column = columns[static_cast<std::size_t>(i)];
                if (column < 0) continue;
                source_pixel = in[column];
                if (job.key && (source_pixel & kColorMask) == key) continue;
            }
            out[i] = Apply(job.op, out[i], source_pixel, job.pattern);
        }
    }
}

// The destination and (when the operation reads one) source surfaces of a copy.
struct BlitSurfaces {
    Dc* dest = nullptr;
    Dc* source = nullptr;
};

bool LookupBlit(HDC dest, HDC source, bool needs_source, BlitSurfaces& out) {
    out.dest = LookupDc(dest);
    if (!out.dest) return false;
    if (needs_source) {
        out.source = LookupDc(source);
        if (!out.source) return false;
    }
    return true;
}

bool SizeTooLarge(std::int64_t value) { return value > kMaxBitmapSide * 4LL || value < -kMaxBitmapSide * 4LL; }

}  // namespace

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int source_x, int source_y, DWORD rop) {
    const auto op = RasterOpOf(rop);
    if (!op) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    BlitSurfaces dcs;
    if (!LookupBlit(dest, source, UsesSource(*op), dcs)) return FALSE;
    if (width < 0 || height < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const Surface target = dcs.dest->Target();
    const Brush* brush = dcs.dest->SelectedBrush();
    if (*op == RasterOp::Pattern && (!brush || brush->hollow)) return TRUE;
    const std::uint32_t pattern = brush ? PixelFromColor(brush->color) : 0;
    if (!dcs.source) {
        std::int64_t cx = x, cy = y, cw = width, ch = height;
        if (!ClipToSurface(target, cx, cy, cw, ch)) return TRUE;
        for (std::int64_t row = cy; row < cy + ch; ++row) {
            std::uint32_t* line = target.Row(static_cast<int>(row)) + cx;
            for (std::int64_t i = 0; i < cw; ++i) line[i] = Apply(*op, line[i], 0, pattern);
        }
        return TRUE;
    }
    // Clip the rectangle against both surfaces at once: it keeps its size on both sides.
    const Surface from = dcs.source->Target();
    if (target.Empty() || from.Empty()) return TRUE;
    std::int64_t dx = x, dy = y, sx = source_x, sy = source_y, w = width, h = height;
    const std::int64_t cut_left = std::max<std::int64_t>({0, -dx, -sx});
    const std::int64_t cut_top = std::max<std::int64_t>({0, -dy, -sy});
    dx += cut_left, sx += cut_left, w -= cut_left;
    dy += cut_top, sy += cut_top, h -= cut_top;
    w = std::min<std::int64_t>({w, target.width - dx, from.width - sx});
    h = std::min<std::int64_t>({h, target.height - dy, from.height - sy});
    if (w <= 0 || h <= 0) return TRUE;
    if (*op == RasterOp::Copy) {
        CopyRows(target, static_cast<int>(dx), static_cast<int>(dy), from, static_cast<int>(sx), static_cast<int>(sy),
                 static_cast<int>(w), static_cast<int>(h));
        return TRUE;
    }
    StretchJob job;
    job.dest = &target;
    job.x = dx, job.y = dy, job.width = w, job.height = h;
    job.source = &from;
    job.source_x = sx, job.source_y = sy, job.source_width = w, job.source_height = h;
    job.op = *op;
    Stretch(job);
    return TRUE;
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int source_x, int source_y,
                int source_width, int source_height, DWORD rop) {
    const auto op = RasterOpOf(rop);
    if (!op) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    BlitSurfaces dcs;
    if (!LookupBlit(dest, source, UsesSource(*op), dcs)) return FALSE;
    if (SizeTooLarge(width) || SizeTooLarge(height) || SizeTooLarge(source_width) || SizeTooLarge(source_height)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const Brush* brush = dcs.dest->SelectedBrush();
    if (*op == RasterOp::Pattern && (!brush || brush->hollow)) return TRUE;
    const Surface target = dcs.dest->Target();
    const Surface from = dcs.source ? dcs.source->Target() : Surface{};
    if (dcs.source && from.Empty()) return TRUE;
    if (width == 0 || height == 0) return TRUE;
    StretchJob job;
    job.dest = &target;
    job.x = x, job.y = y, job.width = width, job.height = height;
    job.source = dcs.source ? &from : nullptr;
    job.source_x = source_x, job.source_y = source_y, job.source_width = source_width, job.source_height = source_height;
    job.op = *op;
    job.pattern = brush ? PixelFromColor(brush->color) : 0;
    Stretch(job);
    return TRUE;
}

BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC source, int source_x, int source_y,
                    int source_width, int source_height, UINT key_color) {
    BlitSurfaces dcs;
    if (!LookupBlit(dest, source, true, dcs)) return FALSE;
    // The device refuses mirrored or empty transparent copies.
    if (width <= 0 || height <= 0 || source_width <= 0 || source_height <= 0 || SizeTooLarge(width) ||
        SizeTooLarge(height) || SizeTooLarge(source_width) || SizeTooLarge(source_height)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const Surface target = dcs.dest->Target();
    const Surface from = dcs.source->Target();
    if (from.Empty()) return TRUE;
    StretchJob job;
    job.dest = &target;
    job.x = x, job.y = y, job.width = width, job.height = height;
    job.source = &from;
    job.source_x = source_x, job.source_y = source_y, job.source_width = source_width, job.source_height = source_height;
    job.key = PixelFromColor(key_color & kColorMask);
    Stretch(job);
    return TRUE;
}
