// Block copies, pixel for pixel: clipping against both surfaces, overlapping copies within one
// surface, raster operations, stretching and the transparent copy's colour key.
#include <vector>

#include "platform/gfx/tests/canvas.h"

using namespace gfx_test;

namespace {

// The pixels of a canvas, to compare a drawing against what it was before.
std::vector<COLORREF> Snapshot(const Canvas& canvas) {
    std::vector<COLORREF> pixels;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) pixels.push_back(canvas.At(x, y));
    return pixels;
}

}  // namespace

TEST(GfxBitBlt, CopiesARectangleExactly) {
    Canvas source(16, 16), dest(16, 16, RGB(9, 9, 9));
    source.Pattern();
    ASSERT_TRUE(BitBlt(dest.dc(), 5, 6, 4, 3, source.dc(), 2, 1, SRCCOPY));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool inside = x >= 5 && x < 9 && y >= 6 && y < 9;
            EXPECT_EQ(dest.At(x, y), inside ? Canvas::PatternColor(x - 3, y - 5) : RGB(9, 9, 9)) << x << "," << y;
        }
}

TEST(GfxBitBlt, ClipsAgainstBothSurfacesKeepingPositionsAligned) {
    struct Case {
        int x, y, width, height, source_x, source_y;
    };
    const Case cases[] = {
        {-3, -2, 8, 8, 0, 0},      // destination left and top edges
        {10, 12, 20, 20, 0, 0},    // destination right and bottom edges
        {2, 3, 8, 8, -4, -5},      // source left and top edges
        {1, 1, 30, 30, 10, 12},    // source right and bottom edges
        {-100, -100, 5, 5, 0, 0},  // entirely outside: nothing
        {0, 0, 16, 16, 40, 0},     // source entirely outside: nothing
    };
    for (const Case& c : cases) {
        Canvas source(16, 16), dest(16, 16, RGB(9, 9, 9));
        source.Pattern(77);
        ASSERT_TRUE(BitBlt(dest.dc(), c.x, c.y, c.width, c.height, source.dc(), c.source_x, c.source_y, SRCCOPY));
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const int sx = x - c.x + c.source_x, sy = y - c.y + c.source_y;
                const bool copied = x >= c.x && x < c.x + c.width && y >= c.y && y < c.y + c.height && sx >= 0 &&
                                    sy >= 0 && sx < 16 && sy < 16;
                ASSERT_EQ(dest.At(x, y), copied ? Canvas::PatternColor(sx, sy, 77) : RGB(9, 9, 9))
                    << "case " << c.x << "," << c.y << " pixel " << x << "," << y;
            }
    }
}

TEST(GfxBitBlt, OverlappingCopiesWithinOneSurfaceMatchACopyFromASeparateOne) {
    const int moves[][2] = {{3, 0}, {-3, 0}, {0, 2}, {0, -2}, {2, 3}, {-2, -3}, {1, -1}, {-1, 1}};
    for (const auto& move : moves) {
        Canvas canvas(20, 12), reference(20, 12), original(20, 12);
        canvas.Pattern(5);
        reference.Pattern(5);
        original.Pattern(5);
        ASSERT_TRUE(BitBlt(canvas.dc(), 4 + move[0], 3 + move[1], 10, 6, canvas.dc(), 4, 3, SRCCOPY));
        ASSERT_TRUE(BitBlt(reference.dc(), 4 + move[0], 3 + move[1], 10, 6, original.dc(), 4, 3, SRCCOPY));
        EXPECT_EQ(Snapshot(canvas), Snapshot(reference)) << "move " << move[0] << "," << move[1];
    }
}

TEST(GfxBitBlt, RasterOperationsCombineSourceDestinationAndBrush) {
    struct Case {
        DWORD rop;
        COLORREF expected;
    };
    const COLORREF dest_color = RGB(0x0F, 0xF0, 0x33), source_color = RGB(0x55, 0x55, 0xF0);
    const Case cases[] = {
        {SRCCOPY, source_color},
        {SRCPAINT, RGB(0x5F, 0xF5, 0xF3)},
        {SRCAND, RGB(0x05, 0x50, 0x30)},
        {SRCINVERT, RGB(0x5A, 0xA5, 0xC3)},
        {NOTSRCCOPY, RGB(0xAA, 0xAA, 0x0F)},
        {DSTINVERT, RGB(0xF0, 0x0F, 0xCC)},
        {PATCOPY, RGB(1, 2, 3)},
        {BLACKNESS, RGB(0, 0, 0)},
        {WHITENESS, RGB(255, 255, 255)},
    };
    Canvas source(2, 2, source_color);
    for (const Case& c : cases) {
        Canvas dest(2, 2, dest_color);
        HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
        HGDIOBJ old = SelectObject(dest.dc(), brush);
        ASSERT_TRUE(BitBlt(dest.dc(), 0, 0, 1, 2, source.dc(), 0, 0, c.rop));
        EXPECT_EQ(dest.At(0, 1), c.expected) << std::hex << c.rop;
        EXPECT_EQ(dest.At(1, 1), dest_color) << std::hex << c.rop;
        SelectObject(dest.dc(), old);
        DeleteObject(brush);
    }
    // Operations that read no source accept a null source DC.
    Canvas dest(2, 2, dest_color);
    EXPECT_TRUE(BitBlt(dest.dc(), 0, 0, 2, 2, nullptr, 0, 0, BLACKNESS));
    EXPECT_EQ(dest.Count(RGB(0, 0, 0)), 4);
}

