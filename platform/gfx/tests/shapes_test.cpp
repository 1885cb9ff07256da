// Fills, rectangles, lines, ellipses and single pixels, checked pixel by pixel.
#include "platform/gfx/tests/canvas.h"

using namespace gfx_test;

namespace {

const COLORREF kBackground = RGB(0, 0, 0);
const COLORREF kInk = RGB(200, 10, 10);
const COLORREF kPaint = RGB(10, 200, 10);

// Selects a pen and a brush for the life of the object.
class Tools {
public:
    Tools(HDC dc, HPEN pen, HBRUSH brush) : m_dc(dc), m_pen(pen), m_brush(brush) {
        m_old_pen = SelectObject(dc, pen);
        m_old_brush = SelectObject(dc, brush);
    }
    ~Tools() {
        SelectObject(m_dc, m_old_pen);
        SelectObject(m_dc, m_old_brush);
        DeleteObject(m_pen);
        DeleteObject(m_brush);
    }
    Tools(const Tools&) = delete;
    Tools& operator=(const Tools&) = delete;

private:
    HDC m_dc;
    HPEN m_pen;
    HBRUSH m_brush;
    HGDIOBJ m_old_pen = nullptr, m_old_brush = nullptr;
};

}  // namespace

TEST(GfxFill, FillRectCoversLeftTopButNotRightBottom) {
    Canvas canvas(8, 8);
    HBRUSH brush = CreateSolidBrush(kPaint);
    RECT rect{2, 3, 5, 7};
    EXPECT_NE(FillRect(canvas.dc(), &rect, brush), 0);
    EXPECT_EQ(canvas.InkBox(kBackground).left, 2);
    EXPECT_EQ(canvas.InkBox(kBackground).top, 3);
    EXPECT_EQ(canvas.InkBox(kBackground).right, 5);
    EXPECT_EQ(canvas.InkBox(kBackground).bottom, 7);
    EXPECT_EQ(canvas.Count(kPaint), 12);
    DeleteObject(brush);
}

TEST(GfxFill, ReversedEmptyAndFarRectanglesDrawNothingOrOnlyTheirVisiblePart) {
    Canvas canvas(8, 8);
    HBRUSH brush = CreateSolidBrush(kPaint);
    const RECT nothing[] = {{5, 5, 2, 2}, {3, 3, 3, 8}, {-50, -50, -1, -1}, {8, 0, 20, 8}};
    for (const RECT& rect : nothing) EXPECT_NE(FillRect(canvas.dc(), &rect, brush), 0);
    EXPECT_EQ(canvas.Count(kPaint), 0);
    const RECT huge{INT32_MIN, INT32_MIN, INT32_MAX, 2};
    EXPECT_NE(FillRect(canvas.dc(), &huge, brush), 0);
    EXPECT_EQ(canvas.Count(kPaint), 16);
    EXPECT_NE(FillRect(canvas.dc(), &huge, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))), 0);
    DeleteObject(brush);
}

TEST(GfxRectangle, OnePixelPenOutlinesTheInsideOfTheRectangleAndTheBrushFillsWithin) {
    Canvas canvas(10, 10);
    Tools tools(canvas.dc(), CreatePen(PS_SOLID, 1, kInk), CreateSolidBrush(kPaint));
    ASSERT_TRUE(Rectangle(canvas.dc(), 1, 2, 6, 8));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 1 && x < 6 && y >= 2 && y < 8;
            const bool border = inside && (x == 1 || x == 5 || y == 2 || y == 7);
            EXPECT_EQ(canvas.At(x, y), border ? kInk : inside ? kPaint : kBackground) << x << "," << y;
        }
}

TEST(GfxRectangle, ANullPenLeavesTheFillOnePixelShortAtTheRightAndBottom) {
    Canvas canvas(10, 10);
    Tools tools(canvas.dc(), static_cast<HPEN>(GetStockObject(NULL_PEN)), CreateSolidBrush(kPaint));
    ASSERT_TRUE(Rectangle(canvas.dc(), 2, 2, 6, 5));
    const RECT box = canvas.InkBox(kBackground);
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.top, 2);
    EXPECT_EQ(box.right, 5);
    EXPECT_EQ(box.bottom, 4);
    EXPECT_EQ(canvas.Count(kPaint), 6);
}

TEST(GfxRectangle, AWidePenIsCentredOnTheOutlineAndAHollowBrushKeepsTheInside) {
    Canvas canvas(20, 20, RGB(1, 1, 1));
    HPEN pen = CreatePen(PS_SOLID, 3, kInk);
    Tools tools(canvas.dc(), pen, static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH)));
    ASSERT_TRUE(Rectangle(canvas.dc(), 5, 5, 15, 15));
    // Outline path x = 5 and x = 14: the band covers 4..6 and 13..15.
    const RECT box = canvas.InkBox(RGB(1, 1, 1));
    EXPECT_EQ(box.left, 4);
    EXPECT_EQ(box.right, 16);
    EXPECT_EQ(canvas.At(6, 10), kInk);
    EXPECT_EQ(canvas.At(7, 10), RGB(1, 1, 1));
    EXPECT_EQ(canvas.At(12, 12), RGB(1, 1, 1));
    EXPECT_EQ(canvas.At(13, 12), kInk);
    EXPECT_EQ(canvas.Count(kInk), 12 * 12 - 6 * 6);
}

