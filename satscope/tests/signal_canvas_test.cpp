#include "satscope/signal_canvas.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "satscope/sentence_handler.h"

namespace satscope {
namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 480;
constexpr COLORREF kWhite = RGB(255, 255, 255);
// What the window holds outside the signal area before the view draws.
constexpr COLORREF kGround = RGB(12, 34, 56);

// A window-sized surface, as the window's DC wraps it, filled with kGround.
struct Window {
    std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(kWidth * kHeight, 0x0C2238);
    HDC dc = platform::CreateDCForPixels(pixels.data(), kWidth, kHeight, kWidth * 4);
    ~Window() { DeleteDC(dc); }
    COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
    int DarkIn(int left, int top, int right, int bottom) const
    {
        int dark = 0;
        for (int y = std::max(0, top); y < std::min(bottom, kHeight); ++y)
            for (int x = std::max(0, left); x < std::min(right, kWidth); ++x) {
                const COLORREF c = At(x, y);
                dark += GetRValue(c) < 96 && GetGValue(c) < 96 && GetBValue(c) < 96;
            }
        return dark;
    }
    int Count(const SignalRect& in, COLORREF colour) const
    {
        int count = 0;
        for (int y = in.y; y < in.y + in.height; ++y)
            for (int x = in.x; x < in.x + in.width; ++x) count += At(x, y) == colour;
        return count;
    }
    // Pixels outside `inside` that are no longer the ground.
    int ChangedOutside(const SignalRect& inside) const
    {
        int changed = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const bool in = x >= inside.x && x < inside.x + inside.width && y >= inside.y &&
                                y < inside.y + inside.height;
                changed += !in && (pixels[static_cast<std::size_t>(y * kWidth + x)] & 0xFFFFFF) != 0x0C2238;
            }
        return changed;
    }
};

RECT ToRect(const SignalRect& r) { return {r.x, r.y, r.x + r.width, r.y + r.height}; }

int Draw(SignalView& view, Window& window, FixState& fix, SignalDraw mode, const SignalArea& area)
{
    GdiSignalCanvas canvas(window.dc, ToRect(ClearRect(area)));
    return view.Draw(fix, mode, true, area, canvas);
}

// The full-size window: a left area of 570 pixels and a signal area 227 high.
constexpr SignalArea kArea{570, 227};

TEST(SignalCanvas, BarsLabelsAndGapsOnRealPixels)
{
    FixState fix;
    const SatelliteSlot sky[] = {{2, 30, 0}, {5, 45, kUsedInFix}, {9, 38, kUsedInFix}, {12, 20, 0},
                                 {14, 41, kUsedInFix}, {17, 25, 0}, {21, 33, kUsedInFix}, {29, 12, 0}};
    for (std::size_t i = 0; i < std::size(sky); ++i) fix.slots[i] = sky[i];
    fix.satellites_in_view = 8;
    Window window;
    SignalView view;
    ASSERT_EQ(Draw(view, window, fix, SignalDraw::Full, kArea), 8);

    const int width = 568 / 8;
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        const SatelliteSlot& slot = sky[i];
        const int x = i * width;
        const int height = slot.snr * 227 / 70;
        const int top = 207 - height;
        const COLORREF colour = slot.used != kUsedInFix ? RGB(153, 153, 153)
                                : i == 1                 ? RGB(102, 238, 0)   // the strongest
                                                         : RGB(102, 204, 0);
        EXPECT_EQ(window.At(x + 4 + (width - 5) / 2, top + height / 2), colour);
        // The two pixels of white between the column's edge and the bar, beside the bar.
        EXPECT_EQ(window.At(x + 2, top + height / 2), kWhite);
        EXPECT_EQ(window.At(x + 3, top + height / 2), kWhite);
        EXPECT_EQ(window.At(x + 4 + (width - 5) / 2, top - 3), kWhite);
        EXPECT_GT(window.DarkIn(x + width / 2 - 18, top - 25, x + width, top - 3), 5) << "no SNR above the bar";
        EXPECT_GT(window.DarkIn(x + width / 2 - 20, 207, x + width, 223), 5) << "no PRN under the bar";
    }
    EXPECT_EQ(window.ChangedOutside(ClearRect(kArea)), 0);

    Draw(view, window, fix, SignalDraw::ClearGrey, kArea);
    EXPECT_EQ(window.Count(ClearRect(kArea), RGB(190, 190, 190)), 567 * 223);
    EXPECT_EQ(window.ChangedOutside(ClearRect(kArea)), 0);
}

// Narrow bars put their labels left of the area, strong ones in a low area above it, and the
// last column reaches past the right edge: none of it may touch the summary grid below or the
// control column to the right.
TEST(SignalCanvas, NothingPaintsOutsideTheAreaForRandomSkies)
{
    for (unsigned seed = 1; seed <= 24; ++seed) {
        std::mt19937 random(seed);
        const auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        const SignalArea area{pick(3, kWidth), pick(0, kHeight)};
        FixState fix;
        fix.satellites_in_view = pick(1, 34);
        for (SatelliteSlot& slot : fix.slots) slot = {pick(1, 200), pick(-10, 120), pick(2, 3)};
        Window window;
        SignalView view;
        Draw(view, window, fix, SignalDraw::Full, area);
        fix.slots[0].snr += 7;
        Draw(view, window, fix, SignalDraw::Update, area);
        EXPECT_EQ(window.ChangedOutside(ClearRect(area)), 0)
            << "seed " << seed << " area " << area.left_width << "x" << area.signal_height;
    }
}

TEST(SignalCanvas, TextCrossingTheClipIsCutAndTheDcIsLeftAsFound)
{
    Window window;
    SetTextColor(window.dc, RGB(255, 0, 0));
    SetBkMode(window.dc, OPAQUE);
    const SignalRect clip{50, 50, 100, 30};
    {
        GdiSignalCanvas canvas(window.dc, ToRect(clip));
        canvas.Fill(0, 0, kWidth, kHeight, 255, 255, 255);
        canvas.Text(40, 40, "8888");   // over the top-left corner
        canvas.Text(140, 70, "8888");  // over the bottom-right corner
    }
    EXPECT_EQ(window.ChangedOutside(clip), 0);
    EXPECT_GT(window.DarkIn(50, 50, 80, 60), 5);
    EXPECT_GT(window.DarkIn(140, 70, 150, 80), 5);
    EXPECT_EQ(window.Count(clip, RGB(255, 0, 0)), 0);  // black text, not the DC's colour
    EXPECT_EQ(GetTextColor(window.dc), RGB(255, 0, 0));
    EXPECT_EQ(GetBkMode(window.dc), OPAQUE);
}

}  // namespace
}  // namespace satscope