TEST(GfxBitBlt, CopiesIntoForeignPixelMemory) {
    std::vector<std::uint32_t> window(8 * 4, 0);
    HDC window_dc = platform::CreateDCForPixels(window.data(), 8, 4, 8 * 4);
    Canvas picture(8, 4);
    picture.Pattern();
    ASSERT_TRUE(BitBlt(window_dc, 0, 0, 8, 4, picture.dc(), 0, 0, SRCCOPY));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(window[y * 8 + x], picture.Raw(x, y));
    DeleteDC(window_dc);
}

TEST(GfxStretchBlt, DoublesEachPixelAndMirrorsOnNegativeWidths) {
    Canvas source(3, 2), dest(6, 4);
    source.Pattern();
    ASSERT_TRUE(StretchBlt(dest.dc(), 0, 0, 6, 4, source.dc(), 0, 0, 3, 2, SRCCOPY));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(dest.At(x, y), Canvas::PatternColor(x / 2, y / 2)) << x << "," << y;

    Canvas mirrored(3, 2);
    // A negative width spans [x + width, x), so x = 3 fills columns 0 to 2 from right to left.
    ASSERT_TRUE(StretchBlt(mirrored.dc(), 3, 0, -3, 2, source.dc(), 0, 0, 3, 2, SRCCOPY));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(mirrored.At(x, y), Canvas::PatternColor(2 - x, y)) << x << "," << y;
}

TEST(GfxStretchBlt, HalvesByPickingTheNearestPixel) {
    Canvas source(8, 8), dest(4, 4);
    source.Pattern();
    ASSERT_TRUE(StretchBlt(dest.dc(), 0, 0, 4, 4, source.dc(), 0, 0, 8, 8, SRCCOPY));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(dest.At(x, y), Canvas::PatternColor(2 * x + 1, 2 * y + 1));
}

TEST(GfxTransparentBlt, SkipsTheKeyColourAndCopiesTheRest) {
    const COLORREF magenta = RGB(255, 0, 255);
    Canvas source(4, 1, magenta), dest(4, 1, RGB(10, 20, 30));
    SetPixel(source.dc(), 1, 0, RGB(1, 1, 1));
    SetPixel(source.dc(), 3, 0, RGB(255, 0, 254));  // one step from the key: copied
    ASSERT_TRUE(TransparentBlt(dest.dc(), 0, 0, 4, 1, source.dc(), 0, 0, 4, 1, magenta));
    EXPECT_EQ(dest.At(0, 0), RGB(10, 20, 30));
    EXPECT_EQ(dest.At(1, 0), RGB(1, 1, 1));
    EXPECT_EQ(dest.At(2, 0), RGB(10, 20, 30));
    EXPECT_EQ(dest.At(3, 0), RGB(255, 0, 254));
}

TEST(GfxTransparentBlt, TheKeyIgnoresThePixelsTopByte) {
    Canvas source(2, 1), dest(2, 1, RGB(7, 7, 7));
    platform::PixelBuffer pixels;
    ASSERT_TRUE(platform::GetBitmapPixels(source.bitmap(), &pixels));
    pixels.pixels[0] = 0xFF00FF00u;  // green with the top byte set
    pixels.pixels[1] = 0x000000FFu;
    ASSERT_TRUE(TransparentBlt(dest.dc(), 0, 0, 2, 1, source.dc(), 0, 0, 2, 1, RGB(0, 255, 0)));
    EXPECT_EQ(dest.At(0, 0), RGB(7, 7, 7));
    EXPECT_EQ(dest.At(1, 0), RGB(0, 0, 255));
}

TEST(GfxTransparentBlt, StretchesAndPicksAFrameOfAStrip) {
    // A strip of two 2 × 2 frames: frame 1 has a keyed corner.
    const COLORREF key = RGB(255, 0, 255);
    Canvas strip(4, 2, RGB(0, 0, 200)), dest(4, 4, RGB(50, 50, 50));
    SetPixel(strip.dc(), 2, 0, key);
    ASSERT_TRUE(TransparentBlt(dest.dc(), 0, 0, 4, 4, strip.dc(), 2, 0, 2, 2, key));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(dest.At(x, y), x < 2 && y < 2 ? RGB(50, 50, 50) : RGB(0, 0, 200)) << x << "," << y;
}

TEST(GfxTransparentBlt, ClipsAtTheDestinationsEdges) {
    Canvas source(4, 4, RGB(1, 2, 3)), dest(4, 4);
    ASSERT_TRUE(TransparentBlt(dest.dc(), 2, -2, 4, 4, source.dc(), 0, 0, 4, 4, RGB(255, 0, 255)));
    EXPECT_EQ(dest.InkBox(RGB(0, 0, 0)).left, 2);
    EXPECT_EQ(dest.InkBox(RGB(0, 0, 0)).bottom, 2);
    EXPECT_EQ(dest.Count(RGB(1, 2, 3)), 4);
}

TEST(GfxTransparentBlt, LeavesPixelsWhoseSourceLiesOutsideTheSourceAlone) {
    Canvas source(4, 2, RGB(1, 2, 3)), dest(6, 2, RGB(50, 50, 50));
    ASSERT_TRUE(TransparentBlt(dest.dc(), 0, 0, 6, 2, source.dc(), -2, 0, 6, 2, RGB(255, 0, 255)));
    for (int x = 0; x < 6; ++x) EXPECT_EQ(dest.At(x, 1), x < 2 ? RGB(50, 50, 50) : RGB(1, 2, 3)) << x;
}