TEST(GfxLine, LineToDrawsUpToButNotIncludingTheEndPoint) {
    struct Case {
        int x0, y0, x1, y1, pixels;
    };
    const Case cases[] = {
        {1, 1, 6, 1, 5}, {6, 1, 1, 1, 5}, {2, 0, 2, 7, 7}, {0, 0, 5, 5, 5}, {7, 7, 2, 2, 5}, {0, 0, 7, 3, 7},
    };
    for (const Case& c : cases) {
        Canvas canvas(8, 8);
        Tools tools(canvas.dc(), CreatePen(PS_SOLID, 1, kInk), static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
        ASSERT_TRUE(MoveToEx(canvas.dc(), c.x0, c.y0, nullptr));
        ASSERT_TRUE(LineTo(canvas.dc(), c.x1, c.y1));
        EXPECT_EQ(canvas.Count(kInk), c.pixels) << c.x0 << "," << c.y0 << " to " << c.x1 << "," << c.y1;
        EXPECT_EQ(canvas.At(c.x0, c.y0), kInk);
        EXPECT_EQ(canvas.At(c.x1, c.y1), kBackground);
        // The current position moved to the end point.
        POINT position;
        MoveToEx(canvas.dc(), 0, 0, &position);
        EXPECT_EQ(position.x, c.x1);
        EXPECT_EQ(position.y, c.y1);
    }
}

TEST(GfxLine, ALineFromFarOutsideDrawsOnlyItsVisiblePixels) {
    Canvas canvas(16, 16);
    Tools tools(canvas.dc(), CreatePen(PS_SOLID, 1, kInk), static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
    MoveToEx(canvas.dc(), -2000000000, 5, nullptr);
    ASSERT_TRUE(LineTo(canvas.dc(), 2000000000, 5));
    EXPECT_EQ(canvas.Count(kInk), 16);
    EXPECT_EQ(canvas.InkBox(kBackground).top, 5);
    canvas.Clear(kBackground);
    // A diagonal through the surface: the same pixels as the short line along it.
    MoveToEx(canvas.dc(), -1000, -1000, nullptr);
    LineTo(canvas.dc(), 1000, 1000);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(canvas.At(i, i), kInk) << i;
    EXPECT_EQ(canvas.Count(kInk), 16);
    canvas.Clear(kBackground);
    // Four billion steps with a steep minor slope: the rounding must not overflow.
    MoveToEx(canvas.dc(), -2000000000, -1250000000, nullptr);
    LineTo(canvas.dc(), 2000000000, 1250000000);
    EXPECT_EQ(canvas.Count(kInk), 16);
    EXPECT_EQ(canvas.At(8, 5), kInk);
}

TEST(GfxLine, ANullPenMovesWithoutDrawing) {
    Canvas canvas(8, 8);
    HGDIOBJ old = SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
    MoveToEx(canvas.dc(), 0, 0, nullptr);
    LineTo(canvas.dc(), 7, 7);
    EXPECT_EQ(canvas.InkBox(kBackground).right, 0);
    SelectObject(canvas.dc(), old);
}

TEST(GfxEllipse, FillsWithinItsBoxSymmetricallyWithTheOutlineAroundTheFill) {
    Canvas canvas(24, 24);
    Tools tools(canvas.dc(), CreatePen(PS_SOLID, 1, kInk), CreateSolidBrush(kPaint));
    ASSERT_TRUE(Ellipse(canvas.dc(), 2, 4, 20, 16));
    const RECT box = canvas.InkBox(kBackground);
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.top, 4);
    EXPECT_EQ(box.right, 20);
    EXPECT_EQ(box.bottom, 16);
    for (int y = 4; y < 16; ++y)
        for (int x = 2; x < 20; ++x) {
            EXPECT_EQ(canvas.At(x, y), canvas.At(21 - x, y)) << x << "," << y;
            EXPECT_EQ(canvas.At(x, y), canvas.At(x, 19 - y)) << x << "," << y;
        }
    EXPECT_EQ(canvas.At(11, 10), kPaint);  // centre
    EXPECT_EQ(canvas.At(2, 10), kInk);     // left edge at mid-height
    EXPECT_EQ(canvas.At(2, 4), kBackground);  // corner of the box
    EXPECT_GT(canvas.Count(kInk), 0);
    // Every painted pixel is enclosed by ink on its row.
    for (int y = 4; y < 16; ++y) {
        int first_paint = -1, first_ink = -1;
        for (int x = 0; x < 24; ++x) {
            if (canvas.At(x, y) == kPaint && first_paint < 0) first_paint = x;
            if (canvas.At(x, y) == kInk && first_ink < 0) first_ink = x;
        }
        if (first_paint >= 0) {
            EXPECT_LT(first_ink, first_paint) << "row " << y;
        }
    }
}

TEST(GfxPixels, SetAndGetPixelStayInsideTheSurface) {
    Canvas canvas(4, 4);
    EXPECT_EQ(SetPixel(canvas.dc(), 3, 3, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(canvas.dc(), 3, 3), RGB(1, 2, 3));
    EXPECT_EQ(canvas.Raw(3, 3), 0x00010203u);
    for (const auto& [x, y] : {std::pair{-1, 0}, {0, -1}, {4, 0}, {0, 4}, {INT32_MIN, INT32_MAX}}) {
        EXPECT_EQ(SetPixel(canvas.dc(), x, y, RGB(9, 9, 9)), CLR_INVALID);
        EXPECT_EQ(GetPixel(canvas.dc(), x, y), CLR_INVALID);
    }
    EXPECT_EQ(canvas.Count(RGB(9, 9, 9)), 0);
}
