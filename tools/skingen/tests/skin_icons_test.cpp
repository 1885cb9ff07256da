// The canvas's shapes and the icons drawn with them, on a plain surface: where ink lands and
// where it must not.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <span>
#include <set>
#include <string>
#include <vector>

#include "tools/skingen/canvas.h"
#include "tools/skingen/skin_icons.h"

namespace skingen {
namespace {

using resources::SkinIcon;

constexpr Colour kGround{10, 20, 30};
constexpr Colour kInk{240, 244, 250};

// A bitmap filled with kGround and a canvas on it.
class Surface {
public:
    Surface(int width, int height) : m_width(width), m_height(height) {
        m_bitmap = CreateCompatibleBitmap(nullptr, width, height);
        m_dc = CreateCompatibleDC(nullptr);
        m_old = SelectObject(m_dc, m_bitmap);
        m_canvas = std::make_unique<Canvas>(m_dc);
        m_canvas->Fill(0, 0, width, height, kGround);
    }
    ~Surface() {
        SelectObject(m_dc, m_old);
        DeleteDC(m_dc);
        DeleteObject(m_bitmap);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    Canvas& Draw() { return *m_canvas; }
    bool Inked(int x, int y) const { return GetPixel(m_dc, x, y) != kGround.Ref(); }
    // Inked pixels inside [left, right) × [top, bottom) and outside it.
    std::pair<int, int> InkInAndOut(int left, int top, int right, int bottom) const {
        int in = 0, out = 0;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if (Inked(x, y)) ++((x >= left && x < right && y >= top && y < bottom) ? in : out);
        return {in, out};
    }
    std::vector<COLORREF> Pixels() const {
        std::vector<COLORREF> pixels;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) pixels.push_back(GetPixel(m_dc, x, y));
        return pixels;
    }

private:
    int m_width, m_height;
    HBITMAP m_bitmap = nullptr;
    HDC m_dc = nullptr;
    HGDIOBJ m_old = nullptr;
    std::unique_ptr<Canvas> m_canvas;
};

TEST(CanvasShapes, LineInksOnlyAlongItsStroke) {
    Surface surface(40, 40);
    surface.Draw().Line({10, 20}, {30, 20}, 4, kInk);
    // Round ends reach half the width past the end points, and no further.
    EXPECT_EQ(surface.InkInAndOut(8, 18, 32, 22).second, 0);
    EXPECT_TRUE(surface.Inked(20, 19));
    EXPECT_TRUE(surface.Inked(9, 20));
    EXPECT_FALSE(surface.Inked(20, 15));
}

TEST(CanvasShapes, RingLeavesItsMiddleEmpty) {
    Surface surface(40, 40);
    surface.Draw().Ring({20, 20}, 15, 3, kInk);
    EXPECT_FALSE(surface.Inked(20, 20));
    EXPECT_FALSE(surface.Inked(20, 24));
    EXPECT_TRUE(surface.Inked(20, 6));   // top of the outline
    EXPECT_TRUE(surface.Inked(33, 20));  // right
    EXPECT_EQ(surface.InkInAndOut(5, 5, 35, 35).second, 0);
}

TEST(CanvasShapes, ArcRunsClockwiseFromItsFirstAngle) {
    // From 0 (right) to 90 (down): the lower-right quarter only.
    Surface surface(40, 40);
    surface.Draw().Arc({20, 20}, 15, 4, 0, 90, kInk);
    EXPECT_TRUE(surface.Inked(30, 30));
    EXPECT_FALSE(surface.Inked(30, 9));
    EXPECT_FALSE(surface.Inked(9, 30));
    EXPECT_EQ(surface.InkInAndOut(20, 20, 36, 36).second, 0);
    // A sweep across 0 degrees: from 300 to 60 covers the right side, not the left.
    Surface across(40, 40);
    across.Draw().Arc({20, 20}, 15, 4, 300, 60, kInk);
    EXPECT_TRUE(across.Inked(33, 20));
    EXPECT_FALSE(across.Inked(7, 20));
    EXPECT_FALSE(across.Inked(20, 33));
}

TEST(CanvasShapes, PolygonKeepsItsNotchEmpty) {
    // A U shape: the notch between the arms is outside the outline.
    const Point u[] = {{5, 5}, {15, 5}, {15, 25}, {25, 25}, {25, 5}, {35, 5}, {35, 35}, {5, 35}};
    Surface surface(40, 40);
    surface.Draw().Polygon(u, kInk);
    EXPECT_TRUE(surface.Inked(10, 10));
    EXPECT_TRUE(surface.Inked(30, 10));
    EXPECT_TRUE(surface.Inked(20, 30));
    EXPECT_FALSE(surface.Inked(20, 10));
    EXPECT_EQ(surface.InkInAndOut(5, 5, 35, 35).second, 0);
    // Fewer than three corners draw nothing.
    Surface empty(10, 10);
    empty.Draw().Polygon(std::span<const Point>(u, 2), kInk);
    EXPECT_EQ(empty.InkInAndOut(0, 0, 10, 10).first, 0);
}

struct IconPlace {
    double centre_x, centre_y, size;
};

TEST(SkinIcons, EveryIconInksItsSquareAndNothingOutside) {
    // Whole and fractional places, from the size of a small button's icon up.
    const IconPlace places[] = {{50, 50, 16}, {50.5, 49.25, 21.4}, {50, 50, 48}, {50.25, 50.75, 63}};
    for (const SkinIcon icon : resources::NamedIcons()) {
        for (const IconPlace& place : places) {
            SCOPED_TRACE(::testing::Message() << resources::IconName(icon) << " at size " << place.size);
            Surface surface(100, 100);
            DrawIcon(surface.Draw(), icon, place.centre_x, place.centre_y, place.size, kInk);
            const double half = place.size / 2;
            const int left = static_cast<int>(std::floor(place.centre_x - half));
            const int top = static_cast<int>(std::floor(place.centre_y - half));
            const int right = static_cast<int>(std::ceil(place.centre_x + half));
            const int bottom = static_cast<int>(std::ceil(place.centre_y + half));
            const auto [in, out] = surface.InkInAndOut(left, top, right, bottom);
            EXPECT_EQ(out, 0);
            // A recognisable shape covers a fair share of its square, not a speck.
            EXPECT_GT(in, place.size * place.size / 10);
        }
    }
}

TEST(SkinIcons, EveryIconIsItsOwnPicture) {
    std::set<std::vector<COLORREF>> pictures;
    for (const SkinIcon icon : resources::NamedIcons()) {
        Surface surface(48, 48);
        DrawIcon(surface.Draw(), icon, 24, 24, 40, kInk);
        pictures.insert(surface.Pixels());
    }
    EXPECT_EQ(pictures.size(), resources::NamedIcons().size());
}

TEST(SkinIcons, NoIconDrawsNothing) {
    Surface surface(48, 48);
    DrawIcon(surface.Draw(), SkinIcon::None, 24, 24, 40, kInk);
    EXPECT_EQ(surface.InkInAndOut(0, 0, 48, 48).first, 0);
}

}  // namespace
}  // namespace skingen
